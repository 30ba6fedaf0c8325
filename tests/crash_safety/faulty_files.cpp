// The native primitives of platform/files.h with a step counter and one planned failure.
// Apart from the counting and the failure they do what the shipped ones do (without the
// folder's fsync after a move, which no test here can observe).
#include "tests/crash_safety/faulty_files.h"

#include <fcntl.h>
#include <stdio_ext.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "platform/files.h"

extern "C" size_t __real_fwrite(const void* data, size_t size, size_t count, FILE* stream);
extern "C" int __real_fflush(FILE* stream);
extern "C" int __real_fclose(FILE* stream);

namespace {

constexpr size_t kChunk = 4096;

enum class Step { Write, Flush, Replace };

struct Plan {
  StepCounts counts;
  int failAt = 0;
  bool deferred = false;
  std::set<FILE*> fullStreams;  // streams that met the full disk without being told yet
  Plan() {
    if (const char* n = std::getenv("QUENDLER_FAIL_STEP")) failAt = std::atoi(n);
    if (const char* d = std::getenv("QUENDLER_FAIL_DEFERRED")) deferred = std::atoi(d) != 0;
    if (std::getenv("QUENDLER_STEP_LOG")) std::atexit(&logSteps);
  }
  // "writes flushes moves" into the file QUENDLER_STEP_LOG names, for the test that ran us.
  static void logSteps();
};

// Never destroyed: the step log is written at exit, after static objects may be gone.
Plan& plan() {
  static Plan* p = new Plan();
  return *p;
}

void Plan::logSteps() {
  const StepCounts& c = plan().counts;
  if (FILE* log = std::fopen(std::getenv("QUENDLER_STEP_LOG"), "w")) {
    std::fprintf(log, "%d %d %d\n", c.writes, c.flushes, c.replaces);
    __real_fclose(log);
  }
}

// Counts one step; true when it is the one that fails.
bool stepFails(Step step) {
  Plan& p = plan();
  int& count = step == Step::Write ? p.counts.writes : step == Step::Flush ? p.counts.flushes : p.counts.replaces;
  ++count;
  return p.failAt > 0 && p.counts.total() == p.failAt;
}

bool writeAll(int fd, const char* p, size_t n) {
  while (n > 0) {
    ssize_t done = write(fd, p, n);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) {
      if (done == 0) errno = ENOSPC;
      return false;
    }
    p += done;
    n -= static_cast<size_t>(done);
  }
  return true;
}

void closeKeepingErrno(int fd) {
  int saved = errno;
  close(fd);
  errno = saved;
}

}  // namespace

void failStep(int n, bool deferred) {
  plan().counts = StepCounts();
  plan().failAt = n;
  plan().deferred = deferred;
}

StepCounts countedSteps() { return plan().counts; }

int platformReadFile(const char* path, std::string& out) {
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  char buffer[65536];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      closeKeepingErrno(fd);
      return 0;
    }
    if (n == 0) break;
    out.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return 1;
}

int platformWriteFile(const char* path, const void* data, size_t size) {
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return 0;
  const char* p = static_cast<const char*>(data);
  for (size_t at = 0; at < size; at += kChunk) {
    size_t n = size - at < kChunk ? size - at : kChunk;
    if (stepFails(Step::Write)) {
      writeAll(fd, p + at, n / 2);  // the disk filled up half-way through this piece
      errno = ENOSPC;
      closeKeepingErrno(fd);
      return 0;
    }
    if (!writeAll(fd, p + at, n)) {
      closeKeepingErrno(fd);
      return 0;
    }
  }
  return close(fd) == 0;
}

int platformFlushFile(const char* path) {
  int fd = open(path, O_WRONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  if (stepFails(Step::Flush)) {
    errno = EIO;
    closeKeepingErrno(fd);
    return 0;
  }
  int ok = fsync(fd) == 0;
  int saved = errno;
  if (close(fd) != 0) return 0;
  errno = saved;
  return ok;
}

int platformMoveOver(const char* from, const char* to) {
  if (stepFails(Step::Replace)) {
    errno = EACCES;
    return 0;
  }
  return std::rename(from, to) == 0;
}

int platformRemoveFile(const char* path) { return unlink(path) == 0; }

// The image library writes its files with fwrite. Every call on a file of its own (not the
// console) is counted in pieces of up to 4 KiB. A failing piece gets half of its bytes into
// the stream and a short count back, as fwrite reports a full disk; deferred, the call seems to
// succeed and the stream is full from then on.
extern "C" size_t __wrap_fwrite(const void* data, size_t size, size_t count, FILE* stream) {
  if (stream == stdout || stream == stderr || size == 0 || count == 0 || !data)
    return __real_fwrite(data, size, count, stream);
  Plan& p = plan();
  const char* bytes = static_cast<const char*>(data);
  size_t total = size * count;
  for (size_t at = 0; at < total; at += kChunk) {
    size_t n = total - at < kChunk ? total - at : kChunk;
    bool fails = stepFails(Step::Write);
    if (p.fullStreams.count(stream)) continue;  // lost on the full disk, unknowingly
    if (fails && p.deferred) {
      p.fullStreams.insert(stream);
      continue;
    }
    if (fails) {
      size_t half = __real_fwrite(bytes + at, 1, n / 2, stream);
      errno = ENOSPC;
      return (at + half) / size;
    }
    size_t done = __real_fwrite(bytes + at, 1, n, stream);
    if (done < n) return (at + done) / size;
  }
  return count;
}

extern "C" int __wrap_fflush(FILE* stream) {
  if (!stream || !plan().fullStreams.count(stream)) return __real_fflush(stream);
  __fpurge(stream);
  errno = ENOSPC;
  return EOF;
}

extern "C" int __wrap_fclose(FILE* stream) {
  if (!plan().fullStreams.erase(stream)) return __real_fclose(stream);
  __fpurge(stream);
  __real_fclose(stream);
  errno = ENOSPC;
  return EOF;
}
