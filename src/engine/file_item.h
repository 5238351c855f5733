#pragma once
#include <windows.h>

#include "engine/file_error_dialog.h"
#include "setupdat/install_item.h"
#include "platform/global_memory.h"

// One file of the installation set, plain or LZ-compressed, to be expanded
// into its destination. Parsed from a line of the file list:
//
//   source=destination,size,shared,description
//
// Installing never writes the destination in place: the file is expanded
// into a temporary file in the destination folder, the existing file is
// checked and deleted, and the temporary file is renamed. Every problem on
// the way is put to the user with the file error dialog.
class FileItem : public InstallItem {
public:
  // Throws SETUP_ERR_NO_MEMORY when the copy of the key cannot be had.
  // Absent fields stay none or 0.
  FileItem(SetupSession* session, VariableTable* table, const char* key, const char* value);

  // Removal is done by the file removal pass (base behaviour until then).
  BOOL Install(WORD locations) override;  // InstallFile
  // Expands the installation variables in `destination`; throws
  // SETUP_ERR_EXPAND when it is absent.
  void Expand() override;
  DWORD GetSize() override;

  // Expands `sourcePath` (plain or compressed) into the existing file
  // `tempPath`; a situation, or FILE_SITUATION_NONE when `size` bytes
  // were written.
  FileSituation DecompressFile(const char* sourcePath, const char* tempPath) const;
  // Deletes an existing `destinationPath` so that `tempPath` can take its
  // place; asks about an older new file first unless `force` is set.
  FileSituation ClearDestination(const char* tempPath, const char* destinationPath, bool force) const;

  GlobalBlock source;       // name inside the installation set folder (variable I)
  GlobalBlock destination;  // full path of the installed file, expanded by Expand
  LONG size = 0;            // bytes of the installed file
  LONG shared = 0;          // nonzero: kept in the shared-DLL counts
  GlobalBlock description;  // progress window text while the file is copied

  // Set when this run put the file in place (or left it for the restart),
  // so that a rollback can tell what the run itself installed.
  bool installedByRun = false;
};
