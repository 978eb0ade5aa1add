// vobmarks-cli verify on a volume of several title sets with menus: every
// title set is checked, and a fault planted in the second names it.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "tests/support/real_titles.h"
#include "tests/support/temp_dir.h"

namespace vm::testing {
namespace {

namespace fs = std::filesystem;

std::string Cli(const std::string& args, int* status) {
  return RunAndCapture(std::string(VM_CLI_PATH) + " " + args + " 2>&1 </dev/null", status);
}

uint32_t Be32(const std::string& b, size_t at) {
  const auto* p = reinterpret_cast<const unsigned char*>(b.data() + at);
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// VTS_02_0.IFO and its BUP changed alike.
void EditSecondSet(const std::string& dir, const std::function<void(std::string&)>& edit) {
  for (const char* name : {"VTS_02_0.IFO", "VTS_02_0.BUP"}) {
    std::string b = ReadFile(dir + name);
    edit(b);
    WriteFile(dir + name, b);
  }
}

struct Plant {
  const char* what;
  std::function<void(const std::string&)> plant;
  const char* named;
};

TEST(VerifyWholeVolume, EveryTitleSetIsCheckedAndTheFaultsOneNamed) {
  const std::string volume = MenuVolume();
  ASSERT_FALSE(volume.empty());
  int status = -1;
  std::string out = Cli("verify " + volume, &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("Titles: 3, chapters: 8"), std::string::npos) << out;

  const Plant plants[] = {
      {"a backup that differs",
       [](const std::string& d) {
         std::string b = ReadFile(d + "VTS_02_0.BUP");
         b[0x300] ^= 1;
         WriteFile(d + "VTS_02_0.BUP", b);
       },
       "VTS_02_0.BUP: differs from VTS_02_0.IFO at byte 768"},
      // VTSI_MAT 0xCC: VTS_PGCIT's sector; its first chain's offset at +12;
      // the chain's cell count at +3.
      {"a cell count past the cell table",
       [](const std::string& d) {
         EditSecondSet(d, [](std::string& b) {
           size_t pgcit = size_t{Be32(b, 0xCC)} * 2048;
           b[pgcit + Be32(b, pgcit + 12) + 3] = static_cast<char>(200);
         });
       },
       "VTS_02_0.IFO: VTS_PGCIT: PGC 1 cell table past its end"},
      {"a title VOB cut short",
       [](const std::string& d) {
         fs::resize_file(d + "VTS_02_1.VOB", fs::file_size(d + "VTS_02_1.VOB") - 4 * 2048);
       },
       "VTS_02: the title VOB files hold"},
  };
  for (const Plant& p : plants) {
    TempDir dir;
    const std::string copy = dir / "VIDEO_TS/";
    fs::copy(volume, copy);
    p.plant(copy);
    std::string found = Cli("verify " + copy, &status);
    EXPECT_EQ(status, 1) << p.what << "\n" << found;
    EXPECT_NE(found.find(p.named), std::string::npos) << p.what << "\n" << found;
    EXPECT_EQ(found.find("VTS_01"), std::string::npos) << p.what << "\n" << found;
  }
}

}  // namespace
}  // namespace vm::testing
