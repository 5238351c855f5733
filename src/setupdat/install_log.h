#pragma once
#include <windows.h>

#include <string>
#include <vector>

// What one product's installations did to the machine, and so what its
// uninstall may take away: nothing that is not named here is ever
// removed. Written at the end of a successful installation into the
// installation folder, beside the installed Setup.dat, as plain text:
//
//   Setup install log 1
//   folder<TAB>C:\Program Files\Example
//   product<TAB>Example              (the uninstall entry's key name)
//   version<TAB>2.0
//   F<TAB>osc<TAB>C:\...\LIB.DLL     (owned, shared, counted; "-" for none)
//   R<TAB>HKLM<TAB>Software\X<TAB>Value<TAB>Software\X   (HKCR, HKCU, HKLM; key created, or empty)
//   L<TAB>C:\...\Example.lnk<TAB>C:\...\Example Group    (folder created, or empty)
//   D<TAB>C:\...\Inner<TAB>C:\...\Outer                  (folders created)
//   checksum<TAB>1a2b3c4d
//
// The checksum covers every byte before its line. Entries keep the order
// of the installation, so that removal walks them backwards.
struct LogEntry {
  enum Type : char { File = 'F', Registry = 'R', Link = 'L', Folders = 'D' };
  Type type = File;
  std::string path;   // the file, key, link or innermost folder
  std::string name;   // Registry: the value name
  std::string outer;  // Registry: the outermost key created; Link, Folders: the outermost folder created
  HKEY root = nullptr;
  bool owned = false;    // File: this product created or replaced it
  bool shared = false;   // File: kept in the shared-DLL counts
  bool counted = false;  // File: this product raised its count
};

class InstallLog {
public:
  std::string folder;
  std::string product;
  std::string version;
  std::vector<LogEntry> entries;

  // The text of the log, checksum line included. Throws
  // SETUP_ERR_UNINSTALL_INFO for a field that the format cannot hold (a
  // tab or a line end).
  std::string Text() const;
  // Reads a log's text; false when it is damaged: an unknown line, a
  // missing field, a checksum that does not match. `checksum` receives the
  // recorded one.
  bool Parse(const std::string& text, DWORD& checksum);

  // The file entry of `path`, or null.
  const LogEntry* FindFile(const std::string& path) const;
  // The first registry entry of that value, or of that key when `name` is
  // null.
  const LogEntry* FindRegistry(HKEY root, const std::string& key, const char* name) const;
  const LogEntry* FindLink(const std::string& path) const;
};

// What an installation did to the log of its product and to the checksum
// in the uninstall entry, so that a rollback puts both back.
struct LogPlacement {
  std::string path;         // the log written; empty when none was
  std::string entryKey;     // the uninstall entry, below the product's root
  bool checksumWritten = false;
  std::string oldChecksum;  // the entry's checksum before, or empty when it had none
};

// The checksum of a log's text: CRC-32.
DWORD LogChecksum(const char* data, std::size_t size);

// Writes the log as `path`: into a new file beside it first, flushed, then
// renamed over `path` and read back. False when any of that fails; once
// the rename has happened `path` is the caller's to put back. `checksum`
// receives the checksum written.
bool WriteInstallLog(const InstallLog& log, const char* path, DWORD& checksum);
// Reads and checks the log at `path`; false when it is missing or damaged.
bool ReadInstallLog(const char* path, InstallLog& log, DWORD& checksum);

// Paths of the machine are compared without regard to case.
bool SamePath(const std::string& a, const std::string& b);
