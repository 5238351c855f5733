#pragma once
#include <windows.h>

#include "onefile/payload_reader.h"
#include "platform/globals.h"

// An installation run of a one-file Setup.exe: the set's own files
// (Setup.dat, the licence, the help file) are put into a new private
// folder, which stands in for the set folder; every other file is
// expanded from the payload straight into its staging folder. The folder
// goes when the run ends.
class OneFileSet {
 public:
  OneFileSet() = default;
  ~OneFileSet();
  OneFileSet(const OneFileSet&) = delete;
  OneFileSet& operator=(const OneFileSet&) = delete;

  // None: this program carries no set. Damaged: it carries one that may
  // not be used (nothing has been written). Ready: the set folder is
  // `folder()`, and OneFilePayload() answers for the run.
  PayloadReader::Opened Open();
  const char* folder() const { return folder_; }

 private:
  bool ExtractStartFiles();

  PayloadReader reader_;
  char folder_[kPathSize] = {};
};

// The payload of the running one-file Setup.exe, or null for a set folder.
PayloadReader* OneFilePayload();
