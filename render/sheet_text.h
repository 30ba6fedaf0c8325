// The text of the sheet: weekday headers above row 1, week numbers at the left and the day
// numbers with their shadow, drawn through a TextPainter (the smooth-text operations on the
// canvas in the program; a recording painter in the tests).
#pragma once

#include "platform/win_compat.h"
#include "render/sheet_layout.h"

class TextPainter {
 public:
  virtual ~TextPainter() = default;
  // Extent of the text as laid out in `rect` (left- and top-aligned). 0 on failure, w = h = 0.
  virtual int measure(const char* text, const LOGFONTA& font, const RECT& rect, int& w,
                      int& h) = 0;
  // Opacity of the following drawing, 0.0 .. 1.0.
  virtual void setOpacity(double opacity) = 0;
  virtual void draw(const char* text, const LOGFONTA& font, const RECT& rect,
                    COLORREF colour) = 0;
};

// Weekday header texts for columns 1..7 (Monday .. Sunday).
extern const char* const kWeekdayHeaderTexts[7];

// Colours of the sheet's texts (COLORREF).
constexpr COLORREF kHeaderColour = 0x404040;
constexpr COLORREF kWeekNumberColour = 0xC0C0C0;
constexpr COLORREF kDayColour = 0xF5F5F5;
constexpr COLORREF kFreeDayColour = 0x1010FA;
constexpr COLORREF kTodayColour = 0x20FAFA;
constexpr COLORREF kFreeTodayColour = 0x0DEF0D;
constexpr COLORREF kShadowColour = 0;

// Text and colour of a day number ("%d  ", today "%d*  ").
COLORREF dayNumberStyle(int day, int isFree, int isToday, char* text, size_t size);

// Saturday, Sunday, or (with a region) a public holiday there.
int isFreeDay(int weekday, int day, int month, int year, int region);

// One step of font height toward zero; never below `smallest` pixels. 0 when it cannot shrink.
int shrinkFontHeight(LONG& height, LONG smallest = 1);

// The day font shrinks no further than the smallest height the settings accept, so the
// shrunken height that is saved still loads back.
constexpr LONG kSmallestDayFontHeight = 7;

struct SheetText {
  explicit SheetText(TextPainter& p) : painter(p) {}
  TextPainter& painter;
  LOGFONTA sheetFont{};   // day numbers; a shrunken height is handed back to the settings
  LOGFONTA headerFont{};  // headers and week numbers; sized per composition
  int sheetFontChanged = 0;

  void DrawWeekdayHeader(int index, int x, int y, int cw);
  void DrawWeekNumber(int day, int month, int year, int x, int y);
  void DrawDayNumber(int day, int isFree, int isToday, int x, int y, int cw);
};

struct SheetTextOptions {
  int weekdays;     // "Wochentage"
  int weekNumbers;  // "Kalenderwoche"
  int region;       // "Feiertage"
};

// The text pass over the 42 cells.
void drawSheetText(SheetText& text, const SheetLayout& layout, const SheetTextOptions& options,
                   int today, int month, int year);
