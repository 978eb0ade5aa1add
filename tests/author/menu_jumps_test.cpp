// Menus and commands that jump into a title, on volumes made with dvdauthor:
// every command table (read by libdvdread) and every button table of the
// menu VOBs comes back byte for byte through the codec; the buttons and
// commands decode to what the volume's author wrote; and libdvdnav, driven
// as a remote would, lands where the buttons say.
#include <gtest/gtest.h>

#include <dvdnav/dvdnav.h>
#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "dvd/pci_buttons.h"
#include "dvd/vm_command.h"
#include "tests/support/menu_volume.h"
#include "tests/support/real_titles.h"
#include "tests/support/temp_dir.h"

namespace vm {
namespace {

constexpr size_t kSector = 2048;

bool IsNav(const uint8_t* p) {
  return p[0] == 0 && p[1] == 0 && p[2] == 1 && p[3] == 0xBA && p[14] == 0 && p[15] == 0 &&
         p[16] == 1 && p[17] == 0xBB;
}

// Calls `each` with every 8-byte command of every program chain of the
// volume: first play, VMG menus, and each title set's menus and titles.
void ForEachCommand(const std::string& folder,
                    const std::function<void(const std::string& where, const uint8_t*)>& each) {
  dvd_reader_t* dvd = DVDOpen(folder.c_str());
  ASSERT_NE(dvd, nullptr);
  ifo_handle_t* vmg = ifoOpen(dvd, 0);
  ASSERT_NE(vmg, nullptr);
  const int sets = vmg->vmgi_mat->vmg_nr_of_title_sets;
  auto table = [&](const std::string& where, const pgc_t* pgc) {
    if (pgc == nullptr || pgc->command_tbl == nullptr) return;
    const pgc_command_tbl_t* t = pgc->command_tbl;
    for (int i = 0; i < t->nr_of_pre; ++i) each(where + " pre", t->pre_cmds[i].bytes);
    for (int i = 0; i < t->nr_of_post; ++i) each(where + " post", t->post_cmds[i].bytes);
    for (int i = 0; i < t->nr_of_cell; ++i) each(where + " cell", t->cell_cmds[i].bytes);
  };
  auto menus = [&](const std::string& where, const pgci_ut_t* ut) {
    if (ut == nullptr) return;
    for (int l = 0; l < ut->nr_of_lus; ++l)
      for (int p = 0; p < ut->lu[l].pgcit->nr_of_pgci_srp; ++p)
        table(where + " menu pgc " + std::to_string(p + 1), ut->lu[l].pgcit->pgci_srp[p].pgc);
  };
  table("first play", vmg->first_play_pgc);
  menus("VMG", vmg->pgci_ut);
  ifoClose(vmg);
  for (int n = 1; n <= sets; ++n) {
    ifo_handle_t* vts = ifoOpen(dvd, n);
    ASSERT_NE(vts, nullptr);
    const std::string name = "VTS " + std::to_string(n);
    menus(name, vts->pgci_ut);
    for (int p = 0; p < vts->vts_pgcit->nr_of_pgci_srp; ++p)
      table(name + " title pgc " + std::to_string(p + 1), vts->vts_pgcit->pgci_srp[p].pgc);
    ifoClose(vts);
  }
  DVDClose(dvd);
}

// Every navigation pack of the menu VOBs (VIDEO_TS.VOB, VTS_nn_0.VOB).
void ForEachMenuNavPack(const std::string& folder,
                        const std::function<void(const std::string& file, size_t sector,
                                                 const uint8_t* pack)>& each) {
  std::vector<std::string> files = {"VIDEO_TS.VOB"};
  for (int n = 1; n <= 99; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "VTS_%02d_0.VOB", n);
    if (testing::ReadFile(folder + "VTS_" + std::string(name + 4, 2) + "_0.IFO").empty()) break;
    files.push_back(name);
  }
  for (const std::string& f : files) {
    const std::string bytes = testing::ReadFile(folder + f);
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    for (size_t s = 0; (s + 1) * kSector <= bytes.size(); ++s)
      if (IsNav(p + s * kSector)) each(f, s, p + s * kSector);
  }
}

std::vector<std::string> Volumes() {
  return {testing::MenuJumpVolume(), testing::MenuVolume(), testing::MultiTitleVolume(testing::MultiTitleKind::ThreeTitleSets),
          testing::MultiTitleVolume(testing::MultiTitleKind::OneSetThreePgcs)};
}

TEST(RealTitleJumps, EveryCommandAndButtonTableComesBackByteForByte) {
  int packs = 0;  // one volume has no menus at all
  for (const std::string& folder : Volumes()) {
    ASSERT_FALSE(folder.empty());
    int commands = 0;
    ForEachCommand(folder, [&](const std::string& where, const uint8_t* cmd) {
      uint8_t out[8];
      EncodeVmCommand(DecodeVmCommand(cmd), out);
      EXPECT_EQ(0, std::memcmp(out, cmd, 8)) << folder << " " << where;
      ++commands;
    });
    ForEachMenuNavPack(folder, [&](const std::string& file, size_t sector, const uint8_t* pack) {
      PciHighlight h;
      ASSERT_TRUE(ReadPciHighlight(pack, kSector, h));
      for (const PciButton& b : h.button) {
        uint8_t out[8];
        EncodeVmCommand(DecodeVmCommand(b.command), out);
        EXPECT_EQ(0, std::memcmp(out, b.command, 8)) << file << " sector " << sector;
      }
      std::vector<uint8_t> again(pack, pack + kSector);
      std::memset(again.data() + kHliInPack, 0, kHliBytes);
      ASSERT_TRUE(WritePciHighlight(h, again.data(), again.size()));
      EXPECT_EQ(0, std::memcmp(again.data(), pack, kSector)) << file << " sector " << sector;
      ++packs;
    });
    EXPECT_GT(commands, 0) << folder;
  }
  EXPECT_GT(packs, 0);
}

TEST(RealTitleJumps, ButtonsAndCommandsDecodeToWhatTheAuthorWrote) {
  const std::string folder = testing::MenuJumpVolume();
  ASSERT_FALSE(folder.empty());
  // The buttons of the first navigation pack with highlight information.
  auto buttons = [&](const std::string& wanted) {
    std::vector<std::string> seen;
    ForEachMenuNavPack(folder, [&](const std::string& file, size_t, const uint8_t* pack) {
      PciHighlight h;
      if (file != wanted || !seen.empty() || !ReadPciHighlight(pack, kSector, h) || h.status == 0)
        return;
      for (int n = 1; n <= h.buttonCount; ++n) {
        char text[64];
        DescribeVmCommand(DecodeVmCommand(h.button[PciButtonSlot(h, 1, n)].command), text, sizeof text);
        seen.push_back(text);
      }
    });
    return seen;
  };
  EXPECT_EQ(buttons("VTS_01_0.VOB"),
            (std::vector<std::string>{"JumpVTS_PTT 1:2", "JumpVTS_PTT 1:3", "JumpVTS_PTT 1:4",
                                      "JumpVTS_TT 2"}));
  const std::vector<std::string> vmgm = buttons("VIDEO_TS.VOB");
  ASSERT_EQ(vmgm.size(), 4u);
  EXPECT_EQ(vmgm[1], "JumpTT 1");
  EXPECT_EQ(vmgm[2], "JumpTT 2");
  bool post = false;
  ForEachCommand(folder, [&](const std::string& where, const uint8_t* cmd) {
    char text[64];
    DescribeVmCommand(DecodeVmCommand(cmd), text, sizeof text);
    if (where == "VTS 1 title pgc 2 post") post = std::string(text) == "JumpVTS_PTT 1:3";
  });
  EXPECT_TRUE(post);
}


// A press of a menu button, as a remote makes it: in the menu of `domain`,
// once its highlight is there, button `button` is selected and activated.
enum class MenuDomain { Vmgm, Vtsm, Title };
struct Press {
  MenuDomain domain;
  int button;
};

// Where playback arrives in a title: the title (volume numbering), its
// chapter and the sector of the first navigation pack read there.
struct Landing {
  bool reached = false;
  int title = 0;
  int chapter = 0;
  uint32_t navSector = 0;
};

// Plays `folder` from its first-play program chain (or title `startTitle`
// when not 0), makes the presses in order, and reads on until a title other
// than `startTitle` plays.
Landing Drive(const std::string& folder, int startTitle, const std::vector<Press>& presses) {
  Landing landing;
  dvdnav_t* nav = nullptr;
  if (dvdnav_open(&nav, folder.c_str()) != DVDNAV_STATUS_OK) return landing;
  dvdnav_set_readahead_flag(nav, 0);
  dvdnav_set_PGC_positioning_flag(nav, 1);
  if (startTitle > 0) dvdnav_title_play(nav, startTitle);
  size_t next = 0;
  uint8_t buf[kSector];
  for (int block = 0; block < 200000 && !landing.reached; ++block) {
    int ev = 0, len = 0;
    if (dvdnav_get_next_block(nav, buf, &ev, &len) != DVDNAV_STATUS_OK || ev == DVDNAV_STOP) break;
    if (ev == DVDNAV_STILL_FRAME) dvdnav_still_skip(nav);
    if (ev == DVDNAV_WAIT) dvdnav_wait_skip(nav);
    if (ev != DVDNAV_NAV_PACKET) continue;
    pci_t* pci = dvdnav_get_current_nav_pci(nav);
    if (next < presses.size()) {
      const MenuDomain d = presses[next].domain;
      const bool inMenu = d == MenuDomain::Vmgm   ? dvdnav_is_domain_vmgm(nav)
                          : d == MenuDomain::Vtsm ? dvdnav_is_domain_vtsm(nav)
                                                  : dvdnav_is_domain_vts(nav);
      if (inMenu && pci != nullptr && pci->hli.hl_gi.hli_ss != 0 &&
          pci->hli.hl_gi.btn_ns >= presses[next].button) {
        dvdnav_button_select_and_activate(nav, pci, presses[next].button);
        ++next;
      }
      continue;
    }
    int32_t title = 0, part = 0;
    if (dvdnav_is_domain_vts(nav) &&
        dvdnav_current_title_info(nav, &title, &part) == DVDNAV_STATUS_OK && title != startTitle) {
      landing = {true, title, part, pci != nullptr ? pci->pci_gi.nv_pck_lbn : 0};
    }
  }
  dvdnav_close(nav);
  return landing;
}

// The sector of the first navigation pack of each chapter of title 1.
std::vector<uint32_t> ChapterStarts(const std::string& folder) {
  std::vector<uint32_t> starts;
  for (int chapter = 1;; ++chapter) {
    dvdnav_t* nav = nullptr;
    if (dvdnav_open(&nav, folder.c_str()) != DVDNAV_STATUS_OK) break;
    dvdnav_set_readahead_flag(nav, 0);
    bool found = false;
    if (dvdnav_part_play(nav, 1, chapter) == DVDNAV_STATUS_OK) {
      uint8_t buf[kSector];
      for (int block = 0; block < 10000 && !found; ++block) {
        int ev = 0, len = 0;
        if (dvdnav_get_next_block(nav, buf, &ev, &len) != DVDNAV_STATUS_OK || ev == DVDNAV_STOP) break;
        if (ev == DVDNAV_NAV_PACKET) {
          starts.push_back(dvdnav_get_current_nav_pci(nav)->pci_gi.nv_pck_lbn);
          found = true;
        }
      }
    }
    dvdnav_close(nav);
    if (!found) break;
    int32_t parts = 0;
    if (dvdnav_open(&nav, folder.c_str()) == DVDNAV_STATUS_OK) {
      dvdnav_get_number_of_parts(nav, 1, &parts);
      dvdnav_close(nav);
    }
    if (chapter >= parts) break;
  }
  return starts;
}

TEST(RealTitleJumps, LibdvdnavLandsWhereTheSourceButtonsSay) {
  const std::string folder = testing::MenuJumpVolume();
  ASSERT_FALSE(folder.empty());
  const std::vector<uint32_t> starts = ChapterStarts(folder);
  ASSERT_EQ(starts.size(), 4u);
  struct Case {
    const char* what;
    int startTitle;
    std::vector<Press> presses;
    int title, chapter;
  };
  const Case kCases[] = {
      {"title set menu, button 2: chapter 3", 0, {{MenuDomain::Vmgm, 1}, {MenuDomain::Vtsm, 2}}, 1, 3},
      {"title set menu, button 3: chapter 4", 0, {{MenuDomain::Vmgm, 1}, {MenuDomain::Vtsm, 3}}, 1, 4},
      {"VMG menu, button 2: title 1", 0, {{MenuDomain::Vmgm, 2}}, 1, 1},
      {"title 2's post command: chapter 3 of title 1", 2, {}, 1, 3},
      {"title 2's own button: chapter 4 of title 1", 2, {{MenuDomain::Title, 1}}, 1, 4},
  };
  for (const Case& k : kCases) {
    SCOPED_TRACE(k.what);
    const Landing l = Drive(folder, k.startTitle, k.presses);
    ASSERT_TRUE(l.reached);
    EXPECT_EQ(l.title, k.title);
    EXPECT_EQ(l.chapter, k.chapter);
    EXPECT_EQ(l.navSector, starts[static_cast<size_t>(k.chapter - 1)]);
  }
}


std::string Cli(const std::string& args, int* status) {
  return testing::RunAndCapture(std::string(VM_CLI_PATH) + " " + args + " 2>&1 </dev/null", status);
}

// The time-list entries (1-based) that start title 1's chapters.
std::vector<int> ChapterEntries(const std::string& folder) {
  std::vector<int> entries;
  int status = -1;
  const std::string out = Cli("read " + folder + " --title 1", &status);
  size_t at = 0;
  while ((at = out.find(" >*", at)) != std::string::npos) {
    entries.push_back(std::atoi(out.c_str() + at + 3));
    at += 3;
  }
  return entries;
}

// Each byte of `b` that differs from `a`, as an offset.
std::vector<size_t> Differences(const std::string& a, const std::string& b) {
  std::vector<size_t> d;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i)
    if (a[i] != b[i]) d.push_back(i);
  return d;
}

TEST(RealTitleJumps, AfterReChapteringButtonsAndCommandsLandWhereTheyLandedBefore) {
  const std::string source = testing::MenuJumpVolume();
  ASSERT_FALSE(source.empty());
  const std::vector<uint32_t> starts = ChapterStarts(source);
  const std::vector<int> entries = ChapterEntries(source);
  ASSERT_EQ(starts.size(), 4u);
  ASSERT_EQ(entries.size(), 4u);
  ASSERT_GE(entries[2] - entries[1], 2);
  const std::string sourceMenu = testing::ReadFile(source + "VTS_01_0.VOB");
  const std::string sourceVmgMenu = testing::ReadFile(source + "VIDEO_TS.VOB");

  struct Expect {
    const char* what;
    int startTitle;
    std::vector<Press> presses;
    int chapter;      // on the written volume
    int sourceStart;  // 0-based chapter of the source whose first VOBU it lands on
  };
  struct Edit {
    const char* what;
    int toggle;       // the entry whose mark is switched
    const char* note; // a line the report must hold, or ""
    std::vector<Expect> expect;
  };
  const Edit kEdits[] = {
      {"a mark added inside chapter 2", entries[1] + 1, "",
       {{"button 1: chapter 2", 0, {{MenuDomain::Vmgm, 1}, {MenuDomain::Vtsm, 1}}, 2, 1},
        {"button 2: old chapter 3, now 4", 0, {{MenuDomain::Vmgm, 1}, {MenuDomain::Vtsm, 2}}, 4, 2},
        {"button 3: old chapter 4, now 5", 0, {{MenuDomain::Vmgm, 1}, {MenuDomain::Vtsm, 3}}, 5, 3},
        {"title 2's post command", 2, {}, 4, 2},
        {"title 2's own button: old chapter 4, now 5", 2, {{MenuDomain::Title, 1}}, 5, 3},
        {"the VMG menu's button into title 1", 0, {{MenuDomain::Vmgm, 2}}, 1, 0}}},
      {"the mark of chapter 3 removed", entries[2],
       "chapter 3 of title 1 was removed; now jumps to chapter 2, which holds it",
       {{"button 2: old chapter 3, into chapter 2 that holds it", 0,
         {{MenuDomain::Vmgm, 1}, {MenuDomain::Vtsm, 2}}, 2, 1},
        {"button 3: old chapter 4, now 3", 0, {{MenuDomain::Vmgm, 1}, {MenuDomain::Vtsm, 3}}, 3, 3},
        {"title 2's post command", 2, {}, 2, 1},
        {"title 2's own button: old chapter 4, now 3", 2, {{MenuDomain::Title, 1}}, 3, 3}}},
  };
  for (const Edit& e : kEdits) {
    SCOPED_TRACE(e.what);
    testing::TempDir out;
    int status = -1;
    const std::string log = Cli("--yes author " + source + " " + out.path() +
                                    " --whole-disc --title 1 --toggle " + std::to_string(e.toggle),
                                &status);
    ASSERT_EQ(status, 0) << log;
    EXPECT_NE(log.find("Information: Menu and command jumps: "), std::string::npos) << log;
    if (*e.note) {
      EXPECT_NE(log.find(e.note), std::string::npos) << log;
    }
    for (const Expect& k : e.expect) {
      SCOPED_TRACE(k.what);
      const Landing l = Drive(out.path(), k.startTitle, k.presses);
      ASSERT_TRUE(l.reached);
      EXPECT_EQ(l.title, 1);
      EXPECT_EQ(l.chapter, k.chapter);
      EXPECT_EQ(l.navSector, starts[static_cast<size_t>(k.sourceStart)]);
    }
    // The menu VOB differs from the source in button command bytes alone;
    // VIDEO_TS.VOB not at all.
    const std::string menu = testing::ReadFile(out / "VTS_01_0.VOB");
    ASSERT_EQ(menu.size(), sourceMenu.size());
    const std::vector<size_t> changed = Differences(sourceMenu, menu);
    EXPECT_FALSE(changed.empty());
    for (size_t at : changed) {
      const size_t inPack = at % kSector;
      const int inTable = static_cast<int>(inPack) - kHliInPack - kBtnIt;
      ASSERT_GE(inTable, 0) << at;
      EXPECT_GE(inTable % kBtnItEntryBytes, kBtnCommand) << at;
    }
    EXPECT_EQ(testing::ReadFile(out / "VIDEO_TS.VOB"), sourceVmgMenu);
  }
  EXPECT_EQ(testing::ReadFile(source + "VTS_01_0.VOB"), sourceMenu);
}

}  // namespace
}  // namespace vm
