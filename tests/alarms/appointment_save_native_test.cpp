// A save whose writes fail half-way (the file size limit of the process) must leave the old
// file as it was.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "alarms/appointment_file.h"

namespace {

long fileSize(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return -1;
  std::fseek(f, 0, SEEK_END);
  long n = std::ftell(f);
  std::fclose(f);
  return n;
}

TEST(AppointmentSave, WriteErrorKeepsTheOldFile) {
  std::string path = "/tmp/quendler_alarms_write_error.qtm";
  std::unique_ptr<AppointmentTable> table(new AppointmentTable());
  table->count = 1;
  std::strcpy(table->slots[0].name, "alt");
  ASSERT_EQ(saveAppointmentTable(*table, path.c_str()), 1);
  ASSERT_EQ(fileSize(path), 920);

  table->count = 20;  // 18400 bytes, far beyond the limit below
  for (int i = 0; i < 20; ++i) std::snprintf(table->slots[i].name, 96, "neu %02d", i);

  struct rlimit old;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  struct rlimit small = old;
  small.rlim_cur = 5000;
  signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  int result = saveAppointmentTable(*table, path.c_str());
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, SIG_DFL);

  EXPECT_EQ(result, 0);
  EXPECT_EQ(fileSize(path), 920);
  EXPECT_EQ(fileSize(path + ".tmp"), -1);
  std::unique_ptr<AppointmentTable> back(new AppointmentTable());
  ASSERT_EQ(loadAppointmentTable(*back, path.c_str(), 0, 1, 1, 2010), 1);
  ASSERT_EQ(back->count, 1);
  EXPECT_STREQ(back->slots[0].name, "alt");
  std::remove(path.c_str());
}

}  // namespace
