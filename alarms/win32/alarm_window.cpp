#include "alarms/win32/alarm_window.h"

#include <cstdio>
#include <string>

#include "alarms/win32/alarm_picture.h"
#include "platform/win32/handles.h"

namespace {

// What one open window holds; it goes with the window.
struct AlarmWindowState {
  AlarmWindowSetup* setup = nullptr;
  int picture = kAlarmDefaultPicture;
  OwnedFont font;  // the enlarged texts
  OwnedIcon bigIcon, smallIcon;
  OwnedBitmap shown;  // the picture in control 1070
};

AlarmWindowState* stateOf(HWND dialog) {
  return reinterpret_cast<AlarmWindowState*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

std::string field(const char* text, size_t width) {
  return std::string(text, appointmentFieldLength(text, width));
}

// The snooze minutes as answerAlarm adds them.
int snoozeShown(int minutes) { return minutes < 2 ? 2 : minutes > 60 ? 60 : minutes; }

void enlargeTexts(HWND dialog, AlarmWindowState& state) {
  HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
  LOGFONTA font;
  if (!dialogFont || GetObjectA(dialogFont, sizeof font, &font) != sizeof font) return;
  font.lfHeight += font.lfHeight / 8;
  font.lfWeight = 600;
  state.font.reset(CreateFontIndirectA(&font));
  if (!state.font) return;
  for (int id : {kIdAlarmTime, kIdAlarmRemark})
    SendDlgItemMessageA(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(state.font.get()), FALSE);
}

void loadIcons(HWND dialog, AlarmWindowState& state) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
  state.bigIcon.reset(static_cast<HICON>(LoadImageA(instance, "UHR", IMAGE_ICON, 32, 32, 0)));
  // The same icon drawn at the caption's size, rather than the 32-pixel one squeezed.
  state.smallIcon.reset(static_cast<HICON>(LoadImageA(instance, "UHR", IMAGE_ICON,
      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
  SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(state.bigIcon.get()));
  SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(state.smallIcon.get()));
}

// In the middle of the screen and above every other window: an alarm must be seen even when
// the system refuses to bring a window of a background program to the foreground.
void placeOnTop(HWND dialog) {
  RECT r;
  GetWindowRect(dialog, &r);
  int w = r.right - r.left, h = r.bottom - r.top;
  int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  SetWindowPos(dialog, HWND_TOPMOST, x < 0 ? 0 : x, y < 0 ? 0 : y, 0, 0, SWP_NOSIZE);
  SetForegroundWindow(dialog);
}

void open(HWND dialog, AlarmWindowSetup* setup) {
  auto* state = new AlarmWindowState;
  state->setup = setup;
  SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
  setup->dialog = dialog;
  setup->answer = kAlarmSnooze;
  const Appointment& a = setup->record;

  SetWindowTextA(dialog, field(a.name, sizeof a.name).c_str());
  char text[512];
  alarmTimeText(a, text, sizeof text);
  SetDlgItemTextA(dialog, kIdAlarmTime, text);
  SetDlgItemTextA(dialog, kIdAlarmRemark, field(a.remark, sizeof a.remark).c_str());
  alarmSnoozeText(setup->snoozeMinutes, text, sizeof text);
  SetDlgItemTextA(dialog, kIdAlarmSnooze, text);
  enlargeTexts(dialog, *state);
  loadIcons(dialog, *state);
  state->picture = alarmWindowPicture(a);
  loadAlarmPicture(dialog, state->picture, state->shown);
  placeOnTop(dialog);
}

void close(HWND dialog) {
  AlarmWindowState* state = stateOf(dialog);
  if (!state) return;
  // The controls and the caption let go of what they show before it is released.
  for (int id : {kIdAlarmTime, kIdAlarmRemark}) SendDlgItemMessageA(dialog, id, WM_SETFONT, 0, FALSE);
  SendDlgItemMessageA(dialog, kIdAlarmPicture, STM_SETIMAGE, IMAGE_BITMAP, 0);
  SendMessageA(dialog, WM_SETICON, ICON_BIG, 0);
  SendMessageA(dialog, WM_SETICON, ICON_SMALL, 0);
  state->setup->dialog = nullptr;
  SetWindowLongPtrA(dialog, DWLP_USER, 0);
  delete state;
}

void answer(HWND dialog, AlarmAnswer how) {
  if (AlarmWindowState* state = stateOf(dialog)) state->setup->answer = how;
  EndDialog(dialog, how == kAlarmOk ? 2 : 1);
}

}  // namespace

void alarmTimeText(const Appointment& record, char* out, size_t size) {
  if (!size) return;
  std::snprintf(out, size, "%02d.%02d.%04d %02d:%02d\n\n%s", record.day, record.month, record.year,
                record.hour, record.minute, field(record.remark, sizeof record.remark).c_str());
}

void alarmSnoozeText(int snoozeMinutes, char* out, size_t size) {
  if (!size) return;
  std::snprintf(out, size, "Snooze (%d Minuten)", snoozeShown(snoozeMinutes));
}

int alarmWindowPicture(const Appointment& record) {
  return record.repeatKind == kRepeatDaily || record.picture == 0 ? kAlarmDefaultPicture : record.picture;
}

INT_PTR CALLBACK AlarmWindow(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      if (!lParam) {
        EndDialog(dialog, 1);
        return TRUE;
      }
      open(dialog, reinterpret_cast<AlarmWindowSetup*>(lParam));
      // The focus stays on the default button, so Enter snoozes.
      SetFocus(GetDlgItem(dialog, kIdAlarmSnooze));
      return FALSE;
    case WM_PAINT:
      // The picture is drawn for the screen as it is now (a changed colour depth, say).
      if (AlarmWindowState* state = stateOf(dialog)) loadAlarmPicture(dialog, state->picture, state->shown);
      return FALSE;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      switch (LOWORD(wParam)) {
        case kIdAlarmOk:
          answer(dialog, kAlarmOk);
          return TRUE;
        case kIdAlarmSnooze:
        case IDCANCEL:  // Escape and the close box
        case IDOK:      // Enter without a default button
          answer(dialog, kAlarmSnooze);
          return TRUE;
      }
      return FALSE;
    case WM_HELP:
      if (AlarmWindowState* state = stateOf(dialog))
        if (state->setup->help)
          state->setup->help(dialog, reinterpret_cast<const HELPINFO*>(lParam), kAlarmHelpTopic);
      return TRUE;
    case WM_DESTROY:
      close(dialog);
      return TRUE;
  }
  return FALSE;
}

AlarmAnswer runAlarmWindow(HINSTANCE instance, AlarmWindowSetup& setup) {
  setup.answer = kAlarmSnooze;
  INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(kAlarmDialog), nullptr, AlarmWindow,
                                   reinterpret_cast<LPARAM>(&setup));
  return result == 2 ? kAlarmOk : kAlarmSnooze;
}
