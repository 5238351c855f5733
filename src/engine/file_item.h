#pragma once
#include <windows.h>

#include <string>

#include "engine/file_error_dialog.h"
#include "platform/global_memory.h"
#include "registry/shared_dll_count.h"
#include "setupdat/install_item.h"

class PayloadReader;

// One file of the installation set, plain or LZ-compressed, to be expanded
// into its destination. Parsed from a line of the file list:
//
//   source=destination,size,shared,description
//
// Installing never writes the destination in place: the file is expanded
// into a temporary file in the staging folder inside the destination
// folder (see StagingFolders), the existing file is
// checked and renamed aside in the same folder, and the temporary file is
// renamed into place. Every problem on the way is put to the user with the
// file error dialog. Until the installation has succeeded the old file
// waits aside, so that a rollback can put it back as it was.
class FileItem : public InstallItem {
public:
  // Throws SETUP_ERR_NO_MEMORY when the copy of the key cannot be had.
  // Absent fields stay none or 0.
  FileItem(SetupSession* session, VariableTable* table, const char* key, const char* value);

  // RemoveFile: gives back the shared count, deletes the file (at the
  // restart when it is in use) with its help companions, and its folder
  // when that is left empty. 0 only for a destination without a folder.
  BOOL Remove(WORD locations) override;
  BOOL Install(WORD locations) override;  // InstallFile
  // Expands the installation variables in `destination`; throws
  // SETUP_ERR_EXPAND when it is absent.
  void Expand() override;
  DWORD GetSize() override;
  void Rollback() override;
  void Commit() override;

  // Expands `sourcePath` (plain or compressed) into the temporary file
  // `temp`, open for writing, in place of what it held; a situation, or
  // FILE_SITUATION_NONE when `size` bytes were written.
  // `name` is the set name: a one-file program finds the file by it in
  // its payload, and the set's checksum of the file is kept under it.
  FileSituation DecompressFile(const char* name, const char* sourcePath, HANDLE temp) const;
  FileSituation ExpandFromPayload(PayloadReader& payload, const char* name, HANDLE temp) const;
  // Renames an existing `destinationPath` aside in its folder, so that
  // `tempPath` can take its place, and names the aside copy in
  // `asidePath` (left empty when there was nothing to move). Asks about an
  // older new file first unless `force` is set; a read-only file, or one
  // that cannot be moved, is in use.
  FileSituation ClearDestination(const char* tempPath, const char* destinationPath, bool force,
                                 std::string& asidePath) const;

  // Raises the shared count of the installed `path` for this product,
  // unless its previous installation did.
  void CountSharedFile(const char* path);

  GlobalBlock source;       // name inside the installation set folder (variable I)
  GlobalBlock destination;  // full path of the installed file, expanded by Expand
  LONG size = 0;            // bytes of the installed file
  LONG shared = 0;          // nonzero: kept in the shared-DLL counts
  GlobalBlock description;  // progress window text while the file is copied

  // What this run's Install did, so that a rollback takes back exactly
  // that and nothing else.
  enum class Placement { None, Created, Replaced, Deferred };
  struct InstallRecord {
    Placement placement = Placement::None;
    std::string asidePath;      // Replaced: the old file, in the destination folder
    std::string pendingPath;    // Deferred: the new file waiting for the restart
    std::string createdFolder;  // the outermost folder this run created for the file
    bool counted = false;       // the shared count was raised ...
    SharedCountRecord countBefore;  // ... from this
  };
  InstallRecord record;
};
