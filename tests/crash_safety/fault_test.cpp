// Every step of every save failed in turn (write, flush, move; see faulty_files.h): the save
// says so, the old file stays as it was (or there still is none) and nothing is left beside
// it. Then the same save without a fault goes through with the same steps.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "alarms/appointment_file.h"
#include "notes/note_files.h"
#include "render/compose.h"
#include "tests/crash_safety/faulty_files.h"
#include "tests/crash_safety/saves.h"
#include "tests/support/files.h"

namespace {

std::string leafOf(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }
std::string folderOf(const std::string& path) { return path.substr(0, path.find_last_of('/')); }

class FaultDuringSave : public ::testing::TestWithParam<int> {};

TEST_P(FaultDuringSave, EveryFailedStepKeepsTheOldFileAndIsReported) {
  std::vector<std::unique_ptr<UserSave>> saves = makeUserSaves();
  UserSave& save = *saves[GetParam()];
  const bool isNote = std::string(save.name()) == "note";
  struct Round {
    const char* what;
    int old;  // -1: no file yet
    int fresh;
  };
  for (Round round : {Round{"large over small", 0, 1}, Round{"small over large", 1, 0},
                      Round{"large where there was none", -1, 1}}) {
    SCOPED_TRACE(round.what);
    TempFolder folder("fault");
    ASSERT_FALSE(folder.path().empty());
    failStep(0);
    ASSERT_TRUE(save.prepare(folder.path(), round.old >= 0));
    if (round.old == 1) {
      ASSERT_EQ(save.save(1), 1);
    }
    const std::string target = save.target(), dir = folderOf(target);
    const std::vector<std::string> untouched =
        round.old >= 0 ? std::vector<std::string>{leafOf(target)} : std::vector<std::string>{};
    std::string before;
    ASSERT_EQ(getFile(target, before), round.old >= 0 ? 1 : 0);
    if (round.old >= 0) {
      ASSERT_EQ(before, save.content(round.old));
    }

    // Counted once without a fault; then the old state is put back.
    failStep(0);
    ASSERT_EQ(save.save(round.fresh), 1);
    const StepCounts steps = countedSteps();
    std::string now;
    ASSERT_EQ(getFile(target, now), 1);
    ASSERT_EQ(now, save.content(round.fresh));
    EXPECT_GE(steps.writes, static_cast<int>((now.size() + 4095) / 4096));
    EXPECT_EQ(steps.flushes, 1);
    EXPECT_EQ(steps.replaces, 1);
    if (round.old >= 0)
      ASSERT_TRUE(putFile(target, before));
    else
      ASSERT_EQ(unlink(target.c_str()), 0);
    std::printf("%s, %s: %d steps (%d writes, %d flush, %d move)\n", save.name(), round.what,
                steps.total(), steps.writes, steps.flushes, steps.replaces);

    save.messages.clear();
    for (int n = 1; n <= steps.total(); ++n) {
      // Every other time a run that died before left its temporary file behind.
      if (n % 2) {
        ASSERT_TRUE(putFile(target + ".tmp", "Rest eines abgebrochenen Laufs"));
      }
      failStep(n);
      int result = save.save(round.fresh);
      const StepCounts reached = countedSteps();
      failStep(0);
      EXPECT_EQ(result, 0) << "step " << n << " failed, the save says it worked";
      EXPECT_EQ(reached.total(), n) << "the save went on after its step " << n << " failed";
      EXPECT_EQ(getFile(target, now), round.old >= 0 ? 1 : 0) << "step " << n;
      if (round.old >= 0) {
        EXPECT_TRUE(now == before) << "step " << n << ": the old file changed";
      }
      EXPECT_EQ(folderEntries(dir), untouched) << "step " << n;
      if (isNote) {
        EXPECT_EQ(save.messages, std::vector<std::string>{std::string(kNoteSaveError) + "|" + target})
            << "step " << n;
        // Still unsaved, so that closing the window tries again instead of dropping the text.
        ASSERT_TRUE(NoteList.currentIndex >= 0 && NoteList.currentIndex < NoteList.count);
        EXPECT_EQ(NoteList.entries[NoteList.currentIndex].dirty, 1) << "step " << n;
      }
      save.messages.clear();
    }

    failStep(0);
    ASSERT_EQ(save.save(round.fresh), 1);
    EXPECT_EQ(countedSteps().total(), steps.total());
    ASSERT_EQ(getFile(target, now), 1);
    EXPECT_TRUE(now == save.content(round.fresh));
    EXPECT_EQ(folderEntries(dir), std::vector<std::string>{leafOf(target)});
    EXPECT_TRUE(save.messages.empty());
  }
}

// The image library's stream meets the full disk only when it is flushed at the end.
TEST(FaultDuringSave, WallpaperNoticesADiskThatFilledUnderTheStreamBuffer) {
  std::vector<std::unique_ptr<UserSave>> saves = makeUserSaves();
  UserSave& save = *saves[2];
  ASSERT_STREQ(save.name(), "wallpaper");
  TempFolder folder("fault-deferred");
  ASSERT_FALSE(folder.path().empty());
  ASSERT_TRUE(save.prepare(folder.path(), true));
  failStep(0);
  ASSERT_EQ(save.save(1), 1);
  const int writes = countedSteps().writes;
  ASSERT_TRUE(putFile(save.target(), save.content(0)));
  for (int n = 1; n <= writes; ++n) {
    failStep(n, true);
    int result = save.save(1);
    const StepCounts reached = countedSteps();
    failStep(0);
    EXPECT_EQ(result, 0) << "write " << n;
    EXPECT_EQ(reached.replaces, 0) << "write " << n << " was lost, yet the file was moved over";
    std::string now;
    EXPECT_EQ(getFile(save.target(), now), 1);
    EXPECT_TRUE(now == save.content(0)) << "write " << n << ": the old file changed";
    EXPECT_EQ(folderEntries(folder.path()), std::vector<std::string>{"wallpaper.bmp"}) << "write " << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Saves, FaultDuringSave, ::testing::Range(0, 4),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(makeUserSaves()[info.param]->name());
                         });

// ---- the tool, built over the same failing seam ---------------------------------------------

struct ToolRun {
  int exitCode = -1;
  std::string errors;
};

ToolRun runTool(const std::string& arguments, int failAt, bool deferred, StepCounts* counted = nullptr) {
  TempFolder out("fault-tool-out");
  std::string errorFile = out.file("stderr.txt"), stepFile = out.file("steps.txt");
  std::string command = "QUENDLER_STEP_LOG='" + stepFile + "' QUENDLER_FAIL_STEP=" + std::to_string(failAt) +
                        " QUENDLER_FAIL_DEFERRED=" + (deferred ? "1" : "0") + " '" QUENDLER_FAULTY_TOOL "' " +
                        arguments + " >/dev/null 2>'" + errorFile + "'";
  ToolRun run;
  int status = std::system(command.c_str());
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  getFile(errorFile, run.errors);
  std::string steps;
  if (counted && getFile(stepFile, steps))
    std::sscanf(steps.c_str(), "%d %d %d", &counted->writes, &counted->flushes, &counted->replaces);
  return run;
}

// A run whose step failed: code 1 and the message, the target as it was, nothing beside it.
void expectFailedRun(const ToolRun& run, const std::string& target, const std::string& before,
                     const std::string& message) {
  EXPECT_EQ(run.errors.find("Sanitizer"), std::string::npos) << run.errors;
  EXPECT_EQ(run.exitCode, 1) << run.errors;
  EXPECT_NE(run.errors.find(message), std::string::npos) << run.errors;
  std::string now;
  EXPECT_EQ(getFile(target, now), 1);
  EXPECT_TRUE(now == before) << "the old file changed";
  EXPECT_EQ(folderEntries(folderOf(target)), std::vector<std::string>{leafOf(target)});
}

// Runs the command with step 1, 2, ... failing until it gets through. The number of steps of
// the run that got through.
int failEachStep(const std::string& arguments, const std::string& target, const std::string& message) {
  std::string before;
  EXPECT_EQ(getFile(target, before), 1);
  for (int n = 1; n < 400; ++n) {
    ToolRun run = runTool(arguments, n, false);
    if (run.exitCode == 0) {
      EXPECT_EQ(run.errors.find(message), std::string::npos) << run.errors;
      EXPECT_EQ(folderEntries(folderOf(target)), std::vector<std::string>{leafOf(target)});
      return n - 1;
    }
    SCOPED_TRACE("step " + std::to_string(n));
    expectFailedRun(run, target, before, message);
    if (::testing::Test::HasFailure()) return -1;
  }
  ADD_FAILURE() << "the command never got through";
  return -1;
}

// The tools that start slowly (fonts, pictures) see a late failure only at some writes: the
// first, one in the middle and the last of a run that went through.
void failSomeWritesLate(const std::string& arguments, const std::string& target, const std::string& message) {
  std::string before;
  ASSERT_EQ(getFile(target, before), 1);
  StepCounts steps;
  ASSERT_EQ(runTool(arguments, 0, false, &steps).exitCode, 0);
  ASSERT_GE(steps.writes, 3);
  std::string complete;
  ASSERT_EQ(getFile(target, complete), 1);
  for (int n : {1, steps.writes / 2, steps.writes}) {
    SCOPED_TRACE("write " + std::to_string(n) + ", seen at the flush");
    ASSERT_TRUE(putFile(target, before));
    expectFailedRun(runTool(arguments, n, true), target, before, message);
  }
  std::string now;
  ASSERT_EQ(runTool(arguments, 0, false).exitCode, 0);
  ASSERT_EQ(getFile(target, now), 1);
  EXPECT_TRUE(now == complete);
}

TEST(FaultDuringToolSave, AlarmsWriteReportsEveryFailedStep) {
  TempFolder folder("fault-alarms");
  ASSERT_FALSE(folder.path().empty());
  std::unique_ptr<AppointmentTable> table(new AppointmentTable());
  table->count = 2;
  Appointment& due = table->slots[0];
  due.repeatKind = kRepeatOnce;
  due.day = 28, due.month = 3, due.year = 2026, due.hour = 7, due.minute = 1;
  due.action = kActionNotice;
  std::snprintf(due.name, sizeof due.name, "Arzt");
  Appointment& later = table->slots[1];
  later = due;
  later.repeatKind = kRepeatDaily;
  later.hour = 9;
  std::snprintf(later.name, sizeof later.name, "Wecker");
  const std::string file = folder.file("termine.qtm");
  std::string bytes(reinterpret_cast<const char*>(table->slots), 2 * kAppointmentRecordSize);
  ASSERT_TRUE(putFile(file, bytes));

  // The check in 07:01 fires the appointment and saves the file once.
  const std::string arguments =
      "alarms '" + file + "' --from '2026-03-28 07:00' --to '2026-03-28 07:01' --write";
  int steps = failEachStep(arguments, file, "Fehler beim Speichern der Termin-Datei!");
  EXPECT_EQ(steps, 3);  // one write of 1840 bytes, the flush, the move
  std::string now;
  ASSERT_EQ(getFile(file, now), 1);
  EXPECT_EQ(now.size(), bytes.size());
  EXPECT_NE(now, bytes);  // the fired appointment was written back changed
}

TEST(FaultDuringToolSave, WallpaperReportsEveryFailedStep) {
  TempFolder folder("fault-wallpaper");
  ASSERT_FALSE(folder.path().empty());
  const std::string file = folder.file("wallpaper.bmp");
  const std::string arguments = "wallpaper --size 16x16 --date 2026-04-05 --seed 7 --out '" + file + "'";
  const std::string message = "wallpaper.bmp konnte nicht geschrieben werden";
  ASSERT_TRUE(putFile(file, "das alte Bild"));
  int steps = failEachStep(arguments, file, message);
  EXPECT_GE(steps, 16 + 2);  // at least a write per row, the flush and the move
  std::string now;
  ASSERT_EQ(getFile(file, now), 1);
  EXPECT_EQ(now.size(), 54u + 48u * 16u);
  EXPECT_EQ(now.compare(0, 2, "BM"), 0);
  ASSERT_TRUE(putFile(file, "das alte Bild"));
  failSomeWritesLate(arguments, file, message);

  // A PNG is encoded in memory and handed to the seam whole.
  TempFolder other("fault-wallpaper-png");
  ASSERT_FALSE(other.path().empty());
  const std::string png = other.file("wallpaper.png");
  ASSERT_TRUE(putFile(png, "das alte Bild"));
  const std::string pngArguments = "wallpaper --size 16x16 --date 2026-04-05 --seed 7 --out '" + png + "'";
  EXPECT_EQ(failEachStep(pngArguments, png, "wallpaper.png konnte nicht geschrieben werden"), 3);
  ASSERT_EQ(getFile(png, now), 1);
  EXPECT_EQ(now.compare(0, 4, "\x89PNG"), 0);
}

// The image commands write their picture as the wallpaper is written; a disk that fills up
// under the stream's buffer was once reported as success with a short file over the old one.
TEST(FaultDuringToolSave, ImageConvertReportsEveryFailedStep) {
  TempFolder input("fault-image-in"), folder("fault-image");
  ASSERT_FALSE(input.path().empty() || folder.path().empty());
  const std::string source = input.file("quelle.bmp"), file = folder.file("bild.bmp");
  std::vector<BYTE> pixels(20 * 12 * 3);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<BYTE>(i * 5);
  failStep(0);
  ASSERT_EQ(writeWallpaperFile(pixels.data(), 20, 12, source.c_str()), 1);
  std::string expected, now;
  ASSERT_EQ(getFile(source, expected), 1);
  const std::string arguments = "image convert '" + source + "' '" + file + "'";
  ASSERT_TRUE(putFile(file, "das alte Bild"));
  EXPECT_GE(failEachStep(arguments, file, "bild.bmp"), 12 + 2);
  ASSERT_EQ(getFile(file, now), 1);
  EXPECT_TRUE(now == expected) << now.size() << " bytes";

  // Every write failing late, this command being quick.
  for (int n = 1; n <= 12 + 2; ++n) {
    SCOPED_TRACE("write " + std::to_string(n) + ", seen at the flush");
    ASSERT_TRUE(putFile(file, "das alte Bild"));
    expectFailedRun(runTool(arguments, n, true), file, "das alte Bild", "bild.bmp");
  }
}

// text render once wrote straight into its target: a failure cost the older picture.
TEST(FaultDuringToolSave, TextRenderReportsFailedStepsAndKeepsTheOldPicture) {
  TempFolder folder("fault-text");
  ASSERT_FALSE(folder.path().empty());
  const std::string file = folder.file("text.bmp");
  const std::string arguments = "text render '" + file + "' 12 --height -8";
  ASSERT_TRUE(putFile(file, "das alte Bild"));
  failSomeWritesLate(arguments, file, "text.bmp kann nicht");
  // The flush and the move, the last two steps.
  StepCounts steps;
  ASSERT_EQ(runTool(arguments, 0, false, &steps).exitCode, 0);
  ASSERT_EQ(steps.flushes + steps.replaces, 2);
  for (int n : {steps.total() - 1, steps.total()}) {
    SCOPED_TRACE("step " + std::to_string(n));
    ASSERT_TRUE(putFile(file, "das alte Bild"));
    expectFailedRun(runTool(arguments, n, false), file, "das alte Bild", "text.bmp kann nicht");
  }
}

}  // namespace
