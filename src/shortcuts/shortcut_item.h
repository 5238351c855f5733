#pragma once
#include <windows.h>

#include "setupdat/install_item.h"
#include "platform/global_memory.h"

// One shell shortcut, from a line of the shortcut list:
//
//   name=locations,target,workingfolder
//
// `locations` is a LinkFlag mask (group, Startup folder, desktop); the
// shortcut goes to each place that is in both this mask and the user's
// choice.
class ShortcutItem : public InstallItem {
public:
  // Throws SETUP_ERR_NO_MEMORY when the copy of the key cannot be had.
  // Absent fields stay none or 0.
  ShortcutItem(SetupSession* session, VariableTable* table, const char* key, const char* value);

  // Install and Remove keep the base behaviour until shell links exist.

  // Expands `target`, then `workingFolder`; throws SETUP_ERR_EXPAND when
  // either is absent. The name is never expanded.
  void Expand() override;

  GlobalBlock name;           // file name without ".lnk", and the description
  WORD locations = 0;         // LinkFlag bits
  GlobalBlock target;         // path the shortcut points to
  GlobalBlock workingFolder;  // working folder of the shortcut
};
