// The common-controls check of the start.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/win32/program.h"

namespace {

TEST(Startup, CommonControlsVersion) {
  DWORD version = GetCommonControlsVersion("comctl32.dll");
  EXPECT_GE(version, kMinCommonControls) << std::hex << version;
  // Major version in the high word, minor in the low word (5.80, 5.81, 6.0, 6.10 ...).
  EXPECT_GE(version >> 16, 5u);
  EXPECT_LE(version >> 16, 6u);
  EXPECT_LT(version & 0xFFFF, 100u);
  // A library without DllGetVersion, and none at all, report 0.
  EXPECT_EQ(GetCommonControlsVersion("kernel32.dll"), 0u);
  EXPECT_EQ(GetCommonControlsVersion("gibt-es-nicht.dll"), 0u);
  // shell32 answers too, with its own version.
  EXPECT_GT(GetCommonControlsVersion("shell32.dll"), 0x40000u);
}

}  // namespace
