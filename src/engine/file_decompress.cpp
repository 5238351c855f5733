// The two file-system steps of installing one file: expanding the source
// into the temporary file, and clearing the way for the rename.

#include "engine/file_item.h"


#include "session/journal.h"
#include "engine/folders.h"
#include "engine/lz_file.h"
#include "engine/pass_messages.h"
#include "engine/progress_window.h"
#include "engine/version_check.h"
#include "onefile/payload_reader.h"
#include "onefile/one_file_set.h"
#include "platform/run_log.h"
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

// A file whose content is not what the set recorded is no file to
// install: the user hears of it as of a file of the wrong size.
FileSituation FileItem::ExpandFromPayload(PayloadReader& payload, const char* name, HANDLE temp) const {
  const PayloadReader::Entry* entry = payload.Find(name);
  if (!entry) return FILE_SITUATION_OPEN_SOURCE;
  DWORD written = 0;
  switch (payload.Copy(*entry, temp, owner ? CopyGoesOn : nullptr, owner, written)) {
    case PayloadReader::Copied::WriteFailed:
      return FILE_SITUATION_COPY;
    case PayloadReader::Copied::Damaged:
      LogEvent("damaged in the set: %s (its content does not match its checksum)", name);
      return FILE_SITUATION_SIZE;
    case PayloadReader::Copied::Whole:
      break;
  }
  return static_cast<LONG>(written) == size ? FILE_SITUATION_NONE : FILE_SITUATION_SIZE;
}

FileSituation FileItem::DecompressFile(const char* name, const char* sourcePath, HANDLE temp) const {
  // A retry starts over on an empty file.
  if (SetFilePointer(temp, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER || !SetEndOfFile(temp))
    return FILE_SITUATION_OPEN_TEMP;
  if (PayloadReader* payload = OneFilePayload()) return ExpandFromPayload(*payload, name, temp);

  // The kit records each file's checksum; a set without them (written by
  // hand) is taken as it stands, and its files cost no checksum.
  DWORD expected = 0;
  const bool recorded =
      owner && owner->setupDatPath && owner->checksums.Find(owner->setupDatPath.get(), name, expected);
  LzFile sourceFile;
  if (!sourceFile.OpenSource(sourcePath)) return FILE_SITUATION_OPEN_SOURCE;
  DWORD crc = 0;
  const LONG written =
      LzFile::Copy(sourceFile, temp, owner ? CopyGoesOn : nullptr, owner, recorded ? &crc : nullptr);
  sourceFile.Close();

  if (written < 0) return FILE_SITUATION_COPY;
  if (written != size) return FILE_SITUATION_SIZE;
  if (recorded && expected != crc) {
    LogEvent("damaged in the set: %s (its content does not match its checksum)", sourcePath);
    return FILE_SITUATION_SIZE;
  }
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
