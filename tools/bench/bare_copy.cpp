// The yardstick of the install benchmark: the least work that installing a
// set of files can be. Every file of SOURCE that matches PATTERN goes
// through the LZ expansion library into a new folder DEST, one
// LZOpenFileA/LZCopy/LZClose per file, with no temporary names, questions
// or progress.
//
//   bare_copy.exe SOURCE DEST PATTERN
//
// Prints copy_seconds=S, files=N and bytes=B (bytes written, expanded).
// Exit code 0, or 1 when a file could not be copied.

#include <windows.h>
// Not part of windows.h with WIN32_LEAN_AND_MEAN.
#include <lzexpand.h>

#include <cstdio>
#include <string>

namespace {

class FindHandle {
public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  ~FindHandle() {
    if (valid()) FindClose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

private:
  HANDLE handle_;
};

class LzHandle {
public:
  explicit LzHandle(INT handle) : handle_(handle) {}
  ~LzHandle() {
    if (valid()) LZClose(handle_);
  }
  LzHandle(const LzHandle&) = delete;
  LzHandle& operator=(const LzHandle&) = delete;
  bool valid() const { return handle_ >= 0; }
  INT get() const { return handle_; }

private:
  INT handle_;
};

// One file through the library; the bytes written, or a negative value.
LONG CopyOne(const std::string& source, const std::string& target) {
  OFSTRUCT sourceRecord = {};
  OFSTRUCT targetRecord = {};
  LzHandle in(LZOpenFileA(const_cast<char*>(source.c_str()), &sourceRecord, OF_READ | OF_SHARE_DENY_WRITE));
  if (!in.valid()) return -1;
  LzHandle out(LZOpenFileA(const_cast<char*>(target.c_str()), &targetRecord, OF_CREATE | OF_SHARE_EXCLUSIVE));
  if (!out.valid()) return -1;
  return LZCopy(in.get(), out.get());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: bare_copy SOURCE DEST PATTERN\n");
    return 1;
  }
  const std::string source = argv[1];
  const std::string dest = argv[2];

  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);

  if (!CreateDirectoryA(dest.c_str(), nullptr)) {
    std::fprintf(stderr, "bare_copy: cannot create %s\n", dest.c_str());
    return 1;
  }
  WIN32_FIND_DATAA found;
  FindHandle search(FindFirstFileA((source + "\\" + argv[3]).c_str(), &found));
  if (!search.valid()) {
    std::fprintf(stderr, "bare_copy: no file matches %s in %s\n", argv[3], source.c_str());
    return 1;
  }
  long files = 0;
  double bytes = 0;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const LONG written = CopyOne(source + "\\" + found.cFileName, dest + "\\" + found.cFileName);
    if (written < 0) {
      std::fprintf(stderr, "bare_copy: cannot copy %s (%ld)\n", found.cFileName, static_cast<long>(written));
      return 1;
    }
    ++files;
    bytes += written;
  } while (FindNextFileA(search.get(), &found));

  QueryPerformanceCounter(&end);
  const double seconds =
      static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
  std::printf("copy_seconds=%.3f\nfiles=%ld\nbytes=%.0f\n", seconds, files, bytes);
  return 0;
}
