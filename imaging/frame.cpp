#include "imaging/frame.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "platform/clock.h"

namespace {

// Every thread's record is also listed here, so that the records stay reachable for the whole
// run. Neither the list nor the records are ever destroyed: a worker thread may still be inside
// the library while the process tears its statics down, and a record is small (the log holds
// at most 50 lines), so a thread that ends leaves its record behind. (A thread_local object
// with a destructor would free it at thread exit, but MinGW's emulated TLS runs such
// destructors after the slot is gone.)
struct StateRegistry {
  std::mutex lock;
  std::vector<LibraryThreadState*> records;
};

StateRegistry& registry() {
  static StateRegistry* instance = new StateRegistry;
  return *instance;
}

thread_local LibraryThreadState* threadState = nullptr;

std::atomic<IsGlobalAllocHook> allocHook{nullptr};
std::atomic<IsTraceSink> traceSink{nullptr};

HGLOBAL callGlobalAlloc(UINT flags, SIZE_T bytes) {
  IsGlobalAllocHook hook = allocHook.load();
  return hook ? hook(flags, bytes) : GlobalAlloc(flags, bytes);
}

}  // namespace

const char* isErrorText(int32_t code) {
  switch (code) {
    case kIsOk: return "kein Fehler";
    case kIsErrOutOfMemory: return "nicht genug Speicher";
    case kIsErrCannotOpen: return "Datei lässt sich nicht öffnen oder Bildformat unbekannt";
    case kIsErrRead: return "Lesefehler: Daten zu kurz oder beschädigt";
    case kIsErrWrite: return "Schreiben ins Ziel fehlgeschlagen";
    case kIsErrBadArgument: return "ungültiges Argument";
    case kIsErrNotBmp: return "keine BMP-Datei oder nicht unterstützte BMP-Variante";
    case kIsErrGdi: return "GDI-Gerätekontext, Bitmap oder Pinsel nicht verfügbar";
    case kIsErrResourceNotFound: return "Bitmap-Ressource nicht gefunden";
    case kIsErrPngDecode: return "Fehler beim Entschlüsseln der PNG-Daten";
    case kIsErrBadBitmap: return "keine verwendbare Bitmap";
    case kIsErrFont: return "Schrift lässt sich nicht erzeugen";
    case kIsErrTooManyRows: return "mehr Zeilen geschrieben als das Bild hat";
    case kIsErrGetDIBits: return "GetDIBits fehlgeschlagen";
    case kIsErrNoDIBitmaps: return "Gerätekontext überträgt keine geräteunabhängigen Bitmaps";
    case kIsErrCreateDIBitmap: return "CreateDIBitmap fehlgeschlagen";
    case kIsErrNotOpen: return "Quelle oder Ziel ist nicht geöffnet";
    case kIsErrNotPsd: return "keine PSD-Datei";
    case kIsErrPsdUnsupported: return "PSD-Farbtiefe oder Farbmodus nicht unterstützt";
    case kIsErrNoDecoder: return "für dieses Bildformat gibt es keinen Leser";
    case kIsErrPsdResources: return "PSD-Bildressourcen fehlerhaft";
    default: return "unbekannter Fehler";
  }
}

LibraryThreadState* currentThreadState() {
  if (threadState) return threadState;
  LibraryThreadState* state = new (std::nothrow) LibraryThreadState;
  if (!state) return nullptr;  // try again on the next call
  StateRegistry& reg = registry();
  try {
    std::lock_guard<std::mutex> guard(reg.lock);
    reg.records.push_back(state);
  } catch (...) {
    delete state;
    return nullptr;
  }
  threadState = state;
  return state;
}

std::string isLogTimeText() {
  LocalTime now;
  readLocalClock(now);
  auto part = [](int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, v < 10 ? "0%d" : "%d", v);
    return std::string(buf);
  };
  return part(now.hour) + ":" + part(now.minute) + ":" + part(now.second);
}

std::string isErrorText(int32_t code, const std::string& detail) {
  if (code == kIsErrNoDecoder && !detail.empty())
    return "für das Format " + detail + " gibt es keinen Leser";
  return isErrorText(code);
}

std::string isLastLogDetail() {
  LibraryThreadState* state = currentThreadState();
  if (!state || state->messageLog.empty()) return std::string();
  const std::string& line = state->messageLog.back();
  size_t close = line.rfind(']');
  size_t open = close == std::string::npos ? close : line.rfind('[', close);
  if (open == std::string::npos || close != line.size() - 1) return std::string();
  return line.substr(open + 1, close - open - 1);
}

void RecordOutcome(LibraryThreadState* state, int32_t code, const char* opName, const char* extra) {
  if (!state) return;
  if (code != 0) {
    const char* name = opName ? opName : "(unspecified function)";
    std::string time = isLogTimeText();
    char line[1000];  // the message is cut to 999 characters
    if (extra)
      std::snprintf(line, sizeof line, "Error %d in %s (%s) [%s]", static_cast<int>(code), name, time.c_str(), extra);
    else
      std::snprintf(line, sizeof line, "Error %d in %s (%s)", static_cast<int>(code), name, time.c_str());
    try {
      state->messageLog.emplace_back(line);
      while (state->messageLog.size() > kIsMessageLogLines) state->messageLog.erase(state->messageLog.begin());
    } catch (...) {
      // The log is a diagnostic; the last error below is what counts.
    }
  }
  state->lastError = code;
}

void RecordOutcome(int32_t code, const char* opName, const char* extra) {
  RecordOutcome(currentThreadState(), code, opName, extra);
}

IsOperation::IsOperation(const char* name) : name_(name), state_(currentThreadState()) {
  if (state_) RecordOutcome(state_, 0, name_);
}

IsOperation::~IsOperation() {
  if (state_) RecordOutcome(state_, code, name_, extra_.empty() ? nullptr : extra_.c_str());
}

void IsOperation::fail(int32_t errorCode, const char* extraText) {
  code = errorCode;
  if (extraText) {
    try {
      extra_ = extraText;
    } catch (...) {
    }
  }
}

int32_t IS40_GetLastError() {
  LibraryThreadState* state = currentThreadState();
  return state ? state->lastError : 0;
}

void IS40_Shutdown() {
  // Nothing to release: the thread records go with their threads or at process exit.
}

std::vector<std::string> IS40_GetMessageLog() {
  LibraryThreadState* state = currentThreadState();
  if (!state) return {};
  return state->messageLog;
}

double clampUnit(double value) {
  if (!(value >= 0.0)) return 0.0;
  return value > 1.0 ? 1.0 : value;
}

double currentTextTransparency() {
  LibraryThreadState* state = currentThreadState();
  return state ? state->textTransparency : 1.0;
}

void setCurrentTextTransparency(double opacity) {
  LibraryThreadState* state = currentThreadState();
  if (state) state->textTransparency = clampUnit(opacity);
}

bool checkedMultiply(uint64_t a, uint64_t b, uint64_t& out) {
  if (a != 0 && b > UINT64_MAX / a) return false;
  out = a * b;
  return true;
}

bool checkedMultiply3(uint64_t a, uint64_t b, uint64_t c, uint64_t& out) {
  uint64_t ab;
  return checkedMultiply(a, b, ab) && checkedMultiply(ab, c, out);
}

BYTE* allocReturnedBlock(uint64_t bytes, int32_t& error) {
  if (bytes >= kIsAllocLimit) {
    error = kIsErrOutOfMemory;
    return nullptr;
  }
  BYTE* block = static_cast<BYTE*>(callGlobalAlloc(GPTR, static_cast<SIZE_T>(bytes)));
  if (!block) error = kIsErrOutOfMemory;
  return block;
}

BYTE* reallocReturnedBlock(BYTE* block, uint64_t bytes, int32_t& error) {
  if (!block || bytes >= kIsAllocLimit) {
    error = kIsErrOutOfMemory;
    return nullptr;
  }
  BYTE* grown = static_cast<BYTE*>(GlobalReAlloc(block, static_cast<SIZE_T>(bytes), GMEM_MOVEABLE));
  if (!grown) error = kIsErrOutOfMemory;
  return grown;
}

ReturnedBlock::~ReturnedBlock() {
  if (block_) GlobalFree(block_);
}

bool ReturnedBlock::allocate(uint64_t bytes, int32_t& error) {
  if (block_) GlobalFree(block_);
  block_ = allocReturnedBlock(bytes, error);
  return block_ != nullptr;
}

bool ReturnedBlock::resize(uint64_t bytes, int32_t& error) {
  BYTE* grown = reallocReturnedBlock(block_, bytes, error);
  if (!grown) return false;
  block_ = grown;
  return true;
}

BYTE* ReturnedBlock::release() {
  BYTE* b = block_;
  block_ = nullptr;
  return b;
}

ScratchBlock::~ScratchBlock() { std::free(block_); }

bool ScratchBlock::allocate(uint64_t bytes, int32_t& error) {
  std::free(block_);
  block_ = nullptr;
  size_ = 0;
  if (bytes >= kIsAllocLimit) {
    error = kIsErrOutOfMemory;
    return false;
  }
  block_ = static_cast<BYTE*>(std::calloc(1, bytes ? static_cast<size_t>(bytes) : 1));
  if (!block_) {
    error = kIsErrOutOfMemory;
    return false;
  }
  size_ = bytes;
  return true;
}

void setGlobalAllocHookForTests(IsGlobalAllocHook hook) { allocHook.store(hook); }

void setTraceSinkForTests(IsTraceSink sink) { traceSink.store(sink); }

void isTrace(const char* format, ...) {
  IsTraceSink sink = traceSink.load();
  if (!sink) return;
  char line[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  sink(line);
}
