#include "setupdat/item_list.h"

ItemList::~ItemList() {
  InstallItem* item = last_;
  while (item) {
    InstallItem* before = item->prev;
    delete item;
    item = before;
  }
}

bool ItemList::Append(InstallItem* item) {
  if (!item || item->kind != kind_) return false;
  item->next = nullptr;
  item->prev = last_;
  if (last_)
    last_->next = item;
  else
    first_ = item;
  last_ = item;
  return true;
}

bool ItemList::First(InstallItem*& item) {
  cursor_ = item = first_;
  return item != nullptr;
}

bool ItemList::Next(InstallItem*& item) {
  item = nullptr;
  if (!cursor_) return false;
  cursor_ = item = cursor_->next;
  return item != nullptr;
}

bool ItemList::Last(InstallItem*& item) {
  cursor_ = item = last_;
  return item != nullptr;
}

bool ItemList::Prev(InstallItem*& item) {
  item = nullptr;
  if (!cursor_) return false;
  cursor_ = item = cursor_->prev;
  return item != nullptr;
}
