// Sources and destinations of the image library: the CISIO family. Readers take their bytes
// from a source, writers put theirs into a destination; the public operations hand the object
// out as an opaque handle.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

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
  virtual bool ReadExact(void* buffer, uint32_t n);
  // The number of bytes actually read.
  virtual uint32_t Read(void* buffer, uint32_t n) = 0;
  // origin 0/1/2 = from the start / the current position / the end.
  virtual bool Seek(int32_t offset, int origin) = 0;
  virtual bool Rewind();
  virtual bool GetSize(uint32_t& size) = 0;
  virtual bool Tell(uint32_t& position) = 0;
  virtual bool AtEnd() = 0;
  virtual bool Write(const void* buffer, uint32_t size, uint32_t count) = 0;
  virtual bool WriteBytes(const void* buffer, uint32_t n);
  virtual bool Close() = 0;
  virtual const char* Name() const = 0;
  virtual bool IsOpen() const = 0;
  virtual bool Assign(CISIO& other) = 0;
  // Memory destinations only.
  virtual bool OpenForWrite(void* buffer, uint32_t capacity, bool flag);

  uint32_t kind() const { return kind_; }
  bool writable() const { return writable_; }

 protected:
  uint32_t kind_ = kCisioClosed;
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

  uint32_t Read(void* buffer, uint32_t n) override;
  bool Seek(int32_t offset, int origin) override;
  bool GetSize(uint32_t& size) override;
  bool Tell(uint32_t& position) override;
  bool AtEnd() override;
  bool Write(const void* buffer, uint32_t size, uint32_t count) override;
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
  bool OpenRead(const void* buffer, uint32_t size);
  bool OpenForWrite(void* buffer, uint32_t capacity, bool flag) override;

  uint32_t Read(void* buffer, uint32_t n) override;
  bool Seek(int32_t offset, int origin) override;
  bool GetSize(uint32_t& size) override;
  bool Tell(uint32_t& position) override;
  // true once the position has reached the size: nothing is left to read.
  bool AtEnd() override;
  bool Write(const void* buffer, uint32_t size, uint32_t count) override;
  bool Close() override;
  const char* Name() const override { return "[Memory]"; }
  bool IsOpen() const override;
  bool Assign(CISIO& other) override;

  const BYTE* data() const { return buffer_; }
  uint32_t position() const { return position_; }

 private:
  uint32_t end() const { return writable_ ? highWater_ : size_; }

  BYTE* buffer_ = nullptr;
  uint32_t size_ = 0;  // size when reading, capacity when writing
  uint32_t position_ = 0;
  uint32_t highWater_ = 0;
};

// Handles of the public operations.
typedef CISIO* ISSource;
typedef CISIO* ISDest;

// Multi-byte readers over ReadExact; false when the source ends early.
bool readU8(CISIO& source, uint8_t& value);
bool readU16BE(CISIO& source, uint16_t& value);
bool readU32BE(CISIO& source, uint32_t& value);
bool readU16LE(CISIO& source, uint16_t& value);
bool readU32LE(CISIO& source, uint32_t& value);

// Public operations.
ISSource IS40_OpenMemorySource(const void* buffer, uint32_t size);
BOOL IS40_Seek(ISSource source, int32_t offset, int origin);
uint32_t IS40_CloseSource(ISSource source);
ISDest IS40_OpenFileDest(const char* path, BOOL update);
uint32_t IS40_CloseDest(ISDest dest);

// Used by the tool and the tests: a file source (error 2 when it cannot be opened) and a
// memory destination over the caller's block (error 5 for a null block or zero capacity).
ISSource IS40_OpenFileSource(const char* path);
ISDest IS40_OpenMemoryDest(void* buffer, uint32_t capacity);
