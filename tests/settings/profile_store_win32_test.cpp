#include <windows.h>

#include <gtest/gtest.h>

#include "settings/profile_store_win32.h"
#include "settings/store_contract.h"

namespace pell::testing {
namespace {

INSTANTIATE_TEST_SUITE_P(ProfileApi, StoreContract,
                         ::testing::Values(StoreKind{"ProfileApi",
                                                     [](const std::string& path) {
                                                         return std::make_unique<ProfileStoreWin32>(
                                                             path);
                                                     }}),
                         StoreKindName);

TEST(Platform, AnsiCodePageIsShiftJis) {
    EXPECT_EQ(GetACP(), 932u);
}

}  // namespace
}  // namespace pell::testing
