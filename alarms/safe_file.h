// Replacing a file so that a failure never destroys the old one: write everything to a
// temporary file beside it, then move that over the target.
#pragma once

#include <cstdio>
#include <string>

// The temporary name beside a target ("<target>.tmp").
std::string temporaryPathBeside(const char* target);

// Flushes and closes a file that was written; 1 only when every byte reached the system.
int finishWrittenFile(FILE* file);

// Moves `temporary` over `target`. Where the platform's rename does not replace an existing
// file, the old one is set aside first and put back if the move fails. On failure the
// temporary file is removed and the target is as it was. Returns 1 on success.
int replaceFileWith(const char* temporary, const char* target);
