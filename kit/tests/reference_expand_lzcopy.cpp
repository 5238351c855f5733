#include <windows.h>
// Needs windows.h first.
#include <lzexpand.h>

#include "reference_expand.h"

namespace {

// An LZ handle, closed with LZClose.
class LzHandle {
public:
  explicit LzHandle(INT handle) : handle_(handle) {}
  ~LzHandle() {
    if (handle_ >= 0) LZClose(handle_);
  }
  LzHandle(const LzHandle&) = delete;
  LzHandle& operator=(const LzHandle&) = delete;
  INT get() const { return handle_; }

private:
  INT handle_;
};

}  // namespace

const char* ReferenceName() { return "LZCopy"; }

std::string ReferenceExpand(const std::string& packed, const std::string& expanded) {
  OFSTRUCT sourceInfo = {};
  OFSTRUCT targetInfo = {};
  LzHandle source(LZOpenFileA(const_cast<char*>(packed.c_str()), &sourceInfo, OF_READ));
  if (source.get() < 0) return "LZOpenFile cannot open " + packed + ": " + std::to_string(source.get());
  LzHandle target(LZOpenFileA(const_cast<char*>(expanded.c_str()), &targetInfo, OF_CREATE));
  if (target.get() < 0) return "LZOpenFile cannot create " + expanded + ": " + std::to_string(target.get());
  const LONG copied = LZCopy(source.get(), target.get());
  return copied >= 0 ? std::string() : "LZCopy failed: " + std::to_string(copied);
}
