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

// In an image, the information files that start with `id` ("DVDVIDEO-VMG"),
// from the `first`-th found (0-based) on, `count` of them, each changed by
// `edit` on its bytes from its first sector on.
void EditImageHeads(const std::string& iso, const char* id, int first, int count,
                    const std::function<void(std::string&, size_t)>& edit) {
  std::string b = ReadFile(iso);
  int seen = 0;
  for (size_t at = 0; at + 2048 <= b.size() && seen < first + count; at += 2048) {
    if (b.compare(at, 12, id) != 0) continue;
    if (seen++ >= first) edit(b, at);
  }
  WriteFile(iso, b);
}

void PutBe32At(std::string& b, size_t at, uint32_t v) {
  for (int k = 0; k < 4; ++k) b[at + k] = static_cast<char>(v >> (24 - 8 * k));
}

// The same volume as a disc image: every title set where VIDEO_TS.IFO's
// title table says, and each VOB where its head says; a sector field moved
// in the image by hand is named.
TEST(VerifyWholeVolume, DiscImageFilesLieWhereTheTablesSay) {
  const std::string volume = MenuVolume();
  ASSERT_FALSE(volume.empty());
  struct Case {
    const char* what;
    std::function<void(const std::string&)> plant;
    const char* named;  // "" for a sound image
  };
  const Case cases[] = {
      {"as authored", [](const std::string&) {}, ""},
      // TT_SRPT (VMGI_MAT 0xC4) entry 3's title set sector at +8 + 24 + 8;
      // in VIDEO_TS.IFO and its backup.
      {"title 3's title set sector",
       [](const std::string& iso) {
         EditImageHeads(iso, "DVDVIDEO-VMG", 0, 2, [](std::string& b, size_t head) {
           size_t at = head + size_t{Be32(b, head + 0xC4)} * 2048 + 8 + 2 * 12 + 8;
           PutBe32At(b, at, Be32(b, at) + 1);
         });
       },
       "VIDEO_TS.IFO TT_SRPT title 3: title set 2 at sector"},
      // VTSI_MAT 0xC0: the menu VOBs' sector, in the second set's IFO and BUP
      // (the image holds set 1's IFO and BUP first).
      {"the second set's menu VOB sector",
       [](const std::string& iso) {
         EditImageHeads(iso, "DVDVIDEO-VTS", 2, 2, [](std::string& b, size_t head) {
           PutBe32At(b, head + 0xC0, Be32(b, head + 0xC0) + 1);
         });
       },
       "VTS_02_0.IFO VTSM_VOBS: VTS_02_0.VOB"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    fs::create_directories(dir / "root/AUDIO_TS");
    fs::copy(volume, dir / "root/VIDEO_TS");
    ASSERT_EQ(RunCommand("genisoimage -quiet -dvd-video -V MENUS -o " + dir / "disc.iso" + " " +
                         dir / "root"),
              0);
    c.plant(dir / "disc.iso");
    int status = -1;
    std::string out = Cli("verify " + dir / "disc.iso", &status);
    if (*c.named == '\0') {
      EXPECT_EQ(status, 0) << c.what << "\n" << out;
    } else {
      EXPECT_EQ(status, 1) << c.what << "\n" << out;
      EXPECT_NE(out.find(c.named), std::string::npos) << c.what << "\n" << out;
    }
  }
}

}  // namespace
}  // namespace vm::testing
