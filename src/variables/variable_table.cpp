#include "variables/variable_table.h"

#include <cstring>
#include <memory>
#include <utility>

#include "platform/setup_error.h"

Variable* VariableTable::Find(const Variable& probe) const {
  for (Variable* v = first_; v; v = v->next)
    if (v->IsSameKey(probe)) return v;
  return nullptr;
}

Variable* VariableTable::Add(Variable* variable) {
  if (Variable* existing = Find(*variable)) {
    delete variable;
    return existing;
  }
  variable->next = nullptr;
  variable->prev = last_;
  if (last_)
    last_->next = variable;
  else
    first_ = variable;
  last_ = variable;
  return variable;
}

Variable* VariableTable::FindKey(unsigned char key) const {
  for (Variable* v = first_; v; v = v->next)
    if (v->key() == key) return v;
  return nullptr;
}

void VariableTable::Clear() {
  Variable* v = last_;
  while (v) {
    Variable* before = v->prev;
    delete v;
    v = before;
  }
  first_ = last_ = nullptr;
}

Variable* VariableTable::Set(unsigned char key, const char* text) {
  std::unique_ptr<Variable> fresh(new Variable(key));
  Variable* variable = Add(fresh.release());
  variable->SetValue(text);
  return variable;
}

bool VariableTable::ExpandText(const char* text, GlobalBlock& result) const {
  result.reset();
  if (!text) return false;

  std::size_t size = std::strlen(text) + 1;
  GlobalBlock block = GlobalBlock::Allocate(size);
  std::size_t written = 0;
  {
    auto lock = std::make_unique<BlockLock<char>>(block);
    if (!*lock) ThrowSetupError(SETUP_ERR_NO_MEMORY);
    const char* scan = text;
    while (*scan) {
      if (*scan != '%') {
        lock->get()[written++] = *scan++;
        continue;
      }
      const char key = scan[1];
      if (key == '\0') {  // a lone "%" at the end stays
        lock->get()[written++] = '%';
        break;
      }
      if (key == '%') {
        lock->get()[written++] = '%';
        --size;
        scan += 2;
        continue;
      }
      const Variable* variable = FindKey(static_cast<unsigned char>(key));
      std::size_t length = 0;
      if (!variable) {
        lock->get()[written++] = '%';
        lock->get()[written++] = key;
      } else if (variable->GetLength(length)) {
        GlobalBlock value = GlobalBlock::Allocate(length + 1);
        {
          BlockLock<char> valueLock(value);
          if (!valueLock) ThrowSetupError(SETUP_ERR_NO_MEMORY);
          variable->GetValue(valueLock.get(), length);
        }
        size = size + length - 2;
        // The block must be unlocked to move when it grows.
        lock.reset();
        block.Resize(size);
        lock = std::make_unique<BlockLock<char>>(block);
        if (!*lock) ThrowSetupError(SETUP_ERR_NO_MEMORY);
        BlockLock<const char> valueLock(value);
        std::memcpy(lock->get() + written, valueLock.get(), length);
        written += length;
      }
      scan += 2;
    }
  }
  result = std::move(block);
  return true;
}
