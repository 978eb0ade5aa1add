// The command line's fixed behaviour: version, help, usage errors.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/temp_dir.h"

namespace vm {
namespace {

using testing::RunAndCapture;

std::string Cli(const std::string& args, int* status) {
  return RunAndCapture(std::string(VM_CLI_PATH) + " " + args + " 2>&1 </dev/null", status);
}

TEST(Cli, VersionAndHelp) {
  int status = -1;
  EXPECT_EQ(Cli("--version", &status), "VobMarks Ver 1.10 (English)\n");
  EXPECT_EQ(status, 0);
  std::string help = Cli("--help", &status);
  EXPECT_EQ(status, 0);
  for (const char* word : {"read INPUT_DIR", "preview INPUT_DIR ENTRY OUT",
                           "author INPUT_DIR OUTPUT_DIR", "--yes", "--no", "--toggle",
                           "--clear", "--interval", "--chapters", "--append-chapters", "--range",
                           "--drop-audio", "--drop-subpicture", "extract INPUT_DIR FIRST[-LAST] OUT",
                           "play INPUT_DIR ENTRY", "--continue", "--player PROGRAM", "verify DIR_OR_ISO",
                           "--import-chapters", "--export-chapters", "--format", "--json",
                           "--verify", "--iso", "--volume-id"})
    EXPECT_NE(help.find(word), std::string::npos) << word;
  std::string one = Cli("read --help", &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(one.find("--interval SEC"), std::string::npos);
  EXPECT_EQ(one.find("--range"), std::string::npos);  // an author option only
}

TEST(Cli, UsageErrorsExitWithTwo) {
  const char* cases[] = {
      "",                               // no command
      "frobnicate /x",                  // unknown command
      "read",                           // missing folder
      "read /a /b",                     // one too many
      "--yes --no read /a",             // contradictory answers
      "read /a --range 1-2",            // an option of another command
      "read /a --interval",             // option without its value
      "read /a --clear=1",              // flag with a value
      "author /a /b --bogus",           // unknown option
      "extract /a 1",                   // no OUT
      "play /a",                        // no ENTRY
      "author /a /b --player p",        // a play option
      "read /a --continue",
      "verify",                         // missing volume
      "read /a --iso x.iso",            // an author option only
      "author /a /b --json",            // a verify option only
      "author /a /b --region 9",        // regions are 1 to 8
      "author /a /b --region 0",
      "author /a /b --region 1,,2",
      "author /a /b --region none",
      "read /a --whole-disc",           // an author option only
      "author /a /b --whole-disc --range 1-2",  // in place nothing is cut away
      "author /a /b --drop-audio 0 --whole-disc",
      "author /a /b --whole-disc --drop-subpicture 1",
  };
  for (const char* args : cases) {
    int status = -1;
    std::string out = Cli(args, &status);
    EXPECT_EQ(status, 2) << args << "\n" << out;
    EXPECT_NE(out.find("vobmarks-cli"), std::string::npos) << args;
  }
}

}  // namespace
}  // namespace vm
