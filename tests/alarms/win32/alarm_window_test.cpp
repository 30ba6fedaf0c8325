// The alarm window under Wine: dialog 109 made from the program's template and pictures, run
// modally as the alarm check runs it and answered from a thread timer the way the user's keys
// and clicks arrive.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "alarms/alarm_check.h"
#include "alarms/win32/alarm_actions.h"
#include "alarms/win32/alarm_picture.h"
#include "alarms/win32/alarm_window.h"

namespace {

Appointment makeRecord(const char* name, uint16_t kind, uint16_t picture) {
  Appointment a{};
  a.repeatKind = kind;
  a.day = 7;
  a.month = 3;
  a.year = 2024;
  a.hour = 8;
  a.minute = 5;
  a.action = kActionNotice;
  a.picture = picture;
  std::strcpy(a.name, name);
  std::strcpy(a.remark, "Zahnarzt & Apotheke");
  return a;
}

std::string text(HWND window) {
  char buffer[600] = "";
  GetWindowTextA(window, buffer, sizeof buffer);
  return buffer;
}

LOGFONTA fontOf(HWND window) {
  LOGFONTA font{};
  HFONT handle = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
  if (handle) GetObjectA(handle, sizeof font, &font);
  return font;
}

HBITMAP shownBitmap(HWND dialog) {
  return reinterpret_cast<HBITMAP>(SendDlgItemMessageA(dialog, kIdAlarmPicture, STM_GETIMAGE, IMAGE_BITMAP, 0));
}

// The pixels of a bitmap as 32-bit rows; empty for no bitmap.
std::vector<DWORD> pixels(HBITMAP bitmap, int& width, int& height) {
  width = height = 0;
  BITMAP info{};
  if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return {};
  width = info.bmWidth;
  height = info.bmHeight;
  BITMAPINFO header{};
  header.bmiHeader.biSize = sizeof header.bmiHeader;
  header.bmiHeader.biWidth = width;
  header.bmiHeader.biHeight = -height;
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = 32;
  header.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> out(static_cast<size_t>(width) * height);
  HDC screen = GetDC(nullptr);
  int rows = GetDIBits(screen, bitmap, 0, height, out.data(), &header, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (rows != height) return {};
  return out;
}

// The open alarm windows of this thread, by caption.
HWND openAlarm(const char* caption) {
  struct Search {
    const char* caption;
    HWND found;
  } search{caption, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM p) -> BOOL {
    auto* s = reinterpret_cast<Search*>(p);
    if (!GetDlgItem(w, kIdAlarmSnooze) || !IsWindowVisible(w)) return TRUE;
    if (s->caption && text(w) != s->caption) return TRUE;
    s->found = w;
    return FALSE;
  }, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// What the user does, step by step, while modal windows run: each step waits for its window.
struct Step {
  const char* caption;
  std::function<void(HWND)> act;
};
std::vector<Step> steps;
int ticksLeft = 0;

void CALLBACK playSteps(HWND, UINT, UINT_PTR, DWORD) {
  if (--ticksLeft < 0) {
    // Stuck: end whatever is open so that the test reports instead of hanging.
    while (HWND w = openAlarm(nullptr)) EndDialog(w, 1), ShowWindow(w, SW_HIDE);
    return;
  }
  if (steps.empty()) return;
  HWND w = openAlarm(steps.front().caption);
  if (!w) return;
  Step step = steps.front();
  steps.erase(steps.begin());
  step.act(w);
}

class Player {
 public:
  explicit Player(std::vector<Step> plan) {
    steps = std::move(plan);
    ticksLeft = 200;  // 10 seconds
    timer_ = SetTimer(nullptr, 0, 50, playSteps);
  }
  ~Player() { KillTimer(nullptr, timer_); }
  bool done() const { return steps.empty() && ticksLeft >= 0; }

 private:
  UINT_PTR timer_;
};

// Keys go to the focused control, as the keyboard delivers them; the dialog's loop turns them
// into commands.
void pressKey(HWND dialog, WPARAM key) {
  HWND focus = GetFocus();
  HWND target = focus && (focus == dialog || IsChild(dialog, focus)) ? focus : dialog;
  PostMessageA(target, WM_KEYDOWN, key, 1);
  PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}
void click(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::vector<std::string> helpCalls;
void recordHelp(HWND, const HELPINFO* info, int topic) {
  helpCalls.push_back((info ? "F1 " : "page ") + std::to_string(topic));
}

class AlarmWindowTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (dialog_) DestroyWindow(dialog_);
  }
  // Modeless, to look at it while it is open.
  HWND open(const Appointment& record, int snooze = 6) {
    setup_.record = record;
    setup_.snoozeMinutes = snooze;
    setup_.help = recordHelp;
    dialog_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kAlarmDialog), nullptr, AlarmWindow,
                                 reinterpret_cast<LPARAM>(&setup_));
    return dialog_;
  }
  AlarmAnswer runModally(const Appointment& record, std::vector<Step> plan) {
    AlarmWindowSetup setup;
    setup.record = record;
    setup.snoozeMinutes = 6;
    Player player(std::move(plan));
    AlarmAnswer answer = runAlarmWindow(GetModuleHandleA(nullptr), setup);
    EXPECT_TRUE(player.done()) << "a step did not find its window";
    EXPECT_EQ(setup.dialog, nullptr);
    return answer;
  }

  AlarmWindowSetup setup_;
  HWND dialog_ = nullptr;
};

TEST_F(AlarmWindowTest, ShowsTheRecordInTheEnlargedFontTopmostAndCentred) {
  ASSERT_NE(open(makeRecord("Zahnarzt", kRepeatOnce, 3), 2), nullptr);
  EXPECT_EQ(text(dialog_), "Zahnarzt");
  EXPECT_EQ(text(GetDlgItem(dialog_, kIdAlarmTime)), "07.03.2024 08:05\n\nZahnarzt & Apotheke");
  EXPECT_EQ(text(GetDlgItem(dialog_, kIdAlarmRemark)), "Zahnarzt & Apotheke");
  EXPECT_EQ(text(GetDlgItem(dialog_, kIdAlarmSnooze)), "Snooze (2 Minuten)");
  EXPECT_EQ(text(GetDlgItem(dialog_, kIdAlarmOk)), "OK");
  EXPECT_EQ(SendMessageA(dialog_, DM_GETDEFID, 0, 0), MAKELRESULT(kIdAlarmSnooze, DC_HASDEFID));

  LOGFONTA dialogFont = fontOf(dialog_);
  ASSERT_NE(dialogFont.lfHeight, 0);
  for (int id : {kIdAlarmTime, kIdAlarmRemark}) {
    LOGFONTA font = fontOf(GetDlgItem(dialog_, id));
    EXPECT_EQ(font.lfHeight, dialogFont.lfHeight + dialogFont.lfHeight / 8) << id;
    EXPECT_EQ(font.lfWeight, 600) << id;
    EXPECT_STREQ(font.lfFaceName, dialogFont.lfFaceName) << id;
  }
  EXPECT_EQ(fontOf(GetDlgItem(dialog_, kIdAlarmOk)).lfWeight, dialogFont.lfWeight) << "only the texts grow";

  EXPECT_TRUE(GetWindowLongA(dialog_, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(GetWindowLongA(dialog_, GWL_STYLE) & WS_SYSMENU);
  RECT r;
  GetWindowRect(dialog_, &r);
  EXPECT_LE(std::abs((r.left + r.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2), 1);
  EXPECT_LE(std::abs((r.top + r.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2), 1);
  EXPECT_NE(SendMessageA(dialog_, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageA(dialog_, WM_GETICON, ICON_SMALL, 0), 0);
}

TEST_F(AlarmWindowTest, SnoozeButtonOffersTheMinutesTheSnoozeAdds) {
  // A setting outside 2..60 (written into the registry by hand) is offered as it is applied.
  for (int setting : {6, 60, 1, 75}) {
    ASSERT_NE(open(makeRecord("Termin", kRepeatDaily, 0), setting), nullptr);
    std::string caption = text(GetDlgItem(dialog_, kIdAlarmSnooze));
    DestroyWindow(dialog_);
    dialog_ = nullptr;
    AppointmentTable table{};
    uint32_t id = appointmentIdAt(table, addAppointment(table, makeRecord("Termin", kRepeatDaily, 0)));
    answerAlarm(table, id, kAlarmSnooze, setting);
    EXPECT_EQ(caption, "Snooze (" + std::to_string(table.slots[0].snoozeLeft) + " Minuten)") << setting;
  }
}

TEST_F(AlarmWindowTest, EnterEscapeAndTheCloseBoxSnoozeOnlyOkAnswersOk) {
  Appointment record = makeRecord("Wecker", kRepeatOnce, 0);
  EXPECT_EQ(runModally(record, {{"Wecker", [](HWND w) { pressKey(w, VK_RETURN); }}}), kAlarmSnooze);
  EXPECT_EQ(runModally(record, {{"Wecker", [](HWND w) { pressKey(w, VK_ESCAPE); }}}), kAlarmSnooze);
  EXPECT_EQ(runModally(record, {{"Wecker", [](HWND w) { PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0); }}}),
            kAlarmSnooze);
  EXPECT_EQ(runModally(record, {{"Wecker", [](HWND w) { click(w, kIdAlarmSnooze); }}}), kAlarmSnooze);
  EXPECT_EQ(runModally(record, {{"Wecker", [](HWND w) { click(w, kIdAlarmOk); }}}), kAlarmOk);
}

TEST_F(AlarmWindowTest, DailyRecordsAndRecordsWithoutPictureShowTheAlarmPicture) {
  // The picture control as the window fills it, against the same picture loaded on its own.
  auto shownPixels = [&](const Appointment& record, bool& set) {
    int w = 0, h = 0;
    open(record);
    set = shownBitmap(dialog_) != nullptr;
    std::vector<DWORD> bits = pixels(shownBitmap(dialog_), w, h);
    RECT client;
    GetClientRect(GetDlgItem(dialog_, kIdAlarmPicture), &client);
    EXPECT_EQ(w, client.right) << "the picture fills its control";
    EXPECT_EQ(h, client.bottom);
    DestroyWindow(dialog_);
    dialog_ = nullptr;
    return bits;
  };
  auto referencePixels = [&](int value) {
    open(makeRecord("Bezug", kRepeatOff, 0));
    OwnedBitmap own;
    EXPECT_TRUE(loadAlarmPicture(dialog_, value, own)) << value;
    int w = 0, h = 0;
    std::vector<DWORD> bits = pixels(own.get(), w, h);
    DestroyWindow(dialog_);
    dialog_ = nullptr;
    return bits;
  };
  std::vector<DWORD> alarmPicture = referencePixels(kAlarmDefaultPicture), ownPicture = referencePixels(3);
  ASSERT_FALSE(alarmPicture.empty());
  ASSERT_NE(alarmPicture, ownPicture);

  bool set = false;
  EXPECT_EQ(shownPixels(makeRecord("Täglich", kRepeatDaily, 3), set), alarmPicture);
  EXPECT_TRUE(set);
  EXPECT_EQ(shownPixels(makeRecord("Ohne Bild", kRepeatOnce, 0), set), alarmPicture);
  EXPECT_EQ(shownPixels(makeRecord("Mit Bild", kRepeatMonday, 3), set), ownPicture);

  // A picture number without a resource leaves the control empty; the window still opens.
  ASSERT_NE(open(makeRecord("Fehlt", kRepeatOnce, 77)), nullptr);
  EXPECT_EQ(shownBitmap(dialog_), nullptr);
  EXPECT_TRUE(IsWindow(dialog_));
}

TEST_F(AlarmWindowTest, RepaintLoadsThePictureAgainAndClosingReleasesWhatTheWindowMade) {
  ASSERT_NE(open(makeRecord("Malen", kRepeatOnce, 5)), nullptr);
  ShowWindow(dialog_, SW_SHOWNA);
  UpdateWindow(dialog_);
  HBITMAP before = shownBitmap(dialog_);
  ASSERT_NE(before, nullptr);
  RedrawWindow(dialog_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  HBITMAP after = shownBitmap(dialog_);
  ASSERT_NE(after, nullptr);
  EXPECT_NE(after, before);
  EXPECT_EQ(GetObjectType(before), 0u) << "the picture replaced by the repaint was kept";

  HFONT font = reinterpret_cast<HFONT>(SendDlgItemMessageA(dialog_, kIdAlarmTime, WM_GETFONT, 0, 0));
  HICON big = reinterpret_cast<HICON>(SendMessageA(dialog_, WM_GETICON, ICON_BIG, 0));
  HICON small = reinterpret_cast<HICON>(SendMessageA(dialog_, WM_GETICON, ICON_SMALL, 0));
  ASSERT_EQ(GetObjectType(font), static_cast<DWORD>(OBJ_FONT));
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(big, &info));
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);

  DestroyWindow(dialog_);
  dialog_ = nullptr;
  EXPECT_EQ(GetObjectType(after), 0u) << "picture";
  EXPECT_EQ(GetObjectType(font), 0u) << "enlarged font";
  EXPECT_FALSE(GetIconInfo(big, &info)) << "large icon";
  EXPECT_FALSE(GetIconInfo(small, &info)) << "small icon";
  EXPECT_EQ(setup_.dialog, nullptr);
}

TEST_F(AlarmWindowTest, F1GoesToTheHelpWithTheAlarmPage) {
  helpCalls.clear();
  ASSERT_NE(open(makeRecord("Hilfe", kRepeatOnce, 0)), nullptr);
  HELPINFO info{};
  info.cbSize = sizeof info;
  info.iCtrlId = kIdAlarmSnooze;
  SendMessageA(dialog_, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(helpCalls, std::vector<std::string>{"F1 3"});
}

// Through the check's seam, as the program fires: the answers land on the record by id, also
// when a second alarm opened over the first and was answered first.
TEST(AlarmActionsTest, EachWindowAnswersForItsOwnRecord) {
  AppointmentTable table{};
  AlarmCheck check;
  check.table = &table;
  check.snoozeMinutes = 4;
  WindowsAlarmSetup setup;
  setup.instance = GetModuleHandleA(nullptr);
  setup.check = &check;
  useWindowsAlarmActions(check.actions, setup);
  uint32_t first = appointmentIdAt(table, addAppointment(table, makeRecord("Erster", kRepeatOnce, 0)));
  uint32_t second = appointmentIdAt(table, addAppointment(table, makeRecord("Zweiter", kRepeatOnce, 0)));
  LocalTime now{};
  now.day = 7, now.month = 3, now.year = 2024, now.hour = 8, now.minute = 6, now.weekday = 4;

  Player player({{"Erster", [&](HWND) { fireAppointment(check, second, 0, now); }},
                 {"Zweiter", [](HWND w) { click(w, kIdAlarmOk); }},
                 {"Erster", [](HWND w) { pressKey(w, VK_ESCAPE); }}});
  EXPECT_EQ(fireAppointment(check, first, 0, now), 1);
  EXPECT_TRUE(player.done());
  const Appointment& a = table.slots[findAppointmentSlot(table, first)];
  const Appointment& b = table.slots[findAppointmentSlot(table, second)];
  EXPECT_EQ(a.repeatKind, kRepeatOnce) << "snoozed";
  EXPECT_EQ(a.snoozeLeft, 4);
  EXPECT_EQ(a.lastFiredDay, 0);
  EXPECT_EQ(b.repeatKind, kRepeatOff) << "answered OK";
  EXPECT_EQ(b.snoozeLeft, 0);
  EXPECT_EQ(b.lastFiredDay, 67);
}

}  // namespace
