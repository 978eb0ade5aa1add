// titles --jumps on the volume with menus: what each button and command
// leads into, as text and JSON; damaged inputs get a message, not a crash.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/menu_volume.h"
#include "tests/support/temp_dir.h"

namespace vm {
namespace {

using testing::RunAndCapture;

std::string Cli(const std::string& args, int* status) {
  return RunAndCapture(std::string(VM_CLI_PATH) + " " + args + " 2>&1 </dev/null", status);
}

TEST(RealTitleJumpListing, EveryJumpIntoATitleWithItsPlaceAndTarget) {
  const std::string folder = testing::MenuJumpVolume();
  ASSERT_FALSE(folder.empty());
  int status = -1;
  const std::string text = Cli("titles " + folder + " --jumps", &status);
  // Title 2's own button, in its first VOBU (whose sector the encoder decides).
  const std::string titleButton = "VTS 1 title VOBs, button 1 (nav pack at sector ";
  const size_t at = text.find(titleButton);
  ASSERT_NE(at, std::string::npos) << text;
  EXPECT_NE(text.find(") (and 1 more nav packs): JumpVTS_PTT 1:4 -> title 1, chapter 4\n", at),
            std::string::npos)
      << text;
  EXPECT_EQ(text.substr(0, at),
            "VMG menu (language 1) PGC 1, button 2 (nav pack at sector 0) (and 1 more nav packs): JumpTT 1 -> title 1\n"
            "VMG menu (language 1) PGC 1, button 3 (nav pack at sector 0) (and 1 more nav packs): JumpTT 2 -> title 2\n"
            "VMG menu (language 1) PGC 1, button 4 (nav pack at sector 0) (and 1 more nav packs): JumpTT 1 -> title 1\n"
            "VTS 1 title PGC 2, post command 1: JumpVTS_PTT 1:3 -> title 1, chapter 3\n"
            "VTS 1 menu (language 1) PGC 1, button 1 (nav pack at sector 0) (and 1 more nav packs): JumpVTS_PTT 1:2 -> title 1, chapter 2\n"
            "VTS 1 menu (language 1) PGC 1, button 2 (nav pack at sector 0) (and 1 more nav packs): JumpVTS_PTT 1:3 -> title 1, chapter 3\n"
            "VTS 1 menu (language 1) PGC 1, button 3 (nav pack at sector 0) (and 1 more nav packs): JumpVTS_PTT 1:4 -> title 1, chapter 4\n"
            "VTS 1 menu (language 1) PGC 1, button 4 (nav pack at sector 0) (and 1 more nav packs): JumpVTS_TT 2 -> title 2\n");
  EXPECT_EQ(status, 0);
  const std::string json = Cli("titles " + folder + " --jumps --json", &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(json.find("{\"from\":\"VTS 1 title PGC 2, post command 1\",\"domain\":\"title\","
                      "\"title_set\":1,\"language\":0,\"pgc\":2,\"source\":\"post\",\"number\":1,"
                      "\"command\":\"JumpVTS_PTT 1:3\",\"title\":1,\"chapter\":3}"),
            std::string::npos)
      << json;
  EXPECT_EQ(json.rfind("{\"jumps\":[", 0), 0u);
}

TEST(RealTitleJumpListing, DamagedFilesAreReportedNotFollowed) {
  const std::string folder = testing::MenuJumpVolume();
  ASSERT_FALSE(folder.empty());
  struct Damage {
    const char* what;
    const char* file;
    size_t keep;  // bytes kept from the start
    int status;
    const char* message;
  };
  const Damage kDamage[] = {
      {"VIDEO_TS.IFO cut short", "VIDEO_TS.IFO", 100, 1, "Error: "},
      {"the title set's IFO cut inside its tables", "VTS_01_0.IFO", 2100, 1,
       "Error: the volume's jumps cannot be listed: VTS_01_0.IFO"},
      {"a menu VOB ending inside a pack", "VTS_01_0.VOB", 2048 + 1000, 0, "VTS 1 title PGC 2"},
  };
  for (const Damage& d : kDamage) {
    SCOPED_TRACE(d.what);
    testing::TempDir dir;
    std::filesystem::copy(folder, dir.path());
    const std::string bytes = testing::ReadFile(dir / d.file);
    ASSERT_TRUE(testing::WriteFile(dir / d.file, bytes.substr(0, d.keep)));
    int status = -1;
    const std::string out = Cli("titles " + dir.path() + " --jumps", &status);
    EXPECT_EQ(status, d.status) << out;
    EXPECT_NE(out.find(d.message), std::string::npos) << out;
  }
  int status = -1;
  Cli("read " + folder + " --jumps", &status);
  EXPECT_EQ(status, 2);
}

}  // namespace
}  // namespace vm
