// The registered owner and organisation from the registry. The values
// are written by the test, so it changes the machine: it runs under Wine
// only, in the test prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/settings.h"
#include "platform/wide_text_win32.h"
#include "tests/win32_test_util.h"

namespace ovik {
namespace {

constexpr wchar_t kKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

// Sets (or with nullopt removes) a value, and puts the old one back at
// the end of the test.
class RegistryValue {
 public:
  RegistryValue(const wchar_t* name, std::optional<std::wstring> value)
      : name_(name) {
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0,
                    KEY_READ | KEY_WRITE, nullptr, &key_, nullptr);
    wchar_t old[4096];
    DWORD size = sizeof(old);
    DWORD type = 0;
    if (RegQueryValueExW(key_, name, nullptr, &type,
                         reinterpret_cast<BYTE*>(old), &size) ==
        ERROR_SUCCESS) {
      old_ = std::wstring(old, size / sizeof(wchar_t));
    }
    Set(value);
  }
  ~RegistryValue() {
    Set(old_);
    RegCloseKey(key_);
  }
  RegistryValue(const RegistryValue&) = delete;
  RegistryValue& operator=(const RegistryValue&) = delete;

 private:
  void Set(const std::optional<std::wstring>& value) {
    if (!value) {
      RegDeleteValueW(key_, name_);
      return;
    }
    RegSetValueExW(key_, name_, 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(value->c_str()),
                   static_cast<DWORD>((value->size() + 1) * sizeof(wchar_t)));
  }

  const wchar_t* name_;
  HKEY key_ = nullptr;
  std::optional<std::wstring> old_;
};

class SettingsWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!win32_test::RunningUnderWine()) {
      GTEST_SKIP() << "changes the registry; run under Wine only";
    }
  }
};

TEST_F(SettingsWin32Test, ReadsOwnerAndOrganisation) {
  RegistryValue owner(L"RegisteredOwner", L"\x5C71\x7530 \x592A\x90CE");
  RegistryValue organisation(L"RegisteredOrganization", L"Example Ltd.");
  const RegisteredOwner registered = ReadRegisteredOwner();
  ASSERT_TRUE(registered.owner.has_value());
  EXPECT_EQ(*registered.owner, "\xE5\xB1\xB1\xE7\x94\xB0 "
                               "\xE5\xA4\xAA\xE9\x83\x8E");  // 山田 太郎
  ASSERT_TRUE(registered.organization.has_value());
  EXPECT_EQ(*registered.organization, "Example Ltd.");
}

// Longer than any first guess at the buffer, and longer than the owner.
TEST_F(SettingsWin32Test, ALongOrganisationIsReadWhole) {
  const std::wstring long_name(700, L'\x4F1A');
  RegistryValue owner(L"RegisteredOwner", L"me");
  RegistryValue organisation(L"RegisteredOrganization", long_name);
  const RegisteredOwner registered = ReadRegisteredOwner();
  ASSERT_TRUE(registered.organization.has_value());
  EXPECT_EQ(*registered.organization, WideToUtf8(long_name));
  EXPECT_EQ(registered.owner, "me");
}

TEST_F(SettingsWin32Test, AMissingValueIsAbsent) {
  RegistryValue owner(L"RegisteredOwner", std::nullopt);
  RegistryValue organisation(L"RegisteredOrganization", L"");
  const RegisteredOwner registered = ReadRegisteredOwner();
  EXPECT_FALSE(registered.owner.has_value());
  EXPECT_EQ(registered.organization, "");
}

}  // namespace
}  // namespace ovik
