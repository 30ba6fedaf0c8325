// The resource seam: the pictures, bitmaps and icons the program carries, found by type and
// name.
//
// Windows: the resources compiled into the executable (FindResourceA, LoadResource,
// LockResource, SizeofResource on the program's own module). Native: the files that the art
// generator writes, listed in the resource manifest ("manifest.txt": one "TYPE NAME FILE" line
// per resource) of the resource directory.
//
// Types are named as strings:
//   "BITMAP"  the standard bitmap type (RT_BITMAP). The bytes are a packed DIB, exactly what
//             LoadResource gives on Windows: BITMAPINFOHEADER, colour table, pixel rows; no
//             BITMAPFILEHEADER. The native store serves the generator's .bmp file without its
//             first 14 bytes.
//   "ICON"    an icon group (RT_GROUP_ICON). On Windows the bytes are the group directory
//             (GRPICONDIR), which only LoadImage/LookupIconIdFromDirectory make sense of;
//             natively they are the whole .ico file. Portable code does not read icons.
//   anything else: a custom type ("RASTER", "ALARM", "PREV", "BITMAPI", "DATA"); the bytes are
//             the file as the generator wrote it (a PSD, a complete BMP file, ...).
// Names are compared without regard to case, as FindResourceA does.
//
// The returned bytes stay valid and unchanged for the rest of the run (natively, until the
// resource directory is changed); nothing is to be freed. Both functions may be called from
// any thread.
#pragma once

// 1 and *data, *size set when the resource exists, else 0 (and *data = null, *size = 0).
int findResourceBytes(const char* type, const char* name, const unsigned char** data,
                      unsigned long* size);

// Native store: the directory whose manifest is used. Without a call it is the value of the
// environment variable QUENDLER_RESOURCES, or else the build tree's generated folder. Null or
// an empty text goes back to that default. Meant for tests and the tool, before the pictures
// are used; it drops every file the store had loaded, so no lookup may run at the same time.
// On Windows it does nothing.
void setResourceDirectory(const char* directory);

// The directory the native store reads (empty on Windows).
const char* resourceDirectory();
