#pragma once
#include <filesystem>
#include <string>

namespace kittest {

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes. Portable: the kit's tests run natively too.
class TempFolder {
public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The path of `name` inside the folder, as a string.
  std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
  std::filesystem::path path_;
};

}  // namespace kittest
