// quendler image: the image library on picture files — what a file holds, conversion to a
// 24-bit BMP, bilinear scaling.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "imaging/bmp.h"
#include "imaging/frame.h"
#include "imaging/owned_block.h"
#include "imaging/image_ops.h"
#include "imaging/image_reader.h"
#include "imaging/sources.h"
#include "platform/files.h"
#include "tools/command.h"

namespace {

const char* formatName(int32_t format) {
  static const char* const names[] = {"unbekannt", "BMP",  "GIF",  "JPEG", "PNG",  "PCX",  "TIFF", "WMF",
                                      "EMF",       "PAX",  "PSD",  "TLA",  "TLAU", "WBMP", "TGA",  "PCD (OPA)",
                                      "PCD",       "JPEG 2000", "JPEG 2000 (Codestream)", "OLE-Verbunddatei",
                                      "PBM",       "PGM",  "PPM"};
  if (format < 0 || format >= static_cast<int32_t>(sizeof names / sizeof names[0])) return "unbekannt";
  return names[format];
}

// "IS40_ReadImage fehlgeschlagen: Fehler 2 (…)" on stderr; the library's texts are CP1252.
int libraryFailure(const char* operation, const std::string& file) {
  int32_t code = IS40_GetLastError();
  std::fprintf(stderr, "quendler: %s fehlgeschlagen für \"%s\": Fehler %d (%s)\n", operation, file.c_str(),
               static_cast<int>(code), cp1252ToUtf8(isErrorText(code, isLastLogDetail())).c_str());
  return kExitFailure;
}

using Picture = OwnedImage;

// A file source keeps the file's name, so the reader can fall back on its extension. Returns
// the failed operation's name, or null on success.
const char* readPicture(const std::string& path, Picture& picture, int32_t* format = nullptr) {
  ISSource source = IS40_OpenFileSource(path.c_str());
  if (!source) return "IS40_OpenFileSource";
  if (format) {
    *format = IS40_GuessFileType(source);
    if (IS40_GetLastError()) {
      int32_t code = IS40_GetLastError();
      IS40_CloseSource(source);
      RecordOutcome(code, "IS40_GuessFileType");
      return "IS40_GuessFileType";
    }
  }
  picture.pixels.reset(IS40_ReadImage(source, &picture.width, &picture.height, 0, 0));
  int32_t code = IS40_GetLastError();
  std::string detail = code ? isLastLogDetail() : std::string();
  IS40_CloseSource(source);
  // Closing must not hide the reader's outcome, nor the format it refused.
  RecordOutcome(code, "IS40_ReadImage", detail.empty() ? nullptr : detail.c_str());
  return picture.pixels ? nullptr : "IS40_ReadImage";
}

// Written beside the target and moved over it only when complete, so a failure leaves an
// existing file as it was.
int writePicture(const std::string& path, const BYTE* pixels, DWORD width, DWORD height) {
  SafeReplace replace(path.c_str());
  ISDest dest = IS40_OpenFileDest(replace.temporaryPath(), FALSE);
  if (!dest) return libraryFailure("IS40_OpenFileDest", replace.temporaryPath());
  IS40_WriteBMP(dest, pixels, width, height, 24, width * 3, 0, nullptr, nullptr, 0);
  int32_t code = IS40_GetLastError();
  // The write only fills the stream's buffer; whether the last bytes reached the disk shows in
  // the file's size after the final flush.
  unsigned long long rowBytes = (static_cast<unsigned long long>(width) * 3 + 3) / 4 * 4;
  unsigned long long expected = 54 + rowBytes * height;
  DWORD written = IS40_CloseDest(dest);
  if (code) {
    RecordOutcome(code, "IS40_WriteBMP");
    return libraryFailure("IS40_WriteBMP", path);
  }
  if (written != expected) {
    std::fprintf(stderr, "quendler: \"%s\" konnte nicht vollständig geschrieben werden (%lu von %llu Bytes)\n",
                 path.c_str(), static_cast<unsigned long>(written), expected);
    return kExitFailure;
  }
  if (!replace.commit()) {
    std::fprintf(stderr, "quendler: \"%s\" lässt sich nicht ersetzen: %s\n", path.c_str(), std::strerror(errno));
    return kExitFailure;
  }
  return kExitOk;
}

bool parseSize(const char* text, DWORD& value) {
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(text, &end, 10);
  if (errno || end == text || *end || v < 1 || v > 65535) return false;
  value = static_cast<DWORD>(v);
  return true;
}

int runInfo(int argc, char** argv) {
  if (argc != 1) return usageError("image info braucht genau eine Bilddatei");
  std::string file = argv[0];
  Picture picture;
  int32_t format = 0;
  if (const char* failed = readPicture(file, picture, &format)) return libraryFailure(failed, file);
  std::printf("Format: %s\nBreite: %u\nHöhe: %u\n", formatName(format), static_cast<unsigned>(picture.width),
              static_cast<unsigned>(picture.height));
  return kExitOk;
}

int runConvert(int argc, char** argv) {
  if (argc != 2) return usageError("image convert braucht eine Eingabe- und eine BMP-Ausgabedatei");
  Picture picture;
  if (const char* failed = readPicture(argv[0], picture)) return libraryFailure(failed, argv[0]);
  return writePicture(argv[1], picture.data(), picture.width, picture.height);
}

int runResize(int argc, char** argv) {
  if (argc != 4) return usageError("image resize braucht Eingabe, BMP-Ausgabe, Breite und Höhe");
  DWORD width = 0, height = 0;
  if (!parseSize(argv[2], width) || !parseSize(argv[3], height))
    return usageError("Breite und Höhe müssen ganze Zahlen von 1 bis 65535 sein");
  Picture picture;
  if (const char* failed = readPicture(argv[0], picture)) return libraryFailure(failed, argv[0]);
  int32_t error = 0;
  ReturnedBlock scaled;
  if (!scaled.allocate(static_cast<uint64_t>(width) * height * 3, error)) {
    RecordOutcome(error, "IS40_ResizeImage");
    return libraryFailure("IS40_ResizeImage", argv[0]);
  }
  if (!IS40_ResizeImage(picture.data(), picture.width, picture.height, picture.width * 3, scaled.get(), width,
                        height, width * 3, 3, kIsResizeBilinear, 0))
    return libraryFailure("IS40_ResizeImage", argv[0]);
  return writePicture(argv[1], scaled.get(), width, height);
}

bool wantsHelp(int argc, char** argv) {
  for (int i = 0; i < argc; ++i)
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return true;
  return false;
}

int runImage(int argc, char** argv) {
  if (argc < 2) return usageError("image braucht info, convert oder resize (\"quendler image --help\")");
  if (wantsHelp(argc - 1, argv + 1)) {
    std::printf(
        "quendler image info DATEI\n"
        "quendler image convert EINGABE AUSGABE.bmp\n"
        "quendler image resize EINGABE AUSGABE.bmp BREITE HÖHE\n\n"
        "info zeigt das erkannte Bildformat, die Breite und die Höhe. convert liest das Bild wie\n"
        "das Programm (BMP, PSD, PNG, JPEG, TIFF) und schreibt es als 24-Bit-BMP. resize skaliert\n"
        "es vorher bilinear auf BREITE × HÖHE Pixel. Bei einem Fehler nennt das Werkzeug die\n"
        "Operation, den Fehlercode der Bildbibliothek und seine Bedeutung.\n");
    return kExitOk;
  }
  std::string sub = argv[1];
  if (sub == "info") return runInfo(argc - 2, argv + 2);
  if (sub == "convert") return runConvert(argc - 2, argv + 2);
  if (sub == "resize") return runResize(argc - 2, argv + 2);
  return usageError("unbekannter Befehl \"image " + sub + "\" (info, convert oder resize)");
}

}  // namespace

QUENDLER_COMMAND("image", "image info|convert|resize …   Bilder lesen, als BMP schreiben, skalieren", runImage);
