// The editor's model: naming and filling new records, deleting, the date lists, re-arming,
// protection, the enable rules, the year list and when the month's calendar must be rebuilt.
#include "alarms/appointment_editing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

LocalTime at(const char* text) {
  LocalTime t;
  EXPECT_EQ(parseLocalTime(text, t), 1) << text;
  return t;
}

Appointment record(const char* name, int kind = kRepeatOnce, int day = 5, int month = 3, int year = 2009) {
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

class EditingTest : public ::testing::Test {
 protected:
  void SetUp() override { std::memset(table_.get(), 0, sizeof(AppointmentTable)); }
  void begin(const char* now = "2009-03-10 14:20:00") { beginEditing(editing_, *table_, at(now)); }
  void add(const Appointment& a) { ASSERT_GE(addAppointment(*table_, a), 0); }
  Appointment& current() { return *currentAppointment(editing_); }
  std::string name(int slot) { return table_->slots[slot].name; }
  void fired(Appointment& a) {
    a.lastFiredDay = 69;
    a.lastFiredYear = 2009;
    a.snoozeLeft = 4;
  }
  bool armed(const Appointment& a) { return !a.lastFiredDay && !a.lastFiredYear && !a.snoozeLeft; }

  std::unique_ptr<AppointmentTable> table_ = std::make_unique<AppointmentTable>();
  AppointmentEditing editing_;
};

TEST_F(EditingTest, NewRecordsTakeTheFirstFreeNameAndTodayAtTheNextHour) {
  begin("2009-03-10 14:20:00");
  ASSERT_EQ(addNewAppointment(editing_, at("2009-03-10 14:20:00")), 0);
  ASSERT_EQ(addNewAppointment(editing_, at("2009-03-10 14:20:00")), 1);
  ASSERT_EQ(addNewAppointment(editing_, at("2009-03-10 23:59:00")), 2);
  EXPECT_EQ(name(2), "(neu 3)");
  EXPECT_EQ(table_->currentIndex, 2);

  const Appointment& a = table_->slots[1];
  EXPECT_EQ(a.repeatKind, kRepeatOnce);
  EXPECT_EQ(a.day, 10);
  EXPECT_EQ(a.month, 3);
  EXPECT_EQ(a.year, 2009);
  EXPECT_EQ(a.hour, 15);
  EXPECT_EQ(a.minute, 0);
  EXPECT_EQ(table_->slots[2].hour, 23) << "the next hour after 23:59 is 23";
  // Everything else is zero, also the bytes behind the name.
  Appointment zeros = a;
  zeros.repeatKind = zeros.day = zeros.month = zeros.year = zeros.hour = 0;
  std::memset(zeros.name, 0, 8);
  Appointment none;
  std::memset(&none, 0, sizeof none);
  EXPECT_EQ(std::memcmp(&zeros, &none, sizeof none), 0);

  // The case of a name does not count.
  std::strcpy(table_->slots[0].name, "(NEU)");
  std::strcpy(table_->slots[1].name, "(Neu 2)");
  char next[32];
  newAppointmentName(*table_, next, sizeof next);
  EXPECT_STREQ(next, "(neu 4)");
  std::strcpy(table_->slots[2].name, "Zahnarzt");
  newAppointmentName(*table_, next, sizeof next);
  EXPECT_STREQ(next, "(neu 3)");
}

TEST_F(EditingTest, NewStopsAt255Records) {
  for (int k = 0; k < kEditorNewLimit - 1; ++k) add(record("x"));
  begin();
  EXPECT_TRUE(editorEnables(editing_).newButton);
  EXPECT_EQ(addNewAppointment(editing_, at("2009-03-10 14:20:00")), kEditorNewLimit - 1);
  EXPECT_FALSE(editorEnables(editing_).newButton);
  EXPECT_EQ(addNewAppointment(editing_, at("2009-03-10 14:20:00")), -1);
  EXPECT_EQ(table_->count, kEditorNewLimit);
}

TEST_F(EditingTest, DeletingClearsTheFreedSlotAndSparesProtectedRecords) {
  add(record("A"));
  add(record("B"));
  begin();
  table_->slots[1].isProtected = 1;
  ASSERT_EQ(deleteCurrentAppointment(editing_), 1);
  EXPECT_EQ(table_->slots[1].name[0], 0) << "the freed slot still holds a record";
  EXPECT_EQ(deleteCurrentAppointment(editing_), 0);
  EXPECT_EQ(table_->count, 1);
}

TEST_F(EditingTest, AListWithoutSelectionKeepsItsField) {
  // A year before 2001 stays; it does not become the year before the list's first.
  add(record("x", kRepeatOnce, 5, 1, 1999));
  begin();
  EditorSelection s = editorSelection(current(), 2009);
  EXPECT_EQ(s.year, -1);
  ASSERT_TRUE(setDate(editing_, 30, 1, s.year));
  EXPECT_EQ(current().year, 1999);
  EXPECT_EQ(current().day, 28);
  ASSERT_TRUE(setTime(editing_, 7, -1));
  EXPECT_EQ(current().hour, 7);
  EXPECT_EQ(current().minute, 0);
}

TEST_F(EditingTest, EveryChangeButNamePictureAndProtectionReArms) {
  add(record("x"));
  begin();
  struct Change {
    const char* what;
    bool (*apply)(AppointmentEditing&);
    bool rearms;
  } changes[] = {
      {"kind", [](AppointmentEditing& e) { return setKind(e, kRepeatDaily); }, true},
      {"date", [](AppointmentEditing& e) { return setDate(e, 1, 2, 8); }, true},
      {"time", [](AppointmentEditing& e) { return setTime(e, 9, 30); }, true},
      {"action", [](AppointmentEditing& e) { return setAction(e, kActionSound); }, true},
      {"path", [](AppointmentEditing& e) { return setPath(e, "C:\\a.mp3"); }, true},
      {"remark", [](AppointmentEditing& e) { return setRemark(e, "Brot"); }, true},
      {"name", [](AppointmentEditing& e) { return renameCurrent(e, "y"); }, false},
      {"protection", [](AppointmentEditing& e) { return setProtected(e, false); }, false},
      {"kind again", [](AppointmentEditing& e) { return setKind(e, kRepeatOnce); }, true},
      {"picture", [](AppointmentEditing& e) { return setPicture(e, 4); }, false},
  };
  for (const Change& c : changes) {
    fired(current());
    ASSERT_TRUE(c.apply(editing_)) << c.what;
    EXPECT_EQ(armed(current()), c.rearms) << c.what;
  }
  EXPECT_STREQ(current().path, "C:\\a.mp3");
  EXPECT_STREQ(current().remark, "Brot");
  EXPECT_EQ(current().hour, 9);
  EXPECT_EQ(current().minute, 30);

  // Texts are cut at the field's limit and always ended.
  std::string longText(400, 'r');
  setRemark(editing_, longText.c_str());
  EXPECT_EQ(std::strlen(current().remark), kEditorRemarkLimit);
  setPath(editing_, longText.c_str());
  EXPECT_EQ(std::strlen(current().path), kEditorPathLimit);
  renameCurrent(editing_, longText.c_str());
  EXPECT_EQ(std::strlen(current().name), kEditorNameLimit);
  EXPECT_FALSE(renameCurrent(editing_, longText.c_str())) << "the same name cut alike is no change";
}

TEST_F(EditingTest, AProtectedRecordRefusesEveryChangeButPictureAndProtection) {
  Appointment a = record("Geburtstag", kRepeatYearly, 24, 12, 2009);
  a.isProtected = 1;
  add(a);
  begin();
  EXPECT_FALSE(renameCurrent(editing_, "anders") || setKind(editing_, kRepeatDaily) || setDate(editing_, 0, 0, 0) ||
               setTime(editing_, 1, 1) || setAction(editing_, kActionNothing) || setPath(editing_, "x") ||
               setRemark(editing_, "x"));
  EXPECT_EQ(std::memcmp(&a, &current(), sizeof a), 0);
  EXPECT_TRUE(setPicture(editing_, 3));
  EXPECT_TRUE(setProtected(editing_, false));
  EXPECT_TRUE(renameCurrent(editing_, "anders"));
}

TEST_F(EditingTest, EnableRulesFollowKindAndAction) {
  begin();
  EXPECT_FALSE(setProtected(editing_, true)) << "no record to protect";
  add(record("x"));
  begin();
  struct Row {
    int kind, action;
    bool day, month, year, time, picture, path, test;
  } rows[] = {
      {kRepeatOff, kActionProgram, false, false, false, false, false, true, true},
      {kRepeatOnce, kActionNotice, true, true, true, true, true, false, true},
      {kRepeatDaily, kActionSound, false, false, false, true, false, true, true},
      {kRepeatMonthly, kActionNothing, true, false, false, true, true, false, false},
      {kRepeatYearly, kActionNotice, true, true, false, true, true, false, true},
      {kRepeatSunday, kActionNotice, false, false, false, true, true, false, true},
  };
  for (const Row& r : rows) {
    current().repeatKind = static_cast<uint16_t>(r.kind);
    current().action = static_cast<uint16_t>(r.action);
    EditorEnables e = editorEnables(editing_);
    EXPECT_EQ(e.day, r.day) << r.kind;
    EXPECT_EQ(e.month, r.month) << r.kind;
    EXPECT_EQ(e.year, r.year) << r.kind;
    EXPECT_EQ(e.hour && e.minute && e.action && e.remark, r.time) << r.kind;
    EXPECT_EQ(e.hour || e.minute || e.action || e.remark, r.time) << r.kind;
    EXPECT_EQ(e.picture, r.picture) << r.kind;
    EXPECT_EQ(e.path, r.path) << r.kind;
    EXPECT_EQ(e.test, r.test) << r.kind;
    EXPECT_TRUE(e.nameBox && e.kind && e.deleteButton) << r.kind;
  }
}

TEST_F(EditingTest, TheYearListReachesTenYearsAhead) {
  EXPECT_EQ(editorLastYear(2020), 2030);
  EXPECT_EQ(editorLastYear(2026), 2036);
  Appointment a = record("x", kRepeatOnce, 1, 1, 2030);
  EXPECT_EQ(editorSelection(a, 2009).year, 29);
  a.year = 2031;
  EXPECT_EQ(editorSelection(a, 2009).year, -1);
  EXPECT_EQ(editorSelection(a, 2026).year, 30);
  a.year = 2000;
  EXPECT_EQ(editorSelection(a, 2026).year, -1);
  // A new record of a year beyond 2030 still finds its year in the list, and a year chosen
  // there is taken.
  add(record("x"));
  begin("2031-06-15 09:00:00");
  addNewAppointment(editing_, at("2031-06-15 09:00:00"));
  EXPECT_EQ(editorSelection(current(), 2031).year, 30);
  ASSERT_TRUE(setDate(editing_, 0, 0, 2040 - kEditorFirstYear));
  EXPECT_EQ(current().year, 2040);
  a.day = 0;
  a.hour = 24;
  a.action = 4;
  EditorSelection s = editorSelection(a, 2009);
  EXPECT_EQ(s.day, -1);
  EXPECT_EQ(s.hour, -1);
  EXPECT_EQ(s.action, -1);
}

TEST_F(EditingTest, TheCurrentRecordFollowsItsIdThroughASort) {
  add(record("b"));
  add(record("a"));
  begin();
  ASSERT_EQ(current().name, std::string("b"));
  sortAppointments(*table_);
  EXPECT_EQ(currentSlot(editing_), 1);
  EXPECT_EQ(table_->currentIndex, 1);
  EXPECT_EQ(current().name, std::string("b"));
  // Gone altogether (a reload gives new ids): the index stays, within the table.
  removeAppointment(*table_, 1);
  EXPECT_EQ(currentSlot(editing_), 0);
}

TEST_F(EditingTest, ChangesTouchingThisMonthsPicturesAskForARebuild) {
  add(record("einmal", kRepeatOnce, 12, 3, 2009));
  add(record("montags", kRepeatMonday, 1, 7, 2004));
  add(record("april", kRepeatOnce, 12, 4, 2009));
  table_->slots[0].picture = 2;
  table_->slots[1].picture = 3;
  begin("2009-03-10 14:20:00");

  EXPECT_TRUE(setTime(editing_, 9, 0));
  EXPECT_FALSE(editing_.calendarAffected) << "the time shows nowhere on the sheet";
  EXPECT_TRUE(setDate(editing_, 3, 2, 8));  // 4 March: still this month
  EXPECT_TRUE(editing_.calendarAffected);

  // Moved out of this month: its picture leaves this month's sheet.
  editing_.calendarAffected = false;
  EXPECT_TRUE(setDate(editing_, 3, 4, 8));
  EXPECT_TRUE(editing_.calendarAffected);

  // A Monday picture of a record dated in another year is on every Monday of this month.
  selectSlot(editing_, 1);
  editing_.calendarAffected = false;
  EXPECT_TRUE(setPicture(editing_, 4));
  EXPECT_TRUE(editing_.calendarAffected);

  // Nothing of April's record shows in March, picture or not.
  selectSlot(editing_, 2);
  editing_.calendarAffected = false;
  EXPECT_TRUE(setPicture(editing_, 1));
  EXPECT_TRUE(setKind(editing_, kRepeatYearly));
  EXPECT_TRUE(deleteCurrentAppointment(editing_));
  EXPECT_FALSE(editing_.calendarAffected);
  // Deleting this month's Monday pictures does.
  selectSlot(editing_, 1);
  EXPECT_TRUE(deleteCurrentAppointment(editing_));
  EXPECT_TRUE(editing_.calendarAffected);
}

TEST(BrowseFilterTest, OffersTheActionsFileKinds) {
  size_t size = 0;
  const char* programs = browseFilter(kActionProgram, &size);
  static const char kPrograms[] =
      "Programme (*.exe;*.com;*.bat)\0*.exe;*.com;*.bat;*.lnk\0"
      "Text-Dateien (*.doc;*.txt;*.rtf)\0*.doc;*.txt;*.rtf\0"
      "Alle Dateien (*.*)\0*.*\0";
  static const char kSounds[] = "Sound-Dateien (*.mp3)\0*.mp3;*.wav\0Alle Dateien (*.*)\0*.*\0";
  EXPECT_EQ(std::string(programs, size), std::string(kPrograms, sizeof kPrograms));
  EXPECT_EQ(std::string(programs + size - 2, 2), std::string("\0\0", 2)) << "not ended twice";
  const char* sounds = browseFilter(kActionSound, &size);
  EXPECT_EQ(std::string(sounds, size), std::string(kSounds, sizeof kSounds));
  EXPECT_EQ(browseFilter(kActionNotice, nullptr), sounds);
}

}  // namespace
