#pragma once
#include <string>
#include <vector>

// One section of an initialisation file, read in one pass over the file
// and split into lines the way the platform's profile reader splits them:
//
//  - a line ends at CR or LF; blanks (and ^Z) around it do not count;
//  - "[name]" begins a section, the name up to the last "]" on the line,
//    taken as written; a "[" line without "]" is an ordinary line;
//  - "key=value" splits at the first "=", blanks around both trimmed;
//  - lines without "=" and lines beginning with ";" are no keys;
//  - section names compare without regard to case, and the first section
//    of a name is the one read;
//  - a key that stands twice reads, both times, as its first line;
//  - a value enclosed in one pair of quotes (" or ') loses them.
//
// Unlike the platform's reader there is no limit on the number of keys or
// the length of a value: a line too long for its use is for the caller to
// refuse, never cut. Lines with an empty key are passed over.
class ListSection {
public:
  struct Line {
    std::string key;
    std::string value;  // the value of the key's first line
  };

  // Reads section `name` of the file at `path`. False when the file or
  // the section does not exist. Throws std::bad_alloc.
  bool Read(const char* path, const char* name);

  const std::vector<Line>& lines() const { return lines_; }

private:
  std::vector<Line> lines_;
};

// Splits `text` (a whole file) as above and collects section `name`.
// False when there is no such section.
bool SplitSection(const std::string& text, const char* name, std::vector<ListSection::Line>& lines);
