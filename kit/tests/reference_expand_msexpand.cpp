#include <cstdlib>

#include "reference_expand.h"

const char* ReferenceName() { return "msexpand"; }

std::string ReferenceExpand(const std::string& packed, const std::string& expanded) {
  // The kit's temporary names hold no quotes: single quotes are enough.
  const std::string command = "msexpand < '" + packed + "' > '" + expanded + "'";
  const int status = std::system(command.c_str());
  return status == 0 ? std::string() : "msexpand ended with status " + std::to_string(status);
}
