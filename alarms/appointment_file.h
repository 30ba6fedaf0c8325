// The appointment file: bare 920-byte records, held at run time in one table of 256 slots.
#pragma once

#include <cstddef>
#include <cstdint>

// One appointment, byte for byte as it lies in the file (little-endian, no header around it).
struct Appointment {
  uint16_t lastFiredDay;  // day of the year of the last alarm; 0 = armed
  uint16_t isProtected;
  uint16_t repeatKind;    // 0..11, see kRepeatKindTexts
  uint16_t day;
  uint16_t month;
  uint16_t year;
  uint16_t hour;
  uint16_t minute;
  // Year of lastFiredDay, in the first two bytes of a block older copies never read: a day
  // alone would keep a yearly alarm from firing again on its day in a later year.
  uint16_t lastFiredYear;
  uint8_t reserved18[8];
  uint16_t snoozeLeft;    // minutes until a snoozed alarm fires again
  uint16_t action;        // 0..3, see kActionTexts
  uint16_t picture;       // 0..28 through alarmPictureMap; larger values are resource numbers
  uint8_t reserved32[16];
  char path[260];
  uint8_t reserved308[260];
  char remark[256];
  char name[96];
};

static_assert(sizeof(Appointment) == 920, "an appointment record is 920 bytes");
static_assert(offsetof(Appointment, lastFiredDay) == 0, "");
static_assert(offsetof(Appointment, isProtected) == 2, "");
static_assert(offsetof(Appointment, repeatKind) == 4, "");
static_assert(offsetof(Appointment, day) == 6, "");
static_assert(offsetof(Appointment, month) == 8, "");
static_assert(offsetof(Appointment, year) == 10, "");
static_assert(offsetof(Appointment, hour) == 12, "");
static_assert(offsetof(Appointment, minute) == 14, "");
static_assert(offsetof(Appointment, lastFiredYear) == 16, "");
static_assert(offsetof(Appointment, snoozeLeft) == 26, "");
static_assert(offsetof(Appointment, action) == 28, "");
static_assert(offsetof(Appointment, picture) == 30, "");
static_assert(offsetof(Appointment, path) == 48, "");
static_assert(offsetof(Appointment, remark) == 568, "");
static_assert(offsetof(Appointment, name) == 824, "");

constexpr int kAppointmentSlots = 256;
constexpr size_t kAppointmentRecordSize = sizeof(Appointment);

enum RepeatKind : uint16_t {
  kRepeatOff = 0,
  kRepeatOnce = 1,
  kRepeatDaily = 2,
  kRepeatMonthly = 3,
  kRepeatYearly = 4,
  kRepeatMonday = 5,  // .. kRepeatSaturday = 10
  kRepeatSunday = 11,
};

enum AppointmentAction : uint16_t {
  kActionNothing = 0,
  kActionNotice = 1,
  kActionSound = 2,
  kActionProgram = 3,
};

// The editor's texts for repeatKind 0..11 and action 0..3.
extern const char* const kRepeatKindTexts[12];
extern const char* const kActionTexts[4];

// picture value 0..28 -> number of the picture resources.
extern const int alarmPictureMap[29];

// The resource number of a picture value: mapped for 0..28, used as it stands above.
int appointmentPictureNumber(unsigned picture);

// The table of appointments: slots 0..count-1 are in use, in the file's order.
// Beside each slot the table keeps an id that goes with the record when saving re-sorts the
// table, so that a check, an alarm window or the editor that holds an id keeps its record.
// Ids are never given twice in a run (0 = none yet), also not across loads.
struct AppointmentTable {
  Appointment slots[kAppointmentSlots];
  int count;
  int currentIndex;  // the editor's current record; 0 after every load
  uint32_t ids[kAppointmentSlots];
  uint32_t lastId;
};

// The id of the record in a slot (one is given now if it had none); 0 for a slot not in use.
uint32_t appointmentIdAt(AppointmentTable& table, int slot);

// The slot that holds the record with that id, or -1 when it is no longer in the table.
int findAppointmentSlot(const AppointmentTable& table, uint32_t id);

// Appends a record with a new id; returns its slot, or -1 when the table is full.
int addAppointment(AppointmentTable& table, const Appointment& record);

// Removes a slot; the records behind it move up with their ids.
void removeAppointment(AppointmentTable& table, int slot);

// The program's table, for the whole run.
extern AppointmentTable AppointmentFile;

// Fills the table from the file as of the given date. With autoDelete, records that are off
// (kind 0) and dated before that day are dropped. A record that fired (lastFiredDay set) but
// carries no lastFiredYear, as older copies write it, gets this year when that day is not
// after the given date, else the year before. A missing or unreadable file leaves the table
// empty. Returns 1 when the file was opened, else 0 (nothing is reported to the user).
int loadAppointmentTable(AppointmentTable& table, const char* path, int autoDelete, int day,
                         int month, int year);

// Sorts the table and writes it. The file is replaced only once every record is written and
// flushed; on any failure the old file stays as it was and the result is 0.
int saveAppointmentTable(AppointmentTable& table, const char* path);

// The stable case-insensitive sort by name that saving does.
void sortAppointments(AppointmentTable& table);

// The comparison used by the sort: <0, 0, >0, without regard to case.
int compareAppointmentNames(const char* a, const char* b);

// Picture resource number of the first appointment shown on that date, or 0.
int findAppointmentPicture(const AppointmentTable& table, int day, int month, int year);

// The same lookups on the program's table, with today's date from the clock for loading.
int loadAppointments(const char* path, int autoDelete);
int saveAppointments(const char* path);
int findAppointmentPicture(int day, int month, int year);

// Length of a text field, never beyond its width.
size_t appointmentFieldLength(const char* field, size_t width);
