// What the appointment editor ("Termine / Alarm") does to the table, without any window: the
// current record, "&Neu" and "&Löschen", the changes of each control with their re-arming, the
// enable rules and whether the month's calendar needs a rebuild. The dialog (alarms/win32)
// shows this state and hands the user's choices in.
#pragma once

#include <cstddef>
#include <cstdint>

#include "alarms/appointment_file.h"
#include "platform/clock.h"

constexpr int kEditorFirstYear = 2001;
constexpr int kEditorLastYearAtLeast = 2030;
constexpr int kEditorYearsAhead = 10;
constexpr int kEditorNewLimit = 255;  // "&Neu" only while the table holds fewer records
constexpr size_t kEditorNameLimit = 79;
constexpr size_t kEditorPathLimit = 259;
constexpr size_t kEditorRemarkLimit = 255;
constexpr int kEditorLastPicture = 28;

// The last year of the "Jahr:" list: 2030, or ten years ahead once that is later.
int editorLastYear(int currentYear);

// The positions the lists show for a record; -1 leaves a list without selection.
struct EditorSelection {
  int kind, day, month, year, hour, minute, action;
};
EditorSelection editorSelection(const Appointment& record, int currentYear);

// Which controls the user can work with.
struct EditorEnables {
  bool nameBox, kind, deleteButton;
  bool day, month, year, hour, minute, action, remark;
  bool path;  // the path field and its "..." button
  bool picture;  // the picture and its slider
  bool test, newButton;
};

// The editor's state beside the table. The current record is held by its id, so that it stays
// the same record when a save re-sorts the table while the editor is open.
struct AppointmentEditing {
  AppointmentTable* table = nullptr;
  uint32_t currentId = 0;
  int openMonth = 0, openYear = 0;  // the calendar month when the editor opened
  bool calendarAffected = false;    // a change touched a picture of that month
};

// Starts on the table's current index (0 after every load) as of `now`.
void beginEditing(AppointmentEditing& editing, AppointmentTable& table, const LocalTime& now);

// The slot of the current record, also written back as the table's current index; -1 for an
// empty table. A record that is gone leaves the current index where it was, within the table.
int currentSlot(AppointmentEditing& editing);
// The current record, or null for an empty table.
Appointment* currentAppointment(AppointmentEditing& editing);
// The name box's selection: that slot becomes current (ignored outside the table).
void selectSlot(AppointmentEditing& editing, int slot);

// The table is not empty and the current record is not protected.
bool isEditable(AppointmentEditing& editing);
EditorEnables editorEnables(AppointmentEditing& editing);

// "(neu)", "(neu 2)", "(neu 3)", ...: the first that no record is named, whatever the case.
void newAppointmentName(const AppointmentTable& table, char* out, size_t size);

// "&Neu": appends a record named as above, one-off, today at the next full hour (23 at the
// latest), and makes it current. Returns its slot, or -1 when the table holds 255 records.
int addNewAppointment(AppointmentEditing& editing, const LocalTime& now);

// "&Löschen": removes the current record (not a protected one); the one before it becomes
// current, or the new first. Returns 1 when a record went.
int deleteCurrentAppointment(AppointmentEditing& editing);

// The name box's text on leaving it: stored (at most 79 characters) unless the record is
// protected. Returns true when the name changed.
bool renameCurrent(AppointmentEditing& editing, const char* text);

// The changes of the controls; each refuses a record that is not editable and re-arms the
// record it changes (lastFiredDay, its year and snoozeLeft back to 0). They return whether the
// record changed. A list position of -1 (no selection) keeps that field as it is.
bool setKind(AppointmentEditing& editing, int kind);
// From the positions of the day, month and year lists. Unless the record is monthly, a day
// beyond the month's last is lowered to it.
bool setDate(AppointmentEditing& editing, int dayPosition, int monthPosition, int yearPosition);
bool setTime(AppointmentEditing& editing, int hourPosition, int minutePosition);
bool setAction(AppointmentEditing& editing, int action);
bool setPath(AppointmentEditing& editing, const char* text);
bool setRemark(AppointmentEditing& editing, const char* text);
// The slider: allowed on protected records too, while the picture is enabled; not re-arming.
bool setPicture(AppointmentEditing& editing, int picture);
// The "geschützt" box; nothing for an empty table.
bool setProtected(AppointmentEditing& editing, bool on);

// Whether the record puts its picture on some day of that month of the wallpaper.
bool showsPictureIn(const Appointment& record, int month, int year);

// The open-file dialog's filter for an action: pairs of NUL-terminated texts, ended by a
// second NUL. `size` gets the length including every NUL.
const char* browseFilter(int action, size_t* size);
