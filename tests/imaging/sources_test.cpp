#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "imaging/frame.h"
#include "imaging/sources.h"
#include "tests/support/files.h"

namespace {

TEST(MemorySource, RefusesEmptyOrMissingBytes) {
  BYTE b = 0;
  EXPECT_EQ(IS40_OpenMemorySource(&b, 0), nullptr);
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  EXPECT_EQ(IS40_OpenMemorySource(nullptr, 10), nullptr);
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  EXPECT_EQ(IS40_CloseSource(nullptr), 0u);
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
}

TEST(MemorySource, SeekRulesAtTheEdges) {
  BYTE bytes[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  ISSource s = IS40_OpenMemorySource(bytes, sizeof bytes);
  ASSERT_NE(s, nullptr);
  DWORD pos = 0;
  BYTE b = 0;

  EXPECT_FALSE(IS40_Seek(s, 10, 0));  // exactly the size
  EXPECT_EQ(IS40_GetLastError(), 0);  // a refused seek is no library failure
  EXPECT_FALSE(IS40_Seek(s, -1, 0));
  EXPECT_TRUE(IS40_Seek(s, 9, 0));
  ASSERT_TRUE(s->ReadExact(&b, 1));
  EXPECT_EQ(b, 9);

  EXPECT_TRUE(IS40_Seek(s, 0, 2));  // origin 2, offset 0: at the end
  ASSERT_TRUE(s->Tell(pos));
  EXPECT_EQ(pos, 10u);
  EXPECT_TRUE(s->AtEnd());
  EXPECT_EQ(s->Read(&b, 1), 0u);
  EXPECT_FALSE(IS40_Seek(s, 1, 2));
  EXPECT_FALSE(IS40_Seek(s, -11, 2));  // before the start
  EXPECT_TRUE(IS40_Seek(s, -10, 2));
  ASSERT_TRUE(s->Tell(pos));
  EXPECT_EQ(pos, 0u);

  EXPECT_TRUE(IS40_Seek(s, 4, 1));
  EXPECT_FALSE(IS40_Seek(s, 6, 1));   // would reach the size
  EXPECT_FALSE(IS40_Seek(s, -5, 1));  // before the start
  EXPECT_TRUE(IS40_Seek(s, -4, 1));
  EXPECT_FALSE(IS40_Seek(s, 0, 3));
  EXPECT_TRUE(s->Rewind());
  EXPECT_EQ(IS40_CloseSource(s), 0u);
}

TEST(MemorySource, AtEndOnlyWhenNothingIsLeft) {
  BYTE one = 42;
  CISIO_Memory m;
  ASSERT_TRUE(m.OpenRead(&one, 1));
  EXPECT_FALSE(m.AtEnd());  // one byte still to read
  BYTE b = 0;
  EXPECT_TRUE(m.ReadExact(&b, 1));
  EXPECT_EQ(b, 42);
  EXPECT_TRUE(m.AtEnd());
  EXPECT_STREQ(m.Name(), "[Memory]");
}

TEST(MemorySource, ReadsAreCutAtTheEndAndNeverWrite) {
  BYTE bytes[6] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
  ISSource s = IS40_OpenMemorySource(bytes, sizeof bytes);
  ASSERT_NE(s, nullptr);
  WORD w = 0;
  DWORD d = 0;
  ASSERT_TRUE(readU16BE(*s, w));
  EXPECT_EQ(w, 0x0102);
  ASSERT_TRUE(readU32BE(*s, d));
  EXPECT_EQ(d, 0x03040506u);
  EXPECT_FALSE(readU16BE(*s, w));
  ASSERT_TRUE(s->Rewind());
  ASSERT_TRUE(readU32LE(*s, d));
  EXPECT_EQ(d, 0x04030201u);

  BYTE buf[16] = {0};
  EXPECT_TRUE(s->Seek(3, 0));
  EXPECT_EQ(s->Read(buf, 16), 3u);
  EXPECT_EQ(buf[2], 0x06);
  EXPECT_FALSE(s->ReadExact(buf, 1));
  // A source is not a destination: the caller's bytes stay as they are.
  s->Rewind();
  EXPECT_FALSE(s->WriteBytes("xx", 2));
  EXPECT_EQ(bytes[0], 0x01);
  EXPECT_EQ(s->Read(buf, 5), 5u);
  EXPECT_EQ(IS40_CloseSource(s), 5u);  // how far it was read
}

TEST(MemoryDest, CapacityAndHighWaterMark) {
  BYTE block[8] = {0};
  ISDest d = IS40_OpenMemoryDest(block, sizeof block);
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(d->WriteBytes("abc", 3));
  EXPECT_TRUE(d->Write("de", 2, 1));
  EXPECT_FALSE(d->Write("xyzw", 2, 2));  // 5 + 4 > 8
  DWORD size = 0;
  ASSERT_TRUE(d->GetSize(size));
  EXPECT_EQ(size, 5u);
  EXPECT_TRUE(d->Seek(6, 0));  // a seek raises the mark
  ASSERT_TRUE(d->GetSize(size));
  EXPECT_EQ(size, 6u);
  EXPECT_TRUE(d->Seek(0, 0));
  BYTE back[8] = {0};
  EXPECT_EQ(d->Read(back, 8), 6u);  // reading a destination stops at the mark
  EXPECT_EQ(std::string(reinterpret_cast<char*>(back), 5), "abcde");
  EXPECT_TRUE(d->Seek(0, 2));
  EXPECT_TRUE(d->Tell(size));
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(IS40_CloseDest(d), 6u);
  EXPECT_EQ(IS40_OpenMemoryDest(block, 0), nullptr);
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
}

TEST(FileDest, NewFileIsEmptiedAndSizedByWhatWasWritten) {
  TempFolder folder("sources");
  std::string path = folder.file("dest_new.bin");
  ASSERT_TRUE(writeFile(path, std::string(100, 'z')));
  ISDest d = IS40_OpenFileDest(path.c_str(), FALSE);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(IS40_GetLastError(), 0);
  EXPECT_TRUE(d->WriteBytes("1234567", 7));
  DWORD size = 0;
  ASSERT_TRUE(d->GetSize(size));  // flushes first
  EXPECT_EQ(size, 7u);
  EXPECT_EQ(IS40_CloseDest(d), 7u);
  EXPECT_EQ(readFileText(path), "1234567");
}

TEST(FileDest, UpdateKeepsExistingBytesAndCreatesMissingFiles) {
  TempFolder folder("sources");
  std::string path = folder.file("dest_update.bin");
  ASSERT_TRUE(writeFile(path, "abcdefgh"));
  ISDest d = IS40_OpenFileDest(path.c_str(), TRUE);
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(d->WriteBytes("XY", 2));
  EXPECT_EQ(IS40_CloseDest(d), 8u);
  EXPECT_EQ(readFileText(path), "XYcdefgh");
  std::remove(path.c_str());  // missing now: update creates it

  d = IS40_OpenFileDest(path.c_str(), TRUE);
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(d->WriteBytes("new", 3));
  EXPECT_EQ(IS40_CloseDest(d), 3u);
  EXPECT_EQ(readFileText(path), "new");
}

TEST(FileDest, BadPathsFailWithCode2) {
  EXPECT_EQ(IS40_OpenFileDest("", FALSE), nullptr);
  EXPECT_EQ(IS40_GetLastError(), kIsErrCannotOpen);
  EXPECT_EQ(IS40_OpenFileDest(nullptr, FALSE), nullptr);
  EXPECT_EQ(IS40_GetLastError(), kIsErrCannotOpen);
  TempFolder folder("sources");
  std::string missingFolder = folder.file("no_such_folder/x.bmp");
  EXPECT_EQ(IS40_OpenFileDest(missingFolder.c_str(), FALSE), nullptr);
  EXPECT_EQ(IS40_GetLastError(), kIsErrCannotOpen);
  EXPECT_EQ(IS40_CloseDest(nullptr), 0u);
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
}

TEST(FileSource, ReadsSeeksAndReportsTheEnd) {
  TempFolder folder("sources");
  std::string path = folder.file("source.bin");
  ASSERT_TRUE(writeFile(path, "0123456789"));
  ISSource s = IS40_OpenFileSource(path.c_str());
  ASSERT_NE(s, nullptr);
  EXPECT_STREQ(s->Name(), path.c_str());
  DWORD size = 0;
  ASSERT_TRUE(s->GetSize(size));
  EXPECT_EQ(size, 10u);
  EXPECT_FALSE(s->WriteBytes("x", 1));
  char buf[16] = {0};
  EXPECT_TRUE(s->Seek(-3, 2));
  EXPECT_FALSE(s->AtEnd());
  EXPECT_EQ(s->Read(buf, 16), 3u);
  EXPECT_STREQ(buf, "789");
  EXPECT_TRUE(s->AtEnd());
  EXPECT_EQ(IS40_CloseSource(s), 10u);
  std::remove(path.c_str());
  EXPECT_EQ(IS40_OpenFileSource(path.c_str()), nullptr);
  EXPECT_EQ(IS40_GetLastError(), kIsErrCannotOpen);
}

}  // namespace
