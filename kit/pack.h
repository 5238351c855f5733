#pragma once
#include <filesystem>
#include <string>

struct PackOptions {
  std::filesystem::path product;   // the author's folder with Setup.dat
  std::filesystem::path set;       // where the set is written
  std::filesystem::path setupExe;  // Setup.exe when the product has none
  bool underscoreNames = false;    // compressed files as NAME.EX_
  unsigned threads = 0;            // 0: all cores
};

struct PackSummary {
  std::size_t files = 0;
  std::size_t compressed = 0;
  unsigned long long bytesIn = 0;
  unsigned long long bytesOut = 0;
};

// Writes the set: every file the Files list names, compressed when that
// makes it smaller (Setup.exe, Setup.dat and the licence stay plain: the
// set itself reads them), the licence, and Setup.dat with every size field
// the true size. Throws KitError naming what is missing or unwritable.
PackSummary Pack(const PackOptions& options);
