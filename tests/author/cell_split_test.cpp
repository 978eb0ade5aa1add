// The cut plan of re-chaptering in place: cells cut in every program chain
// that plays them, chapters added and removed wherever the place is played,
// and the numbers the jump rewriter relies on.

#include "author/cell_split.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace vm {
namespace {

struct Cell {
  uint32_t first, last;
  uint16_t vob;
  uint8_t id;
};
struct Pgc {
  std::vector<Cell> cells;
  std::vector<int> programs;  // entry cells, 1-based
};
struct Ptt {
  int pgcn, pgn;
};

std::unique_ptr<SplitLayout> Layout(const std::vector<Cell>& adt, const std::vector<Pgc>& pgcs,
                                    const std::vector<std::vector<Ptt>>& titles) {
  auto l = std::make_unique<SplitLayout>();
  l->adtCount = static_cast<int>(adt.size());
  for (size_t i = 0; i < adt.size(); ++i) l->adt[i] = {adt[i].first, adt[i].last, adt[i].vob, adt[i].id};
  l->pgcCount = static_cast<int>(pgcs.size());
  for (size_t g = 0; g < pgcs.size(); ++g) {
    SplitPgc& p = l->pgc[g];
    p.cellCount = static_cast<int>(pgcs[g].cells.size());
    for (size_t c = 0; c < pgcs[g].cells.size(); ++c) {
      const Cell& x = pgcs[g].cells[c];
      p.cell[c] = {x.first, x.last, x.vob, x.id};
    }
    p.programCount = static_cast<int>(pgcs[g].programs.size());
    for (size_t k = 0; k < pgcs[g].programs.size(); ++k)
      p.programCell[k] = static_cast<uint8_t>(pgcs[g].programs[k]);
  }
  l->titleCount = static_cast<int>(titles.size());
  for (size_t t = 0; t < titles.size(); ++t) {
    l->title[t].pttCount = static_cast<int>(titles[t].size());
    for (size_t k = 0; k < titles[t].size(); ++k)
      l->title[t].ptt[k] = {static_cast<uint16_t>(titles[t][k].pgcn),
                            static_cast<uint16_t>(titles[t][k].pgn)};
  }
  return l;
}

std::vector<std::vector<uint32_t>> CellsOf(const SplitLayout& l) {
  std::vector<std::vector<uint32_t>> out;
  for (int g = 0; g < l.pgcCount; ++g) {
    std::vector<uint32_t> v;
    for (int c = 0; c < l.pgc[g].cellCount; ++c)
      v.insert(v.end(), {l.pgc[g].cell[c].first, l.pgc[g].cell[c].last, l.pgc[g].cell[c].cellId});
    out.push_back(v);
  }
  return out;
}

std::vector<std::vector<int>> ProgramsOf(const SplitLayout& l) {
  std::vector<std::vector<int>> out;
  for (int g = 0; g < l.pgcCount; ++g)
    out.emplace_back(l.pgc[g].programCell, l.pgc[g].programCell + l.pgc[g].programCount);
  return out;
}

std::vector<std::vector<int>> ChaptersOf(const SplitLayout& l) {
  std::vector<std::vector<int>> out;
  for (int t = 0; t < l.titleCount; ++t) {
    std::vector<int> v;
    for (int k = 0; k < l.title[t].pttCount; ++k)
      v.insert(v.end(), {l.title[t].ptt[k].pgcn, l.title[t].ptt[k].pgn});
    out.push_back(v);
  }
  return out;
}

// Two episodes in VOB 1 (cells 1 and 2) and a Play All program chain that
// plays both, each a title of its own.
std::unique_ptr<SplitLayout> Episodes() {
  const Cell e1{0, 99, 1, 1}, e2{100, 199, 1, 2};
  return Layout({e1, e2}, {{{e1}, {1}}, {{e2}, {1}}, {{e1, e2}, {1, 2}}},
                {{{1, 1}}, {{2, 1}}, {{3, 1}, {3, 2}}});
}

struct PlanCase {
  const char* what;
  int chosenPgc;
  std::vector<uint32_t> marks;
  std::vector<std::vector<uint32_t>> cells;  // per program chain: first, last, cell id
  std::vector<std::vector<int>> programs;
  std::vector<std::vector<int>> chapters;    // per title: pgcn, pgn pairs
  std::vector<uint32_t> adt;                 // first, last, cell id
};

TEST(CellSplitPlan, EveryProgramChainPlayingAPlaceFollowsTheEdit) {
  const std::vector<PlanCase> cases = {
      {"no change", 1, {0}, {{0, 99, 1}, {100, 199, 2}, {0, 99, 1, 100, 199, 2}},
       {{1}, {1}, {1, 2}}, {{1, 1}, {2, 1}, {3, 1, 3, 2}}, {0, 99, 1, 100, 199, 2}},
      {"cut inside episode 1: the Play All title lists the pieces and gains the chapter", 1,
       {0, 50},
       {{0, 49, 1, 50, 99, 2}, {100, 199, 3}, {0, 49, 1, 50, 99, 2, 100, 199, 3}},
       {{1, 2}, {1}, {1, 2, 3}},
       {{1, 1, 1, 2}, {2, 1}, {3, 1, 3, 2, 3, 3}},
       {0, 49, 1, 50, 99, 2, 100, 199, 3}},
      {"two cuts in episode 2, chosen from the Play All chain", 3, {0, 100, 130, 160},
       {{0, 99, 1}, {100, 129, 2, 130, 159, 3, 160, 199, 4},
        {0, 99, 1, 100, 129, 2, 130, 159, 3, 160, 199, 4}},
       {{1}, {1, 2, 3}, {1, 2, 3, 4}},
       {{1, 1}, {2, 1, 2, 2, 2, 3}, {3, 1, 3, 2, 3, 3, 3, 4}},
       {0, 99, 1, 100, 129, 2, 130, 159, 3, 160, 199, 4}},
      {"a removed point stays where a program chain starts", 3, {0},
       {{0, 99, 1}, {100, 199, 2}, {0, 99, 1, 100, 199, 2}},
       {{1}, {1}, {1}}, {{1, 1}, {2, 1}, {3, 1}}, {0, 99, 1, 100, 199, 2}},
      {"marks outside the chosen chain are ignored", 2, {100, 50}, {{0, 99, 1}, {100, 199, 2}, {0, 99, 1, 100, 199, 2}},
       {{1}, {1}, {1, 2}}, {{1, 1}, {2, 1}, {3, 1, 3, 2}}, {0, 99, 1, 100, 199, 2}},
  };
  for (const PlanCase& c : cases) {
    SCOPED_TRACE(c.what);
    auto in = Episodes();
    auto out = std::make_unique<SplitLayout>();
    auto map = std::make_unique<TitleSetRenumber>();
    ASSERT_EQ(PlanCellSplit(*in, c.chosenPgc, c.marks.data(), static_cast<int>(c.marks.size()),
                            *out, *map),
              SplitResult::Done);
    EXPECT_EQ(CellsOf(*out), c.cells);
    EXPECT_EQ(ProgramsOf(*out), c.programs);
    EXPECT_EQ(ChaptersOf(*out), c.chapters);
    std::vector<uint32_t> adt;
    for (int e = 0; e < out->adtCount; ++e)
      adt.insert(adt.end(), {out->adt[e].first, out->adt[e].last, out->adt[e].cellId});
    EXPECT_EQ(adt, c.adt);
  }
}

TEST(CellSplitPlan, RenumberingMapLeadsOldNumbersToTheSamePlace) {
  auto in = Episodes();
  auto out = std::make_unique<SplitLayout>();
  auto map = std::make_unique<TitleSetRenumber>();
  // Episode 2 gains a chapter at 150, the Play All title then loses the
  // chapter at episode 2's start.
  const uint32_t marks[] = {0, 150};
  ASSERT_EQ(PlanCellSplit(*in, 3, marks, 2, *out, *map), SplitResult::Done);
  EXPECT_EQ(ProgramsOf(*out), (std::vector<std::vector<int>>{{1}, {1, 2}, {1, 3}}));
  const PgcRenumber& all = map->pgc[3];
  EXPECT_EQ(all.oldPrograms, 2);
  EXPECT_EQ(all.oldCells, 2);
  EXPECT_EQ(all.newCell[1], 1);
  EXPECT_EQ(all.newCell[2], 2);
  EXPECT_EQ(all.newProgram[2], 1);  // episode 2's start is now inside program 1
  EXPECT_TRUE(all.programRemoved[2]);
  EXPECT_FALSE(map->pgc[2].programRemoved[1]);  // episode 2's own first program stays
  EXPECT_EQ(map->titleCount, 3);
  EXPECT_TRUE(map->title[3].pttRemoved[2]);
  EXPECT_EQ(map->title[3].newPtt[2], 1);
  EXPECT_EQ(ChaptersOf(*out)[2], (std::vector<int>{3, 1, 3, 2}));
  EXPECT_EQ(ChaptersOf(*out)[1], (std::vector<int>{2, 1, 2, 2}));
  // Cells after a cut in the same VOB move up by one.
  auto out2 = std::make_unique<SplitLayout>();
  const uint32_t cut[] = {0, 40};
  ASSERT_EQ(PlanCellSplit(*in, 1, cut, 2, *out2, *map), SplitResult::Done);
  EXPECT_EQ(map->pgc[3].newCell[2], 3);
  EXPECT_EQ(map->pgc[3].newProgram[2], 3);
  EXPECT_EQ(map->title[3].newPtt[2], 3);
  EXPECT_EQ(out2->pgc[2].srcCell[1], 0);  // both pieces come from the first source cell
  EXPECT_EQ(out2->pgc[2].srcCell[2], 1);
}

TEST(CellSplitPlan, RefusesWhatTheTablesCannotHold) {
  auto out = std::make_unique<SplitLayout>();
  auto map = std::make_unique<TitleSetRenumber>();
  // A program chain of 255 cells cannot take one more piece; cell ids of
  // one VOB stop at 255.
  Pgc full;
  std::vector<Cell> adt;
  for (int c = 0; c < 255; ++c) {
    const Cell cell{static_cast<uint32_t>(c * 10), static_cast<uint32_t>(c * 10 + 9), 1,
                    static_cast<uint8_t>(c + 1)};
    full.cells.push_back(cell);
    adt.push_back(cell);
  }
  full.programs = {1};
  auto in = Layout(adt, {full}, {{{1, 1}}});
  const uint32_t mark[] = {0, 5};
  EXPECT_EQ(PlanCellSplit(*in, 1, mark, 2, *out, *map), SplitResult::TooManyCells);
  // A program that names a cell the chain does not have.
  auto bad = Layout({{0, 9, 1, 1}}, {{{{0, 9, 1, 1}}, {2}}}, {{{1, 1}}});
  EXPECT_EQ(PlanCellSplit(*bad, 1, mark, 2, *out, *map), SplitResult::BadLayout);
  EXPECT_EQ(PlanCellSplit(*bad, 2, mark, 2, *out, *map), SplitResult::BadLayout);
}

}  // namespace
}  // namespace vm
