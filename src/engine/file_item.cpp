#include "engine/file_item.h"
#include "platform/run_log.h"

#include <cstring>
#include <utility>

#include "engine/folders.h"
#include "engine/progress_window.h"
#include "engine/restart.h"
#include "engine/staging_folders.h"
#include "platform/setup_error.h"
#include "registry/shared_dll_count.h"
#include "setupdat/item_text.h"
#include "setupdat/list_fields.h"
#include "platform/globals.h"
#include "session/setup_session.h"
#include "platform/string_table.h"
#include "platform/system_library.h"
#include "platform/unique_handle.h"
#include "session/journal.h"

namespace {

const char kTempPrefix[] = "QWI";

enum class Outcome { Installed, Skipped, Cancelled };

// The temporary file in the destination folder. Deleted on every way out
// until Keep(): after the rename it is the installed file, after a
// deferred replacement it waits there for the restart.
class TemporaryFile {
public:
  TemporaryFile() = default;
  ~TemporaryFile() { Discard(); }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  // Creates the empty file, open for writing, in the staging folder inside
  // `folder`, else in `folder` itself.
  bool Create(const char* folder, StagingFolders& staging) {
    char stagingFolder[kPathSize];
    if (staging.For(folder, stagingFolder)) file_ = CreateTemporaryFile(stagingFolder, path_);
    if (!file_) JournalNote({"P", folder, kTempPrefix});
    if (!file_ && GetTempFileNameA(folder, kTempPrefix, 0, path_) != 0) {
      JournalNote({"T", path_});
      owned_ = true;
      file_.reset(
          CreateFileA(path_, GENERIC_WRITE | DELETE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    owned_ = owned_ || file_.valid();
    return file_.valid();
  }
  // The open file, for the copy; it is closed before anything else
  // looks at it or moves it by name.
  HANDLE file() const { return file_.get(); }
  // Renames the open file to `destination`, which must not exist yet, and
  // closes it. Renaming the open file spares the system the opening, the
  // look for the destination and the closing that MoveFileA does on its
  // own. False, with the file closed and still here, where the system has
  // no such rename (before Windows Vista) or refuses it: the caller then
  // renames it by name, and learns why.
  bool RenameOpenFile(const char* destination) {
    using SetFileInformationFn = BOOL(WINAPI*)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);
    auto setInformation = GetSystemProc<SetFileInformationFn>("kernel32.dll", "SetFileInformationByHandle");
    struct {
      FILE_RENAME_INFO info;
      WCHAR rest[kPathSize];  // room for the name past info.FileName[0]
    } request = {};
    const int characters =
        file_ && setInformation ? MultiByteToWideChar(CP_ACP, 0, destination, -1, request.info.FileName, kPathSize) : 0;
    bool renamed = false;
    if (characters > 0) {
      request.info.FileNameLength = static_cast<DWORD>(characters - 1) * sizeof(WCHAR);
      renamed = setInformation(file_.get(), FileRenameInfo, &request, sizeof request) != 0;
    }
    file_.reset();
    return renamed;
  }
  // Moves the file out of the staging folder into `folder` itself, where a
  // replacement at the restart finds it and leaves nothing else behind.
  // Where it cannot be moved it waits where it is.
  void MoveInto(const char* folder) {
    char moved[kPathSize];
    if (!owned_) return;
    JournalNote({"P", folder, kTempPrefix});
    if (GetTempFileNameA(folder, kTempPrefix, 0, moved) == 0) return;
    if (MoveFileExA(path_, moved, MOVEFILE_REPLACE_EXISTING))
      CopyText(path_, sizeof path_, moved);
    else
      DeleteFileA(moved);
  }
  void Discard() {
    file_.reset();
    if (owned_) DeleteFileA(path_);
    owned_ = false;
  }
  void Keep() {
    file_.reset();
    owned_ = false;
  }
  const char* path() const { return path_; }

private:
  char path_[kPathSize] = {};
  FileHandle file_;
  bool owned_ = false;
};

// A general failure (situation 1000) offers only Skip and Cancel.
Outcome SkipOrCancel(const FileItem& item, const char* destination) {
  if (AskFileError(item, destination, FILE_SITUATION_GENERAL) != FILE_ANSWER_SKIP) return Outcome::Cancelled;
  LogEvent("file skipped: %s", destination);
  return Outcome::Skipped;
}

// What went wrong with the source, in the administrator's terms.
void LogSourceFault(const char* sourcePath, FileSituation situation) {
  if (situation != FILE_SITUATION_OPEN_SOURCE) return;
  const DWORD error = GetLastError();
  if (GetFileAttributesA(sourcePath) == INVALID_FILE_ATTRIBUTES)
    LogEvent("missing from the set: %s", sourcePath);
  else
    LogFailure("source cannot be read", sourcePath, error);
}

// The source's path: the installation set folder (variable I, else the
// current folder), a backslash and the name. False when it does not fit
// into a path buffer; it is never cut.
bool BuildSourcePath(const FileItem& item, const char* name, char (&path)[kPathSize]) {
  if (const Variable* folder = item.variables->FindKey('I')) {
    std::size_t length = 0;
    if (!folder->GetLength(length) || length >= kPathSize) return false;
    folder->GetValue(path, kPathSize - 1);
  } else {
    const DWORD length = GetCurrentDirectoryA(kPathSize, path);
    if (length == 0 || length >= kPathSize) return false;
  }
  return AppendText(path, kPathSize, "\\") && AppendText(path, kPathSize, name);
}

// Expands the source into the temporary file until it works or the user
// gives up on it. Ignore keeps what was written.
Outcome CopyLoop(const FileItem& item, const char* name, const char* sourcePath, HANDLE temp,
                 const char* destination) {
  for (;;) {
    const FileSituation situation = item.DecompressFile(name, sourcePath, temp);
    if (situation == FILE_SITUATION_NONE) return Outcome::Installed;
    LogSourceFault(sourcePath, situation);
    switch (AskFileError(item, destination, situation)) {
      case FILE_ANSWER_IGNORE:
        return Outcome::Installed;
      case FILE_ANSWER_SKIP:
        LogEvent("file skipped: %s", destination);
        return Outcome::Skipped;
      case FILE_ANSWER_CANCEL:
        return Outcome::Cancelled;
      default:  // Retry
        break;
    }
  }
}

// Clears the destination for the rename. Ignore on a file that cannot be
// moved leaves the replacement to the next restart (`deferred`).
Outcome ClearLoop(FileItem& item, TemporaryFile& temp, const char* folder, const char* destination, bool& deferred) {
  bool force = false;
  deferred = false;
  for (;;) {
    const FileSituation situation = item.ClearDestination(temp.path(), destination, force, item.record.asidePath);
    if (situation == FILE_SITUATION_NONE) return Outcome::Installed;
    switch (AskFileError(item, destination, situation)) {
      case FILE_ANSWER_REPLACE:
        force = true;
        break;
      case FILE_ANSWER_IGNORE:
        temp.MoveInto(folder);
        JournalNote({"FD", destination, temp.path()});
        // A replacement the system will not carry out is no installed
        // file: the user hears of it, as of a rename that failed.
        if (!ReplaceAtRestart(*item.owner, temp.path(), destination)) return SkipOrCancel(item, destination);
        deferred = true;
        return Outcome::Installed;
      case FILE_ANSWER_SKIP:
        if (situation == FILE_SITUATION_OLDER)
          LogEvent("file kept as newer: %s (the version there is newer than the set's)", destination);
        else
          LogEvent("file skipped: %s", destination);
        return Outcome::Skipped;
      case FILE_ANSWER_CANCEL:
        return Outcome::Cancelled;
      default:  // Retry with the same force
        break;
    }
  }
}

// Steps 1 to 9 of installing a file: everything up to the file being in
// place, noted in the item's record. `temp` is kept once the file is placed
// or deferred.
Outcome PlaceFile(FileItem& item, const char* name, const char* description, const char* destination,
                  char (&folder)[kPathSize], TemporaryFile& temp) {
  FileItem::InstallRecord& record = item.record;
  char sourcePath[kPathSize];
  // Paths that do not fit the path buffers are refused, never cut: a cut
  // path would name another file.
  if (std::strlen(destination) >= kPathSize || !BuildSourcePath(item, name, sourcePath))
    return SkipOrCancel(item, destination);
  if (!GetFolderPart(destination, folder, sizeof folder)) return SkipOrCancel(item, destination);
  CreateFolderPath(folder, &record.createdFolder);
  if (!temp.Create(folder, item.owner->staging)) return SkipOrCancel(item, destination);

  SetProgressText(*item.owner, description, destination);

  Outcome outcome = CopyLoop(item, name, sourcePath, temp.file(), destination);
  if (outcome != Outcome::Installed) return outcome;
  // Most destinations do not exist yet, and the rename refuses to replace
  // one that does: trying it first spares each new file a search for a
  // name that is not there, which costs time that grows with the folder.
  JournalNote({"F+", destination, temp.path()});
  if (temp.RenameOpenFile(destination) || MoveFileA(temp.path(), destination)) {
    temp.Keep();
    record.placement = FileItem::Placement::Created;
    return Outcome::Installed;
  }
  bool deferred = false;
  outcome = ClearLoop(item, temp, folder, destination, deferred);
  if (outcome != Outcome::Installed) return outcome;
  if (deferred) {
    temp.Keep();
    record.placement = FileItem::Placement::Deferred;
    record.pendingPath = temp.path();
    return Outcome::Installed;
  }
  JournalNote({"F+", destination, temp.path()});
  if (!MoveFileA(temp.path(), destination)) {
    // The old file comes back rather than leave the user with neither.
    if (!record.asidePath.empty() && MoveFileA(record.asidePath.c_str(), destination)) record.asidePath.clear();
    return SkipOrCancel(item, destination);
  }
  temp.Keep();
  record.placement = record.asidePath.empty() ? FileItem::Placement::Created : FileItem::Placement::Replaced;
  return Outcome::Installed;
}

}  // namespace

void FileItem::CountSharedFile(const char* path) {
  // A product counts a file once, however often it is installed again.
  const LogEntry* before = owner->previousLog ? owner->previousLog->FindFile(path) : nullptr;
  if (before && before->counted) {
    LogEvent("shared count of %s: counted already", path);
    return;
  }
  record.countBefore = ReadSharedCount(owner->instance, path);
  // A file that was there without a count is somebody's: its count starts
  // at 1 before ours, so that our uninstall never takes it away.
  const bool existed = record.placement != Placement::Created;
  JournalNote({"FC", path, EncodeCount(record.countBefore).c_str()});
  try {
    bool known = false;
    const LONG count = AdjustSharedCount(owner->instance, path, 1, known, existed);
    record.counted = known;
    LogEvent("shared count of %s: %lu%s", path, static_cast<unsigned long>(count), known ? "" : " (not ours to change)");
  } catch (SetupError&) {
    // The file is in place; a count that cannot be written does not
    // undo that.
  }
}

FileItem::FileItem(SetupSession* session, VariableTable* table, const char* key, const char* value)
    : InstallItem(ITEM_KIND_FILE, session, table), source(GlobalBlock::FromText(key)) {
  GetField(value, ',', destination, 0);
  GetNumberField(value, ',', size, 1);
  GetNumberField(value, ',', shared, 2);
  GetField(value, ',', description, 3);
}

void FileItem::Expand() { ExpandItemText(*variables, destination); }

DWORD FileItem::GetSize() { return static_cast<DWORD>(size); }

BOOL FileItem::Install(WORD locations) {
  InstallItem::Install(locations);
  BlockLock<const char> name(source);
  BlockLock<const char> text(description);
  BlockLock<const char> path(destination);
  const char* destinationPath = path ? path.get() : "";

  record = InstallRecord();
  // Room for every path the record may take, before anything on disk
  // changes: running out of memory later cannot leave a renamed file out of
  // the record.
  record.asidePath.reserve(kPathSize);
  record.pendingPath.reserve(kPathSize);
  record.createdFolder.reserve(kPathSize);
  char folder[kPathSize] = {};
  Outcome outcome = Outcome::Cancelled;
  {
    TemporaryFile temp;
    outcome = PlaceFile(*this, name ? name.get() : "", text ? text.get() : "", destinationPath, folder, temp);
  }
  static const char* const kPlacements[] = {"", "created", "replaced", "in use, replaced at the next restart"};
  if (outcome == Outcome::Installed)
    LogEvent("file %s: %s -> %s", kPlacements[static_cast<int>(record.placement)], name ? name.get() : "",
             destinationPath);
  else if (outcome == Outcome::Cancelled)
    LogEvent("file not installed: %s (the installation stops)", destinationPath);
  if (outcome != Outcome::Installed) {
    JournalNote({"FX", destinationPath});
    // Nothing of this file stays, not even the folders made for it. An old
    // file that could not be renamed back stays named aside for a rollback
    // to try again.
    if (folder[0]) owner->staging.RemoveIn(folder);
    RemoveCreatedFolders(folder, record.createdFolder.c_str());
    std::string stranded = std::move(record.asidePath);
    record = InstallRecord();
    record.asidePath = std::move(stranded);
    if (outcome == Outcome::Cancelled) return FALSE;
  }
  // A shared file this product now uses is counted, whether this run put
  // it there or kept a newer copy; a file missing after a skip is not.
  if (shared && GetFileAttributesA(destinationPath) != INVALID_FILE_ATTRIBUTES) CountSharedFile(destinationPath);
  AdvanceProgress(*owner, static_cast<DWORD>(size));
  return TRUE;
}
