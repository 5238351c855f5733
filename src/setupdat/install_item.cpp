#include "setupdat/install_item.h"

BOOL InstallItem::Remove(WORD) { return TRUE; }
BOOL InstallItem::Install(WORD) { return TRUE; }
void InstallItem::Expand() {}
DWORD InstallItem::GetSize() { return 0; }
WORD InstallItem::GetKind() { return kind; }
void InstallItem::Rollback() {}
void InstallItem::Commit() {}
