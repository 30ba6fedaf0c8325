// The note window under Wine: dialog 110 made from the program's template and icons, driven
// with the messages the user's clicks and keys send, against a note folder of its own.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "notes/note_files.h"
#include "notes/win32/note_window.h"
#include "platform/clock.h"
#include "tests/support/clock_guard.h"

namespace {

std::vector<std::string> helpCalls;
void recordHelp(HWND, const HELPINFO* info, int topic) {
  helpCalls.push_back((info ? "F1 " : "icon ") + std::to_string(topic));
}

class NoteWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    folder_ = std::string(temp) + "quendler_note_window_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder_.c_str(), nullptr);
    for (const std::string& name : files()) remove(name);
    LocalTime t;
    ASSERT_EQ(parseLocalTime("2009-09-28 14:05:00", t), 1);
    setClockStart(t, true);
    helpCalls.clear();
  }
  void TearDown() override {
    if (dialog_) DestroyWindow(dialog_);
    for (const std::string& name : files()) remove(name);
    RemoveDirectoryA(folder_.c_str());
  }

  void remove(const std::string& name) {
    std::string path = folder_ + name;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
  }
  void write(const std::string& name, const std::string& text) {
    std::ofstream(folder_ + name, std::ios::binary) << text;
  }
  std::string read(const std::string& name) {
    std::ifstream in(folder_ + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::vector<std::string> files() {
    std::vector<std::string> out;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder_ + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return out;
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) out.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(out.begin(), out.end());
    return out;
  }

  // Opens the window as the main window does: on a new note.
  void open(HWND owner = nullptr) {
    setup_.dateOrder = 1;
    setup_.dateSeparator = ".";
    setup_.folder = folder_.c_str();
    setup_.font = &font_;
    setup_.help = recordHelp;
    clearNoteList();
    NoteList.currentIndex = kNoteStartNew;
    dialog_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kNoteDialog), owner,
                                 NoteWindow, reinterpret_cast<LPARAM>(&setup_));
    ASSERT_NE(dialog_, nullptr);
    edit_ = GetDlgItem(dialog_, kIdNoteText);
    ASSERT_NE(edit_, nullptr);
  }
  void click(int id) { SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, STN_CLICKED), 0); }
  void close() {
    click(kIdNoteExit);
    DestroyWindow(dialog_);
    dialog_ = nullptr;
  }
  void type(const std::string& text) {
    for (char c : text) SendMessageA(edit_, WM_CHAR, static_cast<unsigned char>(c), 1);
  }
  // A key through the dialog manager, as the message loop hands it over.
  void key(UINT message, WPARAM code) {
    MSG msg{};
    msg.hwnd = edit_;
    msg.message = message;
    msg.wParam = code;
    msg.lParam = 1;
    if (!IsDialogMessageA(dialog_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  void ctrlKey(WPARAM code) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageA(edit_, WM_KEYDOWN, code, 1);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
  }
  std::string text() {
    char buffer[kNoteBufferSize] = "";
    GetWindowTextA(edit_, buffer, sizeof buffer);
    return buffer;
  }
  std::string caption() {
    char buffer[64] = "";
    GetWindowTextA(dialog_, buffer, sizeof buffer);
    return buffer;
  }
  HICON shownIcon(int id) {
    return reinterpret_cast<HICON>(SendDlgItemMessageA(dialog_, id, STM_GETICON, 0, 0));
  }

  ClockGuard clock_;
  std::string folder_;
  LOGFONTA font_{-14, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, FIXED_PITCH, "Courier New"};
  NoteWindowSetup setup_;
  HWND dialog_ = nullptr;
  HWND edit_ = nullptr;
};

TEST_F(NoteWindowTest, OpeningAndClosingLeavesNoFile) {
  open();
  EXPECT_EQ(caption(), "28.09.2009 14:05 a");
  EXPECT_EQ(text(), "");
  HICON small = reinterpret_cast<HICON>(SendMessageA(dialog_, WM_GETICON, ICON_SMALL, 0));
  EXPECT_NE(small, nullptr) << "no NOTE_EDIT icon";
  EXPECT_EQ(shownIcon(kIdNoteBack), noteWindowIcon("NOTE_BACK_OFF"));
  EXPECT_EQ(shownIcon(kIdNoteForward), noteWindowIcon("NOTE_FORW_OFF"));
  EXPECT_EQ(shownIcon(kIdNoteDelete), noteWindowIcon("NOTE_DEL_OFF"));
  EXPECT_NE(noteWindowIcon("NOTE_DEL_OFF"), nullptr);
  EXPECT_NE(noteWindowIcon("NOTE_DEL_OFF"), noteWindowIcon("NOTE_DEL"));
  // The font given is the field's, and the icon row stands where the user expects it.
  HFONT fieldFont = reinterpret_cast<HFONT>(SendMessageA(edit_, WM_GETFONT, 0, 0));
  LOGFONTA shown{};
  ASSERT_NE(fieldFont, nullptr);
  GetObjectA(fieldFont, sizeof shown, &shown);
  EXPECT_STREQ(shown.lfFaceName, "Courier New");
  EXPECT_EQ(shown.lfHeight, -14);
  RECT client{}, exit{};
  GetClientRect(dialog_, &client);
  GetWindowRect(GetDlgItem(dialog_, kIdNoteExit), &exit);
  MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&exit), 2);
  EXPECT_EQ(exit.left, client.right - 37);
  EXPECT_EQ(exit.top, 3);
  close();
  EXPECT_TRUE(files().empty());
  EXPECT_EQ(noteWindowIcon("NOTE_DEL"), nullptr) << "the icons outlived the window";
}

TEST_F(NoteWindowTest, TypedTextIsSavedExactlyAndWithinAMinute) {
  open();
  type("abc");
  close();
  ASSERT_EQ(files(), std::vector<std::string>{"N_20090928_1405a.txt"});
  EXPECT_EQ(read("N_20090928_1405a.txt"), "abc");

  // Opened again: a new note with the next letter; the timer writes it while the window stays.
  open();
  EXPECT_EQ(caption(), "28.09.2009 14:05 b");
  type("x");
  EXPECT_EQ(files().size(), 1u);
  SendMessageA(dialog_, WM_TIMER, kNoteTimerId, 0);
  EXPECT_EQ(read("N_20090928_1405b.txt"), "x");
  // Emptied by the user, the timer leaves the file; closing removes it.
  SendMessageA(edit_, EM_SETSEL, 0, -1);
  SendMessageA(edit_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(""));
  ASSERT_EQ(text(), "");
  SendMessageA(dialog_, WM_TIMER, kNoteTimerId, 0);
  EXPECT_EQ(files().size(), 2u);
  close();
  EXPECT_EQ(files(), std::vector<std::string>{"N_20090928_1405a.txt"});
}

// Opened from the main window, the note window covers it exactly; near the screen's edge it
// stays inside the work area.
TEST_F(NoteWindowTest, CoversItsOwnerAndStaysOnTheWorkArea) {
  RECT work;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
  HWND owner = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kNoteDialog), nullptr,
                                  [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
  ASSERT_NE(owner, nullptr);
  SetWindowPos(owner, nullptr, work.left + 100, work.top + 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  RECT ownerRect, noteRect;
  GetWindowRect(owner, &ownerRect);
  open(owner);
  GetWindowRect(dialog_, &noteRect);
  EXPECT_EQ(noteRect.left, ownerRect.left);
  EXPECT_EQ(noteRect.top, ownerRect.top);
  EXPECT_EQ(noteRect.right - noteRect.left, ownerRect.right - ownerRect.left);
  EXPECT_EQ(noteRect.bottom - noteRect.top, ownerRect.bottom - ownerRect.top);
  close();

  SetWindowPos(owner, nullptr, work.right - 20, work.bottom - 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  open(owner);
  GetWindowRect(dialog_, &noteRect);
  EXPECT_EQ(noteRect.right, work.right);
  EXPECT_EQ(noteRect.bottom, work.bottom);
  close();
  DestroyWindow(owner);
}

// Umlauts, ß and the euro sign are single bytes of code page 1252 on disk and come back the same.
TEST_F(NoteWindowTest, GermanLettersAreStoredAsTheirAnsiBytesAndReadBackTheSame) {
  ASSERT_EQ(GetACP(), 1252u) << "the tests expect the Western code page of a German Windows";
  const std::string german = "\xE4\xF6\xFC\xDF\x80 \xC4\xD6\xDC";  // äöüß€ ÄÖÜ
  open();
  type(german);
  close();
  ASSERT_EQ(files(), std::vector<std::string>{"N_20090928_1405a.txt"});
  EXPECT_EQ(read("N_20090928_1405a.txt"), german);

  open();
  click(kIdNoteBack);
  EXPECT_EQ(text(), german);
  close();
  EXPECT_EQ(read("N_20090928_1405a.txt"), german) << "only read, the note was written again";
}

TEST_F(NoteWindowTest, PagingStopsAtBothEndsAndBackFromANewNoteFindsTheNewest) {
  write("N_20090101_1000a.txt", "alt");
  write("N_20090102_0930c.txt", "neu");
  open();
  click(kIdNoteForward);  // nothing after a new note
  EXPECT_EQ(text(), "");
  EXPECT_EQ(caption(), "28.09.2009 14:05 a");
  click(kIdNoteBack);
  EXPECT_EQ(text(), "neu");
  EXPECT_EQ(caption(), "02.01.2009 09:30 c");
  EXPECT_EQ(shownIcon(kIdNoteForward), noteWindowIcon("NOTE_FORW_OFF"));
  EXPECT_EQ(shownIcon(kIdNoteBack), noteWindowIcon("NOTE_BACK"));
  EXPECT_EQ(shownIcon(kIdNoteDelete), noteWindowIcon("NOTE_DEL"));
  click(kIdNoteForward);  // the newest: Forward stays
  EXPECT_EQ(text(), "neu");
  SendMessageA(dialog_, kNoteBackMessage, 0, 0);
  EXPECT_EQ(text(), "alt");
  EXPECT_EQ(shownIcon(kIdNoteBack), noteWindowIcon("NOTE_BACK_OFF"));
  click(kIdNoteBack);  // the oldest: Back stays
  EXPECT_EQ(text(), "alt");
  ctrlKey(VK_END);
  EXPECT_EQ(text(), "neu");
  ctrlKey(VK_HOME);
  EXPECT_EQ(text(), "alt");
  ctrlKey(VK_INSERT);
  EXPECT_EQ(text(), "");
  EXPECT_EQ(caption(), "28.09.2009 14:05 a");
  close();
  // Only looked at: nothing new, nothing rewritten.
  EXPECT_EQ(files(), (std::vector<std::string>{"N_20090101_1000a.txt", "N_20090102_0930c.txt"}));
  EXPECT_EQ(read("N_20090101_1000a.txt"), "alt");
}

TEST_F(NoteWindowTest, DeleteRemovesTheNoteButNotAReadOnlyOne) {
  write("N_20090101_1000a.txt", "fest");
  write("N_20090102_1000a.txt", "weg");
  std::string fixed = folder_ + "N_20090101_1000a.txt";
  ASSERT_TRUE(SetFileAttributesA(fixed.c_str(), FILE_ATTRIBUTE_READONLY));
  open();
  click(kIdNoteBack);
  ASSERT_EQ(text(), "weg");
  ctrlKey(VK_DELETE);
  EXPECT_EQ(files(), std::vector<std::string>{"N_20090101_1000a.txt"});
  // The read-only note is the one now shown.
  EXPECT_EQ(text(), "fest");
  EXPECT_EQ(shownIcon(kIdNoteDelete), noteWindowIcon("NOTE_DEL_OFF"));
  EXPECT_TRUE(GetWindowLongA(edit_, GWL_STYLE) & ES_READONLY);
  type("x");
  key(WM_KEYDOWN, VK_TAB);
  EXPECT_EQ(text(), "fest");
  ctrlKey(VK_DELETE);
  click(kIdNoteDelete);
  EXPECT_EQ(text(), "fest");
  close();
  EXPECT_EQ(files(), std::vector<std::string>{"N_20090101_1000a.txt"});
  EXPECT_EQ(read("N_20090101_1000a.txt"), "fest");
}

TEST_F(NoteWindowTest, TabInsertsFourBlanksAndKeepsTheFocus) {
  open();
  ShowWindow(dialog_, SW_SHOW);
  SetForegroundWindow(dialog_);
  SetFocus(edit_);
  ASSERT_EQ(GetFocus(), edit_);
  type("a");
  key(WM_KEYDOWN, VK_TAB);
  key(WM_CHAR, '\t');
  key(WM_KEYUP, VK_TAB);
  type("b");
  EXPECT_EQ(GetFocus(), edit_);
  EXPECT_EQ(text(), "a    b");
  close();
  ASSERT_EQ(files().size(), 1u);
  EXPECT_EQ(read(files()[0]), "a    b");
}

TEST_F(NoteWindowTest, HelpIconAndF1GoToTheCaller) {
  open();
  click(kIdNoteHelp);
  HELPINFO info{};
  info.cbSize = sizeof info;
  SendMessageA(dialog_, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(helpCalls, (std::vector<std::string>{"icon 8", "F1 8"}));
  close();
}

}  // namespace
