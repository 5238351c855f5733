// The list reader against the platform's own profile reader: generated and
// mutated sections must split into the same keys and values.
#include <gtest/gtest.h>
#include <windows.h>

#include <random>
#include <string>
#include <vector>

#include "setupdat/list_section.h"
#include "support/temp_folder.h"

namespace {

// Characters that matter to the profile reader, and some that should not.
const char kAlphabet[] =
    "abcXYZ019 \t=;[]\"'!%\\:|,.-_\x1A\x1C\x1F\xA0\xE9\xC9";

class Generator {
public:
  explicit Generator(unsigned stream) : random_(stream) {}

  int Number(int below) { return std::uniform_int_distribution<int>(0, below - 1)(random_); }
  bool Chance(int percent) { return Number(100) < percent; }

  std::string Text(int longest) {
    std::string text;
    const int length = Number(longest + 1);
    for (int i = 0; i < length; ++i) text.push_back(kAlphabet[Number(sizeof kAlphabet - 1)]);
    return text;
  }
  std::string Blanks() {
    static const char* const kBlanks[] = {"", " ", "\t", "  \t", "\xA0", "\x1A"};
    return kBlanks[Number(6)];
  }
  std::string LineEnd() {
    static const char* const kEnds[] = {"\r\n", "\n", "\r", "\r\n\r\n", "\n\r"};
    return kEnds[Number(5)];
  }
  // A key that does not begin blank, so that it is never empty.
  std::string Key(std::vector<std::string>& keys) {
    if (!keys.empty() && Chance(15)) {
      std::string again = keys[Number(static_cast<int>(keys.size()))];
      // The same key in another case.
      for (char& c : again)
        if (Chance(50) && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      return again;
    }
    std::string key = std::string(1, "abkKZ!;[1"[Number(9)]) + Text(12);
    keys.push_back(key);
    return key;
  }
  std::string Value() {
    std::string value = Text(40);
    if (Chance(20)) value = "\"" + value + "\"";
    if (Chance(10)) value = "'" + value + (Chance(50) ? "'" : "\"");
    return value;
  }

  // A whole file around the section `name`; `emptyKey` tells whether a
  // line with an empty key was written into it.
  std::string File(const std::string& name, bool& emptyKey) {
    emptyKey = false;
    std::string file;
    if (Chance(10)) file += "\xEF\xBB\xBF";
    if (Chance(30)) file += "before=the first section" + LineEnd();
    const int sections = 1 + Number(3);
    const int ours = Number(sections);
    for (int s = 0; s < sections; ++s) {
      std::string header = s == ours ? name : "Other" + std::to_string(s);
      if (s == ours && Chance(30)) {
        for (char& c : header)
          if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      }
      file += Blanks() + "[" + header + "]" + (Chance(10) ? " trailing" : "") + LineEnd();
      std::vector<std::string> keys;
      const int lines = Number(30);
      for (int l = 0; l < lines; ++l) {
        const int shape = Number(20);
        if (shape == 0) {
          file += Blanks() + "; a comment=with equals" + LineEnd();
        } else if (shape == 1) {
          file += Blanks() + Key(keys) + LineEnd();  // no equals sign
        } else if (shape == 2 && s == ours && Chance(30)) {
          file += Blanks() + "=" + Value() + LineEnd();
          emptyKey = true;
        } else if (shape == 3) {
          file += Blanks() + "[not a header" + LineEnd();
        } else {
          file += Blanks() + Key(keys) + Blanks() + "=" + Blanks() + Value() + Blanks() + LineEnd();
        }
      }
    }
    // A second section of the same name is never read.
    if (Chance(20)) file += "[" + name + "]" + LineEnd() + "late=never read" + LineEnd();
    return file;
  }

  // Random damage: characters changed, dropped or doubled.
  void Mutate(std::string& file) {
    const int changes = Number(4);
    for (int i = 0; i < changes && !file.empty(); ++i) {
      const std::size_t at = static_cast<std::size_t>(Number(static_cast<int>(file.size())));
      switch (Number(3)) {
        case 0:
          file[at] = kAlphabet[Number(sizeof kAlphabet - 1)];
          break;
        case 1:
          file.erase(at, 1);
          break;
        default:
          file.insert(at, 1, file[at]);
          break;
      }
    }
  }

private:
  std::mt19937 random_;
};

// The key names the platform gives for a section, up to the first empty
// one (which ends its list).
std::vector<std::string> PlatformKeys(const std::string& path, const char* section) {
  std::vector<char> names(1 << 20);
  const DWORD copied =
      GetPrivateProfileStringA(section, nullptr, "", names.data(), static_cast<DWORD>(names.size()), path.c_str());
  std::vector<std::string> keys;
  for (DWORD at = 0; at < copied && names[at];) {
    keys.emplace_back(&names[at]);
    at += static_cast<DWORD>(keys.back().size()) + 1;
  }
  return keys;
}

std::string PlatformValue(const std::string& path, const char* section, const std::string& key) {
  char value[4096];
  GetPrivateProfileStringA(section, key.c_str(), "!", value, sizeof value, path.c_str());
  return value;
}

TEST(ListSection, SplitsEveryLineAsTheProfileReaderDoes) {
  testsupport::TempFolder folder;
  int compared = 0;
  for (unsigned round = 0; round < 600; ++round) {
    Generator generate(round);
    bool emptyKey = false;
    std::string file = generate.File("Files", emptyKey);
    if (round % 2) generate.Mutate(file);
    // A file with the UTF-8 mark is read as UTF-8: lone high bytes would
    // be no characters at all, for either reader.
    if (file.compare(0, 3, "\xEF\xBB\xBF") == 0)
      for (std::size_t at = 3; at < file.size(); ++at)
        if (static_cast<unsigned char>(file[at]) >= 0x80) file[at] = 'x';
    // A new name each time: the platform keeps recently read files.
    const std::string path = folder.Join("list" + std::to_string(round) + ".ini");
    testsupport::WriteFile(path, file);

    ListSection section;
    const bool found = section.Read(path.c_str(), "Files");
    const std::vector<std::string> platformKeys = PlatformKeys(path, "Files");
    std::vector<std::string> ours;
    for (const auto& line : section.lines()) ours.push_back(line.key);
    const std::string where = "round " + std::to_string(round) + ":\n" + file;
    if (!found) {
      EXPECT_TRUE(platformKeys.empty()) << where;
      continue;
    }
    // The platform's list stops at an empty key; ours goes on past it.
    ASSERT_LE(platformKeys.size(), ours.size()) << where;
    EXPECT_TRUE(std::equal(platformKeys.begin(), platformKeys.end(), ours.begin())) << where;
    if (!emptyKey && round % 2 == 0) {
      EXPECT_EQ(platformKeys.size(), ours.size()) << where;
    }
    for (const auto& line : section.lines()) {
      EXPECT_EQ(line.value, PlatformValue(path, "Files", line.key)) << "key [" << line.key << "] in " << where;
      ++compared;
    }
    if (HasFailure()) break;
  }
  EXPECT_GT(compared, 3000);
}

TEST(ListSection, ReadsListsOfAnyLengthWhole) {
  testsupport::TempFolder folder;
  std::string file = "[Setup]\r\nTitle=Long\r\n[Files]\r\n";
  for (int i = 0; i < 20000; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "F%07d.DAT=%%0\\F%07d.DAT,4096\r\n", i, i);
    file += line;
  }
  const std::string path = folder.Join("Setup.dat");
  testsupport::WriteFile(path, file);
  ListSection section;
  ASSERT_TRUE(section.Read(path.c_str(), "files"));
  ASSERT_EQ(section.lines().size(), 20000u);
  EXPECT_EQ(section.lines().back().key, "F0019999.DAT");
  EXPECT_EQ(section.lines().back().value, "%0\\F0019999.DAT,4096");
  EXPECT_FALSE(section.Read(path.c_str(), "Missing"));
}

}  // namespace
