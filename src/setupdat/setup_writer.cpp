
#include "platform/format_text.h"
#include "platform/globals.h"
#include "platform/string_table.h"
#include "session/setup_session.h"

bool SetupSession::WriteProfileText(const char* section, const char* key, const char* text) const {
  // Before the load step there is no file to write to; an empty name would
  // send the key to the system's own initialisation file.
  if (!setupDatPath || !setupDatPath[0]) return false;
  return WritePrivateProfileStringA(section, key, text, setupDatPath.get()) != 0;
}

bool SetupSession::WriteProfileNumber(const char* section, const char* key, DWORD number) const {
  char text[16];
  FormatText(text, sizeof text, "%d", static_cast<int>(number));
  return WriteProfileText(section, key, text);
}

bool SetupSession::WriteSetupString(UINT sectionId, UINT keyId, const char* text) const {
  char section[kTextSize];
  char key[kTextSize];
  LoadNameString(instance, sectionId, section, sizeof section);
  LoadNameString(instance, keyId, key, sizeof key);
  return WriteProfileText(section, key, text);
}

bool SetupSession::WriteSetupNumber(UINT sectionId, UINT keyId, DWORD number) const {
  char section[kTextSize];
  char key[kTextSize];
  LoadNameString(instance, sectionId, section, sizeof section);
  LoadNameString(instance, keyId, key, sizeof key);
  return WriteProfileNumber(section, key, number);
}
