#include "setupdat/install_item.h"

BOOL InstallItem::Remove(WORD) { return TRUE; }
BOOL InstallItem::Install(WORD) { return TRUE; }
void InstallItem::Expand() {}
DWORD InstallItem::GetSize() { return 0; }
WORD InstallItem::GetKind() { return kind; }
WORD InstallItem::LinkLocations() { return 0; }
void InstallItem::Rollback() {}
void InstallItem::Commit() {}
