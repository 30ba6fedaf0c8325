// The native glyph rasterizer: fontconfig picks the face for a LOGFONTA, FreeType draws it in
// monochrome, and the layout follows DrawTextEx for the formats the program uses (left/top,
// and DT_CENTER | DT_VCENTER | DT_SINGLELINE), with GDI's metrics: lfHeight < 0 is the em
// height, lfHeight > 0 the cell height (ascent + descent), a line is as high as ascent +
// descent and as wide as the sum of the hinted advance widths.
#include "imaging/native/freetype_rasterizer.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "imaging/frame.h"
#include "imaging/glyph_rasterizer.h"

namespace {

constexpr int kDefaultCellHeight = 16;  // what GDI gives for lfHeight 0
constexpr int kMaxPixelsPerEm = 16000;  // well inside what FreeType sizes

struct FaceChoice {
  bool found = false;
  std::string file;
  int index = 0;
  std::string family;
  std::string style;
  bool syntheticBold = false;
  bool syntheticItalic = false;
};

struct SizedFace {
  FT_Face face = nullptr;
  bool syntheticBold = false;
  bool syntheticItalic = false;
  int pixelsPerEm = 0;
  int ascent = 0;
  int descent = 0;
};

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool isOneOf(const std::string& name, std::initializer_list<const char*> names) {
  for (const char* candidate : names)
    if (name == candidate) return true;
  return false;
}

// Where the wanted face is not installed, the nearest generic family stands in for it.
const char* genericFamily(const std::string& face, BYTE pitchAndFamily) {
  const std::string name = lowerCase(face);
  if (isOneOf(name, {"courier new", "courier", "lucida console", "consolas", "fixedsys", "terminal",
                     "lucida sans typewriter"}) ||
      (pitchAndFamily & 0x03) == 1 /* FIXED_PITCH */ || (pitchAndFamily & 0xF0) == 0x30 /* FF_MODERN */)
    return "monospace";
  if (isOneOf(name, {"times new roman", "times", "georgia", "garamond", "book antiqua",
                     "palatino linotype", "cambria", "century schoolbook"}) ||
      (pitchAndFamily & 0xF0) == 0x10 /* FF_ROMAN */)
    return "serif";
  return "sans-serif";
}

class FreeTypeRasterizer : public GlyphRasterizer {
 public:
  int measure(const TextRun& text, const LOGFONTA& font, RECT& rect, UINT format) override;
  int render(const TextRun& text, const LOGFONTA& font, const RECT& rect, UINT format,
             MonoMask& mask) override;
  bool describe(const LOGFONTA& font, NativeFontInfo& info);

 private:
  struct Line {
    std::vector<FT_UInt> glyphs;
    std::vector<int> advances;
    int width = 0;
  };

  bool ensureLibrary();
  FaceChoice matchFamily(const char* family, bool bold, bool italic);
  const FaceChoice& choose(const LOGFONTA& font);
  FT_Face openFace(const FaceChoice& choice);
  bool prepare(const LOGFONTA& font, SizedFace& sized);
  bool loadGlyph(const SizedFace& sized, FT_UInt glyph, bool render);
  void layOut(const SizedFace& sized, const TextRun& text, UINT format, std::vector<Line>& lines);

  std::mutex lock_;  // FreeType faces are not shared between threads without one
  FT_Library library_ = nullptr;
  bool fontconfigReady_ = false;
  std::map<std::tuple<std::string, bool, bool, BYTE>, FaceChoice> choices_;
  std::map<std::pair<std::string, int>, FT_Face> faces_;
};

bool FreeTypeRasterizer::ensureLibrary() {
  if (!fontconfigReady_) fontconfigReady_ = FcInit() == FcTrue;
  if (!library_ && FT_Init_FreeType(&library_) != 0) library_ = nullptr;
  return fontconfigReady_ && library_;
}

FaceChoice FreeTypeRasterizer::matchFamily(const char* family, bool bold, bool italic) {
  FaceChoice choice;
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return choice;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return choice;
  FcChar8* file = nullptr;
  FcChar8* matchedFamily = nullptr;
  FcChar8* style = nullptr;
  int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
    choice.found = true;
    choice.file = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    choice.index = index;
    if (FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily) == FcResultMatch)
      choice.family = reinterpret_cast<const char*>(matchedFamily);
    if (FcPatternGetString(match, FC_STYLE, 0, &style) == FcResultMatch)
      choice.style = reinterpret_cast<const char*>(style);
    FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(match, FC_SLANT, 0, &slant);
    // A face without the wanted weight or slant is thickened or slanted, as GDI simulates it.
    choice.syntheticBold = bold && weight < FC_WEIGHT_DEMIBOLD;
    choice.syntheticItalic = italic && slant == FC_SLANT_ROMAN;
    // A request for one family may be answered with a list of names; any of them counts.
    for (int i = 1; FcPatternGetString(match, FC_FAMILY, i, &matchedFamily) == FcResultMatch; ++i)
      if (lowerCase(reinterpret_cast<const char*>(matchedFamily)) == lowerCase(family))
        choice.family = reinterpret_cast<const char*>(matchedFamily);
  }
  FcPatternDestroy(match);
  return choice;
}

const FaceChoice& FreeTypeRasterizer::choose(const LOGFONTA& font) {
  char name[LF_FACESIZE + 1] = {};
  std::memcpy(name, font.lfFaceName, LF_FACESIZE);
  const bool bold = font.lfWeight >= 600;
  const bool italic = font.lfItalic != 0;
  auto key = std::make_tuple(std::string(name), bold, italic, font.lfPitchAndFamily);
  auto found = choices_.find(key);
  if (found != choices_.end()) return found->second;

  FaceChoice choice;
  if (name[0]) {
    choice = matchFamily(name, bold, italic);
    // Only the family itself is taken; for anything else the generic family decides, so that
    // the choice does not hang on which metric look-alikes a machine happens to have.
    if (choice.found && lowerCase(choice.family) != lowerCase(name)) choice.found = false;
  }
  if (!choice.found) choice = matchFamily(genericFamily(name, font.lfPitchAndFamily), bold, italic);
  return choices_.emplace(key, choice).first->second;
}

FT_Face FreeTypeRasterizer::openFace(const FaceChoice& choice) {
  auto key = std::make_pair(choice.file, choice.index);
  auto found = faces_.find(key);
  if (found != faces_.end()) return found->second;
  FT_Face face = nullptr;
  if (FT_New_Face(library_, choice.file.c_str(), choice.index, &face) != 0) return nullptr;
  if (!FT_IS_SCALABLE(face) || FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0) {
    FT_Done_Face(face);
    return nullptr;
  }
  faces_[key] = face;
  return face;
}

bool FreeTypeRasterizer::prepare(const LOGFONTA& font, SizedFace& sized) {
  if (!ensureLibrary()) return false;
  const FaceChoice& choice = choose(font);
  if (!choice.found) return false;
  FT_Face face = openFace(choice);
  if (!face) return false;

  // GDI's cell is usWinAscent + usWinDescent; fonts without an OS/2 table use hhea.
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  double winAscent = face->ascender, winDescent = -face->descender;
  if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    winAscent = os2->usWinAscent;
    winDescent = os2->usWinDescent;
  }
  const double unitsPerEm = face->units_per_EM;
  if (unitsPerEm <= 0 || winAscent + winDescent <= 0) return false;

  double emHeight;
  if (font.lfHeight < 0) {
    emHeight = -double(font.lfHeight);
    sized.ascent = static_cast<int>(std::lround(winAscent * emHeight / unitsPerEm));
    sized.descent = static_cast<int>(std::lround(winDescent * emHeight / unitsPerEm));
  } else {
    const double cell = font.lfHeight > 0 ? font.lfHeight : kDefaultCellHeight;
    emHeight = cell * unitsPerEm / (winAscent + winDescent);
    sized.ascent = static_cast<int>(std::lround(winAscent * cell / (winAscent + winDescent)));
    sized.descent = static_cast<int>(cell) - sized.ascent;
  }
  long ppem = std::lround(emHeight);
  if (ppem < 1) ppem = 1;
  if (ppem > kMaxPixelsPerEm) return false;
  long xppem = ppem;
  if (font.lfWidth > 0 && os2 && os2->xAvgCharWidth > 0) {
    xppem = std::lround(double(font.lfWidth) * unitsPerEm / os2->xAvgCharWidth);
    xppem = std::clamp(xppem, 1L, long(kMaxPixelsPerEm));
  }
  if (FT_Set_Pixel_Sizes(face, FT_UInt(xppem), FT_UInt(ppem)) != 0) return false;
  sized.face = face;
  sized.pixelsPerEm = int(ppem);
  sized.syntheticBold = choice.syntheticBold;
  sized.syntheticItalic = choice.syntheticItalic;
  return true;
}

bool FreeTypeRasterizer::loadGlyph(const SizedFace& sized, FT_UInt glyph, bool render) {
  if (FT_Load_Glyph(sized.face, glyph, FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO) != 0) return false;
  FT_GlyphSlot slot = sized.face->glyph;
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    if (sized.syntheticItalic) FT_GlyphSlot_Oblique(slot);
    if (sized.syntheticBold) FT_GlyphSlot_Embolden(slot);
  }
  if (render && slot->format != FT_GLYPH_FORMAT_BITMAP)
    return FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) == 0;
  return true;
}

// Windows-1252 bytes as Unicode (0x80..0x9F differ from Latin-1).
uint32_t codePointOf1252(unsigned char c) {
  static const uint16_t high[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  return (c >= 0x80 && c < 0xA0) ? high[c - 0x80] : c;
}

std::vector<uint32_t> codePoints(const TextRun& text) {
  std::vector<uint32_t> out;
  out.reserve(text.length);
  if (text.narrow) {
    for (size_t i = 0; i < text.length; ++i) out.push_back(codePointOf1252(static_cast<unsigned char>(text.narrow[i])));
  } else if (text.wide) {
    for (size_t i = 0; i < text.length; ++i) {
      uint32_t unit = text.wide[i];
      if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < text.length && text.wide[i + 1] >= 0xDC00 &&
          text.wide[i + 1] < 0xE000) {
        unit = 0x10000 + ((unit - 0xD800) << 10) + (text.wide[i + 1] - 0xDC00);
        ++i;
      }
      out.push_back(unit);
    }
  }
  return out;
}

void FreeTypeRasterizer::layOut(const SizedFace& sized, const TextRun& text, UINT format,
                                std::vector<Line>& lines) {
  std::vector<uint32_t> chars = codePoints(text);
  lines.assign(1, Line());
  for (size_t i = 0; i < chars.size(); ++i) {
    uint32_t c = chars[i];
    if (!(format & DT_NOPREFIX) && c == '&') {
      // "&&" is one ampersand; "&x" marks a mnemonic (drawn without its underline here).
      if (i + 1 < chars.size() && chars[i + 1] == '&') ++i;
      else continue;
      c = '&';
    }
    if (!(format & DT_SINGLELINE) && (c == '\r' || c == '\n')) {
      if (c == '\r' && i + 1 < chars.size() && chars[i + 1] == '\n') ++i;
      if (i + 1 < chars.size()) lines.emplace_back();
      continue;
    }
    const FT_UInt glyph = FT_Get_Char_Index(sized.face, c);
    int advance = 0;
    if (loadGlyph(sized, glyph, false)) advance = int((sized.face->glyph->advance.x + 32) >> 6);
    Line& line = lines.back();
    line.glyphs.push_back(glyph);
    line.advances.push_back(advance);
    line.width += advance;
  }
}

// Top of the first line: DT_VCENTER and DT_BOTTOM act on single lines only; the centre is
// taken as half the box less half the line, each halved on its own (as GDI computes it).
long firstLineTop(const RECT& rect, UINT format, int lineHeight) {
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) return rect.top + (long(rect.bottom) - rect.top) / 2 - lineHeight / 2;
    if (format & DT_BOTTOM) return long(rect.bottom) - lineHeight;
  }
  return rect.top;
}

int FreeTypeRasterizer::measure(const TextRun& text, const LOGFONTA& font, RECT& rect, UINT format) {
  std::lock_guard<std::mutex> hold(lock_);
  SizedFace sized;
  if (!prepare(font, sized)) return kIsErrFont;
  std::vector<Line> lines;
  layOut(sized, text, format, lines);
  int widest = 0;
  for (const Line& line : lines) widest = std::max(widest, line.width);
  // As GDI does, a vertically placed single line reports its bottom where it is drawn.
  const int lineHeight = sized.ascent + sized.descent;
  rect.right = rect.left + widest;
  rect.bottom = LONG(firstLineTop(rect, format, lineHeight) + long(lines.size()) * lineHeight);
  return kIsOk;
}

int FreeTypeRasterizer::render(const TextRun& text, const LOGFONTA& font, const RECT& rect,
                               UINT format, MonoMask& mask) {
  std::lock_guard<std::mutex> hold(lock_);
  SizedFace sized;
  if (!prepare(font, sized)) return kIsErrFont;
  std::vector<Line> lines;
  layOut(sized, text, format, lines);
  const int lineHeight = sized.ascent + sized.descent;

  // DrawTextEx clips to its rectangle unless told not to.
  long clipLeft = 0, clipTop = 0, clipRight = mask.width, clipBottom = mask.height;
  if (!(format & DT_NOCLIP)) {
    clipLeft = std::max<long>(clipLeft, rect.left);
    clipTop = std::max<long>(clipTop, rect.top);
    clipRight = std::min<long>(clipRight, rect.right);
    clipBottom = std::min<long>(clipBottom, rect.bottom);
  }

  long y = firstLineTop(rect, format, lineHeight);
  for (const Line& line : lines) {
    long x = rect.left;
    if (format & DT_CENTER) x = rect.left + (long(rect.right) - rect.left - line.width) / 2;
    else if (format & DT_RIGHT) x = long(rect.right) - line.width;
    const long baseline = y + sized.ascent;
    for (size_t g = 0; g < line.glyphs.size(); ++g) {
      if (loadGlyph(sized, line.glyphs[g], true)) {
        const FT_GlyphSlot slot = sized.face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
          const long left = x + slot->bitmap_left;
          const long top = baseline - slot->bitmap_top;
          const long pitch = bitmap.pitch < 0 ? -long(bitmap.pitch) : bitmap.pitch;
          for (unsigned r = 0; r < bitmap.rows; ++r) {
            const long py = top + long(r);
            if (py < clipTop || py >= clipBottom) continue;
            const unsigned sourceRow = bitmap.pitch < 0 ? bitmap.rows - 1 - r : r;
            const unsigned char* source = bitmap.buffer + size_t(sourceRow) * size_t(pitch);
            uint8_t* target = mask.bits + size_t(py) * mask.stride;
            if (left >= clipLeft && left + long(bitmap.width) <= clipRight) {
              // The whole row is inside: or it in a byte at a time, shifted into place.
              const unsigned shift = unsigned(left & 7), bytes = (bitmap.width + 7) / 8;
              uint8_t* to = target + (left >> 3);
              for (unsigned k = 0; k < bytes; ++k) {
                unsigned b = source[k];
                if (k + 1 == bytes && (bitmap.width & 7)) b &= 0xFFu << (8 - (bitmap.width & 7)) & 0xFFu;
                if (!b) continue;
                to[k] |= uint8_t(b >> shift);
                const uint8_t spill = uint8_t(b << (8 - shift));
                if (shift && spill) to[k + 1] |= spill;  // only bits inside the row spill over
              }
              continue;
            }
            for (unsigned c = 0; c < bitmap.width; ++c) {
              if (!((source[c >> 3] >> (7 - (c & 7))) & 1)) continue;
              const long px = left + long(c);
              if (px < clipLeft || px >= clipRight) continue;
              target[px >> 3] |= uint8_t(0x80u >> (px & 7));
            }
          }
        }
      }
      x += line.advances[g];
    }
    y += lineHeight;
  }
  return kIsOk;
}

bool FreeTypeRasterizer::describe(const LOGFONTA& font, NativeFontInfo& info) {
  std::lock_guard<std::mutex> hold(lock_);
  SizedFace sized;
  if (!prepare(font, sized)) return false;
  const FaceChoice& choice = choose(font);
  info.family = choice.family;
  info.style = choice.style;
  info.file = choice.file;
  info.syntheticBold = choice.syntheticBold;
  info.syntheticItalic = choice.syntheticItalic;
  info.pixelsPerEm = sized.pixelsPerEm;
  info.ascent = sized.ascent;
  info.descent = sized.descent;
  return true;
}

FreeTypeRasterizer& theRasterizer() {
  // Never destroyed: text may still be measured while static objects go away at exit.
  static FreeTypeRasterizer* rasterizer = new FreeTypeRasterizer();
  return *rasterizer;
}

}  // namespace

GlyphRasterizer& platformGlyphRasterizer() { return theRasterizer(); }

bool describeNativeFont(const LOGFONTA& font, NativeFontInfo& info) { return theRasterizer().describe(font, info); }

#if defined(__SANITIZE_ADDRESS__)
// fontconfig loses a block while it parses its configuration files; nothing of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
extern "C" const char* __asan_default_options() { return "print_suppressions=0"; }
#endif
