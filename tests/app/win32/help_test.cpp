// The help control under Wine: a missing file gives no window, the built file opens.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/help_tables.h"
#include "app/win32/help.h"

namespace {

TEST(Help, MissingFileOpensNothing) {
  HWND shown = callHtmlHelp(GetDesktopWindow(), "C:\\nirgends\\zuvi.chm::html/index.html>main", kHhDisplayTopic, 0);
  EXPECT_EQ(shown, nullptr);
}

TEST(Help, BuiltFileOpensEveryTopic) {
  std::string file = QUENDLER_HELP_FILE_PATH;
  char windowsPath[MAX_PATH] = "";
  // The build tree's path as Wine sees it (drive Z: is the root of the host).
  for (char& c : file)
    if (c == '/') c = '\\';
  file = "Z:" + file;
  if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no help file at " << file;
  std::string folder = file.substr(0, file.rfind('\\') + 1);
  for (size_t i = 0; i < kHelpTopicCount; ++i) {
    ASSERT_EQ(buildHelpTopicPath(windowsPath, sizeof windowsPath, folder.c_str(), kHelpTopics[i].topic), 1);
    HWND shown = callHtmlHelp(GetDesktopWindow(), windowsPath, kHhDisplayTopic, 0);
    EXPECT_NE(shown, nullptr) << windowsPath;
  }
  callHtmlHelp(nullptr, nullptr, kHhCloseAll, 0);
}

}  // namespace
