#pragma once
#include <cstddef>

// Takes the switches of unattended runs off the front of the command line
// and leaves `commandLine` at what remains, which is read as before:
//
//   /S            no window and no question
//   /D=<folder>   the installation folder; up to the next " /" or the end,
//                 blanks allowed, one pair of quotes removed
//   /LOG=<file>   write a log; the same rules
//   /ELEVATED     put in front by a run that started this one with
//                 administrator rights (see session/rights.h)
//
// Switches are recognised in any case. "/U" ends the switches: it belongs
// to the command line that follows. False when a switch is unknown (its
// text in `unknown`) or a path does not fit: the run must not guess.
bool TakeLeadingSwitches(const char*& commandLine, char* logPath, std::size_t logSize, char* unknown,
                         std::size_t unknownSize);
