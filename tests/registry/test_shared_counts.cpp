#include <aclapi.h>
#include <gtest/gtest.h>

#include <string>

#include "engine/file_item.h"
#include "platform/globals.h"
#include "registry/shared_dll_count.h"
#include "session/setup_session.h"
#include "support/temp_folder.h"

namespace {

const char kCounts[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char kScratch[] = "Software\\SetupTests\\Machine";

// The machine's hive of this process is a scratch key for the test, so
// that counts can be missing, made and locked without touching the real
// ones.
class SharedCounts : public testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &machine_, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_), ERROR_SUCCESS);
  }
  void TearDown() override {
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegCloseKey(machine_);
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
  }

  bool CountsKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(machine_, kCounts, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }

  // Made before the hive is redirected: it reads the system's folders.
  SetupSession session_{g_instance, nullptr, ""};
  HKEY machine_ = nullptr;
};

TEST_F(SharedCounts, ARollbackPutsBackTheCountAndTheKeyItFound) {
  const char path[] = "C:\\Product\\shared.dll";
  const SharedCountRecord nothing = ReadSharedCount(g_instance, path);
  EXPECT_FALSE(nothing.keyExisted);
  EXPECT_EQ(AdjustSharedCount(g_instance, path, 1), 1);
  EXPECT_EQ(AdjustSharedCount(g_instance, path, 1), 2);
  const SharedCountRecord two = ReadSharedCount(g_instance, path);
  EXPECT_TRUE(two.keyExisted && two.valueExisted);
  EXPECT_EQ(AdjustSharedCount(g_instance, path, 1), 3);
  RestoreSharedCount(g_instance, path, two);
  EXPECT_EQ(AdjustSharedCount(g_instance, path, 0), 2);
  // Back to before the first count: no value, and no key the run made.
  RestoreSharedCount(g_instance, path, nothing);
  EXPECT_FALSE(CountsKeyExists());

  // A value of another type is somebody's: a raise leaves it alone, and a
  // rollback of a raise leaves it as it was, type and bytes.
  HKEY counts = nullptr;
  ASSERT_EQ(RegCreateKeyExA(machine_, kCounts, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &counts, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(counts, path, 0, REG_SZ, reinterpret_cast<const BYTE*>("not a number"), 13);
  const SharedCountRecord text = ReadSharedCount(g_instance, path);
  bool known = true;
  EXPECT_EQ(AdjustSharedCount(g_instance, path, 1, known), 0);
  EXPECT_FALSE(known);
  RestoreSharedCount(g_instance, path, text);
  char value[32] = {};
  DWORD type = 0;
  DWORD size = sizeof value;
  EXPECT_EQ(RegQueryValueExA(counts, path, nullptr, &type, reinterpret_cast<BYTE*>(value), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_STREQ(value, "not a number");
  RegCloseKey(counts);
}

TEST_F(SharedCounts, ASharedFileWhoseCountIsForeignOrClosedToUsIsKept) {
  testsupport::TempFolder folder;
  const std::string file = folder.Join("shared.dll");
  testsupport::WriteFile(file, "library");
  HKEY counts = nullptr;
  ASSERT_EQ(RegCreateKeyExA(machine_, kCounts, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &counts, nullptr),
            ERROR_SUCCESS);
  FileItem item(&session_, session_.variables.get(), "shared.dll", (file + ",7,1").c_str());
  item.Expand();

  // A count written by someone else in a form we cannot read as ours (here
  // eight bytes) is theirs: removing leaves it as it is, and the file.
  const unsigned long long foreign = 5;
  RegSetValueExA(counts, file.c_str(), 0, REG_QWORD, reinterpret_cast<const BYTE*>(&foreign), sizeof foreign);
  bool known = true;
  EXPECT_EQ(AdjustSharedCount(g_instance, file.c_str(), -1, known), 0);
  EXPECT_FALSE(known);
  EXPECT_TRUE(item.Remove(0));
  EXPECT_TRUE(testsupport::FileExists(file));
  DWORD type = 0;
  unsigned long long stored = 0;
  DWORD size = sizeof stored;
  ASSERT_EQ(RegQueryValueExA(counts, file.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&stored), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_QWORD));
  EXPECT_EQ(size, sizeof stored);
  EXPECT_EQ(stored, foreign);

  const DWORD one = 1;
  RegSetValueExA(counts, file.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
  // Everyone may delete the key and change its security, nothing more.
  BYTE everyone[SECURITY_MAX_SID_SIZE];
  DWORD sidSize = sizeof everyone;
  ASSERT_TRUE(CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sidSize));
  BYTE aclBytes[256];
  ACL* acl = reinterpret_cast<ACL*>(aclBytes);
  ASSERT_TRUE(InitializeAcl(acl, sizeof aclBytes, ACL_REVISION));
  ASSERT_TRUE(AddAccessAllowedAce(acl, ACL_REVISION, DELETE | WRITE_DAC | READ_CONTROL, everyone));
  ASSERT_EQ(SetSecurityInfo(counts, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, acl, nullptr),
            static_cast<DWORD>(ERROR_SUCCESS));
  RegCloseKey(counts);
  HKEY probe = nullptr;
  if (RegOpenKeyExA(machine_, kCounts, 0, KEY_READ, &probe) == ERROR_SUCCESS) {
    RegCloseKey(probe);
    GTEST_SKIP() << "this registry does not enforce key security";
  }

  EXPECT_TRUE(item.Remove(0));
  EXPECT_TRUE(testsupport::FileExists(file));
  // Without the lock the count decides: 1 falls to 0 and the file goes.
  ASSERT_EQ(RegDeleteKeyA(machine_, kCounts), ERROR_SUCCESS);
  EXPECT_TRUE(item.Remove(0));
  EXPECT_FALSE(testsupport::FileExists(file));
}

}  // namespace
