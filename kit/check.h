#pragma once
#include <filesystem>
#include <string>
#include <vector>

struct Finding {
  int line = 0;  // in Setup.dat; 0 when the fault has no line
  bool error = true;
  std::string text;
};

// Everything in the set at `folder` that Setup.exe would meet at load or
// install time, in Setup.dat's line order. Throws KitError only when the
// folder has no readable Setup.dat.
std::vector<Finding> CheckSet(const std::filesystem::path& folder);

// "Setup.dat:LINE: error: TEXT".
std::string FormatFinding(const Finding& finding);
