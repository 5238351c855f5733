#pragma once
#include <windows.h>

class SetupSession;
class VariableTable;

// Item kinds; each has its own list.
enum ItemKind : WORD {
  ITEM_KIND_FILE = 1,
  ITEM_KIND_REGISTRY = 2,
  ITEM_KIND_SHORTCUT = 3,
};

// Shortcut location mask.
enum LinkFlag : WORD {
  LINK_GROUP = 1,
  LINK_STARTUP = 2,
  LINK_DESKTOP = 4,
};

// One thing an installation does. The passes walk the lists and call these
// operations; errors thrown inside pass through the walks to the pass.
class InstallItem {
public:
  InstallItem(WORD itemKind, SetupSession* session, VariableTable* table)
      : kind(itemKind), owner(session), variables(table) {}
  virtual ~InstallItem() = default;
  InstallItem(const InstallItem&) = delete;
  InstallItem& operator=(const InstallItem&) = delete;

  // Nonzero: go on with the walk.
  virtual BOOL Remove(WORD locations);
  // Nonzero: success.
  virtual BOOL Install(WORD locations);
  // Replaces the installation variables in the item's texts; throws.
  virtual void Expand();
  virtual DWORD GetSize();
  virtual WORD GetKind();
  // The places (LinkFlag bits) where the item makes a link: none but for a
  // shortcut, whatever list the item is in.
  virtual WORD LinkLocations();

  // A failed or cancelled installation: takes back what this run's Install
  // did to this item's destination, and nothing else, so that the machine
  // is as it was. Asks nothing and throws nothing.
  virtual void Rollback();
  // The installation has succeeded: lets go of what only a rollback would
  // have needed (old files kept aside). Throws nothing.
  virtual void Commit();

  const WORD kind;
  SetupSession* const owner;
  VariableTable* const variables;
  InstallItem* next = nullptr;
  InstallItem* prev = nullptr;
  DWORD done = 0;
};
