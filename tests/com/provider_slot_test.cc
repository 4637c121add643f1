// The installed-path provider as the default Env keeps it: a load that
// failed is tried again on the next call, one that succeeded is kept.
#include <gtest/gtest.h>

#include "com/env/provider_slot.h"

namespace kt::com::sys {
namespace {

BSTR Answer() {
  return nullptr;
}

TEST(ProviderSlot, AFailedLoadIsTriedAgainAndALoadedProviderKept) {
  ProviderSlot slot;
  InstalledPathFn installed = nullptr;  // what the next load finds
  int loads = 0;
  const auto load = [&](int* error) {
    ++loads;
    if (installed == nullptr) *error = 48;
    return installed;
  };
  int error = 0;
  EXPECT_EQ(slot.Get(load, &error), nullptr);
  EXPECT_EQ(error, 48);
  installed = &Answer;  // the provider is installed after the first call
  error = 0;
  EXPECT_EQ(slot.Get(load, &error), &Answer);
  EXPECT_EQ(error, 0);
  installed = nullptr;
  EXPECT_EQ(slot.Get(load, &error), &Answer);
  EXPECT_EQ(loads, 2);
}

}  // namespace
}  // namespace kt::com::sys
