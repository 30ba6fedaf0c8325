// Windows resource store: the resources compiled into the program's executable.
#include "platform/resources.h"

#include <windows.h>

#include <cstring>

namespace {

// Our names for the standard types; every other type is a custom string type.
LPCSTR resourceType(const char* type) {
  if (_stricmp(type, "BITMAP") == 0) return RT_BITMAP;
  if (_stricmp(type, "ICON") == 0) return RT_GROUP_ICON;
  return type;
}

}  // namespace

int findResourceBytes(const char* type, const char* name, const unsigned char** data,
                      unsigned long* size) {
  if (data) *data = nullptr;
  if (size) *size = 0;
  if (!type || !name || !data || !size) return 0;
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, name, resourceType(type));
  if (!found) return 0;
  HGLOBAL loaded = LoadResource(module, found);
  if (!loaded) return 0;
  const void* bytes = LockResource(loaded);
  DWORD length = SizeofResource(module, found);
  if (!bytes || length == 0) return 0;
  *data = static_cast<const unsigned char*>(bytes);
  *size = length;
  return 1;
}

void setResourceDirectory(const char*) {}

const char* resourceDirectory() { return ""; }
