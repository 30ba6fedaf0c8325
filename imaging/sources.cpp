#include "imaging/sources.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "imaging/frame.h"

// ---- CISIO: the shared slots --------------------------------------------------------------

bool CISIO::ReadExact(void* buffer, DWORD n) { return Read(buffer, n) == n; }

bool CISIO::Rewind() { return Seek(0, 0); }

bool CISIO::WriteBytes(const void* buffer, DWORD n) { return Write(buffer, 1, n); }

bool CISIO::OpenForWrite(void*, DWORD, bool) { return false; }

// ---- CISIO_File ---------------------------------------------------------------------------

CISIO_File::~CISIO_File() {
  // A destination that was never closed still gives its stream back.
  if (file_) std::fclose(file_);
}

bool CISIO_File::OpenRead(const char* path) {
  if (!path || !*path || std::strlen(path) >= sizeof path_ || file_) return false;
  file_ = std::fopen(path, "rb");
  if (!file_) return false;
  std::strcpy(path_, path);
  kind_ = kCisioFile;
  writable_ = false;
  modeFlag_ = false;
  return true;
}

bool CISIO_File::OpenWrite(const char* path, bool update) {
  if (!path || !*path || std::strlen(path) >= sizeof path_ || file_) return false;
  if (update) {
    // Make sure the file exists without emptying one that is there ("a" never truncates).
    if (FILE* probe = std::fopen(path, "ab")) std::fclose(probe);
    file_ = std::fopen(path, "rb+");
  } else {
    file_ = std::fopen(path, "wb+");
  }
  if (!file_) return false;
  std::strcpy(path_, path);
  kind_ = kCisioFile;
  writable_ = true;
  modeFlag_ = update;
  return true;
}

DWORD CISIO_File::Read(void* buffer, DWORD n) {
  if (!IsOpen() || !buffer || n == 0) return 0;
  return static_cast<DWORD>(std::fread(buffer, 1, n, file_));
}

bool CISIO_File::Seek(LONG offset, int origin) {
  if (!IsOpen() || origin < 0 || origin > 2) return false;
  static const int whence[3] = {SEEK_SET, SEEK_CUR, SEEK_END};
  return std::fseek(file_, offset, whence[origin]) == 0;
}

bool CISIO_File::GetSize(DWORD& size) {
  if (!IsOpen()) return false;
  if (writable_) std::fflush(file_);
  struct stat st;
  if (fstat(fileno(file_), &st) != 0) return false;
  size = static_cast<DWORD>(st.st_size);
  return true;
}

bool CISIO_File::Tell(DWORD& position) {
  if (!IsOpen()) return false;
  long p = std::ftell(file_);
  if (p < 0) return false;
  position = static_cast<DWORD>(p);
  return true;
}

bool CISIO_File::AtEnd() { return IsOpen() && std::feof(file_) != 0; }

bool CISIO_File::Write(const void* buffer, DWORD size, DWORD count) {
  if (!IsOpen() || !writable_) return false;
  if (size == 0 || count == 0) return true;
  if (!buffer) return false;
  return std::fwrite(buffer, size, count, file_) == count;
}

bool CISIO_File::Close() {
  kind_ = kCisioClosed;
  if (file_) std::fclose(file_);
  file_ = nullptr;
  return true;
}

bool CISIO_File::IsOpen() const { return kind_ == kCisioFile && file_ != nullptr; }

bool CISIO_File::Assign(CISIO& other) {
  CISIO_File* from = dynamic_cast<CISIO_File*>(&other);
  if (!from || from == this) return false;
  if (file_) std::fclose(file_);
  kind_ = from->kind_;
  writable_ = from->writable_;
  modeFlag_ = from->modeFlag_;
  file_ = from->file_;
  std::memcpy(path_, from->path_, sizeof path_);
  from->file_ = nullptr;
  from->kind_ = kCisioClosed;
  return true;
}

// ---- CISIO_Memory -------------------------------------------------------------------------

bool CISIO_Memory::OpenRead(const void* buffer, DWORD size) {
  if (!buffer || size == 0) return false;
  // Reading never writes through the pointer; writable stays false.
  buffer_ = static_cast<BYTE*>(const_cast<void*>(buffer));
  size_ = size;
  position_ = 0;
  highWater_ = 0;
  writable_ = false;
  modeFlag_ = false;
  kind_ = kCisioMemory;
  return true;
}

bool CISIO_Memory::OpenForWrite(void* buffer, DWORD capacity, bool flag) {
  if (!buffer || capacity == 0) return false;
  buffer_ = static_cast<BYTE*>(buffer);
  size_ = capacity;
  position_ = 0;
  highWater_ = 0;
  writable_ = true;
  modeFlag_ = flag;
  kind_ = kCisioMemory;
  return true;
}

DWORD CISIO_Memory::Read(void* buffer, DWORD n) {
  if (!IsOpen() || !buffer || position_ >= end()) return 0;
  DWORD count = std::min(n, end() - position_);
  std::memcpy(buffer, buffer_ + position_, count);
  position_ += count;
  return count;
}

bool CISIO_Memory::Seek(LONG offset, int origin) {
  if (!IsOpen()) return false;
  int64_t target;
  switch (origin) {
    case 0:
      if (offset < 0 || static_cast<DWORD>(offset) >= size_) return false;
      target = offset;
      break;
    case 1:
      target = static_cast<int64_t>(position_) + offset;
      if (target < 0 || target >= static_cast<int64_t>(size_)) return false;
      break;
    case 2:
      if (offset > 0) return false;
      target = static_cast<int64_t>(end()) + offset;
      if (target < 0) return false;  // before the start
      break;
    default:
      return false;
  }
  position_ = static_cast<DWORD>(target);
  if (writable_) highWater_ = std::max(highWater_, position_);
  return true;
}

bool CISIO_Memory::GetSize(DWORD& size) {
  if (!IsOpen()) return false;
  size = writable_ ? highWater_ : size_;
  return true;
}

bool CISIO_Memory::Tell(DWORD& position) {
  if (!IsOpen()) return false;
  position = position_;
  return true;
}

bool CISIO_Memory::AtEnd() { return position_ >= size_; }

bool CISIO_Memory::Write(const void* buffer, DWORD size, DWORD count) {
  if (!IsOpen() || !writable_) return false;
  uint64_t bytes = static_cast<uint64_t>(size) * count;
  if (bytes == 0) return true;
  if (!buffer || position_ + bytes > size_) return false;
  std::memcpy(buffer_ + position_, buffer, static_cast<size_t>(bytes));
  position_ += static_cast<DWORD>(bytes);
  highWater_ = std::max(highWater_, position_);
  return true;
}

bool CISIO_Memory::Close() {
  kind_ = kCisioClosed;
  return true;
}

bool CISIO_Memory::IsOpen() const { return kind_ == kCisioMemory && buffer_ != nullptr && size_ != 0; }

bool CISIO_Memory::Assign(CISIO& other) {
  CISIO_Memory* from = dynamic_cast<CISIO_Memory*>(&other);
  if (!from) return false;
  kind_ = from->kind_;
  writable_ = from->writable_;
  modeFlag_ = from->modeFlag_;
  buffer_ = from->buffer_;
  size_ = from->size_;
  position_ = from->position_;
  highWater_ = from->highWater_;
  return true;
}

// ---- Readers ------------------------------------------------------------------------------

bool readU8(CISIO& source, BYTE& value) { return source.ReadExact(&value, 1); }

bool readU16BE(CISIO& source, WORD& value) {
  BYTE b[2];
  if (!source.ReadExact(b, 2)) return false;
  value = static_cast<WORD>((b[0] << 8) | b[1]);
  return true;
}

bool readU32BE(CISIO& source, DWORD& value) {
  BYTE b[4];
  if (!source.ReadExact(b, 4)) return false;
  value = (static_cast<DWORD>(b[0]) << 24) | (static_cast<DWORD>(b[1]) << 16) |
          (static_cast<DWORD>(b[2]) << 8) | b[3];
  return true;
}

bool readU16LE(CISIO& source, WORD& value) {
  BYTE b[2];
  if (!source.ReadExact(b, 2)) return false;
  value = static_cast<WORD>(b[0] | (b[1] << 8));
  return true;
}

bool readU32LE(CISIO& source, DWORD& value) {
  BYTE b[4];
  if (!source.ReadExact(b, 4)) return false;
  value = b[0] | (static_cast<DWORD>(b[1]) << 8) | (static_cast<DWORD>(b[2]) << 16) |
          (static_cast<DWORD>(b[3]) << 24);
  return true;
}

// ---- Public operations --------------------------------------------------------------------

ISSource IS40_OpenMemorySource(const void* buffer, DWORD size) {
  IsOperation op("IS40_OpenMemorySource");
  if (!op.active()) return nullptr;
  CISIO_Memory* source = new (std::nothrow) CISIO_Memory;
  if (!source) return op.fail(kIsErrOutOfMemory), nullptr;
  if (!source->OpenRead(buffer, size)) {
    delete source;
    return op.fail(kIsErrBadArgument), nullptr;
  }
  return source;
}

ISSource IS40_OpenFileSource(const char* path) {
  IsOperation op("IS40_OpenFileSource");
  if (!op.active()) return nullptr;
  CISIO_File* source = new (std::nothrow) CISIO_File;
  if (!source) return op.fail(kIsErrOutOfMemory), nullptr;
  if (!source->OpenRead(path)) {
    delete source;
    return op.fail(kIsErrCannotOpen), nullptr;
  }
  return source;
}

BOOL IS40_Seek(ISSource source, LONG offset, int origin) {
  IsOperation op("IS40_Seek");
  if (!op.active()) return FALSE;
  if (!source) return op.fail(kIsErrBadArgument), FALSE;
  return source->Seek(offset, origin) ? TRUE : FALSE;
}

DWORD IS40_CloseSource(ISSource source) {
  IsOperation op("IS40_CloseSource");
  if (!op.active()) return 0;
  if (!source) return op.fail(kIsErrBadArgument), 0;
  DWORD position = 0;
  if (!source->Tell(position)) position = 0;
  source->Close();
  delete source;
  return position;
}

ISDest IS40_OpenFileDest(const char* path, BOOL update) {
  IsOperation op("IS40_OpenFileDest");
  if (!op.active()) return nullptr;
  if (!path || !*path) return op.fail(kIsErrCannotOpen), nullptr;
  CISIO_File* dest = new (std::nothrow) CISIO_File;
  if (!dest) return op.fail(kIsErrOutOfMemory), nullptr;
  if (!dest->OpenWrite(path, update != 0)) {
    delete dest;
    return op.fail(kIsErrCannotOpen), nullptr;
  }
  return dest;
}

ISDest IS40_OpenMemoryDest(void* buffer, DWORD capacity) {
  IsOperation op("IS40_OpenMemoryDest");
  if (!op.active()) return nullptr;
  CISIO_Memory* dest = new (std::nothrow) CISIO_Memory;
  if (!dest) return op.fail(kIsErrOutOfMemory), nullptr;
  if (!dest->OpenForWrite(buffer, capacity, false)) {
    delete dest;
    return op.fail(kIsErrBadArgument), nullptr;
  }
  return dest;
}

DWORD IS40_CloseDest(ISDest dest) {
  IsOperation op("IS40_CloseDest");
  if (!op.active()) return 0;
  if (!dest) return op.fail(kIsErrBadArgument), 0;
  DWORD size = 0;
  if (!dest->GetSize(size)) size = 0;
  dest->Close();
  delete dest;
  return size;
}
