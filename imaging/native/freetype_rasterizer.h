// What the native glyph rasterizer makes of a LOGFONTA, for the tool and the tests.
#pragma once

#include <string>

#include "platform/win_compat.h"

struct NativeFontInfo {
  std::string family;  // the installed face that draws the font, e.g. "DejaVu Sans"
  std::string style;   // its style name, e.g. "Bold"
  std::string file;
  bool syntheticBold = false;
  bool syntheticItalic = false;
  int pixelsPerEm = 0;
  int ascent = 0;   // as GDI's tmAscent
  int descent = 0;  // as GDI's tmDescent
};

// False when no face could be found or sized (the text operations then fail with error 18).
bool describeNativeFont(const LOGFONTA& font, NativeFontInfo& info);
