#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "platform/globals.h"
#include "platform/unique_handle.h"

// The private folders, one inside each destination folder, in which files
// are expanded before they are renamed into place. Under Wine, making a
// new file in a folder that already holds thousands costs more than
// copying a small one, and a rename into place costs the same again; a
// file made in a nearly empty folder of its own pays that only once, in
// the rename. The rename stays within the destination's volume, so it is
// as atomic as one inside the folder.
//
// Each is made on first use in a run and removed, when empty, by
// RemoveAll() or at the latest by the destructor.
class StagingFolders {
public:
  StagingFolders() = default;
  ~StagingFolders() { RemoveAll(); }
  StagingFolders(const StagingFolders&) = delete;
  StagingFolders& operator=(const StagingFolders&) = delete;

  // The staging folder inside `folder` in `staging`, made when missing.
  // False when it does not fit into a path or cannot be made: the file is
  // then expanded in `folder` itself.
  bool For(const char* folder, char (&staging)[kPathSize]);
  // Removes the staging folder inside `folder` when it is empty, so that
  // a file that was not installed leaves its folder as it found it.
  void RemoveIn(const char* folder);
  // Removes every staging folder of the run that is empty; one that still
  // holds a file (left for the restart) stays.
  void RemoveAll();

private:
  std::vector<std::string> made_;  // the staging folders, in the order made
  std::string last_;               // the destination folder asked for last
};

// Creates a new empty file named QWIxxxx.TMP in `folder`, open for
// writing and renaming, and names it in `path`; an invalid handle when none can be
// made. Unlike GetTempFileNameA it does not start its search afresh from
// the clock on every call, and the file stays open for the copy.
FileHandle CreateTemporaryFile(const char* folder, char (&path)[kPathSize]);
