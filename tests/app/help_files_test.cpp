// The help file's sources cover the tables: a page for every topic, listed in the project, and
// a popup text for every control id of the context help table.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "app/help_tables.h"
#include "tests/support/files.h"

namespace {

std::string readSource(const std::string& relative) {
  return readFileText(std::string(QUENDLER_SOURCE_DIR) + "/resources/help/" + relative);
}

// "zuvi.chm::html/alarm.html>main" -> "html/alarm.html"
std::string pageOf(const char* target) {
  std::string t = target;
  size_t start = t.find("::") + 2, end = t.find('>');
  return t.substr(start, end - start);
}

TEST(HelpFiles, EveryTopicHasAPageInTheProject) {
  const std::string project = readSource("zuvi.hhp");
  ASSERT_FALSE(project.empty());
  EXPECT_NE(project.find("\nmain=\""), std::string::npos) << "window type main";
  for (size_t i = 0; i < kHelpTopicCount; ++i) {
    const std::string page = pageOf(kHelpTopics[i].target);
    EXPECT_EQ(std::string(kHelpTopics[i].target).substr(std::string(kHelpTopics[i].target).size() - 5), ">main");
    const std::string html = readSource(page);
    EXPECT_NE(html.find("<h1>"), std::string::npos) << page << " is missing or has no heading";
    EXPECT_NE(project.find("\n" + page + "\n"), std::string::npos) << page << " is not in zuvi.hhp";
  }
  EXPECT_NE(project.find("\npopups.txt"), std::string::npos);
}

TEST(HelpFiles, EveryPopupIdHasAText) {
  std::istringstream popups(readSource("popups.txt"));
  std::set<DWORD> defined;
  std::string line, pendingText;
  DWORD current = 0;
  while (std::getline(popups, line)) {
    if (line.rfind(".topic ", 0) == 0) {
      current = static_cast<DWORD>(std::stoul(line.substr(7)));
      EXPECT_TRUE(defined.insert(current).second) << "topic " << current << " twice";
    } else if (!line.empty()) {
      EXPECT_NE(current, 0u) << "text before the first topic";
    }
  }
  for (const DWORD* p = kContextHelpTable; p[0] || p[1]; p += 2)
    EXPECT_TRUE(defined.count(p[1])) << "control " << p[0] << ": popup " << p[1] << " has no text";
}

}  // namespace
