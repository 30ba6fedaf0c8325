// A files seam that breaks on purpose. It replaces the native primitives in the programs it is
// linked into (and, through the linker's --wrap=fwrite, the image library's stdio writes) and
// counts the steps of every save: each write of up to 4 KiB, each flush to disk, each final
// move. The n-th step counted fails as the disk would let it fail: a write with ENOSPC after
// half of its bytes arrived, a flush with EIO, a move with EACCES.
//
// A full disk can also show late: stdio takes the bytes into its buffer, fwrite reports
// success and only the flush or the close of the stream fails. With `deferred` a failing
// image-library write goes that way: the stream loses what it buffered and everything after,
// and its next fflush and its fclose fail with ENOSPC.
//
// In the test program the plan is set with failStep(); a program run from the outside takes
// it from the environment at its start: QUENDLER_FAIL_STEP (the step's number) and
// QUENDLER_FAIL_DEFERRED=1; with QUENDLER_STEP_LOG=FILE it writes the steps it counted into
// FILE when it ends ("writes flushes moves").
#pragma once

struct StepCounts {
  int writes = 0;
  int flushes = 0;
  int replaces = 0;
  int total() const { return writes + flushes + replaces; }
};

// Counts from zero again; with n > 0 the n-th step from now fails (only that one).
void failStep(int n, bool deferred = false);
StepCounts countedSteps();
