#pragma once
#include <filesystem>
#include <string>

// Whole-file reading and writing for the kit. Throws KitError with the
// path named when the file cannot be read or written.

#include <stdexcept>

class KitError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

std::string ReadWholeFile(const std::filesystem::path& path);
// At most the first `count` bytes.
std::string ReadFileHead(const std::filesystem::path& path, std::size_t count);
void WriteWholeFile(const std::filesystem::path& path, const std::string& bytes);

// The file that `relative` (a set name, folders separated by "\") names
// inside `folder`, its parts matched without regard to case as Windows
// matches them. False when there is none.
bool FindInFolder(const std::filesystem::path& folder, const std::string& relative, std::filesystem::path& found);
