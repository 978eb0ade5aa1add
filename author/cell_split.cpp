#include "author/cell_split.h"

#include <algorithm>

namespace vm {

namespace {

constexpr int kMaxCellId = 255;

// A sorted set of sectors with a fixed capacity.
struct SectorSet {
  int count = 0;
  uint32_t s[kMaxSplitPoints];

  bool Has(uint32_t v) const { return std::binary_search(s, s + count, v); }
  bool Add(uint32_t v) {
    uint32_t* at = std::lower_bound(s, s + count, v);
    if (at != s + count && *at == v) return true;
    if (count == kMaxSplitPoints) return false;
    std::move_backward(at, s + count, s + count + 1);
    *at = v;
    count += 1;
    return true;
  }
  // Sectors v with first < v <= last.
  int Inside(uint32_t first, uint32_t last) const {
    const uint32_t* a = std::upper_bound(s, s + count, first);
    const uint32_t* b = std::upper_bound(s, s + count, last);
    return b > a ? static_cast<int>(b - a) : 0;
  }
  const uint32_t* After(uint32_t v) const { return std::upper_bound(s, s + count, v); }
};

struct Points {
  SectorSet added;    // new chapter points
  SectorSet removed;  // chapter points taken away
  SectorSet cuts;     // added points that lie inside a cell
};

const SplitCellRef* CellHolding(const SplitPgc& p, uint32_t sector) {
  for (int c = 0; c < p.cellCount; ++c)
    if (p.cell[c].first <= sector && sector <= p.cell[c].last) return &p.cell[c];
  return nullptr;
}

bool ValidPrograms(const SplitPgc& p) {
  if (p.cellCount < 0 || p.cellCount > kRenumberMaxCells) return false;
  if (p.programCount < 0 || p.programCount > kRenumberMaxPrograms) return false;
  for (int g = 0; g < p.programCount; ++g)
    if (p.programCell[g] < 1 || p.programCell[g] > p.cellCount) return false;
  return true;
}

bool FindPoints(const SplitLayout& in, int chosen, const uint32_t* marks, int markCount,
                Points& pts) {
  const SplitPgc& p = in.pgc[chosen];
  uint32_t starts[kRenumberMaxPrograms];
  const int n = ProgramStarts(in, chosen, starts, kRenumberMaxPrograms);
  SectorSet wanted;
  for (int i = 0; i < markCount; ++i)
    if (CellHolding(p, marks[i]) != nullptr && !wanted.Add(marks[i])) return false;
  for (int i = 0; i < wanted.count; ++i) {
    const uint32_t m = wanted.s[i];
    if (std::find(starts, starts + n, m) != starts + n) continue;
    if (!pts.added.Add(m)) return false;
    if (CellHolding(p, m)->first != m && !pts.cuts.Add(m)) return false;
  }
  // The first program stays: a program chain always starts a chapter.
  for (int g = 1; g < n; ++g)
    if (!wanted.Has(starts[g]) && !pts.removed.Add(starts[g])) return false;
  return true;
}

// The new id of the first piece of each address entry, counting the pieces
// the cuts add before it in its VOB.
SplitResult CutAddressTable(const SplitLayout& in, const Points& pts, SplitLayout& out,
                            uint16_t* firstNewId) {
  out.adtCount = 0;
  for (int e = 0; e < in.adtCount; ++e) {
    const SplitCellRef& c = in.adt[e];
    int before = 0;
    for (int f = 0; f < in.adtCount; ++f) {
      const SplitCellRef& o = in.adt[f];
      if (o.vobId == c.vobId && o.cellId < c.cellId) before += pts.cuts.Inside(o.first, o.last);
    }
    firstNewId[e] = static_cast<uint16_t>(c.cellId + before);
    const int pieces = 1 + pts.cuts.Inside(c.first, c.last);
    if (firstNewId[e] + pieces - 1 > kMaxCellId) return SplitResult::TooManyCells;
    uint32_t from = c.first;
    const uint32_t* cut = pts.cuts.After(c.first);
    for (int k = 0; k < pieces; ++k, ++cut) {
      if (out.adtCount == kMaxAdtCells) return SplitResult::TooManyAdtCells;
      const uint32_t to = k + 1 < pieces ? *cut - 1 : c.last;
      out.adt[out.adtCount++] = {from, to, c.vobId, static_cast<uint8_t>(firstNewId[e] + k)};
      from = to + 1;
    }
  }
  return SplitResult::Done;
}

// The new id of the piece of cell `c` that starts at `sector`.
int PieceId(const SplitLayout& in, const uint16_t* firstNewId, const Points& pts,
            const SplitCellRef& c, uint32_t sector) {
  for (int e = 0; e < in.adtCount; ++e) {
    const SplitCellRef& a = in.adt[e];
    if (a.vobId == c.vobId && a.cellId == c.cellId && a.first <= c.first && c.first <= a.last)
      return firstNewId[e] + pts.cuts.Inside(a.first, sector);
  }
  return c.cellId + pts.cuts.Inside(c.first, sector);
}

SplitResult CutPgc(const SplitLayout& in, const uint16_t* firstNewId, const Points& pts,
                   const SplitPgc& p, SplitPgc& q, PgcRenumber& r) {
  q.cellCount = 0;
  r.oldCells = static_cast<uint16_t>(p.cellCount);
  r.oldPrograms = static_cast<uint16_t>(p.programCount);
  bool start[kRenumberMaxCells] = {};  // a program starts at this new cell
  for (int c = 0; c < p.cellCount; ++c) {
    const SplitCellRef& cell = p.cell[c];
    r.newCell[c + 1] = static_cast<uint16_t>(q.cellCount + 1);
    uint32_t from = cell.first;
    const uint32_t* cut = pts.cuts.After(cell.first);
    const int pieces = 1 + pts.cuts.Inside(cell.first, cell.last);
    for (int k = 0; k < pieces; ++k, ++cut) {
      if (q.cellCount == kRenumberMaxCells) return SplitResult::TooManyCells;
      const uint32_t to = k + 1 < pieces ? *cut - 1 : cell.last;
      const int id = PieceId(in, firstNewId, pts, cell, from);
      if (id > kMaxCellId) return SplitResult::TooManyCells;
      q.srcCell[q.cellCount] = static_cast<uint8_t>(c);
      start[q.cellCount] = pts.added.Has(from);
      q.cell[q.cellCount++] = {from, to, cell.vobId, static_cast<uint8_t>(id)};
      from = to + 1;
    }
  }
  // The source programs that stay, then the new points.
  for (int g = 0; g < p.programCount; ++g) {
    const int c = p.programCell[g] - 1;
    const bool removed = g > 0 && pts.removed.Has(p.cell[c].first);
    if (!removed) start[r.newCell[c + 1] - 1] = true;
    r.programRemoved[g + 1] = removed;
  }
  q.programCount = 0;
  for (int c = 0; c < q.cellCount; ++c) {
    if (!start[c]) continue;
    if (q.programCount == kRenumberMaxPrograms) return SplitResult::TooManyPrograms;
    q.programCell[q.programCount++] = static_cast<uint8_t>(c + 1);
  }
  for (int g = 0; g < p.programCount; ++g) {
    const int at = r.newCell[p.programCell[g]];
    int holder = 1;
    for (int h = 0; h < q.programCount && q.programCell[h] <= at; ++h) holder = h + 1;
    r.newProgram[g + 1] = static_cast<uint16_t>(holder);
  }
  return SplitResult::Done;
}

// True when new program `pgn` of `pgc` is a point that was added.
bool AddedProgram(const SplitLayout& out, const Points& pts, int pgc, int pgn) {
  const SplitPgc& q = out.pgc[pgc - 1];
  return pts.added.Has(q.cell[q.programCell[pgn - 1] - 1].first);
}

SplitResult RenumberTitle(const SplitLayout& in, const SplitLayout& out, const Points& pts,
                          const TitleSetRenumber& map, int t, SplitTitle& nt,
                          TitleRenumber& tr) {
  const SplitTitle& ot = in.title[t];
  tr.oldPtts = static_cast<uint16_t>(ot.pttCount);
  nt.pttCount = 0;
  int16_t source[kRenumberMaxPtts];  // the old chapter (1-based) of each new one, 0 when added
  for (int i = 0; i < ot.pttCount; ++i) {
    const SplitPtt e = ot.ptt[i];
    const bool known = e.pgcn >= 1 && e.pgcn <= in.pgcCount && e.pgn >= 1 &&
                       e.pgn <= in.pgc[e.pgcn - 1].programCount;
    if (known && map.pgc[e.pgcn].programRemoved[e.pgn]) {
      tr.pttRemoved[i + 1] = true;
      tr.newPtt[i + 1] = static_cast<uint16_t>(std::max(nt.pttCount, 1));
      continue;
    }
    tr.pttRemoved[i + 1] = false;
    source[nt.pttCount] = static_cast<int16_t>(i + 1);
    nt.ptt[nt.pttCount++] = {e.pgcn, known ? map.pgc[e.pgcn].newProgram[e.pgn] : e.pgn};
  }
  // Each added program of a program chain the title names follows the last
  // chapter of that program chain before it.
  for (int g = 1; g <= out.pgcCount; ++g) {
    for (int pg = 2; pg <= out.pgc[g - 1].programCount; ++pg) {
      if (!AddedProgram(out, pts, g, pg)) continue;
      int after = -1;
      bool present = false;
      for (int k = 0; k < nt.pttCount; ++k) {
        if (nt.ptt[k].pgcn != g) continue;
        if (nt.ptt[k].pgn == pg) present = true;
        if (nt.ptt[k].pgn < pg) after = k;
      }
      if (present || after < 0) continue;
      if (nt.pttCount == kRenumberMaxPtts) return SplitResult::TooManyChapters;
      std::move_backward(nt.ptt + after + 1, nt.ptt + nt.pttCount, nt.ptt + nt.pttCount + 1);
      std::move_backward(source + after + 1, source + nt.pttCount, source + nt.pttCount + 1);
      nt.ptt[after + 1] = {static_cast<uint16_t>(g), static_cast<uint16_t>(pg)};
      source[after + 1] = 0;
      nt.pttCount += 1;
    }
  }
  // Where the surviving chapters ended up; a removed one is held by the
  // chapter before it.
  int last = 1;
  for (int i = 1, k = 0; i <= ot.pttCount; ++i) {
    if (tr.pttRemoved[i]) {
      tr.newPtt[i] = static_cast<uint16_t>(last);
      continue;
    }
    while (k < nt.pttCount && source[k] != i) ++k;
    last = k + 1;
    tr.newPtt[i] = static_cast<uint16_t>(last);
  }
  return SplitResult::Done;
}

}  // namespace

int ProgramStarts(const SplitLayout& layout, int pgc, uint32_t* starts, int cap) {
  const SplitPgc& p = layout.pgc[pgc];
  int n = 0;
  for (int g = 0; g < p.programCount && n < cap; ++g) {
    const int c = p.programCell[g];
    if (c >= 1 && c <= p.cellCount) starts[n++] = p.cell[c - 1].first;
  }
  return n;
}

SplitResult PlanCellSplit(const SplitLayout& in, int chosenPgc, const uint32_t* marks,
                          int markCount, SplitLayout& out, TitleSetRenumber& map) {
  if (in.pgcCount < 0 || in.pgcCount > kRenumberMaxPgcs || in.titleCount < 0 ||
      in.titleCount > kRenumberMaxTitles || in.adtCount < 0 || in.adtCount > kMaxAdtCells ||
      chosenPgc < 1 || chosenPgc > in.pgcCount)
    return SplitResult::BadLayout;
  for (int g = 0; g < in.pgcCount; ++g)
    if (!ValidPrograms(in.pgc[g])) return SplitResult::BadLayout;
  for (int t = 0; t < in.titleCount; ++t)
    if (in.title[t].pttCount < 0 || in.title[t].pttCount > kRenumberMaxPtts)
      return SplitResult::BadLayout;

  Points pts;
  if (!FindPoints(in, chosenPgc - 1, marks, markCount, pts)) return SplitResult::TooManyChapters;

  uint16_t firstNewId[kMaxAdtCells];
  if (SplitResult r = CutAddressTable(in, pts, out, firstNewId); r != SplitResult::Done) return r;

  map.pgcCount = in.pgcCount;
  out.pgcCount = in.pgcCount;
  for (int g = 0; g < in.pgcCount; ++g) {
    SplitResult r = CutPgc(in, firstNewId, pts, in.pgc[g], out.pgc[g], map.pgc[g + 1]);
    if (r != SplitResult::Done) return r;
  }
  map.titleCount = in.titleCount;
  out.titleCount = in.titleCount;
  for (int t = 0; t < in.titleCount; ++t) {
    SplitResult r = RenumberTitle(in, out, pts, map, t, out.title[t], map.title[t + 1]);
    if (r != SplitResult::Done) return r;
  }
  return SplitResult::Done;
}

}  // namespace vm
