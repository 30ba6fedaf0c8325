// The native resource store: manifest lookup, bitmap resources without their file header,
// choosing the directory, and lookups from two threads.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/resources.h"
#include "tests/resources/resource_bytes.h"

namespace fs = std::filesystem;

namespace {

class StoreDir : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("quendler_store_" + std::to_string(::getpid()) + "_" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "sub");
  }
  void TearDown() override {
    setResourceDirectory(nullptr);
    fs::remove_all(dir_);
  }
  void write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  std::string path() const { return dir_.string(); }
  fs::path dir_;
};

std::string lookup(const char* type, const char* name) {
  const unsigned char* p = nullptr;
  unsigned long n = 0;
  if (!findResourceBytes(type, name, &p, &n)) return "<none>";
  return std::string(reinterpret_cast<const char*>(p), n);
}

// A BMP file: 14-byte file header, then what Windows keeps as the resource.
std::string bmpFile(const std::string& dib) {
  std::string head = "BM";
  uint32_t total = uint32_t(14 + dib.size());
  head.append(reinterpret_cast<const char*>(&total), 4);  // little-endian hosts only
  head.append(8, '\0');
  return head + dib;
}

}  // namespace

TEST_F(StoreDir, ServesFilesThroughTheManifest) {
  write("manifest.txt", "# comment\n\nRASTER\tE001\tsub/one.psd\r\nDATA  BLOB   blob.bin\nBROKEN LINE\n");
  write("sub/one.psd", "8BPS-one");
  write("blob.bin", std::string("a\0b", 3));
  setResourceDirectory(path().c_str());
  EXPECT_EQ(std::string(resourceDirectory()), path());
  EXPECT_EQ(lookup("RASTER", "E001"), "8BPS-one");
  EXPECT_EQ(lookup("Raster", "e001"), "8BPS-one");
  EXPECT_EQ(lookup("DATA", "BLOB"), std::string("a\0b", 3));
  EXPECT_EQ(lookup("BROKEN", "LINE"), "<none>");
  EXPECT_EQ(lookup("RASTER", "E002"), "<none>");
  EXPECT_EQ(lookup("ALARM", "E001"), "<none>");
}

TEST_F(StoreDir, BitmapResourcesLoseTheFileHeaderOnly) {
  std::string dib = std::string("\x28\0\0\0", 4) + "rest-of-the-dib";
  write("manifest.txt", "BITMAP HG000 hg.bmp\nBITMAPI ICON_KAL kal.bmp\nBITMAP BAD bad.bmp\nBITMAP SHORT short.bmp\n");
  write("hg.bmp", bmpFile(dib));
  write("kal.bmp", bmpFile(dib));
  write("bad.bmp", "XX" + std::string(40, 'x'));
  write("short.bmp", "BM");
  setResourceDirectory(path().c_str());
  EXPECT_EQ(lookup("BITMAP", "HG000"), dib);
  EXPECT_EQ(lookup("BITMAPI", "ICON_KAL"), bmpFile(dib));  // a custom type keeps the whole file
  EXPECT_EQ(lookup("BITMAP", "BAD"), "<none>");
  EXPECT_EQ(lookup("BITMAP", "SHORT"), "<none>");
}

TEST_F(StoreDir, MissingFilesAndManifestsFindNothing) {
  write("manifest.txt", "RASTER E001 gone.psd\nRASTER E002 empty.psd\n");
  write("empty.psd", "");
  setResourceDirectory(path().c_str());
  EXPECT_EQ(lookup("RASTER", "E001"), "<none>");
  EXPECT_EQ(lookup("RASTER", "E002"), "<none>");
  setResourceDirectory((path() + "/sub").c_str());
  EXPECT_EQ(lookup("RASTER", "E001"), "<none>");
}

TEST_F(StoreDir, ChangingTheDirectoryRereadsTheManifest) {
  write("manifest.txt", "RASTER E001 one.psd\n");
  write("one.psd", "first");
  write("sub/manifest.txt", "RASTER E001 one.psd\n");
  write("sub/one.psd", "second");
  setResourceDirectory(path().c_str());
  EXPECT_EQ(lookup("RASTER", "E001"), "first");
  setResourceDirectory((path() + "/sub").c_str());
  EXPECT_EQ(lookup("RASTER", "E001"), "second");
}

TEST_F(StoreDir, TheEnvironmentOverridesTheBuiltInFolder) {
  write("manifest.txt", "RASTER E001 one.psd\n");
  write("one.psd", "from-env");
  ASSERT_EQ(::setenv("QUENDLER_RESOURCES", path().c_str(), 1), 0);
  setResourceDirectory(nullptr);
  EXPECT_EQ(std::string(resourceDirectory()), path());
  EXPECT_EQ(lookup("RASTER", "E001"), "from-env");
  ::unsetenv("QUENDLER_RESOURCES");
  setResourceDirectory("");
  EXPECT_EQ(std::string(resourceDirectory()), artDir());
}

TEST(ResourceStore, TwoThreadsSeeTheSameBytes) {
  setResourceDirectory(nullptr);
  // The wallpaper worker and the main thread look pictures up at the same time.
  std::vector<std::string> names;
  for (int n = 1; n <= 60; ++n) {
    char name[8];
    std::snprintf(name, sizeof name, "E%03d", n);
    names.push_back(name);
  }
  std::vector<const unsigned char*> seen[2];
  auto work = [&](int t) {
    for (const std::string& name : names) {
      const unsigned char* p = nullptr;
      unsigned long n = 0;
      findResourceBytes("RASTER", name.c_str(), &p, &n);
      seen[t].push_back(p);
    }
  };
  std::thread a(work, 0), b(work, 1);
  a.join();
  b.join();
  EXPECT_EQ(seen[0], seen[1]);
  for (const unsigned char* p : seen[0]) EXPECT_NE(p, nullptr);
}
