#pragma once
#include <string>
#include <vector>

#include "setupdat/section_split.h"

// One section of Setup.dat read from its file as SplitSection splits it,
// with Unicode files given in the ANSI code page as the platform's
// profile reader gives them.
class ListSection {
public:
  using Line = SectionLine;

  // Reads section `name` of the file at `path`. False when the file or
  // the section does not exist. Throws std::bad_alloc.
  bool Read(const char* path, const char* name);

  const std::vector<Line>& lines() const { return lines_; }

private:
  std::vector<Line> lines_;
};
