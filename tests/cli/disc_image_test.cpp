// author --iso: the image has VIDEO_TS and an empty AUDIO_TS at its root,
// opens in libdvdread through its UDF side and passes verify; without a
// tool, with a failing tool or with a path it may not take, the folder and
// any older file of the image's name are left as they were.

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/real_titles.h"
#include "tests/support/temp_dir.h"

namespace vm::testing {
namespace {

namespace fs = std::filesystem;

std::string Cli(const std::string& env, const std::string& args, int* status) {
  return RunAndCapture(env + " " + std::string(VM_CLI_PATH) + " " + args + " 2>&1 </dev/null",
                       status);
}

std::string Title() {
  RealTitleRecipe recipe;
  recipe.name = "ntsc-3ch";
  return RealTitleSet(recipe);
}

TEST(DiscImage, ImageOpensAndPassesVerify) {
  const std::string in = Title();
  ASSERT_FALSE(in.empty());
  TempDir dir;
  int status = -1;
  std::string out = Cli("", "--yes author " + in + " " + dir / "OUT" + " --toggle 5 --iso " +
                                dir / "disc.iso" + " --volume-id MY_DISC --verify",
                        &status);
  ASSERT_EQ(status, 0) << out;
  EXPECT_NE(out.find("Volume: " + dir / "disc.iso"), std::string::npos) << out;
  EXPECT_NE(out.find("Sound."), std::string::npos) << out;
  EXPECT_TRUE(fs::exists(dir / "OUT/VTS_01_1.VOB"));

  const std::string listing = RunAndCapture("isoinfo -l -i " + dir / "disc.iso");
  for (const char* want : {"Directory listing of /AUDIO_TS/", "Directory listing of /VIDEO_TS/",
                           "VIDEO_TS.IFO;1", "VTS_01_0.BUP;1", "VTS_01_1.VOB;1"})
    EXPECT_NE(listing.find(want), std::string::npos) << want << "\n" << listing;
  EXPECT_NE(RunAndCapture("isoinfo -d -i " + dir / "disc.iso").find("Volume id: MY_DISC"),
            std::string::npos);
  out = Cli("", "verify --json " + dir / "disc.iso", &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("\"chapters\": 4"), std::string::npos) << out;
}

TEST(DiscImage, RefusalsAndFailuresLeaveFilesAsTheyWere) {
  const std::string source = Title();
  ASSERT_FALSE(source.empty());
  TempDir dir;
  const std::string in = dir / "IN/";
  fs::copy(source, in);
  int status = -1;

  // Paths the image may not take, and a bad volume name: usage errors
  // before anything is written.
  fs::create_directories(dir / "OUT/sub");
  fs::create_directories(in + "sub");
  for (const std::string& args :
       {in + " " + dir / "OUT" + " --iso " + in + "x.iso",
        in + " " + dir / "OUT" + " --iso " + dir / "OUT/sub/x.iso",  // below the folder it is made from
        in + " " + dir / "OUT" + " --iso " + dir / "OUT/sub/../x.iso",
        in + " " + dir / "OUT" + " --iso " + in + "sub/x.iso",  // below the input folder
        in + " " + dir / "OUT" + " --iso " + dir / "OUT/x.iso",
        in + " " + dir / "OUT" + " --iso " + dir / "x.iso --volume-id lower",
        in + " " + dir / "OUT" + " --iso " + dir / "x.iso --volume-id " + std::string(33, 'A')}) {
    std::string out = Cli("", "--yes author " + args, &status);
    EXPECT_EQ(status, 2) << args << "\n" << out;
    EXPECT_FALSE(fs::exists(dir / "OUT/VTS_01_0.IFO")) << args;
  }
  fs::remove_all(dir / "OUT");
  EXPECT_EQ(std::distance(fs::directory_iterator(in), fs::directory_iterator()), 6);
  EXPECT_TRUE(fs::is_empty(in + "sub"));

  // No tool on PATH: the folder is written, the message names the package.
  std::string out = Cli("PATH=/nonexistent", "--yes author " + in + " " + dir / "OUT" +
                                                 " --iso " + dir / "x.iso",
                        &status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(out.find("Install the genisoimage package"), std::string::npos) << out;
  EXPECT_TRUE(fs::exists(dir / "OUT/VTS_01_0.IFO"));
  EXPECT_FALSE(fs::exists(dir / "x.iso"));

  // A tool that fails: an older image of that name is kept, no part left.
  fs::create_directories(dir / "bin");
  WriteFile(dir / "bin/genisoimage", "#!/bin/sh\necho partial > \"$7\"\nexit 1\n");
  fs::permissions(dir / "bin/genisoimage", fs::perms::owner_all);
  WriteFile(dir / "x.iso", "older image");
  out = Cli("PATH=" + dir / "bin", "--yes author " + in + " " + dir / "OUT2" + " --iso " +
                                       dir / "x.iso",
            &status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(out.find("Can't create " + dir / "x.iso" + "."), std::string::npos) << out;
  EXPECT_EQ(ReadFile(dir / "x.iso"), "older image");
  for (const auto& e : fs::directory_iterator(dir.path()))
    EXPECT_EQ(e.path().filename().string().find(".part"), std::string::npos) << e.path();
}

}  // namespace
}  // namespace vm::testing
