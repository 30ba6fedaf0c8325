#include "alarms/appointment_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace {

// Records are built byte by byte at the documented offsets, not through the struct.
struct RawRecord {
  unsigned char bytes[920] = {};
  RawRecord& u16(int offset, unsigned value) {
    bytes[offset] = static_cast<unsigned char>(value & 0xFF);
    bytes[offset + 1] = static_cast<unsigned char>(value >> 8);
    return *this;
  }
  RawRecord& text(int offset, const char* s) {
    std::memcpy(bytes + offset, s, std::strlen(s) + 1);
    return *this;
  }
  RawRecord& fill(int offset, int width, char c) {
    std::memset(bytes + offset, c, width);
    return *this;
  }
  RawRecord& kind(unsigned k) { return u16(4, k); }
  RawRecord& date(unsigned d, unsigned m, unsigned y) { return u16(6, d).u16(8, m).u16(10, y); }
  RawRecord& picture(unsigned p) { return u16(30, p); }
  RawRecord& name(const char* n) { return text(824, n); }
};

std::string tempPath(const char* leaf) {
  const char* dir = std::getenv("TMPDIR");
  std::string base = dir && *dir ? dir : "/tmp";
#ifdef _WIN32
  base = ".";
#endif
  return base + "/quendler_alarms_" + leaf;
}

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  if (!bytes.empty()) {
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
  }
  std::fclose(f);
}

void writeRecords(const std::string& path, const std::vector<RawRecord>& records,
                  size_t cutLast = 0) {
  std::vector<unsigned char> bytes;
  for (const RawRecord& r : records) bytes.insert(bytes.end(), r.bytes, r.bytes + 920);
  bytes.resize(bytes.size() - cutLast);
  writeBytes(path, bytes);
}

std::vector<unsigned char> readBytes(const std::string& path) {
  std::vector<unsigned char> out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return out;
  unsigned char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
  std::fclose(f);
  return out;
}

bool exists(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f) std::fclose(f);
  return f != nullptr;
}

class AppointmentFileTest : public ::testing::Test {
 protected:
  std::unique_ptr<AppointmentTable> table{new AppointmentTable()};
  std::string path;
  void SetUp() override {
    path = tempPath(::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::remove(path.c_str());
    std::remove((path + ".tmp").c_str());
  }
  void TearDown() override {
    std::remove(path.c_str());
    std::remove((path + ".tmp").c_str());
  }
  int load(int autoDelete = 0, int d = 15, int m = 6, int y = 2010) {
    return loadAppointmentTable(*table, path.c_str(), autoDelete, d, m, y);
  }
};

TEST_F(AppointmentFileTest, FieldsComeFromTheirOffsets) {
  RawRecord r;
  r.u16(0, 77).u16(2, 1).kind(4).date(24, 12, 2009).u16(12, 18).u16(14, 30).u16(26, 5);
  r.u16(28, 2).picture(3).text(48, "C:\\Musik\\glocke.mp3").text(568, "Geschenke!").name("Heiligabend");
  writeRecords(path, {r});
  ASSERT_EQ(load(), 1);
  ASSERT_EQ(table->count, 1);
  const Appointment& a = table->slots[0];
  EXPECT_EQ(a.lastFiredDay, 77);
  EXPECT_EQ(a.isProtected, 1);
  EXPECT_EQ(a.repeatKind, 4);
  EXPECT_EQ(a.day, 24);
  EXPECT_EQ(a.month, 12);
  EXPECT_EQ(a.year, 2009);
  EXPECT_EQ(a.hour, 18);
  EXPECT_EQ(a.minute, 30);
  EXPECT_EQ(a.snoozeLeft, 5);
  EXPECT_EQ(a.action, 2);
  EXPECT_EQ(a.picture, 3);
  EXPECT_STREQ(a.path, "C:\\Musik\\glocke.mp3");
  EXPECT_STREQ(a.remark, "Geschenke!");
  EXPECT_STREQ(a.name, "Heiligabend");
}

TEST_F(AppointmentFileTest, MissingAndEmptyFilesGiveAnEmptyTable) {
  table->count = 5;
  table->currentIndex = 3;
  EXPECT_EQ(load(), 0);
  EXPECT_EQ(table->count, 0);
  EXPECT_EQ(table->currentIndex, 0);

  writeBytes(path, {});
  EXPECT_EQ(load(), 1);
  EXPECT_EQ(table->count, 0);

  // Saving an empty table gives a file of 0 bytes.
  writeRecords(path, {RawRecord().name("x")});
  table->count = 0;
  ASSERT_EQ(saveAppointmentTable(*table, path.c_str()), 1);
  ASSERT_TRUE(exists(path));
  EXPECT_EQ(readBytes(path).size(), 0u);
}

TEST_F(AppointmentFileTest, OnlyTheFirst256RecordsAreKept) {
  std::vector<RawRecord> records(257);
  for (int i = 0; i < 257; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "T%03d", i);
    records[i].kind(1).date(1, 1, 2020).name(name);
  }
  writeRecords(path, records);
  ASSERT_EQ(load(), 1);
  EXPECT_EQ(table->count, 256);
  EXPECT_STREQ(table->slots[255].name, "T255");
  ASSERT_EQ(saveAppointmentTable(*table, path.c_str()), 1);
  EXPECT_EQ(readBytes(path).size(), 256u * 920u);
}

TEST_F(AppointmentFileTest, ShortLastRecordIsTakenWithZeros) {
  RawRecord full, partial;
  full.kind(1).name("voll");
  partial.kind(3).date(9, 0, 0).fill(11, 909, 'q');  // garbage beyond the cut
  writeRecords(path, {full, partial}, 920 - 10);        // 10 bytes of the second remain
  ASSERT_EQ(load(), 1);
  ASSERT_EQ(table->count, 2);
  const Appointment& a = table->slots[1];
  EXPECT_EQ(a.repeatKind, 3);
  EXPECT_EQ(a.day, 9);
  EXPECT_EQ(a.year, 0);  // byte 10 was 0, byte 11 never arrived
  EXPECT_EQ(a.picture, 0);
  EXPECT_STREQ(a.name, "");
  EXPECT_STREQ(a.path, "");
}

TEST_F(AppointmentFileTest, UnterminatedFieldsEndAtTheirWidth) {
  RawRecord r;
  r.fill(48, 260, 'p').fill(308, 260, 'R').fill(568, 256, 'm').fill(824, 96, 'n');
  writeRecords(path, {r, RawRecord().name("zwei")});
  ASSERT_EQ(load(), 1);
  ASSERT_EQ(table->count, 2);
  EXPECT_EQ(std::strlen(table->slots[0].path), 259u);
  EXPECT_EQ(std::strlen(table->slots[0].remark), 255u);
  EXPECT_EQ(std::strlen(table->slots[0].name), 95u);
  EXPECT_EQ(appointmentFieldLength(table->slots[0].name, 96), 95u);
  EXPECT_STREQ(table->slots[1].name, "zwei");
}

TEST_F(AppointmentFileTest, SavingSortsByNameIgnoringCaseAndKeepsEqualNamesInOrder) {
  writeRecords(path, {RawRecord().name("b").u16(12, 1), RawRecord().name("A").u16(12, 2),
                      RawRecord().name("a").u16(12, 3)});
  ASSERT_EQ(load(), 1);
  ASSERT_EQ(saveAppointmentTable(*table, path.c_str()), 1);
  std::vector<unsigned char> bytes = readBytes(path);
  ASSERT_EQ(bytes.size(), 3u * 920u);
  EXPECT_STREQ(reinterpret_cast<const char*>(&bytes[824]), "A");
  EXPECT_STREQ(reinterpret_cast<const char*>(&bytes[920 + 824]), "a");
  EXPECT_STREQ(reinterpret_cast<const char*>(&bytes[1840 + 824]), "b");
  EXPECT_EQ(bytes[12], 2);  // the records move whole
  EXPECT_EQ(bytes[920 + 12], 3);
  // The table in memory is sorted too.
  EXPECT_STREQ(table->slots[0].name, "A");
}

TEST(AppointmentNames, GermanLettersSortWithTheirBaseLetter) {
  // DIN 5007 (1): umlauts count as their base letter, ß as ss; case never counts.
  const char* ordered[] = {"Apfel", "Ärzte", "Arzttermin", "bank", "Masse", "Maße", "Zahnarzt"};
  for (size_t i = 0; i + 1 < sizeof ordered / sizeof ordered[0]; ++i)
    EXPECT_LT(compareAppointmentNames(ordered[i], ordered[i + 1]), 0)
        << ordered[i] << " / " << ordered[i + 1];
  EXPECT_EQ(compareAppointmentNames("Öl", "öl"), 0);
  EXPECT_LT(compareAppointmentNames("Ol", "Öl"), 0);
  EXPECT_LT(compareAppointmentNames("1. Termin", "A"), 0);
  EXPECT_LT(compareAppointmentNames("", "a"), 0);
}

TEST_F(AppointmentFileTest, AutoDeleteComparesTheWholeDate) {
  writeRecords(path, {
      RawRecord().kind(0).date(3, 1, 2010).name("3.1.2010"),
      RawRecord().kind(0).date(20, 12, 2009).name("20.12.2009"),
      RawRecord().kind(0).date(3, 1, 2011).name("3.1.2011"),
      RawRecord().kind(0).date(31, 12, 2010).name("31.12.2010"),
      RawRecord().kind(1).date(1, 1, 2001).name("einmalig 2001"),
      RawRecord().kind(4).date(1, 1, 1999).name("jährlich 1999"),
  });
  auto names = [&] {
    std::string all;
    for (int i = 0; i < table->count; ++i) all += std::string(table->slots[i].name) + ";";
    return all;
  };
  // Without AutoDelete everything stays.
  load(0, 4, 1, 2010);
  EXPECT_EQ(table->count, 6);
  // On 3 January 2010 the record of that day stays; 20 December 2009 is past.
  load(1, 3, 1, 2010);
  EXPECT_EQ(names(), "3.1.2010;3.1.2011;31.12.2010;einmalig 2001;jährlich 1999;");
  // On 4 January 2010: a record of January 2011 lies ahead, although its day of the year is
  // smaller.
  load(1, 4, 1, 2010);
  EXPECT_EQ(names(), "3.1.2011;31.12.2010;einmalig 2001;jährlich 1999;");
  // Across the year's turn.
  load(1, 31, 12, 2010);
  EXPECT_EQ(names(), "3.1.2011;31.12.2010;einmalig 2001;jährlich 1999;");
  load(1, 1, 1, 2011);
  EXPECT_EQ(names(), "3.1.2011;einmalig 2001;jährlich 1999;");
  // Loading never writes: the file still holds all six.
  EXPECT_EQ(readBytes(path).size(), 6u * 920u);
}

TEST_F(AppointmentFileTest, FailedSaveKeepsTheOldFile) {
  writeRecords(path, {RawRecord().name("alt")});
  std::vector<unsigned char> before = readBytes(path);
  table->count = 2;
  std::strcpy(table->slots[0].name, "neu");
  std::strcpy(table->slots[1].name, "neu2");
  // The temporary file beside the target cannot be created: a folder of that name is there.
  std::string blocker = path + ".tmp";
#ifdef _WIN32
  ASSERT_EQ(std::system(("mkdir " + blocker).c_str()), 0);
#else
  ASSERT_EQ(std::system(("mkdir '" + blocker + "'").c_str()), 0);
#endif
  EXPECT_EQ(saveAppointmentTable(*table, path.c_str()), 0);
  EXPECT_EQ(readBytes(path), before);
#ifdef _WIN32
  std::system(("rmdir " + blocker).c_str());
#else
  std::system(("rmdir '" + blocker + "'").c_str());
#endif
  // With the way clear the same save goes through and replaces the file.
  EXPECT_EQ(saveAppointmentTable(*table, path.c_str()), 1);
  EXPECT_EQ(readBytes(path).size(), 2u * 920u);
  EXPECT_FALSE(exists(path + ".tmp"));
}

TEST_F(AppointmentFileTest, SaveIntoAMissingFolderFails) {
  std::string nowhere = tempPath("no_such_folder/alarm.qtm");
  table->count = 1;
  EXPECT_EQ(saveAppointmentTable(*table, nowhere.c_str()), 0);
  EXPECT_EQ(saveAppointmentTable(*table, ""), 0);
}

// An independent weekday: days since 1970-01-01 (a Thursday).
int isoWeekday(int d, int m, int y) {
  long long days = daysFromCivil(y, m, d);
  return static_cast<int>(((days % 7) + 7 + 4) % 7);  // 0 = Sunday
}

Appointment record(unsigned kind, unsigned d, unsigned m, unsigned y, unsigned picture) {
  Appointment a{};
  a.repeatKind = static_cast<uint16_t>(kind);
  a.day = static_cast<uint16_t>(d);
  a.month = static_cast<uint16_t>(m);
  a.year = static_cast<uint16_t>(y);
  a.picture = static_cast<uint16_t>(picture);
  return a;
}

TEST(FindAppointmentPicture, MatchesByKind) {
  std::unique_ptr<AppointmentTable> t(new AppointmentTable());
  t->count = 1;
  t->slots[0] = record(4, 24, 12, 2000, 3);
  for (int y : {1999, 2009, 2024, 2099}) EXPECT_EQ(findAppointmentPicture(*t, 24, 12, y), 7);
  EXPECT_EQ(findAppointmentPicture(*t, 24, 11, 2009), 0);
  t->slots[0].picture = 0;
  EXPECT_EQ(findAppointmentPicture(*t, 24, 12, 2009), 0);

  t->slots[0] = record(1, 5, 3, 2010, 1);
  EXPECT_EQ(findAppointmentPicture(*t, 5, 3, 2010), 1);
  EXPECT_EQ(findAppointmentPicture(*t, 5, 3, 2011), 0);

  t->slots[0] = record(3, 31, 1, 2010, 2);
  EXPECT_EQ(findAppointmentPicture(*t, 31, 7, 2015), 2);
  EXPECT_EQ(findAppointmentPicture(*t, 30, 7, 2015), 0);

  t->slots[0] = record(2, 1, 1, 2010, 5);  // daily: never on the sheet
  EXPECT_EQ(findAppointmentPicture(*t, 1, 1, 2010), 0);
  t->slots[0] = record(0, 1, 1, 2010, 5);  // off
  EXPECT_EQ(findAppointmentPicture(*t, 1, 1, 2010), 0);
}

TEST(FindAppointmentPicture, WeeklyKindsMatchTheirWeekdayOnly) {
  std::unique_ptr<AppointmentTable> t(new AppointmentTable());
  t->count = 1;
  for (int kind = 5; kind <= 11; ++kind) {
    int weekday = kind == 11 ? 0 : kind - 4;
    t->slots[0] = record(kind, 0, 0, 0, 4);  // picture 4 -> resource 3
    for (int m = 1; m <= 12; ++m)
      for (int d = 1; d <= 28; ++d)
        ASSERT_EQ(findAppointmentPicture(*t, d, m, 2010), isoWeekday(d, m, 2010) == weekday ? 3 : 0)
            << "kind " << kind << " on " << d << "." << m;
  }
}

TEST(FindAppointmentPicture, EarlierRecordWinsAndLargePicturesStandForThemselves) {
  std::unique_ptr<AppointmentTable> t(new AppointmentTable());
  t->count = 3;
  t->slots[0] = record(1, 1, 2, 2010, 0);  // no picture: skipped
  t->slots[1] = record(3, 1, 0, 0, 28);
  t->slots[2] = record(1, 1, 2, 2010, 1);
  EXPECT_EQ(findAppointmentPicture(*t, 1, 2, 2010), 15);
  t->slots[1].picture = 99;
  EXPECT_EQ(findAppointmentPicture(*t, 1, 2, 2010), 99);
  t->slots[1].picture = 29;
  EXPECT_EQ(findAppointmentPicture(*t, 1, 2, 2010), 29);
  // The map itself, every entry.
  const int expected[29] = {0,  1,  2,  7,  3,  4,  5,  8,  6,  9,  20, 18, 19, 11, 16,
                            26, 14, 17, 27, 10, 22, 23, 25, 28, 21, 12, 13, 24, 15};
  for (int i = 0; i < 29; ++i) EXPECT_EQ(appointmentPictureNumber(i), expected[i]);
}

}  // namespace
