// The resources the program looks up, written out from the names the loaders use (not from
// the generator's catalogue), with the format each one must have.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

enum class Form {
  CellTile,      // PSD 296 x 256 on the key colour 0x946D4A, day number's corner free
  MonthTile,     // the same; 292 x 256 is allowed too
  AlarmPicture,  // PSD 296 x 256, shown whole in the alarm window and the editor
  Preview,       // PSD 578 x 416 on the key colour 0x826946
  Background,    // 24-bit bitmap, 16 x 11 .. 200 x 140
  Bitmap24,      // 24-bit bitmap of any size (the title picture)
  Busy,          // 24-bit bitmap 272 x 166
  DayMask,       // 1-bit bitmap 32 x 32
  DayPage,       // complete 8-bit BMP file 32 x 32, 256 palette entries, pixels at 1078
  Icon,          // icon of 16, 32 and 48 pixels
  Icon96,        // icon of 16, 32, 48 and 96 pixels
};

struct ExpectedResource {
  std::string type;
  std::string name;
  Form form;
};

inline std::string formatted(const char* format, int n) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, format, n);
  return buffer;
}

inline std::vector<ExpectedResource> expectedResources() {
  std::vector<ExpectedResource> out;
  auto add = [&](const char* type, const std::string& name, Form form) { out.push_back({type, name, form}); };
  for (int n = 0; n <= 92; ++n) add("RASTER", formatted("E%03d", n), Form::CellTile);
  add("RASTER", "ER", Form::CellTile);
  add("RASTER", "EU", Form::CellTile);
  for (const char* position : {"A", "E", "R", "U"})
    for (int m = 1; m <= 12; ++m)
      add("RASTER", formatted("MON%02d", m) + position, Form::MonthTile);
  for (const char* name : {"MON03E_OS", "MON03U_OS", "MON04A_OS", "MON04E_OS", "MON04R_OS", "MON04U_OS"})
    add("RASTER", name, Form::MonthTile);
  for (const char* name : {"NEUJAHR_01", "NEUJAHR_02", "NEUJAHR_01R", "NEUJAHR_02R", "OSTERN_01R",
                           "OSTERN_02R", "OSTERN_01E", "OSTERN_02E", "ROSENMONTAG", "ROSENMONTAG_U",
                           "SBEG_R", "SBEG_E", "SEND_R", "SEND_E", "HEILIGABEND", "HEILIGABEND_R"})
    add("RASTER", name, Form::CellTile);
  for (const char* format : {"ALARM_X%02d", "ALARM_R%02d", "ALARM_U%02d", "ALARM_E%02d"})
    for (int n = 1; n <= 28; ++n) add("ALARM", formatted(format, n), Form::CellTile);
  for (int n = 0; n <= 28; ++n) add("ALARM", formatted("ALARM_P%02d", n), Form::AlarmPicture);
  add("ALARM", "ALARM_P99", Form::AlarmPicture);
  add("PREV", "PREV", Form::Preview);
  for (int n = 0; n <= 19; ++n) add("BITMAP", formatted("HG%03d", n), Form::Background);
  add("BITMAP", "TITEL", Form::Bitmap24);
  add("BITMAP", "ARBEITE", Form::Busy);
  add("BITMAP", "ICON_MSK", Form::DayMask);
  add("BITMAPI", "ICON_KAL", Form::DayPage);
  add("ICON", "APP_ICON", Form::Icon);
  for (int n = 0; n <= 7; ++n) add("ICON", formatted("MOND%d", n), Form::Icon);
  for (const char* name : {"CONFIG", "HOT-K", "ZETTEL", "UHR", "NOTE_NEW", "NOTE_DEL", "NOTE_DEL_OFF",
                           "NOTE_BACK", "NOTE_BACK_OFF", "NOTE_FORW", "NOTE_FORW_OFF", "NOTE_HELP",
                           "NOTE_EXIT", "NOTE_EDIT"})
    add("ICON", name, Form::Icon);
  add("ICON", "WECKER96", Form::Icon96);
  return out;
}

inline bool isPsd(Form f) {
  return f == Form::CellTile || f == Form::MonthTile || f == Form::AlarmPicture || f == Form::Preview;
}
