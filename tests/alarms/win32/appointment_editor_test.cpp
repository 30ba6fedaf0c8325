// The appointment editor under Wine: dialog 108 from the program's template, driven with the
// messages the user's clicks send, over an appointment file of its own and a set clock.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <dlgs.h>

#include "alarms/appointment_editing.h"
#include "alarms/win32/appointment_editor.h"
#include "tests/support/clock_guard.h"
#include "tests/support/files.h"

namespace {

struct Calls {
  std::vector<std::string> log;
  int fades = 0;
} calls;

AlarmAnswer recordAlarm(void*, const Appointment& a, uint32_t) {
  calls.log.push_back(std::string("alarm ") + a.name);
  return kAlarmOk;
}
void recordSound(void*, const char* path) { calls.log.push_back(std::string("play ") + path); }
void recordFade() { ++calls.fades; }
void recordHelp(HWND, const HELPINFO* info, int topic) {
  calls.log.push_back((info ? "F1 " : "help ") + std::to_string(topic));
}

Appointment record(const char* name, int kind = kRepeatOnce, int day = 12, int month = 9, int year = 2009) {
  Appointment a;
  std::memset(&a, 0, sizeof a);
  std::strcpy(a.name, name);
  a.repeatKind = static_cast<uint16_t>(kind);
  a.day = static_cast<uint16_t>(day);
  a.month = static_cast<uint16_t>(month);
  a.year = static_cast<uint16_t>(year);
  a.hour = 8;
  a.action = kActionNotice;
  return a;
}

// Waits on its own thread for a message box with that text, notes its owner and closes it.
class MessageWatcher {
 public:
  explicit MessageWatcher(const char* text) : text_(text), thread_([this] { run(); }) {}
  ~MessageWatcher() {
    stop_ = true;
    thread_.join();
  }
  HWND owner() const { return owner_; }

 private:
  static BOOL CALLBACK findText(HWND child, LPARAM self) {
    auto* w = reinterpret_cast<MessageWatcher*>(self);
    char text[128] = "";
    GetWindowTextA(child, text, sizeof text);
    if (w->text_ == text) w->box_ = GetParent(child);
    return w->box_ == nullptr;
  }
  static BOOL CALLBACK findBox(HWND window, LPARAM self) {
    char cls[16] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") == 0 && IsWindowVisible(window)) EnumChildWindows(window, findText, self);
    return reinterpret_cast<MessageWatcher*>(self)->box_ == nullptr;
  }
  void run() {
    for (int i = 0; i < 200 && !stop_ && !box_; ++i) {
      EnumWindows(findBox, reinterpret_cast<LPARAM>(this));
      if (!box_) Sleep(50);
    }
    if (!box_) return;
    owner_ = GetWindow(box_, GW_OWNER);
    PostMessageA(box_, WM_COMMAND, IDOK, 0);
  }
  std::string text_;
  std::atomic<bool> stop_{false};
  HWND box_ = nullptr;
  std::atomic<HWND> owner_{nullptr};
  std::thread thread_;
};

// Answers the open-file dialog that `owner` opens: notes its filters and chooses `file`.
class FileDialogAnswer {
 public:
  FileDialogAnswer(HWND owner, std::string file) : owner_(owner), file_(std::move(file)), thread_([this] { run(); }) {}
  ~FileDialogAnswer() { finish(); }
  // The filter texts it saw and the position chosen, once the dialog has been answered.
  std::vector<std::string> finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return filters_;
  }

 private:
  static BOOL CALLBACK find(HWND window, LPARAM self) {
    auto* a = reinterpret_cast<FileDialogAnswer*>(self);
    char cls[16] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") == 0 && GetWindow(window, GW_OWNER) == a->owner_ && GetDlgItem(window, cmb1))
      a->dialog_ = window;
    return a->dialog_ == nullptr;
  }
  void run() {
    for (int i = 0; i < 300 && !stop_ && !dialog_; ++i) {
      EnumWindows(find, reinterpret_cast<LPARAM>(this));
      if (!dialog_) Sleep(50);
    }
    if (!dialog_) return;
    HWND types = GetDlgItem(dialog_, cmb1);
    int n = static_cast<int>(SendMessageA(types, CB_GETCOUNT, 0, 0));
    for (int k = 0; k < n; ++k) {
      char text[128] = "";
      SendMessageA(types, CB_GETLBTEXT, k, reinterpret_cast<LPARAM>(text));
      filters_.push_back(text);
    }
    filters_.push_back(std::to_string(SendMessageA(types, CB_GETCURSEL, 0, 0)));
    SetDlgItemTextA(dialog_, GetDlgItem(dialog_, cmb13) ? cmb13 : edt1, file_.c_str());
    PostMessageA(dialog_, WM_COMMAND, IDOK, 0);
  }
  HWND owner_;
  std::string file_;
  std::atomic<bool> stop_{false};
  HWND dialog_ = nullptr;
  std::vector<std::string> filters_;
  std::thread thread_;
};

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    LocalTime t;
    ASSERT_EQ(parseLocalTime("2009-09-28 14:05:00", t), 1);
    setClockStart(t, true);
    calls = Calls();
    std::memset(table_.get(), 0, sizeof(AppointmentTable));
    path_ = folder_.file("alarm.qtm");
    check_.table = table_.get();
    check_.actions.showAlarm = recordAlarm;
    check_.actions.playSound = recordSound;
    check_.actions.soundAvailable = true;
    setup_.check = &check_;
    setup_.soundAvailable = true;
    setup_.fadeOutSound = recordFade;
    setup_.help = recordHelp;
    setup_.rebuildRequested = &rebuild_;
  }
  void TearDown() override {
    if (dialog_) DestroyWindow(dialog_);
  }

  void write(const std::vector<Appointment>& records) {
    ASSERT_TRUE(writeFile(path_, records.data(), records.size() * sizeof(Appointment)));
  }
  // Opens as the program does: the table loaded from the file, the editor on its first record.
  void open(int protection = 0) {
    loadAppointmentTable(*table_, path_.c_str(), 0, 28, 9, 2009);
    setup_.filePath = path_.c_str();
    setup_.protection = protection;
    dialog_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kAppointmentEditorDialog), nullptr,
                                 AppointmentEditor, reinterpret_cast<LPARAM>(&setup_));
    ASSERT_NE(dialog_, nullptr);
    ShowWindow(dialog_, SW_SHOW);
  }
  // "OK" or "Abbrechen"; the window then goes as the dialog manager lets it go.
  bool close(int id) {
    click(id);
    bool ended = !IsWindowVisible(dialog_);
    if (ended) {
      DestroyWindow(dialog_);
      dialog_ = nullptr;
    }
    return ended;
  }
  void click(int id) { SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(item(id))); }
  void choose(int id, int position) {
    SendMessageA(item(id), CB_SETCURSEL, position, 0);
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(item(id)));
  }
  void typeName(const char* text) {
    SetWindowTextA(item(kIdEditorName), text);
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(kIdEditorName, CBN_KILLFOCUS), reinterpret_cast<LPARAM>(item(kIdEditorName)));
  }
  // Typed over the whole field, as the user does (a multi-line field tells no change of a text
  // set from outside).
  void type(int id, const char* text) {
    SendMessageA(item(id), EM_SETSEL, 0, -1);
    SendMessageA(item(id), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
  }
  void slide(int position) {
    SendMessageA(item(kIdEditorSlider), TBM_SETPOS, TRUE, position);
    SendMessageA(dialog_, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(item(kIdEditorSlider)));
  }
  HWND item(int id) { return GetDlgItem(dialog_, id); }
  std::string text(int id) {
    char b[300] = "";
    GetWindowTextA(item(id), b, sizeof b);
    return b;
  }
  std::vector<std::string> names() {
    std::vector<std::string> out;
    int n = static_cast<int>(SendMessageA(item(kIdEditorName), CB_GETCOUNT, 0, 0));
    for (int k = 0; k < n; ++k) {
      char b[100] = "";
      SendMessageA(item(kIdEditorName), CB_GETLBTEXT, k, reinterpret_cast<LPARAM>(b));
      out.push_back(b);
    }
    return out;
  }
  int selected(int id) { return static_cast<int>(SendMessageA(item(id), CB_GETCURSEL, 0, 0)); }
  // The ids of the controls the user can work with, of those that change.
  std::vector<int> usable() {
    std::vector<int> out;
    for (int id : {kIdEditorName, kIdEditorKind, kIdEditorDay, kIdEditorMonth, kIdEditorYear, kIdEditorHour,
                   kIdEditorMinute, kIdEditorSlider, kIdEditorAction, kIdEditorTest, kIdEditorPath, kIdEditorBrowse,
                   kIdEditorRemark, kIdEditorNew, kIdEditorDelete})
      if (IsWindowEnabled(item(id))) out.push_back(id);
    return out;
  }

  ClockGuard clock_;
  TempFolder folder_{"editor"};
  std::string path_;
  std::unique_ptr<AppointmentTable> table_ = std::make_unique<AppointmentTable>();
  AlarmCheck check_;
  AppointmentEditorSetup setup_;
  int rebuild_ = 0;
  HWND dialog_ = nullptr;
};

TEST_F(EditorTest, AnEmptyTableOffersOnlyNewAndHoldsTheCheckWhileOpen) {
  open();
  EXPECT_TRUE(check_.editorOpen);
  char caption[64] = "";
  GetWindowTextA(dialog_, caption, sizeof caption);
  EXPECT_STREQ(caption, "Termine / Alarm");
  EXPECT_EQ(text(kIdEditorDelete), "&L\xF6schen");
  EXPECT_NE(SendMessageA(dialog_, WM_GETICON, ICON_SMALL, 0), 0) << "no UHR icon";
  EXPECT_EQ(usable(), std::vector<int>{kIdEditorNew});
  EXPECT_TRUE(IsWindowEnabled(item(IDOK)) && IsWindowEnabled(item(IDCANCEL)) && IsWindowEnabled(item(kIdEditorHelp)));
  EXPECT_FALSE(IsWindowVisible(item(kIdEditorProtected))) << "TerminSchutz is 0";
  EXPECT_EQ(SendMessageA(item(kIdEditorYear), CB_GETCOUNT, 0, 0), 30);
  EXPECT_EQ(SendMessageA(item(kIdEditorKind), CB_GETCOUNT, 0, 0), 12);
  EXPECT_EQ(SendMessageA(item(kIdEditorSlider), TBM_GETRANGEMAX, 0, 0), 28);
  EXPECT_EQ(SendMessageA(item(kIdEditorPath), EM_GETLIMITTEXT, 0, 0), 260);
  EXPECT_EQ(SendMessageA(item(kIdEditorRemark), EM_GETLIMITTEXT, 0, 0), 256);
  click(kIdEditorHelp);
  HELPINFO info{sizeof info, HELPINFO_WINDOW, kIdEditorNew, item(kIdEditorNew), 0, {0, 0}};
  SendMessageA(dialog_, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(calls.log, (std::vector<std::string>{"help 3", "F1 3"}));
  ASSERT_TRUE(close(IDCANCEL));
  EXPECT_FALSE(check_.editorOpen);
  EXPECT_EQ(calls.fades, 1);
  EXPECT_TRUE(readFileBytes(path_).empty());
}

TEST_F(EditorTest, NewRecordsAreNamedInTurnAndRenamedByTheNameBox) {
  open(1);
  EXPECT_TRUE(IsWindowVisible(item(kIdEditorProtected)));
  click(kIdEditorNew);
  EXPECT_EQ(GetFocus(), GetWindow(item(kIdEditorName), GW_CHILD)) << "the name box's field has no focus";
  click(kIdEditorNew);
  click(kIdEditorNew);
  EXPECT_EQ(names(), (std::vector<std::string>{"(neu)", "(neu 2)", "(neu 3)"}));
  EXPECT_EQ(selected(kIdEditorName), 2);
  // Today at the next hour, one-off.
  EXPECT_EQ(text(kIdEditorKind), "einmalig");
  EXPECT_EQ(text(kIdEditorDay) + text(kIdEditorMonth) + text(kIdEditorYear), "28092009");
  EXPECT_EQ(text(kIdEditorHour) + ":" + text(kIdEditorMinute), "15:00");
  // Path, "..." and "&Test" wait for an action.
  EXPECT_EQ(usable(), (std::vector<int>{kIdEditorName, kIdEditorKind, kIdEditorDay, kIdEditorMonth, kIdEditorYear,
                                        kIdEditorHour, kIdEditorMinute, kIdEditorSlider, kIdEditorAction,
                                        kIdEditorRemark, kIdEditorNew, kIdEditorDelete}));

  choose(kIdEditorName, 0);
  typeName("Zahnarzt");
  EXPECT_EQ(names(), (std::vector<std::string>{"Zahnarzt", "(neu 2)", "(neu 3)"}));
  EXPECT_EQ(selected(kIdEditorName), 0);
  click(kIdEditorNew);
  EXPECT_EQ(names().back(), "(neu)");
}

TEST_F(EditorTest, TheDayFollowsTheMonthUnlessMonthly) {
  write({record("a", kRepeatOnce, 31, 1, 2009)});
  open();
  choose(kIdEditorMonth, 1);
  EXPECT_EQ(text(kIdEditorDay), "28");
  choose(kIdEditorMonth, 0);
  choose(kIdEditorDay, 30);
  choose(kIdEditorYear, 2008 - 2001);
  choose(kIdEditorMonth, 1);
  EXPECT_EQ(text(kIdEditorDay), "29");
  choose(kIdEditorKind, kRepeatMonthly);
  EXPECT_FALSE(IsWindowEnabled(item(kIdEditorMonth)));
  choose(kIdEditorDay, 30);
  EXPECT_EQ(text(kIdEditorDay), "31");
  EXPECT_EQ(table_->slots[0].day, 31);
  EXPECT_EQ(table_->slots[0].month, 2);
}

TEST_F(EditorTest, AProtectedRecordCanBeTestedAndPicturedButNothingElse) {
  Appointment a = record("Geburtstag", kRepeatYearly, 24, 12);
  a.isProtected = 1;
  a.picture = 3;
  write({a, record("Zweiter")});
  open(1);
  EXPECT_EQ(IsDlgButtonChecked(dialog_, kIdEditorProtected), BST_CHECKED);
  EXPECT_EQ(usable(), (std::vector<int>{kIdEditorName, kIdEditorSlider, kIdEditorTest, kIdEditorNew}));
  HBITMAP before = reinterpret_cast<HBITMAP>(SendMessageA(item(kIdEditorPicture), STM_GETIMAGE, IMAGE_BITMAP, 0));
  ASSERT_NE(before, nullptr) << "no ALARM_P07";
  slide(5);
  EXPECT_EQ(table_->slots[0].picture, 5);
  HBITMAP after = reinterpret_cast<HBITMAP>(SendMessageA(item(kIdEditorPicture), STM_GETIMAGE, IMAGE_BITMAP, 0));
  EXPECT_NE(after, nullptr);
  BITMAP info;
  EXPECT_EQ(GetObjectA(before, sizeof info, &info), 0) << "the picture shown before was not released";
  click(kIdEditorTest);
  EXPECT_EQ(calls.log, std::vector<std::string>{"alarm Geburtstag"});
  EXPECT_EQ(table_->slots[0].repeatKind, kRepeatYearly);
  click(kIdEditorDelete);
  typeName("anders");
  EXPECT_EQ(names(), (std::vector<std::string>{"Geburtstag", "Zweiter"}));

  CheckDlgButton(dialog_, kIdEditorProtected, BST_UNCHECKED);
  click(kIdEditorProtected);
  EXPECT_TRUE(IsWindowEnabled(item(kIdEditorKind)) && IsWindowEnabled(item(kIdEditorDelete)));
  click(kIdEditorDelete);
  EXPECT_EQ(names(), std::vector<std::string>{"Zweiter"});
  ASSERT_TRUE(close(IDCANCEL));
  BITMAP gone;
  EXPECT_EQ(GetObjectA(after, sizeof gone, &gone), 0) << "the picture outlived the editor";
}

TEST_F(EditorTest, DeletingTheFirstKeepsTheFirstAndTheLastTakesThePrevious) {
  write({record("A"), record("B"), record("C"), record("D")});
  open();
  click(kIdEditorDelete);
  EXPECT_EQ(names(), (std::vector<std::string>{"B", "C", "D"}));
  EXPECT_EQ(selected(kIdEditorName), 0);
  EXPECT_EQ(text(kIdEditorName), "B");
  choose(kIdEditorName, 2);
  click(kIdEditorDelete);
  EXPECT_EQ(names(), (std::vector<std::string>{"B", "C"}));
  EXPECT_EQ(selected(kIdEditorName), 1);
  EXPECT_EQ(text(kIdEditorName), "C");
  click(kIdEditorDelete);
  click(kIdEditorDelete);
  EXPECT_EQ(usable(), std::vector<int>{kIdEditorNew});
}

TEST_F(EditorTest, CancelLeavesFileAndTableAsTheyWere) {
  write({record("b"), record("a")});
  std::vector<uint8_t> bytes = readFileBytes(path_);
  open();
  choose(kIdEditorName, 1);
  typeName("c");
  choose(kIdEditorKind, kRepeatDaily);
  type(kIdEditorRemark, "neu");
  click(kIdEditorNew);
  click(kIdEditorDelete);
  ASSERT_TRUE(close(IDCANCEL));
  EXPECT_EQ(readFileBytes(path_), bytes);
  ASSERT_EQ(table_->count, 2);
  EXPECT_EQ(std::memcmp(table_->slots, bytes.data(), bytes.size()), 0);
  EXPECT_EQ(table_->currentIndex, 0);
  EXPECT_EQ(rebuild_, 0);
}

TEST_F(EditorTest, OkSavesWhatWasEnteredAndAsksForARebuildOnlyForThisMonthsPictures) {
  Appointment fired = record("Ende", kRepeatDaily);
  fired.lastFiredDay = 271;
  fired.lastFiredYear = 2009;
  write({record("Oktober", kRepeatOnce, 3, 10), fired});
  open();
  slide(4);  // October is not this month
  choose(kIdEditorName, 1);
  EXPECT_EQ(table_->slots[1].lastFiredDay, 271) << "showing a record re-armed it";
  type(kIdEditorRemark, "Feierabend");
  ASSERT_TRUE(close(IDOK));
  EXPECT_EQ(rebuild_, 0);
  std::vector<uint8_t> bytes = readFileBytes(path_);
  ASSERT_EQ(bytes.size(), 2 * sizeof(Appointment));
  Appointment saved[2];
  std::memcpy(saved, bytes.data(), bytes.size());
  EXPECT_STREQ(saved[0].name, "Ende");  // sorted by name
  EXPECT_STREQ(saved[0].remark, "Feierabend");
  EXPECT_EQ(saved[0].lastFiredDay, 0) << "the remark re-arms";
  EXPECT_EQ(saved[1].picture, 4);

  // A picture on this month's sheet; a request made meanwhile stays.
  open();
  choose(kIdEditorName, 1);
  choose(kIdEditorMonth, 8);
  ASSERT_TRUE(close(IDOK));
  EXPECT_EQ(rebuild_, 1);
  open();
  rebuild_ = 1;
  ASSERT_TRUE(close(IDOK));
  EXPECT_EQ(rebuild_, 1) << "OK dropped a rebuild asked for elsewhere";
}

TEST_F(EditorTest, AFailedSaveIsReportedByTheEditorWhichKeepsTheChanges) {
  path_ = folder_.file("fehlt\\alarm.qtm");  // a folder that is not there
  open();
  click(kIdEditorNew);
  {
    MessageWatcher watcher("Fehler beim Speichern der Termin-Datei!");
    EXPECT_FALSE(close(IDOK)) << "the editor closed over the failed save";
    EXPECT_EQ(watcher.owner(), dialog_);
  }
  EXPECT_EQ(names(), std::vector<std::string>{"(neu)"});
  EXPECT_TRUE(check_.editorOpen);
  ASSERT_TRUE(close(IDCANCEL));
  EXPECT_FALSE(check_.editorOpen);
  EXPECT_EQ(table_->count, 0);
}

TEST_F(EditorTest, TestPlaysTheSoundAndStopsItAgain) {
  Appointment a = record("Musik");
  a.action = kActionSound;
  std::strcpy(a.path, "C:\\musik\\wecker.mp3");
  write({a});
  open();
  EXPECT_EQ(text(kIdEditorPathLabel), "MP3-Datei:");
  click(kIdEditorTest);
  EXPECT_EQ(text(kIdEditorTest), "S&top");
  EXPECT_EQ(calls.log, std::vector<std::string>{"play C:\\musik\\wecker.mp3"});
  click(kIdEditorTest);
  EXPECT_EQ(text(kIdEditorTest), "&Test");
  EXPECT_EQ(calls.log.size(), 1u);
  EXPECT_EQ(calls.fades, 2);
  click(kIdEditorTest);
  choose(kIdEditorAction, kActionProgram);
  EXPECT_EQ(text(kIdEditorTest), "&Test");
  EXPECT_EQ(text(kIdEditorPathLabel), "Programm:");
  EXPECT_EQ(calls.fades, 4);
}

TEST_F(EditorTest, TheFileChosenForAProgramBecomesItsPath) {
  Appointment a = record("Backup");
  a.action = kActionProgram;
  a.lastFiredDay = 271;
  a.lastFiredYear = 2009;
  std::strcpy(a.path, "\"C:\\Program Files\\x.exe\" -q");  // a command line, not a file name
  write({a});
  std::string program = folder_.file("sichern.bat");
  ASSERT_TRUE(writeFile(program, std::string("@echo off\r\n")));
  open();
  FileDialogAnswer answer(dialog_, program);
  click(kIdEditorBrowse);
  EXPECT_EQ(answer.finish(), (std::vector<std::string>{"Programme (*.exe;*.com;*.bat)", "Text-Dateien (*.doc;*.txt;*.rtf)",
                                                       "Alle Dateien (*.*)", "0"}));
  EXPECT_EQ(text(kIdEditorPath), program);
  EXPECT_EQ(table_->slots[0].path, program);
  EXPECT_EQ(table_->slots[0].lastFiredDay, 0) << "a new path re-arms";
}

}  // namespace
