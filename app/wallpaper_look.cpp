#include "app/wallpaper_look.h"

WallpaperLook lookFromSettings(const Settings& settings) {
  WallpaperLook look;
  look.background = settings.HG;
  look.left = settings.left;
  look.top = settings.top;
  look.right = settings.right;
  look.weekNumbers = settings.Kalenderwoche;
  look.weekdayHeader = settings.Wochentage;
  look.region = settings.Feiertage;
  look.sheetFont = settings.SheetFont;
  look.headerFont = settings.HeaderFont;
  return look;
}
