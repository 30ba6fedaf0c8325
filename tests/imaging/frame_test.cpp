#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "imaging/frame.h"
#include "imaging/image_ops.h"
#include "imaging/owned_block.h"
#include "imaging/sources.h"
#include "platform/clock.h"
#include "tests/support/clock_guard.h"

namespace {

LocalTime at(int hour, int minute, int second) {
  LocalTime t;
  t.year = 2026;
  t.month = 12;
  t.day = 9;
  t.hour = hour;
  t.minute = minute;
  t.second = second;
  return t;
}

// Grows an owned block as the library grows its returned blocks; the owner then holds
// whichever block is valid.
BYTE* regrow(OwnedBlock& block, uint64_t bytes, int32_t& error) {
  BYTE* grown = reallocReturnedBlock(block.get(), bytes, error);
  if (grown) {
    block.release();  // moved or freed by the reallocation
    block.reset(grown);
  }
  return grown;
}

class FrameTest : public ::testing::Test {
 protected:
  void TearDown() override { setGlobalAllocHookForTests(nullptr); }

 private:
  ClockGuard keepClock_;
};

TEST_F(FrameTest, SuccessClearsThePreviousFailure) {
  EXPECT_FALSE(IS40_Seek(nullptr, 0, 0));
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  BYTE bytes[4] = {1, 2, 3, 4};
  ISSource s = IS40_OpenMemorySource(bytes, sizeof bytes);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(IS40_GetLastError(), 0);
  EXPECT_EQ(IS40_CloseSource(s), 0u);
  EXPECT_EQ(IS40_GetLastError(), 0);
}

TEST_F(FrameTest, LogLinesCarryCodeNameTimeAndExtraText) {
  setClockStart(at(9, 5, 7), true);
  size_t before = IS40_GetMessageLog().size();
  IS40_Seek(nullptr, 0, 0);
  BYTE px[3] = {0, 0, 0};
  IS40_ResizeImage(px, 1, 1, 3, px, 1, 1, 3, 3, 3, 0);
  setClockStart(at(14, 30, 59), true);
  RecordOutcome(17, nullptr);
  std::vector<std::string> log = IS40_GetMessageLog();
  ASSERT_GE(log.size(), 3u);
  if (before + 3 <= 50) {
    ASSERT_EQ(log.size(), before + 3);
  }
  EXPECT_EQ(log[log.size() - 3], "Error 5 in IS40_Seek (09:05:07)");
  EXPECT_EQ(log[log.size() - 2], "Error 5 in IS40_ResizeImage (09:05:07) [scaling mode 3 is not available]");
  EXPECT_EQ(log[log.size() - 1], "Error 17 in (unspecified function) (14:30:59)");
  EXPECT_EQ(IS40_GetLastError(), 17);

  // Successes write no line; reading the log is not an operation and keeps the last error.
  RecordOutcome(0, "IS40_Anything");
  EXPECT_EQ(IS40_GetMessageLog().size(), log.size());
  EXPECT_EQ(IS40_GetLastError(), 0);
}

TEST_F(FrameTest, LongExtraTextIsCutTo999Characters) {
  std::string extra(3000, 'x');
  RecordOutcome(3, "IS40_ReadBMP", extra.c_str());
  std::string line = IS40_GetMessageLog().back();
  EXPECT_EQ(line.size(), 999u);
  EXPECT_EQ(line.compare(0, 23, "Error 3 in IS40_ReadBMP"), 0);
}

TEST_F(FrameTest, TheFiftyFirstFailureDropsTheFirstLine) {
  // In a fresh thread, so the log starts empty.
  std::vector<std::string> log;
  std::thread([&] {
    for (int i = 0; i <= 50; ++i) RecordOutcome(5, ("op" + std::to_string(i)).c_str());
    log = IS40_GetMessageLog();
  }).join();
  ASSERT_EQ(log.size(), 50u);
  EXPECT_EQ(log.front().compare(0, 14, "Error 5 in op1"), 0) << log.front();
  EXPECT_EQ(log.back().compare(0, 15, "Error 5 in op50"), 0) << log.back();
}

TEST_F(FrameTest, StateIsPerThread) {
  IS40_Seek(nullptr, 0, 0);
  ASSERT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  setCurrentTextTransparency(0.5);

  int32_t firstInThread = -1;
  double opacityInThread = -1;
  int32_t afterFailureInThread = -1;
  std::thread([&] {
    firstInThread = IS40_GetLastError();
    opacityInThread = currentTextTransparency();
    IS40_OpenMemorySource(nullptr, 0);
    setCurrentTextTransparency(0.25);
    afterFailureInThread = IS40_GetLastError();
  }).join();
  EXPECT_EQ(firstInThread, 0);
  EXPECT_EQ(opacityInThread, 1.0);
  EXPECT_EQ(afterFailureInThread, kIsErrBadArgument);
  EXPECT_EQ(currentTextTransparency(), 0.5);

  // Another thread's success does not clear this thread's failure either.
  std::thread([] { RecordOutcome(0, "IS40_Other"); }).join();
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);

  setCurrentTextTransparency(2.0);
  EXPECT_EQ(currentTextTransparency(), 1.0);
  setCurrentTextTransparency(-1.0);
  EXPECT_EQ(currentTextTransparency(), 0.0);
  setCurrentTextTransparency(1.0);
}

TEST_F(FrameTest, ManyThreadsKeepTheirOwnOutcomes) {
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([t, &wrong] {
      BYTE bytes[8] = {0};
      for (int i = 0; i < 300; ++i) {
        int32_t want = (i + t) % 3 == 0 ? kIsErrBadArgument : 0;
        ISSource s = IS40_OpenMemorySource(want ? nullptr : bytes, sizeof bytes);
        if (IS40_GetLastError() != want) ++wrong;
        if (s) IS40_CloseSource(s);
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(wrong.load(), 0);
}

std::atomic<int> allocCalls{0};
HGLOBAL countingAlloc(UINT flags, SIZE_T bytes) {
  ++allocCalls;
  (void)flags;
  (void)bytes;
  return nullptr;  // never actually hand out gigabytes
}

TEST_F(FrameTest, AllocationLimitIsRefusedWithoutAskingTheHeap) {
  setGlobalAllocHookForTests(countingAlloc);
  allocCalls = 0;
  int32_t error = 0;
  EXPECT_EQ(allocReturnedBlock(0x7FFDEFFF, error), nullptr);
  EXPECT_EQ(error, kIsErrOutOfMemory);
  EXPECT_EQ(allocReturnedBlock(0xFFFFFFFFFFull, error), nullptr);
  EXPECT_EQ(allocCalls.load(), 0);

  // One byte below the limit the heap is asked (and here it says no).
  error = 0;
  EXPECT_EQ(allocReturnedBlock(0x7FFDEFFE, error), nullptr);
  EXPECT_EQ(error, kIsErrOutOfMemory);
  EXPECT_EQ(allocCalls.load(), 1);

  setGlobalAllocHookForTests(nullptr);
  error = 0;
  OwnedBlock block(allocReturnedBlock(64, error));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(GlobalSize(block.get()), 64u);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(block.get()[i], 0) << "GPTR blocks are zero-filled";
  block.get()[63] = 7;
  ASSERT_NE(regrow(block, 4096, error), nullptr);
  EXPECT_EQ(block.get()[63], 7);
  EXPECT_EQ(regrow(block, 0x7FFDEFFF, error), nullptr);
  EXPECT_EQ(error, kIsErrOutOfMemory);
  // The failed growth left the block valid: its owner frees it (ASan would see a bad free).
}

}  // namespace
