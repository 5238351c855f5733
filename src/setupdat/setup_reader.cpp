#include <cstdlib>
#include <climits>

#include "resources/resource_ids.h"
#include "platform/globals.h"
#include "session/setup_session.h"
#include "platform/string_table.h"

namespace {

// Reads one key with "!" standing for an absent key. Values are at most 255
// characters; longer ones come back cut, as the profile reader cuts them.
bool ReadProfileValue(const SetupSession& session, const char* section, const char* key, char (&value)[kTextSize]) {
  const char* path = session.setupDatPath ? session.setupDatPath.get() : "";
  GetPrivateProfileStringA(section, key, "!", value, sizeof value, path);
  return value[0] != '!';
}

}  // namespace

bool SetupSession::GetProfileText(const char* section, const char* key, char* buffer, std::size_t size) const {
  char value[kTextSize];
  if (!ReadProfileValue(*this, section, key, value)) return false;
  CopyText(buffer, size, value);
  return true;
}

bool SetupSession::GetProfileNumber(const char* section, const char* key, int& number) const {
  char value[kTextSize];
  number = ReadProfileValue(*this, section, key, value) ? static_cast<int>(std::strtol(value, nullptr, 10)) : 0;
  return true;
}

bool SetupSession::GetSetupString(UINT sectionId, UINT keyId, char* buffer, std::size_t size) const {
  char section[kTextSize];
  char key[kTextSize];
  LoadNameString(instance, sectionId, section, sizeof section);
  LoadNameString(instance, keyId, key, sizeof key);
  return GetProfileText(section, key, buffer, size);
}

bool SetupSession::GetSetupNumber(UINT sectionId, UINT keyId, int& number) const {
  char section[kTextSize];
  char key[kTextSize];
  LoadNameString(instance, sectionId, section, sizeof section);
  LoadNameString(instance, keyId, key, sizeof key);
  return GetProfileNumber(section, key, number);
}
