// The few Windows names that the portable core's interfaces use. On Windows they come from
// <windows.h>; the native build gets the same names, sizes and meanings from here.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t UINT;
typedef char CHAR;
typedef DWORD COLORREF;
typedef void* HGLOBAL;
typedef void* HANDLE;
typedef void* LPVOID;
typedef size_t SIZE_T;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

#define MAX_PATH 260
#define LF_FACESIZE 32

#define RGB(r, g, b) ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))
#define GetRValue(rgb) ((BYTE)(rgb))
#define GetGValue(rgb) ((BYTE)(((WORD)(rgb)) >> 8))
#define GetBValue(rgb) ((BYTE)((rgb) >> 16))

#define FW_DONTCARE 0
#define FW_NORMAL 400
#define FW_BOLD 700
#define FW_EXTRABOLD 800
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define ANTIALIASED_QUALITY 4
#define DEFAULT_PITCH 0
#define FF_DONTCARE 0
#define FF_SWISS 0x20

struct LOGFONTA {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  CHAR lfFaceName[LF_FACESIZE];
};

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

struct SIZE {
  LONG cx;
  LONG cy;
};

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

// GlobalAlloc blocks on the C heap. A small header keeps the size so that GlobalSize and
// GlobalReAlloc behave as on Windows (the handle of a fixed block is its address).
namespace win_compat_detail {
struct BlockHeader {
  size_t size;
  size_t pad;  // keeps the user block 16-byte aligned
};
}  // namespace win_compat_detail

inline HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  using win_compat_detail::BlockHeader;
  if (bytes > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
  void* raw = (flags & GMEM_ZEROINIT) ? std::calloc(1, sizeof(BlockHeader) + bytes)
                                      : std::malloc(sizeof(BlockHeader) + bytes);
  if (!raw) return nullptr;
  static_cast<BlockHeader*>(raw)->size = bytes;
  return static_cast<BlockHeader*>(raw) + 1;
}

inline HGLOBAL GlobalFree(HGLOBAL block) {
  if (block) std::free(static_cast<win_compat_detail::BlockHeader*>(block) - 1);
  return nullptr;
}

inline SIZE_T GlobalSize(HGLOBAL block) {
  return block ? (static_cast<win_compat_detail::BlockHeader*>(block) - 1)->size : 0;
}

inline HGLOBAL GlobalReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags) {
  using win_compat_detail::BlockHeader;
  if (!block) return nullptr;
  if (bytes > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
  BlockHeader* old = static_cast<BlockHeader*>(block) - 1;
  size_t oldSize = old->size;
  void* raw = std::realloc(old, sizeof(BlockHeader) + bytes);
  if (!raw) return nullptr;
  BlockHeader* header = static_cast<BlockHeader*>(raw);
  header->size = bytes;
  if ((flags & GMEM_ZEROINIT) && bytes > oldSize)
    std::memset(reinterpret_cast<char*>(header + 1) + oldSize, 0, bytes - oldSize);
  return header + 1;
}

#endif
