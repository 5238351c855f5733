#include <gtest/gtest.h>

#include <string>

#include "registry/registry_key.h"
#include "resources/resource_ids.h"
#include "platform/globals.h"
#include "platform/setup_error.h"

namespace {

// Each test works below its own key, removed afterwards.
class RegistryKeyTest : public testing::Test {
protected:
  void SetUp() override {
    path_ = std::string("Software\\SetupTests\\") + testing::UnitTest::GetInstance()->current_test_info()->name();
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
  }
  void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str()); }

  void PutRaw(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
  }
  bool KeyExists(const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }

  static std::string Text(const GlobalBlock& block) {
    BlockLock<const char> lock(block);
    return lock ? lock.get() : "<none>";
  }

  std::string path_;
};

template <typename F>
int ThrownCode(F&& f) {
  try {
    f();
  } catch (SetupError& code) {
    return code;
  }
  return -1;
}

TEST_F(RegistryKeyTest, OpeningAMissingKeyThrows200AndHoldsNoKey) {
  RegistryKey key(g_instance);
  EXPECT_EQ(ThrownCode([&] { key.Open(HKEY_CURRENT_USER, (path_ + "\\Missing").c_str(), REGISTRY_READ); }),
            SETUP_ERR_REG_OPEN);
  EXPECT_FALSE(key.IsOpen());
  GlobalBlock block;
  EXPECT_FALSE(key.QueryString("x", block));
}

TEST_F(RegistryKeyTest, CreateWithReadAccessThrows201AndCreatesNothing) {
  RegistryKey key(g_instance);
  EXPECT_EQ(ThrownCode([&] { key.Create(HKEY_CURRENT_USER, path_.c_str(), REGISTRY_READ); }), SETUP_ERR_REG_CREATE);
  EXPECT_FALSE(KeyExists(path_));
}

TEST_F(RegistryKeyTest, CreateMakesTheWholePathAndValuesRoundTrip) {
  const std::string deep = path_ + "\\A\\B\\C";
  {
    RegistryKey key(g_instance);
    ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, deep.c_str(), REGISTRY_WRITE));
    EXPECT_TRUE(key.SetString("Name", "Value with blanks"));
    EXPECT_TRUE(key.SetString("", "default"));
    EXPECT_TRUE(key.SetDword("Count", 42));
  }
  RegistryKey key(g_instance);
  ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, deep.c_str(), REGISTRY_READ));
  GlobalBlock block;
  ASSERT_TRUE(key.QueryString("Name", block));
  EXPECT_EQ(Text(block), "Value with blanks");
  ASSERT_TRUE(key.QueryString("", block));
  EXPECT_EQ(Text(block), "default");
  DWORD count = 0;
  ASSERT_TRUE(key.QueryDword("Count", count));
  EXPECT_EQ(count, 42u);
}

TEST_F(RegistryKeyTest, QueryStringTerminatesATextStoredWithoutItsZero) {
  PutRaw("abc", REG_SZ, "abc", 3);
  RegistryKey key(g_instance);
  key.Open(HKEY_CURRENT_USER, path_.c_str(), REGISTRY_READ);
  GlobalBlock block;
  ASSERT_TRUE(key.QueryString("abc", block));
  EXPECT_EQ(GlobalSize(block.get()) >= 4, true);
  EXPECT_EQ(Text(block), "abc");
}

TEST_F(RegistryKeyTest, QueryStringReplacesTheHeldBlockOnlyOnSuccess) {
  PutRaw("one", REG_SZ, "1", 2);
  RegistryKey key(g_instance);
  key.Open(HKEY_CURRENT_USER, path_.c_str(), REGISTRY_READ);
  GlobalBlock block = GlobalBlock::FromText("old");
  ASSERT_TRUE(key.QueryString("one", block));
  EXPECT_EQ(Text(block), "1");
  EXPECT_EQ(ThrownCode([&] { key.QueryString("missing", block); }), SETUP_ERR_REG_QUERY);
  EXPECT_EQ(Text(block), "1");
}

TEST_F(RegistryKeyTest, QueryDwordRefusesMissingAndLongValues) {
  PutRaw("long", REG_SZ, "longer than four", 17);
  PutRaw("short", REG_BINARY, "\x07\x01", 2);
  RegistryKey key(g_instance);
  key.Open(HKEY_CURRENT_USER, path_.c_str(), REGISTRY_READ);
  DWORD number = 5;
  EXPECT_EQ(ThrownCode([&] { key.QueryDword("missing", number); }), SETUP_ERR_REG_QUERY);
  EXPECT_EQ(ThrownCode([&] { key.QueryDword("long", number); }), SETUP_ERR_REG_QUERY);
  EXPECT_EQ(number, 5u);
  ASSERT_TRUE(key.QueryDword("short", number));
  EXPECT_EQ(number, 0x0107u);  // the registry type is not looked at
}

TEST_F(RegistryKeyTest, WritesOnAReadOnlyKeyThrow203) {
  PutRaw("x", REG_SZ, "x", 2);
  RegistryKey key(g_instance);
  key.Open(HKEY_CURRENT_USER, path_.c_str(), REGISTRY_READ);
  EXPECT_EQ(ThrownCode([&] { key.SetString("y", "y"); }), SETUP_ERR_REG_SET);
  EXPECT_EQ(ThrownCode([&] { key.SetDword("y", 1); }), SETUP_ERR_REG_SET);
}

TEST_F(RegistryKeyTest, AFailedCreateLeavesNoKeyAndLaterCallsAnswerFalse) {
  RegistryKey key(g_instance);
  ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, "Software\\SetupTests", REGISTRY_WRITE));
  // The registry refuses a lasting key below a volatile one.
  HKEY volatileKey;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_WRITE, nullptr,
                            &volatileKey, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(volatileKey);

  EXPECT_FALSE(key.Create(HKEY_CURRENT_USER, (path_ + "\\Lasting").c_str(), REGISTRY_WRITE));
  EXPECT_FALSE(key.IsOpen());
  DWORD number = 0;
  GlobalBlock block;
  EXPECT_FALSE(key.SetString("a", "b"));
  EXPECT_FALSE(key.SetDword("a", 1));
  EXPECT_FALSE(key.QueryDword("a", number));
  EXPECT_FALSE(key.QueryStringById(IDS_REG_DESKTOP, block));
}

TEST_F(RegistryKeyTest, DeleteKeyIgnoresMissingKeys) {
  EXPECT_TRUE(RegistryKey::DeleteKey(HKEY_CURRENT_USER, (path_ + "\\Nothing").c_str()));
  PutRaw("v", REG_SZ, "v", 2);
  EXPECT_TRUE(RegistryKey::DeleteKey(HKEY_CURRENT_USER, path_.c_str()));
  EXPECT_FALSE(KeyExists(path_));
}

TEST_F(RegistryKeyTest, NamesByNumberComeFromTheStringTable) {
  RegistryKey key(g_instance);
  ASSERT_TRUE(key.OpenById(HKEY_CURRENT_USER, IDS_REG_SHELLFOLDERS, REGISTRY_READ));
  GlobalBlock block;
  ASSERT_TRUE(key.QueryStringById(IDS_REG_DESKTOP, block));
  EXPECT_FALSE(Text(block).empty());
  EXPECT_EQ(ThrownCode([&] { key.OpenById(HKEY_CURRENT_USER, 59999, REGISTRY_READ); }), SETUP_ERR_NO_STRING);
}

}  // namespace
