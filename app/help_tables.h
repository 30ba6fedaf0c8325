// Which help page each dialog opens, and which popup text each control shows on F1.
#pragma once

#include <cstddef>

#include "platform/win_compat.h"

constexpr const char* kHelpFileName = "zuvi.chm";
constexpr const char* kHelpPopupFile = "zuvi.chm::/popups.txt";

// Topic numbers that dialogs pass to ShowHelp.
constexpr int kHelpIndex = 1;
constexpr int kHelpDesktopCalendar = 2;
constexpr int kHelpAppointments = 3;
constexpr int kHelpGeneralOptions = 7;
constexpr int kHelpNote = 8;
constexpr int kHelpHotkeys = 9;
constexpr int kHelpNoteOptions = 10;
constexpr int kHelpAlarmOptions = 11;
constexpr int kHelpFirstSteps = 12;

// "zuvi.chm::html/....html>main" for a topic number; the index for unknown numbers.
const char* helpTopicString(int topic);

struct HelpTopicEntry {
  int topic;
  const char* target;
};
// The numbered topics, for tests and for building the help file.
extern const HelpTopicEntry kHelpTopics[];
extern const size_t kHelpTopicCount;

// Control id -> popup id pairs, ended by 0, 0 (the form the help control reads).
extern const DWORD kContextHelpTable[];
// The popup id of a control, 0 when it has none.
DWORD helpPopupFor(int controlId);

// Program folder + topic string (or + popup file): 1 when it fits into size bytes.
int buildHelpTopicPath(char* out, size_t size, const char* programFolder, int topic);
int buildHelpPopupPath(char* out, size_t size, const char* programFolder);
