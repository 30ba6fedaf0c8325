// quendler notes: the note folder as the note window lists it, and one note's text.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "notes/note_files.h"
#include "notes/note_folder.h"
#include "tools/command.h"

namespace {

void printNoteMessage(void*, const char* text, const char* caption) {
  std::fprintf(stderr, "quendler: %s (%s)\n", cp1252ToUtf8(text).c_str(), cp1252ToUtf8(caption).c_str());
}

// The pattern lets any character stand for a digit, so the fields are printed as they stand.
std::string nameTime(const std::string& n) {
  return n.substr(2, 4) + "-" + n.substr(6, 2) + "-" + n.substr(8, 2) + " " + n.substr(11, 2) + ":" +
         n.substr(13, 2);
}

int runNotes(int argc, char** argv) {
  std::string folder, showText;
  bool show = false;
  static const char help[] =
    "quendler notes ORDNER [--show N]\n\n"
    "Listet die Notizen im Ordner wie das Notizfenster (Dateien N_20??????_?????.txt,\n"
    "Groß- und Kleinschreibung gleich, nach Namen sortiert, älteste zuerst), je Notiz eine\n"
    "Zeile, durch Tabulatoren getrennt: Dateiname, Erstellungszeit JJJJ-MM-TT HH:MM (aus dem\n"
    "Namen), Buchstabe, schreibgeschützt (1 oder 0), Größe in Bytes.\n"
    "Mit --show N den Text der Notiz N (von 0 an gezählt) so, wie das Fenster ihn zeigt\n"
    "(höchstens 16383 Zeichen), in UTF-8.\n";
  int status = readToolOptions(argc, argv, "notes", help, {{"--show", &showText, &show}}, &folder,
                               "einen Ordner");
  if (status != kRunCommand) return status;
  if (folder.empty()) return usageError("notes braucht einen Ordner");
  long index = -1;
  if (show) {
    char* end = nullptr;
    index = std::strtol(showText.c_str(), &end, 10);
    if (showText.empty() || *end || index < 0 || index >= kNoteSlots)
      return usageError("ungültige Notiznummer \"" + showText + "\"");
  }

  std::string nativeFolder = utf8ToCp1252(folder);
  clearNoteList();
  if (!scanNotes(nativeFolder.c_str())) {
    std::fprintf(stderr, "quendler: Ordner \"%s\" nicht lesbar\n", folder.c_str());
    return kExitFailure;
  }

  if (show) {
    if (index >= NoteList.count) {
      std::fprintf(stderr, "quendler: keine Notiz %ld (der Ordner hat %d)\n", index, NoteList.count);
      return kExitFailure;
    }
    noteMessage = printNoteMessage;
    NoteList.currentIndex = static_cast<int>(index);
    std::vector<char> buffer(kNoteBufferSize, 0);
    if (!readCurrentNote(nullptr, buffer.data())) return kExitFailure;
    std::string text = cp1252ToUtf8(buffer.data());
    std::fwrite(text.data(), 1, text.size(), stdout);
    return kExitOk;
  }

  std::vector<NoteFolderFile> files;
  listNoteFolder(NoteList.folder, files);
  std::map<std::string, uint64_t> sizes;
  for (const NoteFolderFile& f : files) sizes[f.name] = f.size;
  for (int i = 0; i < NoteList.count; ++i) {
    const NoteEntry& e = NoteList.entries[i];
    std::string name = e.fileName;
    std::printf("%s\t%s\t%s\t%d\t%llu\n", cp1252ToUtf8(name).c_str(), cp1252ToUtf8(nameTime(name)).c_str(),
                cp1252ToUtf8(name.substr(15, 1)).c_str(), e.readOnly ? 1 : 0,
                static_cast<unsigned long long>(sizes[name]));
  }
  return kExitOk;
}

}  // namespace

QUENDLER_COMMAND("notes", "notes ORDNER [--show N]   Notizen auflisten oder eine zeigen", runNotes);
