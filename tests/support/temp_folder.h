#pragma once
#include <string>

namespace testsupport {

// A fresh folder under the temporary folder, removed with everything in it
// when the object goes.
class TempFolder {
public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  // path() + "\" + name
  std::string Join(const std::string& name) const;

private:
  std::string path_;
};

// Writes `content` to `path` as it is (no line-end translation).
void WriteFile(const std::string& path, const std::string& content);
// The file's bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// Removes a folder and everything below it.
void RemoveTree(const std::string& path);

}  // namespace testsupport
