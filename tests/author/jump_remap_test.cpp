// Jumps rewritten to land where they landed before: a title set where title
// 1 gained a chapter before its old chapter 3 (its cell 2 split), and title
// 2 lost its chapter 2.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "author/jump_remap.h"
#include "author/jump_rewrite.h"
#include "dvd/pci_buttons.h"

namespace vm {
namespace {

std::unique_ptr<TitleSetRenumber> SampleMap() {
  auto m = std::make_unique<TitleSetRenumber>();
  std::memset(m.get(), 0, sizeof(TitleSetRenumber));
  m->vtsNumber = 1;
  m->titleCount = 2;
  m->pgcCount = 3;
  // Title 1 (PGC 1): a mark added inside old chapter 2 (its cell 2 split).
  TitleRenumber& t1 = m->title[1];
  t1.oldPtts = 4;
  const uint16_t ptt1[] = {0, 1, 2, 4, 5};
  std::memcpy(t1.newPtt, ptt1, sizeof ptt1);
  PgcRenumber& p1 = m->pgc[1];
  p1.oldPrograms = 4;
  p1.oldCells = 4;
  std::memcpy(p1.newProgram, ptt1, sizeof ptt1);
  const uint16_t cell1[] = {0, 1, 2, 4, 5};
  std::memcpy(p1.newCell, cell1, sizeof cell1);
  // Title 2 (PGC 2): its chapter 2 removed.
  TitleRenumber& t2 = m->title[2];
  t2.oldPtts = 3;
  const uint16_t ptt2[] = {0, 1, 1, 2};
  std::memcpy(t2.newPtt, ptt2, sizeof ptt2);
  t2.pttRemoved[2] = true;
  PgcRenumber& p2 = m->pgc[2];
  p2.oldPrograms = 3;
  p2.oldCells = 3;
  std::memcpy(p2.newProgram, ptt2, sizeof ptt2);
  p2.programRemoved[2] = true;
  const uint16_t cell2[] = {0, 1, 2, 3};
  std::memcpy(p2.newCell, cell2, sizeof cell2);
  // PGC 3: 130 programs, each moved up by one (a mark at its start).
  PgcRenumber& p3 = m->pgc[3];
  p3.oldPrograms = 130;
  p3.oldCells = 130;
  for (int i = 1; i <= 130; ++i) {
    p3.newProgram[i] = static_cast<uint16_t>(i + 1);
    p3.newCell[i] = static_cast<uint16_t>(i);
  }
  return m;
}

JumpSite Menu(int vts, int button) {
  JumpSite s;
  s.domain = JumpDomain::VtsMenu;
  s.vts = vts;
  s.language = 1;
  s.pgc = 2;
  s.source = JumpSource::Button;
  s.number = button;
  s.navSector = 40;
  return s;
}

JumpSite TitlePgc(int pgc, int title, JumpSource source = JumpSource::Post) {
  JumpSite s;
  s.domain = JumpDomain::Title;
  s.vts = 1;
  s.pgc = pgc;
  s.vtsTitle = title;
  s.source = source;
  s.number = 1;
  return s;
}

JumpSite Vmgm() {
  JumpSite s;
  s.domain = JumpDomain::VmgMenu;
  s.language = 1;
  s.pgc = 1;
  s.number = 1;
  return s;
}

struct Case {
  const char* what;
  JumpSite site;
  uint8_t in[8];
  JumpRemapCode code;
  uint8_t out[8];
  int oldNumber, newNumber;
};

TEST(JumpRemap, EachJumpLandsWhereItLandedBefore) {
  const auto map = SampleMap();
  const Case kCases[] = {
      {"menu button to chapter 3 of title 1: a chapter came before it", Menu(1, 3),
       {0x30, 0x05, 0, 0x03, 0, 0x01, 0, 0}, JumpRemapCode::Renumbered,
       {0x30, 0x05, 0, 0x04, 0, 0x01, 0, 0}, 3, 4},
      {"menu button to chapter 2 of title 1: before the new mark", Menu(1, 2),
       {0x30, 0x05, 0, 0x02, 0, 0x01, 0, 0}, JumpRemapCode::Untouched,
       {0x30, 0x05, 0, 0x02, 0, 0x01, 0, 0}, 2, 2},
      {"menu button to the removed chapter 2 of title 2", Menu(1, 4),
       {0x30, 0x05, 0, 0x02, 0, 0x02, 0, 0}, JumpRemapCode::Moved,
       {0x30, 0x05, 0, 0x01, 0, 0x02, 0, 0}, 2, 1},
      {"a button of another title set's menu names its own titles", Menu(2, 1),
       {0x30, 0x05, 0, 0x03, 0, 0x01, 0, 0}, JumpRemapCode::Untouched,
       {0x30, 0x05, 0, 0x03, 0, 0x01, 0, 0}, 0, 0},
      {"a chapter the title never had is left alone", Menu(1, 5),
       {0x30, 0x05, 0, 0x09, 0, 0x01, 0, 0}, JumpRemapCode::Untouched,
       {0x30, 0x05, 0, 0x09, 0, 0x01, 0, 0}, 0, 0},
      {"a title the set does not have is left alone", Menu(1, 6),
       {0x30, 0x05, 0, 0x03, 0, 0x07, 0, 0}, JumpRemapCode::Untouched,
       {0x30, 0x05, 0, 0x03, 0, 0x07, 0, 0}, 0, 0},
      {"JumpVTS_TT names only the title", Menu(1, 7),
       {0x30, 0x03, 0, 0, 0, 0x01, 0, 0}, JumpRemapCode::Untouched,
       {0x30, 0x03, 0, 0, 0, 0x01, 0, 0}, 0, 0},
      {"JumpTT from the VMG menu names only the title", Vmgm(),
       {0x30, 0x02, 0, 0, 0, 0x01, 0, 0}, JumpRemapCode::Untouched,
       {0x30, 0x02, 0, 0, 0, 0x01, 0, 0}, 0, 0},
      {"a menu's LinkPGN names the menu's own program", Menu(1, 8),
       {0x20, 0x06, 0, 0, 0, 0, 0, 0x03}, JumpRemapCode::Untouched,
       {0x20, 0x06, 0, 0, 0, 0, 0, 0x03}, 0, 0},
      {"post command LinkPTTN 3 of title 1, button kept", TitlePgc(1, 1),
       {0x20, 0x05, 0, 0, 0, 0, 0x08, 0x03}, JumpRemapCode::Renumbered,
       {0x20, 0x05, 0, 0, 0, 0, 0x08, 0x04}, 3, 4},
      {"conditional LinkPTTN: only the target changes", TitlePgc(1, 1),
       {0x20, 0xA5, 0, 0x01, 0, 0x03, 0, 0x04}, JumpRemapCode::Renumbered,
       {0x20, 0xA5, 0, 0x01, 0, 0x03, 0, 0x05}, 4, 5},
      {"LinkPGN 3 of PGC 1", TitlePgc(1, 1, JumpSource::Cell),
       {0x20, 0x06, 0, 0, 0, 0, 0, 0x03}, JumpRemapCode::Renumbered,
       {0x20, 0x06, 0, 0, 0, 0, 0, 0x04}, 3, 4},
      {"LinkCN 3 of PGC 1: after the split cell", TitlePgc(1, 1),
       {0x20, 0x07, 0, 0, 0, 0, 0, 0x03}, JumpRemapCode::Renumbered,
       {0x20, 0x07, 0, 0, 0, 0, 0, 0x04}, 3, 4},
      {"LinkPGN to the removed program 2 of PGC 2", TitlePgc(2, 2, JumpSource::Pre),
       {0x20, 0x06, 0, 0, 0, 0, 0, 0x02}, JumpRemapCode::Moved,
       {0x20, 0x06, 0, 0, 0, 0, 0, 0x01}, 2, 1},
      {"set-and-link: g2 = 5; LinkPTTN 3", TitlePgc(1, 1),
       {0x71, 0x05, 0, 0x02, 0, 0x05, 0, 0x03}, JumpRemapCode::Renumbered,
       {0x71, 0x05, 0, 0x02, 0, 0x05, 0, 0x04}, 3, 4},
      {"CallSS from a title resumes at the cell after the split", TitlePgc(1, 1),
       {0x30, 0x08, 0, 0, 0x03, 0x83, 0, 0}, JumpRemapCode::Renumbered,
       {0x30, 0x08, 0, 0, 0x04, 0x83, 0, 0}, 3, 4},
      {"a link whose bytes are also compared is left", TitlePgc(1, 1),
       {0x71, 0xA6, 0x01, 0x02, 0, 0x05, 0, 0x03}, JumpRemapCode::NotWritable,
       {0x71, 0xA6, 0x01, 0x02, 0, 0x05, 0, 0x03}, 3, 4},
      {"program 127 becomes 128, more than LinkPGN can name", TitlePgc(3, 0),
       {0x20, 0x06, 0, 0, 0, 0, 0, 0x7F}, JumpRemapCode::NotWritable,
       {0x20, 0x06, 0, 0, 0, 0, 0, 0x7F}, 127, 128},
      {"the chapter number copied to a register", TitlePgc(1, 1, JumpSource::Pre),
       {0x61, 0x00, 0, 0x01, 0, 0x87, 0, 0}, JumpRemapCode::FromRegister,
       {0x61, 0x00, 0, 0x01, 0, 0x87, 0, 0}, 0, 0},
  };
  for (const Case& k : kCases) {
    SCOPED_TRACE(k.what);
    uint8_t bytes[8];
    std::memcpy(bytes, k.in, 8);
    const JumpRemapResult r = RemapJump(bytes, k.site, *map);
    EXPECT_EQ(r.code, k.code);
    EXPECT_EQ(0, std::memcmp(bytes, k.out, 8));
    if (k.oldNumber != 0) {
      EXPECT_EQ(r.oldNumber, k.oldNumber);
      EXPECT_EQ(r.newNumber, k.newNumber);
    }
  }
}

TEST(JumpRemap, NothingChangesWithoutARenumberedTitleSet) {
  auto map = SampleMap();
  map->vtsNumber = 0;
  uint8_t bytes[8] = {0x30, 0x05, 0, 0x03, 0, 0x01, 0, 0};
  EXPECT_EQ(RemapJump(bytes, Menu(1, 1), *map).code, JumpRemapCode::Untouched);
  EXPECT_EQ(bytes[3], 0x03);
}

TEST(JumpRemap, ReportLinesSayWhereAndWhatForWhatNeedsAWord) {
  const auto map = SampleMap();
  uint8_t moved[8] = {0x30, 0x05, 0, 0x02, 0, 0x02, 0, 0};
  const JumpSite button = Menu(1, 4);
  EXPECT_EQ(JumpReportLine(button, RemapJump(moved, button, *map)),
            "VTS 1 menu (language 1) PGC 2, button 4 (nav pack at sector 40): chapter 2 of "
            "title 2 was removed; now jumps to chapter 1, which holds it");
  uint8_t reg[8] = {0x61, 0x00, 0, 0x01, 0, 0x87, 0, 0};
  const JumpSite pre = TitlePgc(1, 1, JumpSource::Pre);
  EXPECT_EQ(JumpReportLine(pre, RemapJump(reg, pre, *map)),
            "VTS 1 title PGC 1, pre command 1: reads the chapter number from a register; "
            "where it jumps with it cannot be followed, left as it was");
  uint8_t plain[8] = {0x30, 0x05, 0, 0x03, 0, 0x01, 0, 0};
  EXPECT_EQ(JumpReportLine(button, RemapJump(plain, button, *map)), "");
}


// A navigation pack of a menu: noise everywhere, its highlight information
// with `groups` button groups of `count` buttons, each button's command
// JumpVTS_PTT title:chapter from `targets` (in slot order, per group).
std::vector<uint8_t> MenuPack(int groups, int count, const std::vector<std::pair<int, int>>& targets,
                              uint8_t status = 1) {
  std::vector<uint8_t> pack(2048);
  for (size_t i = 0; i < pack.size(); ++i) pack[i] = static_cast<uint8_t>(i * 7 + 3);
  uint8_t* h = pack.data() + kHliInPack;
  h[kHliSs + 1] = status;
  h[kHliButtonMode] = static_cast<uint8_t>(groups << 4);
  h[kHliButtonMode + 1] = 0;
  h[kHliButtonCount] = static_cast<uint8_t>(count);
  const int perGroup = kBtnItButtons / groups;
  if (count <= 0) return pack;
  // The k-th target is button k % count of group k / count.
  int k = 0;
  for (const std::pair<int, int>& target : targets) {
    const int g = k / count, n = k % count;
    if (g >= groups) break;
    ++k;
    uint8_t* cmd = h + kBtnIt + (g * perGroup + n) * kBtnItEntryBytes + kBtnCommand;
    const uint8_t c[8] = {0x30, 0x05, 0, static_cast<uint8_t>(target.second), 0,
                          static_cast<uint8_t>(target.first), 0, 0};
    std::memcpy(cmd, c, 8);
  }
  return pack;
}

TEST(JumpRewrite, MenuPackButtonsChangeOnlyInTheirCommandBytes) {
  const auto map = SampleMap();
  JumpSite menu = Menu(1, 0);
  menu.navSector = 7;
  struct Case {
    const char* what;
    std::vector<uint8_t> pack;
    int rewritten;
    size_t lines;
    std::vector<size_t> changedBytes;  // offsets within the pack
  };
  const int slot0 = kHliInPack + kBtnIt + kBtnCommand;
  const int slot18 = slot0 + 18 * kBtnItEntryBytes;
  const Case kCases[] = {
      {"one group: chapter 3 becomes 4, chapter 2 of title 2 is gone, chapter 2 stays",
       MenuPack(1, 3, {{1, 3}, {2, 2}, {1, 2}}), 2, 1,
       {static_cast<size_t>(slot0 + 3), static_cast<size_t>(slot0 + kBtnItEntryBytes + 3)}},
      {"two groups: the second group's first button is slot 18", MenuPack(2, 1, {{1, 1}, {1, 4}}), 1, 0,
       {static_cast<size_t>(slot18 + 3)}},
      {"no highlight information: nothing is read as a button", MenuPack(1, 3, {{1, 3}}, 0), 0, 0, {}},
  };
  for (const Case& k : kCases) {
    SCOPED_TRACE(k.what);
    std::vector<uint8_t> pack = k.pack;
    JumpReport report;
    EXPECT_EQ(RewriteNavPackButtons(pack.data(), pack.size(), menu, *map, report), k.rewritten > 0);
    EXPECT_EQ(report.rewritten, k.rewritten);
    EXPECT_EQ(report.noted.size(), k.lines);
    std::vector<size_t> changed;
    for (size_t i = 0; i < pack.size(); ++i)
      if (pack[i] != k.pack[i]) changed.push_back(i);
    EXPECT_EQ(changed, k.changedBytes);
  }
  // The same button in two packs of the menu is one line.
  JumpReport report;
  for (uint32_t sector : {7u, 9u}) {
    std::vector<uint8_t> pack = MenuPack(1, 2, {{2, 2}});
    menu.navSector = sector;
    ASSERT_TRUE(RewriteNavPackButtons(pack.data(), pack.size(), menu, *map, report));
  }
  EXPECT_EQ(JumpReportText(report),
            "Menu and command jumps: 2 rewritten to the new chapter numbers; 1 to note:\n"
            "VTS 1 menu (language 1) PGC 2, button 1 (nav pack at sector 7) (and 1 more nav "
            "packs): chapter 2 of title 2 was removed; now jumps to chapter 1, which holds it");
}

}  // namespace
}  // namespace vm
