// Outside measurements of the running program for the long run under a fast clock
// (soak_e2e.sh). GetGuiResources answers 0 under Wine, so the GDI objects are counted in the
// process's GDI handle table, which its PEB names (GdiSharedHandleTable) and which is read with
// ReadProcessMemory. An entry is 24 bytes; a freed one keeps its type byte (offset 12) and
// links the free entries through its object pointer, but the word at offset 14 is set only while
// the entry is in use (soak_probe self checks that on this Wine).
//   soak_probe self     checks the count on this process: it must rise by the bitmaps made
//                       and fall back when they are deleted; prints the figures; 0 when so
//   soak_probe sample   the main window's process: "gdi=N workingset=KB pagefile=KB private=KB"
//                       (the memory figures as GetProcessMemoryInfo gives them); 0 when read
//   soak_probe quit     "Beenden" in the main window
#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr SIZE_T kPebGdiTableOffset = 0xF8;  // x64
constexpr SIZE_T kEntrySize = 24;
constexpr SIZE_T kMaxEntries = 0x10000;

// The address of the process's GDI handle table, or 0.
ULONG_PTR gdiTableOf(HANDLE process) {
  PROCESS_BASIC_INFORMATION info{};
  ULONG got = 0;
  if (NtQueryInformationProcess(process, ProcessBasicInformation, &info, sizeof info, &got) != 0) return 0;
  if (!info.PebBaseAddress) return 0;
  ULONG_PTR table = 0;
  SIZE_T read = 0;
  if (!ReadProcessMemory(process, reinterpret_cast<BYTE*>(info.PebBaseAddress) + kPebGdiTableOffset, &table,
                         sizeof table, &read) ||
      read != sizeof table)
    return 0;
  return table;
}

// Entries in use, or -1 when the table cannot be read.
long countGdiObjects(HANDLE process) {
  ULONG_PTR table = gdiTableOf(process);
  if (!table) return -1;
  constexpr SIZE_T kChunk = 4096;  // entries per read
  std::vector<BYTE> buffer(kChunk * kEntrySize);
  long used = 0;
  for (SIZE_T first = 0; first < kMaxEntries; first += kChunk) {
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, reinterpret_cast<const void*>(table + first * kEntrySize), buffer.data(),
                           buffer.size(), &read) ||
        read != buffer.size())
      return first == 0 ? -1 : used;
    for (SIZE_T k = 0; k < kChunk; ++k) {
      unsigned short inUse;
      std::memcpy(&inUse, &buffer[k * kEntrySize + 14], sizeof inUse);
      if (inUse) ++used;
    }
  }
  return used;
}

// Makes `count` bitmaps and brushes, deletes them again; the table's count before, with them
// and after.
void makeAndDelete(HANDLE process, int count, long figures[3]) {
  std::vector<HGDIOBJ> made;
  figures[0] = countGdiObjects(process);
  for (int k = 0; k < count; ++k) {
    made.push_back(CreateBitmap(4, 4, 1, 32, nullptr));
    made.push_back(CreateSolidBrush(RGB(k, 2, 3)));
  }
  figures[1] = countGdiObjects(process);
  for (HGDIOBJ object : made) DeleteObject(object);
  figures[2] = countGdiObjects(process);
}

int selfCheck() {
  HANDLE self = GetCurrentProcess();
  if (countGdiObjects(self) < 0) {
    std::printf("the GDI handle table cannot be read\n");
    return 1;
  }
  // The first round may leave what GDI makes once on first use; the second must come back.
  long warm[3], round[3];
  makeAndDelete(self, 20, warm);
  makeAndDelete(self, 50, round);
  std::printf("first round %ld/%ld/%ld, second %ld/%ld/%ld\n", warm[0], warm[1], warm[2], round[0], round[1],
              round[2]);
  return warm[1] == warm[0] + 40 && round[1] == round[0] + 100 && round[2] == round[0] ? 0 : 1;
}

int sample() {
  HWND main = FindWindowA("#32770", "Die Quendler");
  DWORD pid = 0;
  if (!main || !GetWindowThreadProcessId(main, &pid) || !pid) {
    std::printf("no main window\n");
    return 1;
  }
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!process) {
    std::printf("the process cannot be opened\n");
    return 1;
  }
  long gdi = countGdiObjects(process);
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  BOOL haveMemory = GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  CloseHandle(process);
  if (gdi < 0 || !haveMemory) {
    std::printf("gdi=%ld memory %s\n", gdi, haveMemory ? "read" : "not read");
    return 1;
  }
  std::printf("gdi=%ld workingset=%llu pagefile=%llu private=%llu\n", gdi,
              static_cast<unsigned long long>(memory.WorkingSetSize / 1024),
              static_cast<unsigned long long>(memory.PagefileUsage / 1024),
              static_cast<unsigned long long>(memory.PrivateUsage / 1024));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "self") == 0) return selfCheck();
  if (argc == 2 && std::strcmp(argv[1], "sample") == 0) return sample();
  if (argc == 2 && std::strcmp(argv[1], "quit") == 0) {
    HWND main = FindWindowA("#32770", "Die Quendler");
    return main && PostMessageA(main, WM_COMMAND, MAKEWPARAM(1004, BN_CLICKED), 0) ? 0 : 1;
  }
  std::fprintf(stderr, "usage: soak_probe self | sample | quit\n");
  return 2;
}
