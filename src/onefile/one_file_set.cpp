#include "onefile/one_file_set.h"

#include "platform/format_text.h"
#include "platform/private_folder.h"
#include "platform/string_table.h"
#include "platform/unique_handle.h"

namespace {

PayloadReader* g_payload = nullptr;

// Makes the folders of `path` below `root` (which exists).
bool MakeFoldersBelow(const char* root, const char* path) {
  char folder[kPathSize];
  if (!CopyText(folder, sizeof folder, path)) return false;
  for (char* at = folder + lstrlenA(root) + 1; *at; ++at) {
    if (*at != '\\') continue;
    *at = '\0';
    if (!CreateDirectoryA(folder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    *at = '\\';
  }
  return true;
}

}  // namespace

OneFileSet::~OneFileSet() {
  if (g_payload == &reader_) g_payload = nullptr;
  if (folder_[0]) RemoveFolderTree(folder_);
}

PayloadReader::Opened OneFileSet::Open() {
  char program[kPathSize];
  const DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
  if (length == 0 || length >= sizeof program) return PayloadReader::Opened::None;
  const PayloadReader::Opened opened = reader_.Open(program);
  if (opened != PayloadReader::Opened::Ready) return opened;
  // A set whose own files cannot be put out cannot run; it is reported
  // as the download's fault, which is the likeliest.
  if (!MakePrivateFolder("QWS", folder_)) {
    folder_[0] = '\0';
    return PayloadReader::Opened::Damaged;
  }
  if (!ExtractStartFiles()) return PayloadReader::Opened::Damaged;
  g_payload = &reader_;
  return opened;
}

bool OneFileSet::ExtractStartFiles() {
  for (DWORD i = 0; i < reader_.count(); ++i) {
    const PayloadReader::Entry& entry = reader_.entry(i);
    if (entry.offset >= reader_.startSize()) continue;
    char path[kPathSize];
    if (FormatText(path, sizeof path, "%s\\%s", folder_, entry.name) < 0 || !MakeFoldersBelow(folder_, path))
      return false;
    FileHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || reader_.Copy(entry, file.get(), nullptr, nullptr, written) != PayloadReader::Copied::Whole)
      return false;
  }
  return true;
}

PayloadReader* OneFilePayload() { return g_payload; }
