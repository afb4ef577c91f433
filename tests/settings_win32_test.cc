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

using win32_test::RegistryValue;

// The names the program's string table gives.
const RegisteredOwnerKey kWhere{
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "RegisteredOwner",
    "RegisteredOrganization"};

RegisteredOwner Read() {
  RegisteredOwner registered;
  EXPECT_TRUE(ReadRegisteredOwner(kWhere, &registered).ok());
  return registered;
}

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
  const RegisteredOwner registered = Read();
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
  const RegisteredOwner registered = Read();
  ASSERT_TRUE(registered.organization.has_value());
  EXPECT_EQ(*registered.organization, WideToUtf8(long_name));
  EXPECT_EQ(registered.owner, "me");
}

TEST_F(SettingsWin32Test, AMissingValueIsAbsent) {
  RegistryValue owner(L"RegisteredOwner", std::nullopt);
  RegistryValue organisation(L"RegisteredOrganization", L"");
  const RegisteredOwner registered = Read();
  EXPECT_FALSE(registered.owner.has_value());
  EXPECT_EQ(registered.organization, "");
}

TEST_F(SettingsWin32Test, AKeyThatCannotBeOpenedIsAFailure) {
  RegisteredOwner registered{"untouched", std::nullopt};
  const Status status = ReadRegisteredOwner(
      {"SOFTWARE\\Ovik\\NoSuchKey", "RegisteredOwner",
       "RegisteredOrganization"},
      &registered);
  EXPECT_EQ(status.code(), StatusCode::kNotFound);
  EXPECT_EQ(registered.owner, "untouched");
}

}  // namespace
}  // namespace ovik
