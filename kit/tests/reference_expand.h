#pragma once
#include <string>

// Expands the LZ file at `packed` into `expanded` with the reference
// expander of the platform the test runs on: Debian's msexpand natively,
// the platform's LZCopy under Windows. Empty when it succeeded, else why
// it failed.
std::string ReferenceExpand(const std::string& packed, const std::string& expanded);

// The reference's name, for messages.
const char* ReferenceName();
