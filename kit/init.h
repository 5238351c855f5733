#pragma once
#include <filesystem>
#include <string>
#include <vector>

// What init left out, and why: one line each, for the author to read.
struct InitSummary {
  std::size_t files = 0;             // file lines written
  std::vector<std::string> skipped;  // "NAME: reason"
  std::string licence;               // the licence line's file; empty: none
};

// Writes PRODUCT/Setup.dat to start from: the [Setup] keys the set needs
// (Title and DefaultFolder from the folder's name), every key the author
// must decide written as a comment, a licence line when the folder has a
// LICENSE* file, and one Files line per file below the folder (sizes "?",
// for pack), then Setup.exe and Setup.dat, which the uninstall needs.
// Throws KitError when the folder is missing or already has a Setup.dat.
InitSummary InitProduct(const std::filesystem::path& product);
