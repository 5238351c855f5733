#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "setupdat/install_item.h"
#include "platform/global_memory.h"

// One shell shortcut, from a line of the shortcut list:
//
//   name=locations,target,workingfolder[,arguments[,iconfile[,iconindex]]]
//
// `locations` is a LinkFlag mask (group, Startup folder, desktop); the
// shortcut goes to each place that is in both this mask and the user's
// choice, always in the order group, Startup folder, desktop. The link
// file of a place is its folder, a backslash, `name` and ".lnk". Without
// an icon file the link shows its target's icon; an empty field counts as
// absent, so that a line can give an icon without arguments.
class ShortcutItem : public InstallItem {
public:
  // Throws SETUP_ERR_NO_MEMORY when the copy of the key cannot be had.
  // Absent fields stay none or 0.
  ShortcutItem(SetupSession* session, VariableTable* table, const char* key, const char* value);

  // Deletes the link of every place in both masks; 0 at the first link that
  // was not deleted (the places after it are not tried). The group folder
  // goes when it is left empty; the Startup and desktop folders never do.
  // Neither reads nor changes `done`.
  BOOL Remove(WORD linkFlags) override;
  // Creates the link of every place in both masks; 0 at the first place
  // that failed, leaving the links made before it (and `done` 0). A done
  // item returns 1 at once. Throws SETUP_ERR_NO_MEMORY.
  BOOL Install(WORD linkFlags) override;
  // Expands `target`, then `workingFolder`; throws SETUP_ERR_EXPAND when
  // either is absent. Then the arguments and the icon file, when present.
  // The name is never expanded.
  void Expand() override;
  // Deletes the links this run's Install created, puts back the links they
  // replaced and removes the folders it created, newest first.
  void Rollback() override;
  // Deletes the replaced links kept aside for a rollback; one that cannot
  // be deleted now goes at the next restart.
  void Commit() override;
  WORD LinkLocations() override { return locations; }

  // Saves the link into the folder that `pattern` expands to, creating the
  // folder and its missing parents. 1 when the link file was saved; a
  // failed place leaves nothing behind: an old link is back, new folders
  // gone. Throws SETUP_ERR_NO_MEMORY.
  BOOL CreateShortcut(const char* pattern);
  // Deletes the link from the folder that `pattern` expands to, and the
  // folder too when `removeFolder` is set and it is left empty. Nonzero
  // when the link file was deleted.
  BOOL DeleteShortcut(const char* pattern, BOOL removeFolder);

  GlobalBlock name;           // file name without ".lnk", and the description
  WORD locations = 0;         // LinkFlag bits
  GlobalBlock target;         // path the shortcut points to
  GlobalBlock workingFolder;  // working folder of the shortcut
  GlobalBlock arguments;      // command line after the target; none: none
  GlobalBlock iconFile;       // file that holds the icon; none: the target's
  LONG iconIndex = 0;         // the icon's index in `iconFile`

  // What one CreateShortcut of this run did, kept until Commit or Rollback.
  struct PlacedLink {
    std::string path;              // the link file written
    std::string folder;            // the folder that holds it
    std::string aside;             // the link that was there before, renamed aside; empty when none
    std::string outermostCreated;  // the outermost folder created for it; empty when none
  };
  // The links this run placed, in the order of creation (until Commit or Rollback).
  const std::vector<PlacedLink>& placed() const { return placed_; }

private:
  // Renames an existing link at the record's path aside in its folder.
  // False when one exists, or the path cannot be looked at, and nothing
  // has been moved: then the place must fail without touching the path.
  static bool SetAside(PlacedLink& placed);
  // Takes one place back: the old link returns over the new one (or the
  // new one goes) and the folders created for it are removed.
  static void Undo(const PlacedLink& placed);

  std::vector<PlacedLink> placed_;  // in the order of creation
};
