// Each save killed with SIGKILL at random moments, in a child that saves two contents in
// turn: the target must always be one of them complete, and nothing but the one temporary
// file of the interrupted save may lie beside it until the next save ends.
//
// The delays are drawn from a seed that is printed; QUENDLER_KILL_SEED=N replays a run.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>

#include "tests/crash_safety/saves.h"
#include "tests/support/files.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kKills = 200;

uint64_t runSeed() {
  static const uint64_t seed = []() -> uint64_t {
    if (const char* text = std::getenv("QUENDLER_KILL_SEED")) return std::strtoull(text, nullptr, 10);
    std::random_device device;
    return (uint64_t(device()) << 32) ^ device();
  }();
  return seed;
}

// The child: signals that it starts, then saves the two contents in turn until it is killed.
// The alarm ends it should the parent be gone.
[[noreturn]] void saveUntilKilled(UserSave& save, int first, int readyFd) {
  alarm(30);
  char go = 1;
  if (write(readyFd, &go, 1) != 1) _exit(4);
  close(readyFd);
  for (int which = first;; which ^= 1)
    if (!save.save(which)) _exit(3);
}

std::string leafOf(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }
std::string folderOf(const std::string& path) { return path.substr(0, path.find_last_of('/')); }

class KillDuringSave : public ::testing::TestWithParam<int> {};

TEST_P(KillDuringSave, TargetIsAlwaysOneCompleteContent) {
  std::vector<std::unique_ptr<UserSave>> saves = makeUserSaves();
  UserSave& save = *saves[GetParam()];
  const uint64_t seed = runSeed();
  std::printf("%s: seed %llu (QUENDLER_KILL_SEED=%llu replays it)\n", save.name(),
              static_cast<unsigned long long>(seed), static_cast<unsigned long long>(seed));
  SCOPED_TRACE("QUENDLER_KILL_SEED=" + std::to_string(seed));
  std::mt19937_64 random(seed ^ static_cast<uint64_t>(GetParam()));

  TempFolder folder("kill");
  ASSERT_FALSE(folder.path().empty());
  ASSERT_TRUE(save.prepare(folder.path(), true));
  const std::string target = save.target(), leaf = leafOf(target), dir = folderOf(target);
  const std::string temporary = leaf + ".tmp";

  // How long one save takes here; the kills are spread evenly over two of them.
  Clock::time_point start = Clock::now();
  for (int i = 1; i <= 6; ++i) ASSERT_EQ(save.save(i % 2), 1);
  const long long perSave =
      std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count() / 6;
  std::uniform_int_distribution<long long> delay(0, 2 * perSave + 50);

  int onDisk = 0, heldOld = 0, heldNew = 0, withTemporary = 0;
  for (int k = 0; k < kKills; ++k) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const long long wait = delay(random);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(ready[0]);
      saveUntilKilled(save, onDisk ^ 1, ready[1]);
    }
    close(ready[1]);
    char go = 0;
    ssize_t got = read(ready[0], &go, 1);
    close(ready[0]);
    if (got == 1) std::this_thread::sleep_for(std::chrono::microseconds(wait));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_EQ(got, 1) << "the child did not start";
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        << "kill " << k << ": the saving child ended by itself (a save failed), status " << status;

    const std::string where = "kill " + std::to_string(k) + " after " + std::to_string(wait) + " us";
    std::string now;
    ASSERT_EQ(getFile(target, now), 1) << where << ": the target is gone";
    if (now == save.content(onDisk)) {
      ++heldOld;
    } else if (now == save.content(onDisk ^ 1)) {
      ++heldNew;
      onDisk ^= 1;
    } else {
      FAIL() << where << ": the target holds " << now.size() << " bytes, neither content ("
             << save.content(0).size() << " or " << save.content(1).size() << ")";
    }
    for (const std::string& name : folderEntries(dir)) {
      ASSERT_TRUE(name == leaf || name == temporary) << where << ": " << name << " beside the target";
      if (name == temporary) ++withTemporary;
    }

    // The next complete save leaves the target alone in its folder again.
    ASSERT_EQ(save.save(onDisk ^ 1), 1) << where;
    onDisk ^= 1;
    ASSERT_EQ(getFile(target, now), 1);
    ASSERT_EQ(now, save.content(onDisk)) << where;
    ASSERT_EQ(folderEntries(dir), std::vector<std::string>{leaf}) << where;
  }
  std::printf("%s: %d kills, %.2f ms per save (%zu / %zu bytes); the target held the old content "
              "%d times, the new %d times; a temporary file lay beside it %d times\n",
              save.name(), kKills, perSave / 1000.0, save.content(0).size(), save.content(1).size(),
              heldOld, heldNew, withTemporary);
  // Kills that all landed between two saves would prove nothing.
  EXPECT_GT(withTemporary, 0);
  EXPECT_GT(heldOld, 0);
  EXPECT_GT(heldNew, 0);
}

INSTANTIATE_TEST_SUITE_P(Saves, KillDuringSave, ::testing::Range(0, 4),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(makeUserSaves()[info.param]->name());
                         });

}  // namespace
