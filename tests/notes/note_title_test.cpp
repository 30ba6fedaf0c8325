// The note window's caption in each short-date order, from a file name and for a new note.
#include <gtest/gtest.h>

#include <string>

#include "notes/note_title.h"

namespace {

std::string fromName(const char* name, int order, const char* separator) {
  char out[64];
  noteTitleFromName(out, sizeof out, name, order, separator);
  return out;
}

std::string forNew(int order, const char* separator) {
  char out[64];
  noteTitleForNew(out, sizeof out, 28, 9, 2009, 14, 5, 'a', order, separator);
  return out;
}

TEST(NoteTitle, EachDateOrderFromTheFileName) {
  const char* name = "N_20090928_1405a.txt";
  EXPECT_EQ(fromName(name, 0, "/"), "09/28/2009 14:05 a");
  EXPECT_EQ(fromName(name, 1, "."), "28.09.2009 14:05 a");
  EXPECT_EQ(fromName(name, 2, "-"), "2009-09-28 14:05 a");
  // Only the separator's first character goes between the parts.
  EXPECT_EQ(fromName("N_20101231_0007z.txt", 1, ". "), "31.12.2010 00:07 z");
  EXPECT_EQ(fromName(name, 1, ""), "28092009 14:05 a");
  EXPECT_EQ(fromName(name, 3, "."), "");
  EXPECT_EQ(fromName(name, -1, "."), "");
  EXPECT_EQ(fromName("N_2009", 1, "."), "");
}

TEST(NoteTitle, ANewNoteTakesTheWholeSeparator) {
  EXPECT_EQ(forNew(1, "."), "28.09.2009 14:05 a");
  EXPECT_EQ(forNew(0, "/"), "09/28/2009 14:05 a");
  EXPECT_EQ(forNew(2, "-"), "2009-09-28 14:05 a");
  EXPECT_EQ(forNew(1, ". "), "28. 09. 2009 14:05 a");
  EXPECT_EQ(forNew(7, "."), "");
  char small[6];
  noteTitleForNew(small, sizeof small, 28, 9, 2009, 14, 5, 'a', 1, ".");
  EXPECT_STREQ(small, "28.09");
}

}  // namespace
