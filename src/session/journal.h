#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The run's journal: what an installation or an uninstall is about to do
// to the machine, written before it does it, so that the next run can put
// right a run that was killed, or lost its machine, half-way. It lives
// under a fixed name in the Windows folder, which only administrators can
// write, or for a per-user run (g_userScope) in the user's local
// application-data folder; one run at a time has one.
//
// Each note is one line of fields separated by tabs, handed to the system
// as it is made: a killed process loses none. The file is flushed to the
// disk at the boundaries of the run's phases.

// The journal's path for the scope in g_userScope.
bool JournalPath(char (&path)[MAX_PATH]);

// Starts the journal of a run: "install" or "uninstall" and what it
// concerns. False when it cannot be written: the run must not go on
// without it.
bool BeginJournal(const char* kind, const char* subject);
// Whether a journal is being written.
bool JournalActive();
// One note, its fields joined by tabs. Throws nothing; a note that cannot
// be written ends the journal's use, which the run learns at the next
// phase boundary.
void JournalNote(std::initializer_list<const char*> fields);
// Flushes the journal to the disk; false when any note was lost.
bool FlushJournal();
// The run has ended, whatever way: the journal goes.
void EndJournal();

// One note of a journal read back: its fields, in place in the journal's
// text, and the empty text for each field it does not have. No note has
// more than kMostFields; any further ones are dropped.
struct JournalLine {
  static constexpr std::size_t kMostFields = 8;
  const char* fields[kMostFields];
  std::size_t count;
  const char* operator[](std::size_t index) const { return fields[index]; }
};

// Reads a journal left by an earlier run into `text`, and its lines, each
// split at tabs, into `lines`, whose fields point into `text`. False when
// there is none.
bool ReadJournal(std::string& text, std::vector<JournalLine>& lines);
// Removes a journal that has been dealt with.
void DiscardJournal();

// Hexadecimal text of bytes, and back.
std::string HexText(const void* data, std::size_t size);
std::vector<BYTE> HexBytes(const char* text);
