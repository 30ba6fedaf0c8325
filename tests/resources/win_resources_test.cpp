// The pictures compiled into a Windows program: FindResourceA finds every manifest entry with
// the generator's bytes, and the platform's own loaders accept the bitmaps and icons.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/resources.h"
#include "platform/win32/handles.h"
#include "tests/resources/expected_resources.h"
#include "tests/resources/resource_bytes.h"

namespace {

LPCSTR typeOf(const std::string& type) {
  if (type == "BITMAP") return RT_BITMAP;
  if (type == "ICON") return RT_GROUP_ICON;
  return type.c_str();
}

}  // namespace

TEST(WindowsResources, EveryManifestEntryIsCompiledInWithTheGeneratorsBytes) {
  bool ok = false;
  std::vector<ManifestRow> rows = readManifest(artDir(), &ok);
  ASSERT_TRUE(ok) << artDir();
  ASSERT_EQ(rows.size(), expectedResources().size());
  HMODULE self = GetModuleHandleA(nullptr);
  for (const ManifestRow& r : rows) {
    SCOPED_TRACE(r.type + " " + r.name);
    HRSRC found = FindResourceA(self, r.name.c_str(), typeOf(r.type));
    ASSERT_NE(found, nullptr);
    HGLOBAL loaded = LoadResource(self, found);
    ASSERT_NE(loaded, nullptr);
    const unsigned char* bytes = static_cast<const unsigned char*>(LockResource(loaded));
    DWORD size = SizeofResource(self, found);
    std::vector<unsigned char> file = readFileBytes(artDir() + "/" + r.file);
    ASSERT_FALSE(file.empty()) << r.file;
    if (r.type == "ICON") {
      // The group directory repeats the file's entries without their offsets.
      ASSERT_EQ(size, 6 + 14 * le16(&file[4]));
      EXPECT_EQ(0, memcmp(bytes, file.data(), 6));
      for (size_t i = 0; i < le16(&file[4]); ++i) EXPECT_EQ(0, memcmp(bytes + 6 + 14 * i, &file[6 + 16 * i], 12)) << i;
    } else {
      size_t skip = r.type == "BITMAP" ? 14 : 0;  // a bitmap resource has no file header
      ASSERT_EQ(size, file.size() - skip);
      EXPECT_EQ(0, memcmp(bytes, file.data() + skip, size));
    }
    // The seam hands out the same bytes.
    const unsigned char* seam = nullptr;
    unsigned long seamSize = 0;
    ASSERT_TRUE(findResourceBytes(r.type.c_str(), r.name.c_str(), &seam, &seamSize));
    EXPECT_EQ(seam, bytes);
    EXPECT_EQ(seamSize, size);
  }
}

TEST(WindowsResources, BitmapsLoadWithTheirSizes) {
  HINSTANCE self = GetModuleHandleA(nullptr);
  for (const ExpectedResource& e : expectedResources()) {
    if (e.type != "BITMAP") continue;
    SCOPED_TRACE(e.name);
    OwnedBitmap bitmap(static_cast<HBITMAP>(LoadImageA(self, e.name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ASSERT_TRUE(bitmap);
    BITMAP info{};
    ASSERT_TRUE(GetObjectA(bitmap.get(), sizeof info, &info));
    if (e.form == Form::Busy) {
      EXPECT_EQ(info.bmWidth, 272);
      EXPECT_EQ(info.bmHeight, 166);
    }
    if (e.form == Form::DayMask) {
      EXPECT_EQ(info.bmWidth, 32);
      EXPECT_EQ(info.bmBitsPixel, 1);
    } else {
      EXPECT_EQ(info.bmBitsPixel, 24);
    }
  }
}

TEST(WindowsResources, IconsLoadAtEverySizeTheyCarry) {
  HINSTANCE self = GetModuleHandleA(nullptr);
  for (const ExpectedResource& e : expectedResources()) {
    if (e.type != "ICON") continue;
    SCOPED_TRACE(e.name);
    std::vector<int> sizes{16, 32, 48};
    if (e.form == Form::Icon96) sizes.push_back(96);
    for (int s : sizes) {
      OwnedIcon icon(static_cast<HICON>(LoadImageA(self, e.name.c_str(), IMAGE_ICON, s, s, 0)));
      ASSERT_TRUE(icon) << s;
      ICONINFO info{};
      ASSERT_TRUE(GetIconInfo(icon.get(), &info));
      OwnedBitmap colourBits(info.hbmColor), maskBits(info.hbmMask);
      BITMAP colour{};
      ASSERT_TRUE(GetObjectA(colourBits.get(), sizeof colour, &colour));
      EXPECT_EQ(colour.bmWidth, s);
      EXPECT_EQ(colour.bmHeight, s);
    }
  }
}
