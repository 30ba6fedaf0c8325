#include "app/settings_store.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/files.h"

namespace {

SettingsStore* chosenStore = nullptr;
SettingsFolders* chosenFolders = nullptr;

int copyOut(const std::string& text, char* buffer, size_t size) {
  if (!buffer || size == 0 || text.size() + 1 > size) return 0;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return 1;
}

// A whole decimal (optionally negative) or 0x hex number that fits in 32 bits.
bool parseNumber(const std::string& text, DWORD& out) {
  if (text.empty()) return false;
  const char* s = text.c_str();
  char* end = nullptr;
  errno = 0;
  if (text.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    unsigned long long v = std::strtoull(s + 2, &end, 16);
    if (errno || *end || end == s + 2 || v > 0xFFFFFFFFull) return false;
    out = static_cast<DWORD>(v);
    return true;
  }
  long long v = std::strtoll(s, &end, 10);
  if (errno || *end || end == s || v < -2147483648LL || v > 0xFFFFFFFFLL) return false;
  out = static_cast<DWORD>(v);
  return true;
}

std::string trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
  while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
  return s.substr(a, b - a);
}

}  // namespace

void useSettingsStore(SettingsStore* store) { chosenStore = store; }
void useSettingsFolders(SettingsFolders* folders) { chosenFolders = folders; }
SettingsStore* settingsStore() { return chosenStore; }
SettingsFolders* settingsFolders() { return chosenFolders; }

// ---- MemorySettingsStore

std::string MemorySettingsStore::foldPath(const std::string& path) {
  std::string out = path;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// The order of the folded strings, compared letter by letter without making them: a map of
// values is searched on every read and every line of a settings file.
bool MemorySettingsStore::NoCase::operator()(const std::string& a, const std::string& b) const {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    int x = std::tolower(static_cast<unsigned char>(a[i])), y = std::tolower(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

std::string MemorySettingsStore::keyName(const std::string& folded) const {
  auto n = originalNames_.find(folded);
  return n == originalNames_.end() ? folded : n->second;
}

SettingsKey MemorySettingsStore::openKey(const char* path, bool forWriting) {
  if (!path) return nullptr;
  std::string key = foldPath(path);
  if (!forWriting && !keys_.count(key)) return nullptr;
  if (!keys_.count(key)) originalNames_[key] = path;
  keys_[key];
  std::string* handle = new std::string(key);
  handles_.push_back(handle);
  return handle;
}

void MemorySettingsStore::closeKey(SettingsKey key) {
  for (size_t i = 0; i < handles_.size(); ++i) {
    if (handles_[i] == key) {
      delete handles_[i];
      handles_.erase(handles_.begin() + static_cast<long>(i));
      return;
    }
  }
}

int MemorySettingsStore::readDword(SettingsKey key, const char* name, DWORD& value) {
  if (!key || !name) return 0;
  auto k = keys_.find(*static_cast<std::string*>(key));
  if (k == keys_.end()) return 0;
  auto v = k->second.find(name);
  if (v == k->second.end()) return 0;
  if (v->second.isDword) {
    value = v->second.dword;
    return 1;
  }
  DWORD parsed = 0;
  if (looseTypes && parseNumber(v->second.text, parsed)) {
    value = parsed;
    return 1;
  }
  return 0;
}

int MemorySettingsStore::readString(SettingsKey key, const char* name, char* buffer, size_t size) {
  if (!key || !name) return 0;
  auto k = keys_.find(*static_cast<std::string*>(key));
  if (k == keys_.end()) return 0;
  auto v = k->second.find(name);
  if (v == k->second.end()) return 0;
  if (v->second.isDword && !looseTypes) return 0;
  return copyOut(v->second.text, buffer, size);
}

int MemorySettingsStore::writeDword(SettingsKey key, const char* name, DWORD value) {
  if (!key || !name) return 0;
  Value& v = keys_[*static_cast<std::string*>(key)][name];
  v.isDword = true;
  v.dword = value;
  v.text = std::to_string(static_cast<int32_t>(value));
  return 1;
}

int MemorySettingsStore::writeString(SettingsKey key, const char* name, const char* value) {
  if (!key || !name || !value) return 0;
  Value& v = keys_[*static_cast<std::string*>(key)][name];
  v.isDword = false;
  v.dword = 0;
  v.text = value;
  return 1;
}

int MemorySettingsStore::deleteValue(SettingsKey key, const char* name) {
  if (!key || !name) return 0;
  auto k = keys_.find(*static_cast<std::string*>(key));
  if (k == keys_.end()) return 0;
  return k->second.erase(name) ? 1 : 0;
}

int MemorySettingsStore::readProfileInt(const char* section, const char* name, int fallback) {
  auto p = profile_.find(foldPath(section) + "\n" + foldPath(name));
  if (p == profile_.end()) return fallback;
  // As GetProfileInt: leading digits count, anything else gives 0.
  return std::atoi(p->second.c_str());
}

void MemorySettingsStore::readProfileString(const char* section, const char* name,
                                            const char* fallback, char* buffer, size_t size) {
  if (!buffer || size == 0) return;
  auto p = profile_.find(foldPath(section) + "\n" + foldPath(name));
  std::string text = p == profile_.end() ? std::string(fallback ? fallback : "") : p->second;
  if (text.size() + 1 > size) text.resize(size - 1);  // truncated, as the platform does
  std::memcpy(buffer, text.c_str(), text.size() + 1);
}

void MemorySettingsStore::setDword(const std::string& key, const std::string& name, DWORD value) {
  std::string k = foldPath(key);
  if (!keys_.count(k)) originalNames_[k] = key;
  Value& v = keys_[k][name];
  v.isDword = true;
  v.dword = value;
  v.text = std::to_string(static_cast<int32_t>(value));
}

void MemorySettingsStore::setString(const std::string& key, const std::string& name,
                                    const std::string& value) {
  std::string k = foldPath(key);
  if (!keys_.count(k)) originalNames_[k] = key;
  Value& v = keys_[k][name];
  v.isDword = false;
  v.dword = 0;
  v.text = value;
}

const MemorySettingsStore::Value* MemorySettingsStore::find(const std::string& key,
                                                            const std::string& name) const {
  auto k = keys_.find(foldPath(key));
  if (k == keys_.end()) return nullptr;
  auto v = k->second.find(name);
  return v == k->second.end() ? nullptr : &v->second;
}

void MemorySettingsStore::addKey(const std::string& key) {
  std::string k = foldPath(key);
  if (!keys_.count(k)) originalNames_[k] = key;
  keys_[k];
}

bool MemorySettingsStore::hasKey(const std::string& key) const { return keys_.count(foldPath(key)) != 0; }

void MemorySettingsStore::setProfile(const std::string& section, const std::string& name,
                                     const std::string& value) {
  profile_[foldPath(section) + "\n" + foldPath(name)] = value;
}

// ---- TextFileSettingsStore

namespace {

std::string sectionToKey(const std::string& section) {
  if (section.empty()) return kSettingsKey;
  std::string lower = section;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "notiz") return kNoteFontKey;
  if (lower == "hotkeys") return kHotkeysKey;
  return section;
}

}  // namespace

void TextFileSettingsStore::parse(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  std::string key = kSettingsKey;
  while (std::getline(in, line)) {
    std::string t = trim(line);
    if (t.empty() || t[0] == '#' || t[0] == ';') continue;
    if (t.front() == '[' && t.back() == ']') {
      key = sectionToKey(trim(t.substr(1, t.size() - 2)));
      addKey(key);
      continue;
    }
    size_t eq = t.find('=');
    if (eq == std::string::npos || eq == 0) continue;
    std::string name = trim(t.substr(0, eq));
    std::string value = trim(t.substr(eq + 1));
    setString(key, name, value);
    // A number is both: it reads as a dword and, as written, as a string.
    DWORD number = 0;
    if (parseNumber(value, number)) {
      Value& v = keys()[foldPath(key)][name];
      v.isDword = true;
      v.dword = number;
    }
  }
}

int TextFileSettingsStore::load(const char* path) {
  if (!path) return 0;
  std::string text;
  if (!readWholeFile(path, text)) return 0;
  parse(text);
  return 1;
}

std::string TextFileSettingsStore::format() const {
  std::string out;
  auto& self = const_cast<TextFileSettingsStore&>(*this);
  std::string mainFolded = foldPath(kSettingsKey);
  auto writeValues = [&](const Values& values) {
    for (const auto& [name, v] : values) out += name + "=" + v.text + "\n";
  };
  auto main = self.keys().find(mainFolded);
  if (main != self.keys().end()) writeValues(main->second);
  for (const auto& [folded, values] : self.keys()) {
    if (folded == mainFolded) continue;
    std::string section = keyName(folded);
    // Only the subkeys that parse() names by their short name are written so; any other key
    // keeps its whole path, or it would be read back as a key of its own below the user.
    // The short names are written as the program spells them, however the file had them.
    if (folded == foldPath(kNoteFontKey)) section = "Notiz";
    if (folded == foldPath(kHotkeysKey)) section = "Hotkeys";
    out += "\n[" + section + "]\n";
    writeValues(values);
  }
  return out;
}

int TextFileSettingsStore::save(const char* path) const {
  if (!path) return 0;
  std::string text = format();
  return replaceFileContents(path, text.data(), text.size());
}

// ---- PlainSettingsFolders

int PlainSettingsFolders::programFile(char* buffer, size_t size) {
  if (programFile_.empty()) return 0;
  return copyOut(programFile_, buffer, size);
}

int PlainSettingsFolders::appDataFolder(char* buffer, size_t size) {
  if (appDataRoot_.empty()) return 0;
  std::error_code ec;
  std::filesystem::create_directories(appDataRoot_, ec);
  if (!std::filesystem::is_directory(appDataRoot_, ec)) return 0;
  std::string root = appDataRoot_;
  while (root.size() > 1 && (root.back() == '/' || root.back() == separator_)) root.pop_back();
  return copyOut(root, buffer, size);
}

int PlainSettingsFolders::createFolder(const char* path) {
  if (!path || !*path) return 0;
  std::error_code ec;
  std::filesystem::create_directory(path, ec);
  return std::filesystem::is_directory(path, ec) ? 1 : 0;
}
