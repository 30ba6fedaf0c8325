// The tool's PNG output: an RgbImage encoded with libpng, written through the files seam.
#pragma once

#include "platform/win_compat.h"

// Writes the W x H RgbImage (stride W x 3) as an 8-bit RGB PNG; the old file stays when
// anything fails. 1 on success.
int writePngFile(const BYTE* image, int W, int H, const char* path);
