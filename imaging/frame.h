// The frame that every IS40_ operation shares: the per-thread library state (last error,
// message log, text opacity), the error codes, and the allocation rule for returned buffers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win_compat.h"

// Outcome codes (0 is success).
constexpr int32_t kIsOk = 0;
constexpr int32_t kIsErrOutOfMemory = 1;
constexpr int32_t kIsErrCannotOpen = 2;         // file cannot be opened; unknown picture format
constexpr int32_t kIsErrRead = 3;               // source ended early, read failed, damaged data
constexpr int32_t kIsErrWrite = 4;
constexpr int32_t kIsErrBadArgument = 5;
constexpr int32_t kIsErrNotBmp = 6;             // not a BMP file or an unsupported BMP layout
constexpr int32_t kIsErrGdi = 10;               // a GDI context, bitmap or brush failed
constexpr int32_t kIsErrResourceNotFound = 13;
constexpr int32_t kIsErrPngDecode = 15;
constexpr int32_t kIsErrBadBitmap = 17;
constexpr int32_t kIsErrFont = 18;
constexpr int32_t kIsErrTooManyRows = 24;
constexpr int32_t kIsErrGetDIBits = 25;
constexpr int32_t kIsErrNoDIBitmaps = 26;       // device context lacks RC_DI_BITMAP
constexpr int32_t kIsErrCreateDIBitmap = 35;
constexpr int32_t kIsErrNotOpen = 38;
constexpr int32_t kIsErrNotPsd = 46;
constexpr int32_t kIsErrPsdUnsupported = 47;
constexpr int32_t kIsErrNoDecoder = 52;          // a recognised format this build has no reader for
constexpr int32_t kIsErrPsdResources = 67;

// The German meaning of an outcome code, for the tool and for trace lines.
const char* isErrorText(int32_t code);

// The same with the detail that the failing operation logged (the format for kIsErrNoDecoder):
// "für das Format GIF gibt es keinen Leser". Without a detail, isErrorText.
std::string isErrorText(int32_t code, const std::string& detail);

// The bracketed detail of the calling thread's newest log line ("GIF" of "... [GIF]"); empty
// when there is none.
std::string isLastLogDetail();

// Requests of this many bytes or more are refused as out of memory without asking the heap.
constexpr uint64_t kIsAllocLimit = 0x7FFDEFFF;

// At most this many failure lines are kept per thread.
constexpr size_t kIsMessageLogLines = 50;

struct LibraryThreadState {
  double textTransparency = 1.0;
  int32_t lastError = 0;
  std::vector<std::string> messageLog;  // oldest first
};

// The calling thread's record, created on first use; null only when it cannot be created.
LibraryThreadState* currentThreadState();

// Stores `code` as the thread's last error; a non-zero code also appends a log line.
void RecordOutcome(LibraryThreadState* state, int32_t code, const char* opName, const char* extra = nullptr);
void RecordOutcome(int32_t code, const char* opName, const char* extra = nullptr);

// The local time as the log writes it: "9:05:07" becomes "09:05:07".
std::string isLogTimeText();

// Entry/exit discipline of one public operation: outcome 0 is recorded on entry, the
// operation's own outcome (`code`) when the frame goes out of scope.
//
//   IsOperation op("IS40_Something");
//   if (!op.active()) return 0;
//   if (!arg) return op.fail(kIsErrBadArgument), 0;
//   return somethingInternal(..., op.code);
class IsOperation {
 public:
  explicit IsOperation(const char* name);
  ~IsOperation();
  IsOperation(const IsOperation&) = delete;
  IsOperation& operator=(const IsOperation&) = delete;

  bool active() const { return state_ != nullptr; }
  void fail(int32_t errorCode, const char* extraText = nullptr);
  LibraryThreadState* state() const { return state_; }

  int32_t code = 0;  // the outcome recorded at exit

 private:
  const char* name_;
  LibraryThreadState* state_;
  std::string extra_;
};

// Public operations of the frame.
int32_t IS40_GetLastError();
void IS40_Shutdown();

// The calling thread's failure lines, oldest first. Reading the log is not an operation: it
// records nothing and leaves the last error alone.
std::vector<std::string> IS40_GetMessageLog();

// The calling thread's text opacity (used by the smooth-text operations), always 0.0 ... 1.0.
double currentTextTransparency();
void setCurrentTextTransparency(double opacity);

// Clamps to 0.0 ... 1.0; NaN counts as 0.0.
double clampUnit(double value);

// Overflow-checked products. false when the result does not fit 64 bits.
bool checkedMultiply(uint64_t a, uint64_t b, uint64_t& out);
bool checkedMultiply3(uint64_t a, uint64_t b, uint64_t c, uint64_t& out);

// A returned buffer: one GlobalAlloc(GPTR) block, zero-filled. Requests at or above the limit
// fail with error 1 before GlobalAlloc is called; so does a failed GlobalAlloc.
BYTE* allocReturnedBlock(uint64_t bytes, int32_t& error);
// Grows or shrinks such a block (GlobalReAlloc with GMEM_MOVEABLE, same limit). On failure the
// old block stays valid and null is returned.
BYTE* reallocReturnedBlock(BYTE* block, uint64_t bytes, int32_t& error);

// Owns a returned block until it is handed to the caller with release().
class ReturnedBlock {
 public:
  ReturnedBlock() = default;
  ~ReturnedBlock();
  ReturnedBlock(const ReturnedBlock&) = delete;
  ReturnedBlock& operator=(const ReturnedBlock&) = delete;

  bool allocate(uint64_t bytes, int32_t& error);
  bool resize(uint64_t bytes, int32_t& error);
  BYTE* get() const { return block_; }
  BYTE* release();

 private:
  BYTE* block_ = nullptr;
};

// A temporary block of the library's own (row buffers, tables), freed at scope exit. Same
// limit; zero-filled.
class ScratchBlock {
 public:
  ScratchBlock() = default;
  ~ScratchBlock();
  ScratchBlock(const ScratchBlock&) = delete;
  ScratchBlock& operator=(const ScratchBlock&) = delete;

  bool allocate(uint64_t bytes, int32_t& error);
  BYTE* get() const { return block_; }
  template <typename T>
  T* as() const { return reinterpret_cast<T*>(block_); }
  uint64_t size() const { return size_; }

 private:
  BYTE* block_ = nullptr;
  uint64_t size_ = 0;
};

// Test seam: replaces GlobalAlloc for returned blocks (null restores it). Lets tests count
// heap requests and make them fail.
using IsGlobalAllocHook = HGLOBAL (*)(UINT flags, SIZE_T bytes);
void setGlobalAllocHookForTests(IsGlobalAllocHook hook);

// Debug trace sink for the decoders' diagnostic lines; nothing visible in the program
// unless a sink is set (tests).
using IsTraceSink = void (*)(const char* line);
void setTraceSinkForTests(IsTraceSink sink);
void isTrace(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
