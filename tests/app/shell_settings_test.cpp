// The desktop program's settings file beside the history file: defaults
// when it is missing or foreign, every choice back after a save, lines it
// cannot take skipped one by one, and the region mask the choices give.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/shell_settings.h"
#include "tests/support/temp_dir.h"

namespace vm {
namespace {

using testing::TempDir;

void WriteText(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

bool SameSettings(const ShellSettings& a, const ShellSettings& b) {
  return a.WriteImage == b.WriteImage && std::strcmp(a.ImagePath, b.ImagePath) == 0 &&
         std::strcmp(a.VolumeId, b.VolumeId) == 0 && a.Region == b.Region &&
         a.RegionsPlaying == b.RegionsPlaying && a.DropAudio == b.DropAudio &&
         a.DropSubpicture == b.DropSubpicture && a.Verify == b.Verify &&
         a.WholeDisc == b.WholeDisc && std::strcmp(a.LastTitleFolder, b.LastTitleFolder) == 0 &&
         a.LastTitle == b.LastTitle && std::strcmp(a.ChapterFolder, b.ChapterFolder) == 0;
}

TEST(ShellSettings, SavedChoicesComeBackAndMissingOrForeignFilesGiveDefaults) {
  TempDir dir;
  const std::string path = dir / "vobmarks.ini";
  ShellSettings s;
  LoadShellSettings(s, path.c_str());
  EXPECT_TRUE(SameSettings(s, ShellSettings{}));
  EXPECT_STREQ(s.VolumeId, "DVD_VIDEO");
  EXPECT_EQ(RegionMaskOf(s), -1);  // what is written without options

  s.WriteImage = 1;
  std::snprintf(s.ImagePath, sizeof s.ImagePath, "/home/u/a b=c.iso");
  std::snprintf(s.VolumeId, sizeof s.VolumeId, "%s", std::string(32, 'Z').c_str());
  s.Region = kRegionListed;
  s.RegionsPlaying = 0x12;
  s.DropAudio = 0x81;
  s.DropSubpicture = 0xFFFFFFFFu;
  s.Verify = 1;
  s.WholeDisc = 1;
  std::snprintf(s.LastTitleFolder, sizeof s.LastTitleFolder, "/media/dvd/VIDEO_TS/");
  s.LastTitle = 12;
  std::snprintf(s.ChapterFolder, sizeof s.ChapterFolder, "%s", ("/" + std::string(258, 'c')).c_str());
  ASSERT_TRUE(SaveShellSettings(s, path.c_str()));
  ShellSettings back;
  LoadShellSettings(back, path.c_str());
  EXPECT_TRUE(SameSettings(back, s));
  EXPECT_NE(testing::RunCommand("test -e '" + path + ".part'"), 0);

  // Another program's file of that name is not taken.
  WriteText(path, "write_image=1\nverify=1\n");
  LoadShellSettings(back, path.c_str());
  EXPECT_TRUE(SameSettings(back, ShellSettings{}));
  // A save into a folder that is not there fails and leaves nothing.
  EXPECT_FALSE(SaveShellSettings(s, (dir / "none/vobmarks.ini").c_str()));
}

TEST(ShellSettings, LinesThatCannotBeTakenAreSkippedOneByOne) {
  TempDir dir;
  const std::string path = dir / "vobmarks.ini";
  WriteText(path, "[vobmarks]\r\n"
                  "verify=1\r\n"
                  "region=3\n"                           // out of range
                  "last_title=100\n"                     // out of range
                  "write_image=yes\n"                    // not a number
                  "whole_disc=1 \n"                      // trailing space
                  "drop_audio=4294967296\n"              // past 32 bits
                  "image_path=/" + std::string(259, 'p') + "\n"  // does not fit
                  "volume_id=" + std::string(33, 'V') + "\n"
                  "unknown_key=5\n"
                  "no equals sign\n"
                  "drop_subpicture=6\n"
                  "chapter_folder=/x/" + std::string(70000, 'y') + "\n"  // past the file's size
                  "last_title=9\n");
  ShellSettings s;
  LoadShellSettings(s, path.c_str());
  ShellSettings expected;
  expected.Verify = 1;
  expected.DropSubpicture = 6;
  EXPECT_TRUE(SameSettings(s, expected));
}

TEST(ShellSettings, RegionMaskOfTheChoices) {
  struct Case {
    int32_t region;
    uint32_t playing;
    int32_t mask;
  } cases[] = {
      {kRegionOfSource, 0x01, -1}, {kRegionAll, 0x00, 0x00},  {kRegionListed, 0x09, 0xF6},
      {kRegionListed, 0xFF, 0x00}, {kRegionListed, 0x00, -1},  // none ticked: the source's
  };
  for (const Case& c : cases) {
    ShellSettings s;
    s.Region = c.region;
    s.RegionsPlaying = c.playing;
    EXPECT_EQ(RegionMaskOf(s), c.mask) << c.region << " " << c.playing;
  }
}

}  // namespace
}  // namespace vm
