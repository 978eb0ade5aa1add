// Hostile input through the command line: a title set whose packs are
// CSS-scrambled, and one seen through a file system that fails chosen
// sectors. Every command ends in status 1 with a message that says what
// happened and where, writes no output file, and leaves the input folder
// as it was, byte for byte.

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/damaged_input.h"
#include "tests/support/real_titles.h"
#include "tests/support/temp_dir.h"

namespace vm::testing {
namespace {

constexpr size_t kSector = 2048;

std::string Cli(const std::string& args, int* status) {
  return RunAndCapture(std::string(VM_CLI_PATH) + " " + args + " 2>&1 </dev/null", status);
}

std::string SmallTitle() {
  RealTitleRecipe recipe;
  recipe.name = "ntsc-3ch";
  return RealTitleSet(recipe);
}

struct Probe {
  const char* what;
  std::string args;      // IN and OUT/ are put in place of "IN" and "OUT/"
  const char* output;    // the file the command would write under OUT/, or ""
  std::string named;     // a piece of the message
};

std::string Fill(std::string args, const std::string& in, const std::string& out) {
  for (size_t at; (at = args.find("IN")) != std::string::npos;) args.replace(at, 2, in);
  for (size_t at; (at = args.find("OUT/")) != std::string::npos;) args.replace(at, 4, out);
  return args;
}

// Runs each probe against `in`; `backing` is the folder whose files must
// not change (the input itself, or what a view serves).
void RunProbes(const std::vector<Probe>& probes, const std::string& in,
               const std::string& backing) {
  for (const Probe& p : probes) {
    TempDir out;
    const FolderSnapshot before = SnapshotFolder(backing);
    int status = -1;
    const std::string text = Cli(Fill(p.args, in, out.path()), &status);
    EXPECT_EQ(status, 1) << p.what << "\n" << text;
    EXPECT_NE(text.find(p.named), std::string::npos) << p.what << "\n" << text;
    EXPECT_EQ(text.find("Normal End"), std::string::npos) << p.what << "\n" << text;
    if (p.output[0] != '\0') {
      EXPECT_FALSE(std::filesystem::exists(out / p.output)) << p.what;
    }
    EXPECT_EQ(SnapshotFolder(backing), before) << p.what;
  }
}

TEST(RealTitleDamage, AScrambledTitleIsRefusedAsEncryptedByEveryCommand) {
  const std::string source = SmallTitle();
  ASSERT_FALSE(source.empty());
  TempDir dir;
  const std::string in = dir / "VIDEO_TS/";
  ASSERT_TRUE(CopyFolder(source, in));
  std::string vob = ReadFile(in + "VTS_01_1.VOB");
  ScrambleMediaPacks(vob);
  ASSERT_TRUE(WriteFile(in + "VTS_01_1.VOB", vob));
  const std::string encrypted = "is encrypted (CSS-scrambled";
  RunProbes({{"read", "read IN", "", encrypted},
             {"preview", "preview IN 1 OUT/p.ppm", "p.ppm", encrypted},
             {"scenes", "scenes IN", "", encrypted},
             {"sheet", "sheet IN OUT/s.png", "s.png", encrypted},
             {"author", "--yes author IN OUT/V", "V/VIDEO_TS/VTS_01_1.VOB", encrypted},
             {"verify", "verify IN", "", "encrypted: "}},
            in, in);
}

// A title long enough that the read jumps from navigation pack to
// navigation pack over its middle (the first 16 MiB and the last 4 MiB of
// a file are read whole): the first source repeated. A sector after a
// navigation pack there fails; the read passes, and every command that
// reads that sector fails naming it.
TEST(RealTitleDamage, AnUnreadableSectorIsAnErrorNamingFileAndSector) {
  const std::string source = SmallTitle();
  ASSERT_FALSE(source.empty());
  TempDir dir;
  const std::string copy = dir / "VIDEO_TS/";
  ASSERT_TRUE(CopyFolder(source, copy));
  const std::string once = ReadFile(copy + "VTS_01_1.VOB");
  std::string vob;
  while (vob.size() < (28u << 20)) vob += once;
  ASSERT_TRUE(WriteFile(copy + "VTS_01_1.VOB", vob));
  const std::vector<size_t> navs = NavSectors(vob);
  size_t entry = 0;  // 0-based
  while (entry < navs.size() && navs[entry] * kSector < (18u << 20)) ++entry;
  ASSERT_LT(entry + 1, navs.size());
  const size_t bad = navs[entry] + 1;
  FailingSectorsView view(copy, {"VTS_01_1.VOB:" + std::to_string(bad)});
  if (view.path().empty()) GTEST_SKIP() << view.why();
  const std::string e = std::to_string(entry + 1);
  const std::string named = "VTS_01_1.VOB: read error at sector " + std::to_string(bad);
  RunProbes({{"preview", "preview IN " + e + " OUT/p.ppm", "p.ppm", named},
             {"scenes", "scenes IN", "", named},
             {"sheet", "sheet IN OUT/s.png --toggle " + e, "s.png", named},
             {"author", "--yes author IN OUT/V", "", named}},
            view.path(), copy);
}

}  // namespace
}  // namespace vm::testing
