#pragma once
#include <string>

// Setup.dat's bytes as Setup.exe reads them: a file beginning with a
// Unicode byte-order mark (UTF-8, UTF-16 either way round) converted to
// the ANSI code page of Western Windows (1252), what has no place there
// as "?"; any other file as it is.
std::string AnsiText(const std::string& file);
