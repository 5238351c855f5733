#pragma once
#include <windows.h>

#include "setupdat/install_item.h"

// The owning, doubly linked list of the items of one kind, in the order of
// the lines of Setup.dat. One cursor per list: one walk at a time.
class ItemList {
public:
  explicit ItemList(WORD kind) : kind_(kind) {}
  ~ItemList();
  ItemList(const ItemList&) = delete;
  ItemList& operator=(const ItemList&) = delete;

  // Takes ownership; false, and nothing taken, for an item of another kind.
  bool Append(InstallItem* item);

  bool First(InstallItem*& item);
  bool Next(InstallItem*& item);
  bool Last(InstallItem*& item);
  bool Prev(InstallItem*& item);

  WORD kind() const { return kind_; }
  bool empty() const { return first_ == nullptr; }

private:
  InstallItem* cursor_ = nullptr;
  WORD kind_;
  InstallItem* first_ = nullptr;
  InstallItem* last_ = nullptr;
};
