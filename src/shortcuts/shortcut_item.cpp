#include "shortcuts/shortcut_item.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <new>
#include <utility>

#include "session/journal.h"
#include "engine/folders.h"
#include "engine/restart.h"
#include "platform/com_ptr.h"
#include "platform/format_text.h"
#include "platform/globals.h"
#include "platform/run_log.h"
#include "platform/setup_error.h"
#include "platform/shell_calls.h"
#include "platform/string_table.h"
#include "setupdat/item_text.h"
#include "setupdat/list_fields.h"
#include "variables/variable_table.h"

namespace {

// The shell-link identifiers, defined here rather than taken from the
// platform's GUID library, which links every GUID of its object file (some
// 40 KB) for the sake of three.
const CLSID kClsidShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIidShellLinkA = {0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIidPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Aside copies of replaced links: "LNK" and four hex digits, ".TMP".
const char kAsidePrefix[] = "LNK";

// The places of a shortcut, in the order they are visited. The group's
// folder is two variables (the Programs folder and the group below it).
struct Place {
  WORD bit;
  char folderVariable;
  char groupVariable;  // 0: the folder is the one variable
  BOOL removeFolder;   // only the product's own group folder may go
};

const Place kPlaces[] = {
    {LINK_GROUP, 'G', 'H', TRUE},
    {LINK_STARTUP, 'R', 0, FALSE},
    {LINK_DESKTOP, 'D', 0, FALSE},
};

// "%G\%H" for the group, "%R" and "%D" for the others.
void MakePattern(const Place& place, char (&pattern)[8]) {
  if (place.groupVariable)
    FormatText(pattern, sizeof pattern, "%%%c\\%%%c", place.folderVariable, place.groupVariable);
  else
    FormatText(pattern, sizeof pattern, "%%%c", place.folderVariable);
}

// The folder that `pattern` names. False when it expands to nothing or
// does not fit a path: a cut folder would be another folder.
bool ExpandFolder(const VariableTable& variables, const char* pattern, char (&folder)[kPathSize]) {
  GlobalBlock expanded;
  if (!variables.ExpandText(pattern, expanded)) return false;
  BlockLock<const char> text(expanded);
  return text && CopyText(folder, sizeof folder, text.get());
}

// folder\name.lnk; false when that is longer than 259 characters.
bool MakeLinkPath(const char* folder, const char* name, char (&path)[kPathSize]) {
  return CopyText(path, sizeof path, folder) && AppendText(path, sizeof path, "\\") &&
         AppendText(path, sizeof path, name) && AppendText(path, sizeof path, ".lnk");
}

const char* TextOrEmpty(const BlockLock<const char>& text) { return text ? text.get() : ""; }

}  // namespace

ShortcutItem::ShortcutItem(SetupSession* session, VariableTable* table, const char* key, const char* value)
    : InstallItem(ITEM_KIND_SHORTCUT, session, table), name(GlobalBlock::FromText(key)) {
  LONG mask = 0;
  GetNumberField(value, ',', mask, 0);
  locations = static_cast<WORD>(mask);
  GetField(value, ',', target, 1);
  GetField(value, ',', workingFolder, 2);
  GetField(value, ',', arguments, 3);
  GetField(value, ',', iconFile, 4);
  GetNumberField(value, ',', iconIndex, 5);
}

void ShortcutItem::Expand() {
  ExpandItemText(*variables, target);
  ExpandItemText(*variables, workingFolder);
  if (arguments) ExpandItemText(*variables, arguments);
  if (iconFile) ExpandItemText(*variables, iconFile);
}

BOOL ShortcutItem::Install(WORD linkFlags) {
  InstallItem::Install(linkFlags);
  if (done) return TRUE;
  for (const Place& place : kPlaces) {
    if (!(linkFlags & locations & place.bit)) continue;
    char pattern[8];
    MakePattern(place, pattern);
    if (!CreateShortcut(pattern)) return FALSE;
  }
  done = 1;
  return TRUE;
}

BOOL ShortcutItem::Remove(WORD linkFlags) {
  for (const Place& place : kPlaces) {
    if (!(linkFlags & locations & place.bit)) continue;
    char pattern[8];
    MakePattern(place, pattern);
    if (!DeleteShortcut(pattern, place.removeFolder)) return FALSE;
  }
  return TRUE;
}

BOOL ShortcutItem::CreateShortcut(const char* pattern) {
  BlockLock<const char> linkName(name);
  BlockLock<const char> linkTarget(target);
  BlockLock<const char> linkFolder(workingFolder);
  if (!linkName) return FALSE;

  // Declared first so that it is released last, after IPersistFile.
  ComPtr<IShellLinkA> link;
  if (FAILED(systemdll::CoCreateInstance(kClsidShellLink, nullptr, CLSCTX_INPROC_SERVER, kIidShellLinkA,
                                         link.put_void())))
    return FALSE;
  link->SetPath(TextOrEmpty(linkTarget));
  link->SetWorkingDirectory(TextOrEmpty(linkFolder));
  link->SetDescription(linkName.get());
  {
    BlockLock<const char> linkArguments(arguments);
    BlockLock<const char> linkIcon(iconFile);
    if (linkArguments && linkArguments.get()[0]) link->SetArguments(linkArguments.get());
    if (linkIcon && linkIcon.get()[0]) link->SetIconLocation(linkIcon.get(), static_cast<int>(iconIndex));
  }
  ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(kIidPersistFile, file.put_void()))) return FALSE;

  // The whole link path is checked before any folder is made, so that a
  // link that cannot be saved leaves no folders behind.
  char folder[kPathSize];
  char linkPath[kPathSize];
  WCHAR widePath[kPathSize];
  if (!ExpandFolder(*variables, pattern, folder) || !MakeLinkPath(folder, linkName.get(), linkPath)) return FALSE;
  if (!MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, kPathSize)) return FALSE;

  // Everything the record needs is allocated before the disk is touched:
  // what has been changed is always recorded.
  try {
    PlacedLink placed;
    placed.path.reserve(kPathSize);
    placed.folder.reserve(kPathSize);
    placed.aside.reserve(kPathSize);
    placed.outermostCreated.reserve(kPathSize);
    placed.path = linkPath;
    placed.folder = folder;
    placed_.push_back(std::move(placed));
  } catch (const std::bad_alloc&) {
    ThrowSetupError(SETUP_ERR_NO_MEMORY);
  }
  PlacedLink& placed = placed_.back();

  // A folder that cannot be made shows up as a failed save.
  CreateFolderPath(folder, &placed.outermostCreated);
  if (!SetAside(placed)) {
    // The old link is still in place and stays untouched.
    RemoveCreatedFolders(placed.folder.c_str(), placed.outermostCreated.c_str());
    placed_.pop_back();
    return FALSE;
  }
  JournalNote({"L+", linkPath});
  const HRESULT saved = file->Save(widePath, TRUE);
  if (SUCCEEDED(saved)) {
    LogEvent("link: %s -> %s", linkPath, TextOrEmpty(linkTarget));
    return TRUE;
  }
  LogFailure("link could not be saved", linkPath, static_cast<DWORD>(saved));
  Undo(placed);
  placed_.pop_back();
  return FALSE;
}

BOOL ShortcutItem::DeleteShortcut(const char* pattern, BOOL removeFolder) {
  BlockLock<const char> linkName(name);
  char folder[kPathSize];
  char linkPath[kPathSize];
  // A path that does not fit was never saved: the link is missing.
  if (!linkName || !ExpandFolder(*variables, pattern, folder) || !MakeLinkPath(folder, linkName.get(), linkPath))
    return FALSE;
  const BOOL deleted = DeleteFileA(linkPath);
  LogEvent("link %s: %s", deleted ? "removed" : "missing", linkPath);
  if (IsFolderEmpty(folder) && removeFolder) RemoveDirectoryA(folder);
  return deleted;
}

bool ShortcutItem::SetAside(PlacedLink& placed) {
  const DWORD attributes = GetFileAttributesA(placed.path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    // Only a path known to be free may later be cleared by deleting.
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  // A folder of that name makes the save fail; it is never touched.
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return true;
  // The same folder, so that the rename is never a copy and the rollback
  // gets the old bytes back exactly. GetTempFileNameA creates the file
  // that reserves the name; the rename replaces it.
  char aside[MAX_PATH];
  JournalNote({"P", placed.folder.c_str(), kAsidePrefix});
  if (GetTempFileNameA(placed.folder.c_str(), kAsidePrefix, 0, aside) == 0) return false;
  JournalNote({"LA", placed.path.c_str(), aside});
  if (!MoveFileExA(placed.path.c_str(), aside, MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(aside);
    return false;
  }
  placed.aside = aside;
  return true;
}

void ShortcutItem::Undo(const PlacedLink& placed) {
  if (!placed.aside.empty())
    MoveFileExA(placed.aside.c_str(), placed.path.c_str(), MOVEFILE_REPLACE_EXISTING);
  else
    DeleteFileA(placed.path.c_str());
  RemoveCreatedFolders(placed.folder.c_str(), placed.outermostCreated.c_str());
}

void ShortcutItem::Rollback() {
  try {
    // Newest first: when one run wrote the same path twice, the second
    // record's aside copy is the first record's link.
    for (auto placed = placed_.rbegin(); placed != placed_.rend(); ++placed) {
      LogEvent("rollback: link %s", placed->path.c_str());
      Undo(*placed);
    }
  } catch (...) {
    // Nothing may escape a rollback; what could not be undone stays.
  }
  placed_.clear();
  done = 0;
}

void ShortcutItem::Commit() {
  for (const PlacedLink& placed : placed_) {
    if (placed.aside.empty()) continue;
    // The copy keeps the attributes of the link it was; a read-only one
    // would refuse to be deleted.
    SetFileAttributesA(placed.aside.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileA(placed.aside.c_str())) continue;
    try {
      if (owner) DeleteAtRestart(*owner, placed.aside.c_str());
    } catch (...) {
      // A copy that cannot be scheduled stays: it harms nothing.
    }
  }
  placed_.clear();
}
