#pragma once
#include <string>
#include <vector>

// One section of an initialisation file, split into lines the way the
// platform's profile reader splits them:
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
//
// Nothing here uses the platform, so that the authoring kit reads a file
// exactly as the installer does.
struct SectionLine {
  std::string key;
  std::string value;  // the value of the key's first line
  int number = 0;     // the line's own number in the file, from 1
};

// Splits `text` (a whole file, ANSI) and collects section `name`. False
// when there is no such section.
bool SplitSection(const std::string& text, const char* name, std::vector<SectionLine>& lines);

// Upper case as the ANSI code page of Western Windows (1252) has it: the
// fold under which section and key names compare.
std::string FoldCase(std::string text);
