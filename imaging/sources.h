// Sources and destinations of the image library: the CISIO family. Readers take their bytes
// from a source, writers put theirs into a destination; the public operations hand the object
// out as an opaque handle.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <type_traits>

#include "platform/win_compat.h"

enum CisioKind : uint32_t {
  kCisioClosed = 0,
  kCisioFile = 1,
  kCisioMemory = 2,
};

class CISIO {
 public:
  virtual ~CISIO() = default;

  // true when Read returned exactly n bytes.
  virtual bool ReadExact(void* buffer, DWORD n);
  // The number of bytes actually read.
  virtual DWORD Read(void* buffer, DWORD n) = 0;
  // origin 0/1/2 = from the start / the current position / the end.
  virtual bool Seek(LONG offset, int origin) = 0;
  virtual bool Rewind();
  virtual bool GetSize(DWORD& size) = 0;
  virtual bool Tell(DWORD& position) = 0;
  virtual bool AtEnd() = 0;
  virtual bool Write(const void* buffer, DWORD size, DWORD count) = 0;
  virtual bool WriteBytes(const void* buffer, DWORD n);
  virtual bool Close() = 0;
  virtual const char* Name() const = 0;
  virtual bool IsOpen() const = 0;
  virtual bool Assign(CISIO& other) = 0;
  // Memory destinations only.
  virtual bool OpenForWrite(void* buffer, DWORD capacity, bool flag);

  // uint32_t and DWORD are different types on Windows; either may receive a size or position.
  template <typename T, typename = std::enable_if_t<std::is_unsigned<T>::value && sizeof(T) == 4 &&
                                                    !std::is_same<T, DWORD>::value>>
  bool GetSize(T& size) {
    DWORD v = 0;
    if (!GetSize(v)) return false;
    size = v;
    return true;
  }
  template <typename T, typename = std::enable_if_t<std::is_unsigned<T>::value && sizeof(T) == 4 &&
                                                    !std::is_same<T, DWORD>::value>>
  bool Tell(T& position) {
    DWORD v = 0;
    if (!Tell(v)) return false;
    position = v;
    return true;
  }

  DWORD kind() const { return kind_; }
  bool writable() const { return writable_; }

 protected:
  DWORD kind_ = kCisioClosed;
  bool writable_ = false;
  bool modeFlag_ = false;  // file: update of an existing file; memory: the caller's write flag
};

class CISIO_File : public CISIO {
 public:
  ~CISIO_File() override;

  bool OpenRead(const char* path);
  // update = false: created or emptied ("wb+"); true: an existing file is kept and written
  // from its beginning ("rb+", created empty first when missing).
  bool OpenWrite(const char* path, bool update);

  using CISIO::GetSize;
  using CISIO::Tell;
  DWORD Read(void* buffer, DWORD n) override;
  bool Seek(LONG offset, int origin) override;
  bool GetSize(DWORD& size) override;
  bool Tell(DWORD& position) override;
  bool AtEnd() override;
  bool Write(const void* buffer, DWORD size, DWORD count) override;
  bool Close() override;
  const char* Name() const override { return path_; }
  bool IsOpen() const override;
  // Takes over the other object's stream: one stream has one owner, so it is closed once.
  bool Assign(CISIO& other) override;

 private:
  FILE* file_ = nullptr;
  char path_[MAX_PATH] = {0};
};

class CISIO_Memory : public CISIO {
 public:
  // The caller's bytes are neither copied nor freed.
  bool OpenRead(const void* buffer, DWORD size);
  bool OpenForWrite(void* buffer, DWORD capacity, bool flag) override;

  using CISIO::GetSize;
  using CISIO::Tell;
  DWORD Read(void* buffer, DWORD n) override;
  bool Seek(LONG offset, int origin) override;
  bool GetSize(DWORD& size) override;
  bool Tell(DWORD& position) override;
  // true once the position has reached the size: nothing is left to read.
  bool AtEnd() override;
  bool Write(const void* buffer, DWORD size, DWORD count) override;
  bool Close() override;
  const char* Name() const override { return "[Memory]"; }
  bool IsOpen() const override;
  bool Assign(CISIO& other) override;

  const BYTE* data() const { return buffer_; }
  DWORD position() const { return position_; }

 private:
  DWORD end() const { return writable_ ? highWater_ : size_; }

  BYTE* buffer_ = nullptr;
  DWORD size_ = 0;  // size when reading, capacity when writing
  DWORD position_ = 0;
  DWORD highWater_ = 0;
};

// Handles of the public operations.
typedef CISIO* ISSource;
typedef CISIO* ISDest;

// Multi-byte readers over ReadExact; false when the source ends early.
bool readU8(CISIO& source, BYTE& value);
bool readU16BE(CISIO& source, WORD& value);
bool readU32BE(CISIO& source, DWORD& value);
bool readU16LE(CISIO& source, WORD& value);
bool readU32LE(CISIO& source, DWORD& value);
template <typename T, typename = std::enable_if_t<std::is_unsigned<T>::value && sizeof(T) == 4 &&
                                                  !std::is_same<T, DWORD>::value>>
bool readU32BE(CISIO& source, T& value) {
  DWORD v = 0;
  if (!readU32BE(source, v)) return false;
  value = v;
  return true;
}
template <typename T, typename = std::enable_if_t<std::is_unsigned<T>::value && sizeof(T) == 4 &&
                                                  !std::is_same<T, DWORD>::value>>
bool readU32LE(CISIO& source, T& value) {
  DWORD v = 0;
  if (!readU32LE(source, v)) return false;
  value = v;
  return true;
}

// Public operations.
ISSource IS40_OpenMemorySource(const void* buffer, DWORD size);
BOOL IS40_Seek(ISSource source, LONG offset, int origin);
DWORD IS40_CloseSource(ISSource source);
ISDest IS40_OpenFileDest(const char* path, BOOL update);
DWORD IS40_CloseDest(ISDest dest);

// Used by the tool and the tests: a file source (error 2 when it cannot be opened) and a
// memory destination over the caller's block (error 5 for a null block or zero capacity).
ISSource IS40_OpenFileSource(const char* path);
ISDest IS40_OpenMemoryDest(void* buffer, DWORD capacity);
