#pragma once
#include "platform/global_memory.h"
#include "variables/variable.h"

// The installation variables of a run, in the order their keys were first
// added; owns its variables. No two share a key.
class VariableTable {
public:
  VariableTable() = default;
  virtual ~VariableTable() { Clear(); }
  VariableTable(const VariableTable&) = delete;
  VariableTable& operator=(const VariableTable&) = delete;

  // The table's variable whose key equals the probe's, or null.
  virtual Variable* Find(const Variable& probe) const;
  // Takes over `variable`. When its key exists already the new one is freed
  // and the existing one returned; otherwise it is appended and returned.
  virtual Variable* Add(Variable* variable);

  Variable* FindKey(unsigned char key) const;
  void Clear();

  // Sets variable `key` to `text`: an existing key keeps its place.
  // Throws SETUP_ERR_NO_MEMORY.
  Variable* Set(unsigned char key, const char* text);

  // Replaces "%X" by the value of variable X and "%%" by "%", in one pass.
  // True with a new block in `result`; false, result emptied, for a null
  // text. Throws SETUP_ERR_NO_MEMORY.
  bool ExpandText(const char* text, GlobalBlock& result) const;

  Variable* first() const { return first_; }
  Variable* last() const { return last_; }

private:
  Variable* first_ = nullptr;
  Variable* last_ = nullptr;
};
