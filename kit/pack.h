#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "check.h"
#include "file_io.h"

struct PackOptions {
  std::filesystem::path product;   // the author's folder with Setup.dat
  std::filesystem::path set;       // where the set is written
  std::filesystem::path setupExe;  // Setup.exe when the product has none
  std::filesystem::path exe;       // not empty: the one-file program, in place of the set
  bool underscoreNames = false;    // compressed files as NAME.EX_
  unsigned threads = 0;            // 0: all cores
};

struct PackSummary {
  std::size_t files = 0;
  std::size_t compressed = 0;
  unsigned long long bytesIn = 0;
  unsigned long long bytesOut = 0;
  std::size_t repeated = 0;  // one file: files whose content another already brought
  std::vector<Finding> warnings;  // what check found that does not stop the set
};

// Setup.dat's faults refused before anything is written (check.h,
// set_names.h): each finding on its line.
class PackRefused : public KitError {
public:
  explicit PackRefused(std::vector<Finding> findings);
  const std::vector<Finding>& findings() const { return findings_; }

private:
  std::vector<Finding> findings_;
};

// Runs check on the product folder first (sizes aside, which it writes):
// any error throws PackRefused with every finding, and nothing is written.
// Writes the set: every file the Files list names, compressed when that
// makes it smaller (Setup.exe, Setup.dat and the licence stay plain: the
// set itself reads them), the licence, and Setup.dat with every size field
// the true size. Throws KitError naming what is missing or unwritable, or
// a set folder inside the product folder or around it; PackRefused when a
// name would lead outside the set or two keys share one set file.
PackSummary Pack(const PackOptions& options);
