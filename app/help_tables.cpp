#include "app/help_tables.h"

#include <cstdio>

const HelpTopicEntry kHelpTopics[] = {
    {1, "zuvi.chm::html/index.html>main"},
    {2, "zuvi.chm::html/optionen-hintergrund.html>main"},
    {3, "zuvi.chm::html/alarm.html>main"},
    {7, "zuvi.chm::html/optionen.html>main"},
    {8, "zuvi.chm::html/notiz.html>main"},
    {9, "zuvi.chm::html/optionen-hotkeys.html>main"},
    {10, "zuvi.chm::html/optionen-notiz.html>main"},
    {11, "zuvi.chm::html/alarm-optionen.html>main"},
    {12, "zuvi.chm::html/erste_schritte.html>main"},
};
const size_t kHelpTopicCount = sizeof kHelpTopics / sizeof kHelpTopics[0];

const DWORD kContextHelpTable[] = {
    // main window
    1072, 201, 1007, 101, 1005, 109, 1004, 108, 1073, 111,
    // general page
    1003, 102, 1006, 103, 1011, 401,
    // desktop calendar page (1014 also on the notes page)
    1018, 105, 1014, 106, 1038, 301, 1052, 302, 1051, 303, 1053, 304, 1050, 305, 1079, 402,
    1010, 403,
    // appointments page
    1076, 404, 1013, 405, 1078, 406,
    // appointment editor
    1211, 202, 1212, 203, 1068, 204, 1062, 205, 1058, 206, 1059, 207, 1060, 208, 1065, 209,
    1066, 210, 1061, 211, 1214, 212, 1063, 213, 1064, 214, 1067, 215, 1070, 216, 1069, 217,
    1089, 218,
    // alarm window
    1090, 219, 1091, 220,
    // note window
    1107, 606, 1213, 601, 1108, 602, 1103, 603, 1105, 604, 1210, 201,
    0, 0};

const char* helpTopicString(int topic) {
  for (size_t i = 0; i < kHelpTopicCount; ++i)
    if (kHelpTopics[i].topic == topic) return kHelpTopics[i].target;
  return kHelpTopics[0].target;
}

DWORD helpPopupFor(int controlId) {
  if (controlId <= 0) return 0;
  for (const DWORD* p = kContextHelpTable; p[0] || p[1]; p += 2)
    if (p[0] == static_cast<DWORD>(controlId)) return p[1];
  return 0;
}

namespace {
int join(char* out, size_t size, const char* folder, const char* tail) {
  if (!out || size == 0) return 0;
  int n = std::snprintf(out, size, "%s%s", folder ? folder : "", tail);
  return n >= 0 && static_cast<size_t>(n) < size;
}
}  // namespace

int buildHelpTopicPath(char* out, size_t size, const char* programFolder, int topic) {
  return join(out, size, programFolder, helpTopicString(topic));
}

int buildHelpPopupPath(char* out, size_t size, const char* programFolder) {
  return join(out, size, programFolder, kHelpPopupFile);
}
