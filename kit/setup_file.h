#pragma once
#include <string>
#include <vector>

#include "setupdat/section_split.h"

// An installation set's Setup.dat as the kit sees it: its text, read the
// way Setup.exe reads it (the same line splitter), with the line number of
// every key for messages.
class SetupFile {
public:
  // `file`: the bytes of Setup.dat; Unicode is given in the ANSI code page.
  explicit SetupFile(const std::string& file);

  const std::string& text() const { return text_; }

  // Section `name`; false when it does not exist.
  bool Section(const std::string& name, std::vector<SectionLine>& lines) const;

  // Key `key` of section `section` as the profile reader gives it: the
  // first line of that key. False when absent (or without a value).
  bool Key(const char* section, const char* key, std::string& value, int& line) const;
  bool Key(const char* section, const char* key, std::string& value) const;

private:
  std::string text_;
};

// The five lists, in the order Setup.exe reads them.
enum class ListKind { kFiles, kRegClasses, kRegMachine, kRegUser, kShortcuts };

struct ListKey {
  ListKind kind;
  const char* key;  // the key of [Setup] that names the list's section
};

extern const ListKey kListKeys[5];

constexpr const char* kSetupSection = "Setup";
// The longest value Setup.exe reads from a single key or list line.
constexpr std::size_t kLongestValue = 255;
// The longest path the platform's ANSI calls take, terminator apart.
constexpr std::size_t kLongestPath = 259;

// The size field (field 1) of a Files line set to `size`, all else kept.
std::string WithSize(const std::string& value, unsigned long long size);
