#include "session/journal.h"

#include <cstring>

#include "platform/globals.h"
#include "platform/shell_calls.h"
#include "platform/string_table.h"
#include "platform/unique_handle.h"

namespace {

FileHandle g_journal;
bool g_lost = false;

}  // namespace

bool JournalPath(char (&path)[MAX_PATH]) {
  // A user without administrator rights cannot write the Windows folder:
  // a per-user run keeps its journal in the profile's local folder.
  // A shell without that folder (Windows 95's) knows no rights either.
  if (!g_userScope || !SpecialFolderPath(CSIDL_LOCAL_APPDATA, path)) {
    const UINT length = GetWindowsDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
  }
  return AppendText(path, MAX_PATH, "\\QWSetup.jnl");
}

bool BeginJournal(const char* kind, const char* subject) {
  char path[MAX_PATH];
  if (!JournalPath(path)) return false;
  g_journal.reset(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
  g_lost = false;
  if (!g_journal) return false;
  JournalNote({"run", kind, subject});
  return FlushJournal();
}

bool JournalActive() { return g_journal.valid(); }

void JournalNote(std::initializer_list<const char*> fields) {
  if (!g_journal) return;
  std::string line;
  for (const char* field : fields) {
    if (!line.empty()) line.push_back('\t');
    line.append(field ? field : "");
  }
  line.append("\r\n");
  DWORD written = 0;
  if (!WriteFile(g_journal.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
      written != line.size())
    g_lost = true;
}

bool FlushJournal() {
  if (!g_journal) return true;
  return FlushFileBuffers(g_journal.get()) && !g_lost;
}

void EndJournal() {
  if (!g_journal) return;
  g_journal.reset();
  DiscardJournal();
}

bool ReadJournal(std::string& text, std::vector<JournalLine>& lines) {
  char path[MAX_PATH];
  if (!JournalPath(path)) return false;
  FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return false;
  text.clear();
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
  lines.clear();
  // The fields are ended where they lie: each tab, and the line end's
  // carriage return, becomes the terminator. The text is searched by its
  // size, not up to a zero: a file cut by a lost machine may hold zeros.
  char* at = &text[0];
  char* const end = at + text.size();
  while (at < end) {
    char* lineEnd = at;
    while ((lineEnd = static_cast<char*>(std::memchr(lineEnd, '\r', static_cast<std::size_t>(end - lineEnd)))) &&
           (lineEnd + 1 == end || lineEnd[1] != '\n'))
      ++lineEnd;
    // A line the killed run did not finish is no note.
    if (!lineEnd) break;
    *lineEnd = '\0';
    JournalLine line = {};
    for (const char*& field : line.fields) field = "";
    for (char* field = at;;) {
      if (line.count < JournalLine::kMostFields) line.fields[line.count++] = field;
      char* const tab = static_cast<char*>(std::memchr(field, '\t', static_cast<std::size_t>(lineEnd - field)));
      if (!tab) break;
      *tab = '\0';
      field = tab + 1;
    }
    lines.push_back(line);
    at = lineEnd + 2;
  }
  return true;
}

void DiscardJournal() {
  char path[MAX_PATH];
  if (JournalPath(path)) DeleteFileA(path);
}

std::string HexText(const void* data, std::size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  const auto* bytes = static_cast<const BYTE*>(data);
  for (std::size_t i = 0; i < size; ++i) {
    text.push_back(kDigits[bytes[i] >> 4]);
    text.push_back(kDigits[bytes[i] & 15]);
  }
  return text;
}

std::vector<BYTE> HexBytes(const char* text) {
  std::vector<BYTE> bytes;
  auto digit = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
  for (; text[0] && text[1]; text += 2) bytes.push_back(static_cast<BYTE>(digit(text[0]) * 16 + digit(text[1])));
  return bytes;
}
