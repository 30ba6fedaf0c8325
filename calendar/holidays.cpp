#include "calendar/holidays.h"

#include <cstring>

#include "calendar/date_arith.h"

const char holidayRegionTexts[kHolidayRegionCount][kHolidayRegionTextSize] = {
    "(keine)",
    "Deutschland (Baden-Württemberg)",
    "Deutschland (Bayern)",
    "Deutschland (Berlin)",
    "Deutschland (Brandenburg)",
    "Deutschland (Bremen)",
    "Deutschland (Hamburg)",
    "Deutschland (Hessen)",
    "Deutschland (Mecklenburg-Vorpommern)",
    "Deutschland (Niedersachsen)",
    "Deutschland (Nordrhein-Westfalen)",
    "Deutschland (Rheinland-Pfalz)",
    "Deutschland (Saarland)",
    "Deutschland (Sachsen)",
    "Deutschland (Sachsen-Anhalt)",
    "Deutschland (Schleswig-Holstein)",
    "Deutschland (Thüringen)",
    "Österreich",
    "Schweiz",
};

namespace {

using Regions = unsigned;

constexpr Regions in(int r) { return 1u << r; }
template <typename... More>
constexpr Regions in(int r, More... more) { return (1u << r) | in(more...); }

constexpr Regions kNone = 0;
constexpr Regions kAll = (1u << kHolidayRegionCount) - 1;
constexpr Regions kGerman = (1u << 17) - 1;  // 0..16: no region takes the German names
constexpr Regions kStates = kGerman & ~1u;   // 1..16
constexpr int kAlways = 0;
constexpr int kForever = 0x7FFFFFFF;

enum class Day { Fixed, FirstSunday, SecondSunday, LastSunday };

// One row of the fixed-date table. Rows without a name only add free days; a row holds in
// the years first..last, so that a change in the law is a new row and the years before it
// keep the old rows.
struct FixedRow {
  int month;
  Day rule;
  int day;
  const char* name;
  Regions named;
  Regions free;
  int first = kAlways;
  int last = kForever;
};

// Within a month the rows are in the order in which names are joined.
const FixedRow kFixedRows[] = {
    {1, Day::Fixed, 1, "Neujahr", kAll, kAll},
    {1, Day::Fixed, 6, "Dreikönigstag", kAll, in(1, 2, 14, 17, 18)},
    {2, Day::Fixed, 2, "Mariä Lichtmeß", kAll, kNone},
    {2, Day::Fixed, 14, "Valentinstag", kAll, kNone},
    // A free day in Berlin since 2019 and in Mecklenburg-Vorpommern since 2023, named only
    // where it is free.
    {3, Day::Fixed, 8, "Internationaler Frauentag", in(3), in(3), 2019},
    {3, Day::Fixed, 8, "Internationaler Frauentag", in(8), in(8), 2023},
    {3, Day::Fixed, 19, "St. Joseph", kAll, kNone},
    {3, Day::Fixed, 20, "Frühlingsanfang", kAll, kNone},
    {3, Day::Fixed, 25, "Mariä Verkündung", kAll, kNone},
    {3, Day::LastSunday, 0, "Beginn der Sommerzeit", kAll, kNone},
    {5, Day::Fixed, 1, "Staatsfeiertag", in(17), kAll & ~in(18)},
    {5, Day::Fixed, 1, "Maifeiertag", kGerman, kNone},
    {5, Day::Fixed, 5, "Europatag", kAll, kNone},
    // Berlin's one-off free days for the 75th and 80th anniversary of the end of the war.
    {5, Day::Fixed, 8, "Tag der Befreiung", in(3), in(3), 2020, 2020},
    {5, Day::Fixed, 8, "Tag der Befreiung", in(3), in(3), 2025, 2025},
    {5, Day::SecondSunday, 0, "Muttertag", kAll, kNone},
    {6, Day::Fixed, 21, "Sommeranfang", kAll, kNone},
    {6, Day::Fixed, 24, "Johannistag", kAll, kNone},
    {6, Day::Fixed, 29, "Peter und Paul", kAll, kNone},
    {8, Day::Fixed, 1, "Bundesfeiertag", in(18), in(18)},
    {8, Day::Fixed, 15, "Mariä Himmelfahrt", kAll, in(2, 12, 17, 18)},
    {9, Day::Fixed, 8, "Mariä Geburt", kAll, kNone},
    {9, Day::Fixed, 20, "Weltkindertag", in(16), in(16), 2019},  // Thüringen since 2019
    {9, Day::Fixed, 23, "Herbstanfang", kAll, kNone},
    {10, Day::Fixed, 3, "Tag der deutschen Einheit", kGerman, kStates},
    // Austria's national day: 8 October until 1966, a free day on 26 October since 1967.
    // The moved row stays where the old one stood; that is also its date order among the
    // fixed October rows, so when 26 October is the last Sunday "Nationalfeiertag" comes
    // before "Ende der Sommerzeit".
    {10, Day::Fixed, 8, "Nationalfeiertag", in(17), kNone, kAlways, 1966},
    {10, Day::Fixed, 26, "Nationalfeiertag", in(17), in(17), 1967},
    {10, Day::Fixed, 31, "Reformationstag", kAll, in(4, 8, 13, 14, 16)},
    {10, Day::Fixed, 31, nullptr, kNone, kStates, 2017, 2017},  // 500th anniversary
    {10, Day::Fixed, 31, nullptr, kNone, in(5, 6, 9, 15), 2018},
    {10, Day::LastSunday, 0, "Ende der Sommerzeit", kAll, kNone},
    {10, Day::FirstSunday, 0, "Erntedankfest", kAll, kNone},
    {11, Day::Fixed, 1, "Allerheiligen", kAll, in(1, 2, 10, 11, 12, 17, 18)},
    {11, Day::Fixed, 2, "Allerseelen", kAll, kNone},
    {11, Day::Fixed, 11, "Martinstag", kAll, kNone},
    {12, Day::Fixed, 6, "Nikolaus", kAll, kNone},
    {12, Day::Fixed, 8, "Mariä Empfängnis", kAll, in(17)},
    {12, Day::Fixed, 21, "Winteranfang", kAll, kNone},
    {12, Day::Fixed, 24, "Heiligabend", kAll, kNone},
    {12, Day::Fixed, 25, "1. Weihnachtstag", kGerman, kAll},
    {12, Day::Fixed, 25, "Christtag", in(17), kNone},
    {12, Day::Fixed, 25, "Weihnachten", in(18), kNone},
    {12, Day::Fixed, 26, "2. Weihnachtstag", kGerman, kAll},
    {12, Day::Fixed, 26, "Stephanitag", in(17), kNone},
    {12, Day::Fixed, 26, "Stephanstag", in(18), kNone},
    {12, Day::Fixed, 31, "Silvester", kAll, kNone},
};

// A movable day: an offset in days from a reference day of the same year.
struct MovableRow {
  int offset;
  const char* name;
  Regions named;
  Regions free;
};

const MovableRow kEasterRows[] = {
    {-48, "Rosenmontag", kAll, kNone},
    {-47, "Fastnacht", kAll, kNone},
    {-46, "Aschermittwoch", kAll, kNone},
    {-14, "Judika", kAll, kNone},
    {-7, "Palmsonntag", kAll, kNone},
    {-3, "Gründonnerstag", kAll, kNone},
    {-2, "Karfreitag", kAll, kAll},
    {-1, nullptr, kNone, kAll},
    {0, "Ostersonntag", kAll, kAll},
    {1, "Ostermontag", kAll, kAll},
    {7, "Weißer Sonntag", kAll, kNone},
    {39, "Christi Himmelfahrt", kAll & ~in(18), kAll},
    {39, "Auffahrt", in(18), kNone},
    {49, "Pfingstsonntag", kAll, kAll},
    {50, "Pfingstmontag", kAll, kAll},
    {56, "Dreieinigkeitsfest", kAll, kNone},
    {60, "Fronleichnam", kAll, in(1, 2, 7, 10, 11, 12, 17, 18)},
};
constexpr int kEasterFirst = -48;
constexpr int kEasterLast = 60;

const MovableRow kAdventRows[] = {
    {0, "4. Advent", kAll, kNone},
    {-7, "3. Advent", kAll, kNone},
    {-14, "2. Advent", kAll, kNone},
    {-21, "1. Advent", kAll, kNone},
    {-28, "Totensonntag", kAll, kNone},
    {-32, "Buß- und Bettag", kAll, in(13)},
    {-35, "Volkstrauertag", kAll, kNone},
};
constexpr int kAdventFirst = -35;

Regions regionBit(int region) {
  return region >= 0 && region < kHolidayRegionCount ? in(region) : in(0);
}

bool fixedRowMatches(const FixedRow& row, int day, int month, int year) {
  if (row.month != month || year < row.first || year > row.last) return false;
  switch (row.rule) {
    case Day::Fixed:
      return row.day == day;
    case Day::FirstSunday:
      return day >= 1 && day <= 7 && DayOfWeek(day, month, year) == 0;
    case Day::SecondSunday:
      return day >= 8 && day <= 14 && DayOfWeek(day, month, year) == 0;
    case Day::LastSunday:
      return day == 31 - DayOfWeek(31, month, year) % 7;
  }
  return false;
}

int easterDay(int year) {
  int m, d;
  return EasterSunday(year, &m, &d);
}

}  // namespace

int FourthAdvent(int year) {
  int w = DayOfWeek(25, 12, year);
  return DayOfYear(25, 12, year) - (w == 0 ? 7 : w);
}

int IsPublicHoliday(int day, int month, int year, int region) {
  Regions r = regionBit(region);
  // The rows' years are read as EasterSunday reads them.
  int y = fullYear(year);
  for (const FixedRow& row : kFixedRows) {
    if ((row.free & r) && fixedRowMatches(row, day, month, y)) return 1;
  }
  int d = DayOfYear(day, month, year);
  int e = easterDay(year);
  for (const MovableRow& row : kEasterRows) {
    if ((row.free & r) && d == e + row.offset) return 1;
  }
  int a = FourthAdvent(year);
  for (const MovableRow& row : kAdventRows) {
    if ((row.free & r) && d == a + row.offset) return 1;
  }
  return 0;
}

int GetHolidayNames(int day, int month, int year, int region, char* buffer, int bufferSize) {
  if (!buffer || bufferSize < 0) bufferSize = 0;
  if (bufferSize > 0) std::memset(buffer, 0, static_cast<size_t>(bufferSize));

  // Every name of the tables once would still fit.
  char text[1024];
  int length = 0;
  auto append = [&](const char* name) {
    size_t n = std::strlen(name);
    if (length + n + 2 >= sizeof text) return;
    std::memcpy(text + length, name, n);
    length += static_cast<int>(n);
    text[length++] = ' ';
    text[length++] = '\n';
  };

  Regions r = regionBit(region);
  int y = fullYear(year);
  for (const FixedRow& row : kFixedRows) {
    if (row.name && (row.named & r) && fixedRowMatches(row, day, month, y)) append(row.name);
  }
  int d = DayOfYear(day, month, year);
  int e = easterDay(year);
  if (d >= e + kEasterFirst && d <= e + kEasterLast) {
    for (const MovableRow& row : kEasterRows) {
      if (row.name && (row.named & r) && d == e + row.offset) append(row.name);
    }
  }
  int a = FourthAdvent(year);
  if (d >= a + kAdventFirst && d <= a) {
    for (const MovableRow& row : kAdventRows) {
      if (row.name && (row.named & r) && d == a + row.offset) append(row.name);
    }
  }
  if (length == 0) return 0;

  int result = length;
  text[--length] = '\0';  // the final line feed goes
  if (bufferSize > 0) {
    int n = length < bufferSize - 1 ? length : bufferSize - 1;
    std::memcpy(buffer, text, static_cast<size_t>(n));
  }
  return result;
}
