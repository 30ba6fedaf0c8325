#include "app/win32/registry_store.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "platform/win32/handles.h"

SettingsKey RegistrySettingsStore::openKey(const char* path, bool forWriting) {
  HKEY key = nullptr;
  LONG r = forWriting ? RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_ALL_ACCESS, nullptr, &key, nullptr)
                      : RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key);
  return r == ERROR_SUCCESS ? static_cast<SettingsKey>(key) : nullptr;
}

void RegistrySettingsStore::closeKey(SettingsKey key) {
  OwnedKey closing(static_cast<HKEY>(key));
}

int RegistrySettingsStore::readDword(SettingsKey key, const char* name, DWORD& value) {
  if (!key) return 0;
  DWORD type = 0, v = 0, size = sizeof v;
  LONG r = RegQueryValueExA(static_cast<HKEY>(key), name, nullptr, &type, reinterpret_cast<BYTE*>(&v), &size);
  if (r != ERROR_SUCCESS || size != sizeof v || (type != REG_DWORD && type != REG_BINARY)) return 0;
  value = v;
  return 1;
}

int RegistrySettingsStore::readString(SettingsKey key, const char* name, char* buffer, size_t size) {
  if (!key || !buffer || size == 0) return 0;
  char local[1024];
  if (size > sizeof local) size = sizeof local;
  DWORD type = 0, bytes = static_cast<DWORD>(size);
  LONG r = RegQueryValueExA(static_cast<HKEY>(key), name, nullptr, &type, reinterpret_cast<BYTE*>(local), &bytes);
  if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return 0;
  // The stored string need not carry its terminating zero; it must fit with one.
  size_t n = bytes;
  while (n > 0 && local[n - 1] == 0) --n;
  if (n + 1 > size) return 0;
  std::memcpy(buffer, local, n);
  buffer[n] = 0;
  return 1;
}

int RegistrySettingsStore::writeDword(SettingsKey key, const char* name, DWORD value) {
  if (!key) return 0;
  return RegSetValueExA(static_cast<HKEY>(key), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof value) == ERROR_SUCCESS;
}

int RegistrySettingsStore::writeString(SettingsKey key, const char* name, const char* value) {
  if (!key || !value) return 0;
  // With the terminating zero, as the registry expects of REG_SZ data.
  return RegSetValueExA(static_cast<HKEY>(key), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                        static_cast<DWORD>(std::strlen(value) + 1)) == ERROR_SUCCESS;
}

int RegistrySettingsStore::deleteValue(SettingsKey key, const char* name) {
  if (!key) return 0;
  return RegDeleteValueA(static_cast<HKEY>(key), name) == ERROR_SUCCESS;
}

int RegistrySettingsStore::readProfileInt(const char* section, const char* name, int fallback) {
  return static_cast<int>(GetProfileIntA(section, name, fallback));
}

void RegistrySettingsStore::readProfileString(const char* section, const char* name,
                                              const char* fallback, char* buffer, size_t size) {
  if (!buffer || size == 0) return;
  GetProfileStringA(section, name, fallback, buffer, static_cast<DWORD>(size));
}

int ShellSettingsFolders::programFile(char* buffer, size_t size) {
  if (!buffer || size == 0) return 0;
  DWORD n = GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
  if (n == 0 || n >= size) {
    buffer[0] = 0;
    return 0;
  }
  return 1;
}

int ShellSettingsFolders::appDataFolder(char* buffer, size_t size) {
  if (!buffer || size < MAX_PATH) return 0;
  if (!SHGetSpecialFolderPathA(nullptr, buffer, CSIDL_APPDATA, TRUE)) {
    buffer[0] = 0;
    return 0;
  }
  size_t n = std::strlen(buffer);
  while (n > 3 && (buffer[n - 1] == '\\' || buffer[n - 1] == '/')) buffer[--n] = 0;
  return 1;
}

int ShellSettingsFolders::createFolder(const char* path) {
  if (CreateDirectoryA(path, nullptr)) return 1;
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void useWindowsSettings() {
  static RegistrySettingsStore store;
  static ShellSettingsFolders folders;
  useSettingsStore(&store);
  useSettingsFolders(&folders);
}
