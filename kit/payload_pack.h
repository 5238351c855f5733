#pragma once
#include <filesystem>
#include <string>
#include <vector>

// The one-file form of a set: Setup.exe with the set after its image
// (payload/payload_format.h). Built only where the xz library is at hand.

struct PayloadFile {
  std::string name;   // the set name, as the lists write it
  std::string bytes;  // the content as it is installed
};

struct PayloadSummary {
  unsigned long long unpacked = 0;  // bytes of the expanded stream
  unsigned long long packed = 0;    // bytes of the packed blocks
  std::size_t repeated = 0;         // files whose content another file already brought
};

// Whether this build of the kit can write the one-file form.
bool CanWriteOneFile();

// Writes `out`: the image of `setupExe` (a signature or anything else after
// its sections left out) and the payload of `startFiles` (read by Setup.exe
// before the wizard) and `files` (in the order the lists install them; one
// entry a name). Throws KitError.
PayloadSummary WriteOneFile(const std::filesystem::path& out, const std::string& setupExe,
                            const std::vector<PayloadFile>& startFiles, const std::vector<PayloadFile>& files,
                            unsigned threads);
