#pragma once
#include <filesystem>
#include <string>
#include <vector>

struct Finding {
  int line = 0;  // in Setup.dat; 0 when the fault has no line
  bool error = true;
  std::string text;
};

// How a folder is looked at: a set as it ships, or a product folder that
// pack is about to make a set of.
struct CheckOptions {
  // Size fields are not looked at (pack writes them all), and sources are
  // looked for in the product folder.
  bool beforePack = false;
  // Where pack takes Setup.exe from when the product folder has none.
  std::filesystem::path setupExe;
};

// Everything in the set at `folder` that Setup.exe would meet at load or
// install time, in Setup.dat's line order. Throws KitError only when the
// folder has no readable Setup.dat.
std::vector<Finding> CheckSet(const std::filesystem::path& folder, const CheckOptions& options = CheckOptions());

// "Setup.dat:LINE: error: TEXT".
std::string FormatFinding(const Finding& finding);
