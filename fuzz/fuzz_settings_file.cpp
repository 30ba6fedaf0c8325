// The native tool's settings file: what it parses is written back as it was read (parse,
// format, parse again gives the same store, and formatting that gives the same text), and
// loading the settings from such a file keeps what the program relies on.
#include <string>

#include "app/hotkeys.h"
#include "app/settings.h"
#include "app/settings_store.h"
#include "fuzz/fuzz_checks.h"
#include "fuzz/memory_files.h"
#include "fuzz/settings_checks.h"

namespace {

using fuzzing::fail;

// The main key's values stand before any section, so an empty main key leaves no trace in the
// text; a load reads the same defaults from an empty key as from a missing one.
void dropEmptyMainKey(TextFileSettingsStore& store) {
  auto main = store.keys().find(MemorySettingsStore::foldPath(kSettingsKey));
  if (main != store.keys().end() && main->second.empty()) store.keys().erase(main);
}

void sameStores(TextFileSettingsStore& a, TextFileSettingsStore& b) {
  dropEmptyMainKey(a);
  dropEmptyMainKey(b);
  auto& ka = a.keys();
  auto& kb = b.keys();
  if (ka.size() != kb.size()) fail("written and read again, the file has another number of keys");
  for (auto i = ka.begin(), j = kb.begin(); i != ka.end(); ++i, ++j) {
    if (i->first != j->first) fail("written and read again, a key moved");
    if (i->second.size() != j->second.size()) fail("written and read again, a key has other values");
    for (auto v = i->second.begin(), w = j->second.begin(); v != i->second.end(); ++v, ++w) {
      if (MemorySettingsStore::foldPath(v->first) != MemorySettingsStore::foldPath(w->first))
        fail("written and read again, a value has another name");
      if (v->second.isDword != w->second.isDword || v->second.dword != w->second.dword ||
          v->second.text != w->second.text)
        fail("written and read again, a value changed");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  TextFileSettingsStore first;
  first.parse(text);
  std::string formatted = first.format();
  TextFileSettingsStore second;
  second.parse(formatted);
  sameStores(first, second);
  if (second.format() != formatted) fail("formatting what was read back gives another text");

  // The file as the tool reads it, and the settings loaded from it.
  fuzzing::memory::clear();
  const std::string path = "/quendler.ini";
  if (!fuzzing::memory::putFile(path, text)) fail("cannot write the input file");
  Settings s;
  if (loadSettingsFile(path.c_str(), s) != 1) fail("an existing settings file was not read");
  fuzzing::settings::checkLoaded(s);
  HotkeySlot slots[kHotkeySlotCount];
  LoadHotkeys(slots, first);
  fuzzing::settings::checkHotkeys(slots);
  loadNoteFont(s, first);
  fuzzing::settings::checkFont(s.NoteFont);
  return 0;
}
