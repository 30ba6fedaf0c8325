#include "platform/files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace {

// Bytes that a text-mode or string-based write would change or cut short.
const std::string kBinary("a\0b\r\n\x1a\xff\n", 8);

class FilesTest : public ::testing::Test {
 protected:
  fs::path folder;
  void SetUp() override {
    folder = fs::temp_directory_path() /
             (std::string("quendler-files-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(folder, ec);
  }
  std::string at(const char* leaf) const { return (folder / leaf).string(); }
  void put(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    ASSERT_EQ(std::fclose(f), 0);
  }
  std::string contents(const std::string& path) {
    std::string out;
    EXPECT_EQ(readWholeFile(path.c_str(), out), 1) << path;
    return out;
  }
  // After a failed replace: the old bytes, and nothing of ours beside them.
  void expectUntouched(const std::string& target, const std::string& before) {
    EXPECT_EQ(contents(target), before);
    EXPECT_FALSE(fs::exists(target + ".tmp"));
  }
};

TEST_F(FilesTest, ReplaceWritesExactlyTheBytesNewOrOverAnOldFile) {
  std::string target = at("data.bin");
  ASSERT_EQ(replaceFileContents(target.c_str(), kBinary.data(), kBinary.size()), 1);
  EXPECT_EQ(contents(target), kBinary);
  EXPECT_FALSE(fs::exists(target + ".tmp"));

  // Larger than any one read or write buffer, then shorter again: nothing of the old tail stays.
  std::string big(200003, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 251);
  ASSERT_EQ(replaceFileContents(target.c_str(), big.data(), big.size()), 1);
  EXPECT_EQ(contents(target), big);
  ASSERT_EQ(replaceFileContents(target.c_str(), "kurz", 4), 1);
  EXPECT_EQ(contents(target), "kurz");
  // A longer temporary file left by a run that died is emptied first, not written into.
  put(target + ".tmp", big);
  ASSERT_EQ(replaceFileContents(target.c_str(), "neu", 3), 1);
  EXPECT_EQ(contents(target), "neu");

  ASSERT_EQ(replaceFileContents(target.c_str(), nullptr, 0), 1);
  EXPECT_EQ(fs::file_size(target), 0u);
  EXPECT_FALSE(fs::exists(target + ".tmp"));
}

TEST_F(FilesTest, ReadFailsForWhatIsNoReadableFile) {
  for (std::string path : {at("missing"), folder.string(), std::string()}) {
    std::string out = "alt";
    EXPECT_EQ(readWholeFile(path.c_str(), out), 0) << path;
    EXPECT_EQ(out, "");
  }
}

TEST_F(FilesTest, FailedReplaceKeepsTheOldFile) {
  std::string target = at("termine.qtm");
  put(target, kBinary);

  // The temporary name is taken by a folder: the replace cannot start, and the folder,
  // which is not ours, stays.
  fs::create_directory(target + ".tmp");
  EXPECT_EQ(replaceFileContents(target.c_str(), "neu", 3), 0);
  EXPECT_EQ(contents(target), kBinary);
  EXPECT_TRUE(fs::is_directory(target + ".tmp"));
  fs::remove(target + ".tmp");

  // A folder stands at the target: the move fails after the temporary file was written.
  std::string box = at("box");
  fs::create_directory(box);
  put(box + "/inside", "drin");
  EXPECT_EQ(replaceFileContents(box.c_str(), "neu", 3), 0);
  EXPECT_TRUE(fs::is_directory(box));
  EXPECT_EQ(contents(box + "/inside"), "drin");
  EXPECT_FALSE(fs::exists(box + ".tmp"));

  // The folder of the target does not exist.
  std::string nowhere = at("missing/termine.qtm");
  EXPECT_EQ(replaceFileContents(nowhere.c_str(), "neu", 3), 0);
  EXPECT_FALSE(fs::exists(at("missing")));

  EXPECT_EQ(replaceFileContents("", "neu", 3), 0);
  EXPECT_EQ(replaceFileContents(target.c_str(), nullptr, 3), 0);
  expectUntouched(target, kBinary);

#ifdef _WIN32
  // A read-only file is not replaced (natively the tests run as root, whom no mode stops).
  ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(replaceFileContents(target.c_str(), "neu", 3), 0);
  ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL));
  expectUntouched(target, kBinary);
#endif
}

TEST_F(FilesTest, SafeReplaceCommitsWhatTheWriterPutBesideTheTargetOrRemovesIt) {
  std::string target = at("wallpaper.bmp");
  put(target, "alt");
  {
    // The writer gave up half-way and returned early.
    SafeReplace replace(target.c_str());
    put(replace.temporaryPath(), "halb");
  }
  expectUntouched(target, "alt");
  {
    SafeReplace replace(target.c_str());  // nothing was written
    EXPECT_EQ(replace.commit(), 0);
  }
  expectUntouched(target, "alt");

  SafeReplace replace(target.c_str());
  EXPECT_EQ(fs::path(replace.temporaryPath()), fs::path(target + ".tmp"));
  FILE* f = std::fopen(replace.temporaryPath(), "wb");
  ASSERT_NE(f, nullptr);
  for (char c : kBinary) std::fputc(c, f);
  ASSERT_EQ(std::fclose(f), 0);
  EXPECT_EQ(contents(target), "alt");  // nothing changes before the commit
  ASSERT_EQ(replace.commit(), 1);
  EXPECT_EQ(contents(target), kBinary);
  EXPECT_FALSE(fs::exists(target + ".tmp"));
  EXPECT_EQ(replace.commit(), 0);  // once only
  EXPECT_EQ(contents(target), kBinary);
}

}  // namespace
