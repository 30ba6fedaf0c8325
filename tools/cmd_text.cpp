// quendler text render: draws a text as the sheet draws a day number (shadow, then the text)
// onto a small gradient picture and writes it as a BMP, to look at the smooth text.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/bmp.h"
#include "imaging/frame.h"
#include "imaging/native/freetype_rasterizer.h"
#include "imaging/smooth_text.h"
#include "imaging/sources.h"
#include "platform/files.h"
#include "tools/command.h"

namespace {

int runText(int argc, char** argv) {
  if (argc >= 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"))) {
    std::printf(
        "quendler text render AUSGABE.bmp TEXT [--height N] [--bold]\n"
        "  Zeichnet TEXT wie eine Tageszahl des Kalenderblatts (Schatten, dann Text; ein \"*\"\n"
        "  färbt gelb wie der heutige Tag) in der Schrift Verdana, Höhe N (Vorgabe -60,\n"
        "  negativ = Zeichenhöhe), Stärke 600 oder mit --bold 800, und schreibt ein 24-Bit-BMP.\n");
    return kExitOk;
  }
  if (argc < 4 || std::strcmp(argv[1], "render")) return usageError("Aufruf: quendler text render AUSGABE.bmp TEXT [--height N] [--bold]");
  const char* out = argv[2];
  const std::string text = utf8ToCp1252(argv[3]);
  LONG fontHeight = -60;
  LONG weight = 600;
  for (int i = 4; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--bold")) {
      weight = 800;
    } else if (!std::strcmp(argv[i], "--height") && i + 1 < argc) {
      char* end = nullptr;
      const long value = std::strtol(argv[++i], &end, 10);
      if (!*argv[i] || *end || value == 0 || value < -1000 || value > 1000)
        return usageError("--height erwartet eine ganze Zahl von -1000 bis 1000 außer 0");
      fontHeight = static_cast<LONG>(value);
    } else {
      return usageError(std::string("unbekannte Angabe \"") + argv[i] + "\"");
    }
  }

  LOGFONTA font{};
  font.lfHeight = fontHeight;
  font.lfWeight = weight;
  font.lfQuality = ANTIALIASED_QUALITY;
  std::strcpy(font.lfFaceName, "Verdana");

  const RECT measureRect = {0, 0, 64, 64};
  LONG w = 0, h = 0;
  if (!IS40_GetTextLineSize2(text.c_str(), &font, &measureRect, 0, 0, &w, &h)) {
    std::fprintf(stderr, "quendler: Text kann nicht gemessen werden: %s\n", cp1252ToUtf8(isErrorText(IS40_GetLastError())).c_str());
    return kExitFailure;
  }
  const DWORD width = DWORD(std::max<LONG>(160, w + 40)), height = DWORD(h + 30);
  std::vector<BYTE> picture(size_t(width) * height * 3);
  for (DWORD y = 0; y < height; ++y)
    for (DWORD x = 0; x < width; ++x) {
      BYTE* p = &picture[(size_t(y) * width + x) * 3];
      p[0] = BYTE(30 + 40 * x / width);
      p[1] = BYTE(70 + 60 * y / height);
      p[2] = BYTE(120 + 80 * (x + y) / (width + height));
    }

  const COLORREF colour = text.find('*') != std::string::npos ? 0x20FAFA : 0xF5F5F5;
  const LONG x = 10, y = 10;
  IS40_SetTextTransparency(0.5);
  const RECT shadow = {x + 1, y + 1, x + w + 40, y + h + 10};
  bool ok = IS40_DrawSmoothTextOnRGB2(picture.data(), width, height, width * 3, text.c_str(), &font, 4, &shadow, 0, 0, 0);
  IS40_SetTextTransparency(1.0);
  const RECT face = {x, y, x + w + 40, y + h + 10};
  ok = ok && IS40_DrawSmoothTextOnRGB2(picture.data(), width, height, width * 3, text.c_str(), &font, 4, &face, 0, 0, colour);
  if (!ok) {
    std::fprintf(stderr, "quendler: Text kann nicht gezeichnet werden: %s\n", cp1252ToUtf8(isErrorText(IS40_GetLastError())).c_str());
    return kExitFailure;
  }

  // Beside the target first and moved over it only when complete, so a failure leaves an
  // older picture of that name as it was.
  SafeReplace replace(out);
  ISDest dest = IS40_OpenFileDest(replace.temporaryPath(), 0);
  if (!dest) {
    std::fprintf(stderr, "quendler: %s kann nicht geschrieben werden\n", out);
    return kExitFailure;
  }
  IS40_WriteBMP(dest, picture.data(), width, height, 24, width * 3, 0, nullptr, nullptr, 0);
  const int32_t error = IS40_GetLastError();
  // What the stream still buffered reached the disk only if the size after its close is right.
  const unsigned long long expected = 54 + (static_cast<unsigned long long>(width) * 3 + 3) / 4 * 4 * height;
  const DWORD written = IS40_CloseDest(dest);
  if (error) {
    std::fprintf(stderr, "quendler: %s kann nicht geschrieben werden: %s\n", out, cp1252ToUtf8(isErrorText(error)).c_str());
    return kExitFailure;
  }
  if (written != expected) {
    std::fprintf(stderr, "quendler: %s kann nicht vollständig geschrieben werden\n", out);
    return kExitFailure;
  }
  if (!replace.commit()) {
    std::fprintf(stderr, "quendler: %s kann nicht geschrieben werden: %s\n", out, std::strerror(errno));
    return kExitFailure;
  }
  NativeFontInfo info;
  describeNativeFont(font, info);
  std::printf("%s: %u × %u, Text %ld × %ld in %s %s (%d px/em)\n", out, unsigned(width), unsigned(height), long(w), long(h),
              info.family.c_str(), info.style.c_str(), info.pixelsPerEm);
  return kExitOk;
}

}  // namespace

QUENDLER_COMMAND("text", "text render AUSGABE.bmp TEXT [--height N] [--bold]   Text wie eine Tageszahl zeichnen", runText);
