#include "file_io.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "setupdat/section_split.h"

namespace fs = std::filesystem;

std::string ReadWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw KitError(path.string() + ": cannot be read");
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw KitError(path.string() + ": cannot be read");
  return bytes;
}

std::string ReadFileHead(const fs::path& path, std::size_t count) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw KitError(path.string() + ": cannot be read");
  std::string bytes(count, '\0');
  in.read(&bytes[0], static_cast<std::streamsize>(count));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

void WriteWholeFile(const fs::path& path, const std::string& bytes) {
  std::error_code ignored;
  if (path.has_parent_path()) fs::create_directories(path.parent_path(), ignored);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw KitError(path.string() + ": cannot be written");
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw KitError(path.string() + ": cannot be written");
}

bool FindInFolder(const fs::path& folder, const std::string& relative, fs::path& found) {
  fs::path at = folder;
  std::size_t start = 0;
  while (start <= relative.size()) {
    std::size_t end = relative.find_first_of("\\/", start);
    if (end == std::string::npos) end = relative.size();
    const std::string part = relative.substr(start, end - start);
    start = end + 1;
    if (part.empty()) continue;
    std::error_code error;
    if (fs::exists(at / part, error)) {
      at /= part;
      continue;
    }
    // Windows names do not differ by case alone; a host that tells them
    // apart is searched by the folded name.
    const std::string wanted = FoldCase(part);
    bool matched = false;
    for (fs::directory_iterator entry(at, error), done; !error && entry != done; entry.increment(error)) {
      if (FoldCase(entry->path().filename().string()) == wanted) {
        at = entry->path();
        matched = true;
        break;
      }
    }
    if (!matched) return false;
  }
  std::error_code error;
  if (!fs::is_regular_file(at, error)) return false;
  found = at;
  return true;
}
