#include "engine/staging_folders.h"

#include "session/journal.h"

#include <cstring>

#include "platform/format_text.h"

namespace {

const char kStagingName[] = "\\QWSTAGE.TMP";

bool IsFolder(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool StagingPath(const char* folder, char (&staging)[kPathSize]) {
  const std::size_t length = std::strlen(folder);
  if (length == 0 || length + sizeof kStagingName > kPathSize) return false;
  std::memcpy(staging, folder, length);
  std::memcpy(staging + length, kStagingName, sizeof kStagingName);
  return true;
}

}  // namespace

bool StagingFolders::For(const char* folder, char (&staging)[kPathSize]) {
  if (!StagingPath(folder, staging)) return false;
  // Files of a list mostly go to the folder of the file before: the
  // folder made for that one is still there.
  if (!last_.empty() && last_ == folder) return true;
  JournalNote({"S", staging});
  if (CreateDirectoryA(staging, nullptr)) {
    made_.push_back(staging);
  } else if (!IsFolder(staging)) {
    return false;
  } else {
    // Left by a run that ended before it could remove it: ours to remove.
    bool known = false;
    for (const std::string& made : made_) known = known || made == staging;
    if (!known) made_.push_back(staging);
  }
  last_ = folder;
  return true;
}

void StagingFolders::RemoveIn(const char* folder) {
  char staging[kPathSize];
  if (!StagingPath(folder, staging)) return;
  if (RemoveDirectoryA(staging) && last_ == folder) last_.clear();
}

void StagingFolders::RemoveAll() {
  // Innermost first: a destination folder may lie inside another's.
  for (auto made = made_.rbegin(); made != made_.rend(); ++made) RemoveDirectoryA(made->c_str());
  made_.clear();
  last_.clear();
}

FileHandle CreateTemporaryFile(const char* folder, char (&path)[kPathSize]) {
  static unsigned next = GetTickCount();
  for (unsigned tries = 0; tries < 0x10000; ++tries) {
    const unsigned number = next++ & 0xFFFF;
    if (number == 0) continue;
    const int length = FormatText(path, sizeof path, "%s\\QWI%04X.TMP", folder, number);
    if (length < 0 || length >= static_cast<int>(sizeof path)) break;
    // DELETE: the file is renamed into place while still open.
    FileHandle file(CreateFileA(path, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return file;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  return FileHandle();
}
