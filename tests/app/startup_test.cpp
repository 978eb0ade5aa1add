// Start-up steps without windows: the -E switch, the program folder, the
// work files and the splash picture loader's bounds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "app/startup.h"
#include "common/be.h"
#include "common/files.h"
#include "tests/support/temp_dir.h"

namespace vm {
namespace {

using testing::TempDir;
using testing::WriteFile;

TEST(Startup, ExtendModeFromDashEInAnyCase) {
  const char* none[] = {"vobmarks", "-X", "file.txt", "--E", "-EE"};
  EXPECT_EQ(ParseExtendMode(5, none), 0);
  const char* lower[] = {"vobmarks", "x", "-e"};
  EXPECT_EQ(ParseExtendMode(3, lower), 1);
  const char* upper[] = {"vobmarks", "-E"};
  EXPECT_EQ(ParseExtendMode(2, upper), 1);
  const char* programOnly[] = {"-E"};  // the program name itself never counts
  EXPECT_EQ(ParseExtendMode(1, programOnly), 0);
}

TEST(Startup, ProgramFolderFromEnvironmentEndsInSeparator) {
  setenv("VOBMARKS_HOME", "/opt/vm", 1);
  Path folder;
  ASSERT_TRUE(FindProgramFolder(folder));
  EXPECT_STREQ(folder.c_str(), "/opt/vm/");
  unsetenv("VOBMARKS_HOME");
  ASSERT_TRUE(FindProgramFolder(folder));
  EXPECT_EQ(folder.c_str()[0], '/');
  EXPECT_EQ(folder.c_str()[folder.size() - 1], '/');
}

TEST(Startup, WorkFilesAreDeletedWhetherOrNotTheyExist) {
  TempDir dir;
  ASSERT_TRUE(WriteFile(dir / "TMP1.VOB", "x"));
  ASSERT_TRUE(WriteFile(dir / "TMP2.MPG", "x"));
  ASSERT_TRUE(WriteFile(dir / "KEEP.MPG", "x"));
  DeleteWorkFiles(dir.path().c_str());
  for (const char* n : {"TMP1.VOB", "TMP2.VOB", "TMP1.MPG", "TMP2.MPG"})
    EXPECT_FALSE(PathExists((dir / n).c_str())) << n;
  EXPECT_TRUE(PathExists((dir / "KEEP.MPG").c_str()));
}

std::string Bmp(int width, int height, uint32_t compression, uint32_t coloursUsed,
                size_t pixelBytes, char type0 = 'B') {
  std::string b(54, '\0');
  auto* p = reinterpret_cast<uint8_t*>(b.data());
  p[0] = static_cast<uint8_t>(type0);
  p[1] = 'M';
  WriteLe32(p + 14, 40);
  WriteLe32(p + 18, static_cast<uint32_t>(width));
  WriteLe32(p + 22, static_cast<uint32_t>(height));
  WriteLe32(p + 30, compression);
  WriteLe32(p + 46, coloursUsed);
  uint32_t n = coloursUsed == 0 || coloursUsed > 256 ? 256 : coloursUsed;
  for (uint32_t i = 0; i < n; ++i) {
    char entry[4] = {static_cast<char>(i), 0, static_cast<char>(255 - i), 0};  // B G R x
    b.append(entry, 4);
  }
  for (size_t i = 0; i < pixelBytes; ++i) b.push_back(static_cast<char>(i % 251));
  return b;
}

TEST(Startup, LogoLoaderReadsPaletteAndPixels) {
  TempDir dir;
  static SplashImage image;
  ASSERT_TRUE(WriteFile(dir / "LOGO.BMP", Bmp(320, 200, 0, 0, 320 * 200)));
  ASSERT_TRUE(LoadLogoBmp((dir / "LOGO.BMP").c_str(), image));
  EXPECT_TRUE(image.Loaded);
  EXPECT_EQ(image.Palette[3], 0x00FC0003u);  // red 252, green 0, blue 3
  EXPECT_EQ(image.Pixels[0], 0);
  EXPECT_EQ(image.Pixels[63999], 63999 % 251);
}

TEST(Startup, LogoLoaderNeverReadsPastItsBuffer) {
  TempDir dir;
  static SplashImage image;
  // 1000 x 1000 pixels would be 1 MB: only the buffer's 64000 bytes are read.
  ASSERT_TRUE(WriteFile(dir / "BIG.BMP", Bmp(1000, 1000, 0, 16, 1000 * 1000)));
  ASSERT_TRUE(LoadLogoBmp((dir / "BIG.BMP").c_str(), image));
  EXPECT_EQ(image.Pixels[63999], 63999 % 251);
  // A negative height (top-down file) is bounded the same way.
  ASSERT_TRUE(WriteFile(dir / "NEG.BMP", Bmp(320, -4000, 0, 300, 320 * 300)));
  EXPECT_TRUE(LoadLogoBmp((dir / "NEG.BMP").c_str(), image));
  // A file shorter than it claims just leaves the rest zero.
  ASSERT_TRUE(WriteFile(dir / "CUT.BMP", Bmp(320, 200, 1, 2, 10)));
  ASSERT_TRUE(LoadLogoBmp((dir / "CUT.BMP").c_str(), image));
  EXPECT_EQ(image.Pixels[9], 9);
  EXPECT_EQ(image.Pixels[10], 0);
}

TEST(Startup, LogoLoaderRefusesOtherFiles) {
  TempDir dir;
  static SplashImage image;
  ASSERT_TRUE(WriteFile(dir / "A.BMP", Bmp(320, 200, 3, 0, 100)));  // bit fields
  EXPECT_FALSE(LoadLogoBmp((dir / "A.BMP").c_str(), image));
  ASSERT_TRUE(WriteFile(dir / "B.BMP", Bmp(320, 200, 0, 0, 100, 'X')));
  EXPECT_FALSE(LoadLogoBmp((dir / "B.BMP").c_str(), image));
  ASSERT_TRUE(WriteFile(dir / "C.BMP", "BM"));
  EXPECT_FALSE(LoadLogoBmp((dir / "C.BMP").c_str(), image));
  EXPECT_FALSE(LoadLogoBmp((dir / "missing.BMP").c_str(), image));
  EXPECT_FALSE(image.Loaded);
}

}  // namespace
}  // namespace vm
