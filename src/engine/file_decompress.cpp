// The two file-system steps of installing one file: expanding the source
// into the temporary file, and clearing the way for the rename.

#include "engine/file_item.h"
#include "session/journal.h"
#include "engine/folders.h"
#include "engine/lz_file.h"
#include "engine/pass_messages.h"
#include "engine/progress_window.h"
#include "engine/version_check.h"
#include "platform/globals.h"
#include "session/setup_session.h"

namespace {

// Between the chunks of a copy: the bar moves within the file, and the
// windows answer.
void CopyGoesOn(void* session, DWORD written) {
  ShowCopyProgress(*static_cast<SetupSession*>(session), written);
  KeepPassAlive();
}

const char kAsidePrefix[] = "QWO";

// Moves `path` to a new name of its own in `folder`, which it takes over.
bool MoveAside(const char* path, const char* folder, std::string& asidePath) {
  char aside[kPathSize];
  // The name is made by creating an empty file, which the old file then
  // replaces.
  JournalNote({"P", folder, kAsidePrefix});
  if (!GetTempFileNameA(folder, kAsidePrefix, 0, aside)) return false;
  JournalNote({"FA", path, aside});
  if (!MoveFileExA(path, aside, MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(aside);
    return false;
  }
  asidePath = aside;
  return true;
}

}  // namespace

FileSituation FileItem::DecompressFile(const char* sourcePath, HANDLE temp) const {
  LzFile sourceFile;
  if (!sourceFile.OpenSource(sourcePath)) return FILE_SITUATION_OPEN_SOURCE;
  // A retry starts over on an empty file.
  if (SetFilePointer(temp, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER || !SetEndOfFile(temp))
    return FILE_SITUATION_OPEN_TEMP;

  const LONG written = owner ? LzFile::Copy(sourceFile, temp, CopyGoesOn, owner) : LzFile::Copy(sourceFile, temp);
  sourceFile.Close();

  if (written < 0) return FILE_SITUATION_COPY;
  if (written != size) return FILE_SITUATION_SIZE;
  return FILE_SITUATION_NONE;
}

FileSituation FileItem::ClearDestination(const char* tempPath, const char* destinationPath, bool force,
                                         std::string& asidePath) const {
  asidePath.clear();
  const DWORD attributes = GetFileAttributesA(destinationPath);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return FILE_SITUATION_NONE;
  if (!force && IsOlderVersion(tempPath, destinationPath)) return FILE_SITUATION_OLDER;
  // A read-only file may be renamed, but it was protected on purpose: the
  // user decides, as for a file that cannot be deleted.
  if (attributes & FILE_ATTRIBUTE_READONLY) return FILE_SITUATION_IN_USE;
  char folder[kPathSize];
  if (!GetFolderPart(destinationPath, folder, sizeof folder)) return FILE_SITUATION_IN_USE;
  return MoveAside(destinationPath, folder, asidePath) ? FILE_SITUATION_NONE : FILE_SITUATION_IN_USE;
}
