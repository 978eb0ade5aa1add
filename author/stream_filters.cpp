#include "author/stream_filters.h"

#include <cstring>

#include "dvd/nav_pack.h"
#include "author/pack_copy.h"
#include "common/be.h"
#include "common/scr.h"

namespace vm {

using namespace dvd;  // the navigation pack's offsets

constexpr uint32_t kNoUnitScr = 0x7FFFFFFF;

void SetUpFilters(const TitleTables& t, AuthorState& a, int title) {
  a.OutIlvuLastUnitScr = kNoUnitScr;
  a.OutIlvuSkipping = 0;
  std::memset(a.KeepAudioStream, 0, sizeof a.KeepAudioStream);
  std::memset(a.KeepSubpicStream, 0, sizeof a.KeepSubpicStream);
  a.StreamFilterOn = 0;
  if (t.DC_VtsiEnable[title] != 1) return;
  const uint8_t* copy = t.SrcVtsiCopy[title];
  // The counts come from the source file: bound them by the tables.
  int na = copy[kCopyVtsAstNsLow];
  int ns = copy[kCopyVtsSpstNsLow];
  if (na > kAudioStreamSlots) na = kAudioStreamSlots;
  if (ns > kSubpicStreamSlots) ns = kSubpicStreamSlots;
  for (int i = 0; i < na; ++i) {
    uint8_t b = copy[kCopyPgcAstCtl + 2 * i];
    if (t.DC_A_Use[title][i] != 1) {
      a.StreamFilterOn = 1;
    } else if (b & 0x80) {
      a.KeepAudioStream[b & 7] = 1;
    }
  }
  for (int i = 0; i < ns; ++i) {
    const uint8_t* e = copy + kCopyPgcSpstCtl + 4 * i;
    if (t.DC_C_Use[title][i] != 1) {
      a.StreamFilterOn = 1;
    } else if (e[0] & 0x80) {
      for (int k = 0; k < 3; ++k) a.KeepSubpicStream[e[k] & 0x1F] = 1;
    }
  }
}

namespace {

uint8_t* PackAt(uint8_t* buf, int i) { return buf + static_cast<size_t>(i) * kPackBytes; }

void DeleteVobuMark(AuthorState& a, int idx) {
  if (idx < 0 || idx >= kOutVobuSlots) return;
  std::memmove(a.OutVobuMark + idx, a.OutVobuMark + idx + 1, kOutVobuSlots - idx - 1);
  a.OutVobuMark[kOutVobuSlots - 1] = 0;
}

void MarkVobu(AuthorState& a, int idx, uint8_t bit) {
  if (idx >= 0 && idx < kOutVobuSlots) a.OutVobuMark[idx] |= bit;
}

}  // namespace

void InterleaveFilter(AuthorState& a, FilterChunk& c) {
  // Navigation packs held over from the previous chunk come before the new
  // ones in the VOBU numbering.
  int k = 0;
  for (int i = 0; i < c.first; ++i) k += IsNavPack(PackAt(c.buf, i)) ? 1 : 0;
  int w = c.first;
  for (int i = c.first; i < c.packs; ++i) {
    uint8_t* p = PackAt(c.buf, i);
    bool nav = IsNavPack(p);
    uint32_t scr = PackScr(p);
    uint8_t cat = nav ? p[kNavSmlPbi] : 0;
    bool keep = true;
    if (!a.OutIlvuSkipping) {
      if (nav && (cat & kIlvuUnitStart)) {
        int32_t d = static_cast<int32_t>(scr - a.OutIlvuLastUnitScr) / 90;
        if (d > -1200 && d < 1200) {
          a.OutIlvuSkipping = 1;
          DeleteVobuMark(a, a.OutVobuNum + k);
          keep = false;
        } else {
          a.OutIlvuLastUnitScr = scr;
        }
      }
      if (keep && nav) ++k;
    } else if (!nav) {
      keep = false;
    } else if ((cat & kIlvuUnitStart) || !(cat & kIlvuAnyBits)) {
      a.OutIlvuSkipping = 0;
      a.OutIlvuLastUnitScr = (cat & kIlvuUnitStart) ? scr : kNoUnitScr;
      MarkVobu(a, a.OutVobuNum + k, 2);
      ++k;
    } else {
      DeleteVobuMark(a, a.OutVobuNum + k);
      keep = false;
    }
    if (!keep) {
      a.CreateTotalSectors -= 1;
      continue;
    }
    MoveChunkPack(c.buf, a.ChunkSrc, w++, i);
  }
  c.packs = w;
}

namespace {

struct StreamPass {
  int w = 0;
  int lastNav = -1;     // position of the last kept navigation pack
  int lastNavSrc = 0;   // its index before compaction
  int r[3] = {0, 0, 0};
  int dropped = 0;
  bool decided = false;
  bool lastKeep = true;
};

void LowerRefEas(uint8_t* nav, const int r[3]) {
  for (int k = 0; k < 3; ++k) {
    uint8_t* f = nav + kNavRefEa + 4 * k;
    int64_t v = static_cast<int64_t>(ReadBe32(f)) - r[k];
    if (v >= 0) WriteBe32(f, static_cast<uint32_t>(v));
  }
}

void SetVobuEa(uint8_t* nav, int navPos, int endPos) {
  WriteBe32(nav + kNavVobuEa, static_cast<uint32_t>(endPos - navPos - 1));
}

bool KeepPrivate1(const AuthorState& a, const uint8_t* p, StreamPass& s) {
  int sub = p[23 + p[22]];
  bool keep;
  if ((sub >= 0x80 && sub <= 0x8F) || (sub >= 0xA0 && sub <= 0xAF)) {
    keep = a.KeepAudioStream[sub & 7] != 0;
  } else if (sub >= 0x20 && sub <= 0x3F) {
    keep = a.KeepSubpicStream[sub & 0x1F] != 0;
  } else {
    // Unknown substreams follow the previous decision; kept before any.
    return s.decided ? s.lastKeep : true;
  }
  s.decided = true;
  s.lastKeep = keep;
  return keep;
}

}  // namespace

void StreamFilter(AuthorState& a, FilterChunk& c) {
  StreamPass s;
  for (int i = 0; i < c.packs; ++i) {
    uint8_t* p = PackAt(c.buf, i);
    if (IsNavPack(p)) {
      MoveChunkPack(c.buf, a.ChunkSrc, s.w, i);
      uint8_t* nav = PackAt(c.buf, s.w);
      std::memset(nav + kNavSynci, 0, kNavSynciBytes);
      a.ChunkSrc.changed[s.w] = 1;
      if (s.lastNav >= 0) {
        uint8_t* prev = PackAt(c.buf, s.lastNav);
        SetVobuEa(prev, s.lastNav, s.w);
        LowerRefEas(prev, s.r);
      }
      s.r[0] = s.r[1] = s.r[2] = 0;
      s.lastNav = s.w;
      s.lastNavSrc = i;
      ++s.w;
      continue;
    }
    if (IsPackStart(p) && HasStreamId(p, 0xBD) && !KeepPrivate1(a, p, s)) {
      ++s.dropped;
      if (s.lastNav >= 0) {
        const uint8_t* nav = PackAt(c.buf, s.lastNav);
        for (int k = 0; k < 3; ++k) {
          if (static_cast<int64_t>(ReadBe32(nav + kNavRefEa + 4 * k)) > i - s.lastNavSrc) {
            ++s.r[k];
          }
        }
      }
      continue;
    }
    MoveChunkPack(c.buf, a.ChunkSrc, s.w++, i);
  }
  a.CreateTotalSectors -= s.dropped;
  if (s.lastNav < 0) {
    c.carry = 0;
    c.packs = s.w;
    return;
  }
  uint8_t* last = PackAt(c.buf, s.lastNav);
  LowerRefEas(last, s.r);
  // A VOBU that starts the chunk is written whole even when unfinished:
  // holding it back would hold back the whole buffer for ever.
  if (c.listHasData && s.lastNav > 0) {
    c.carry = (s.w - s.lastNav) * kPackBytes;
    c.packs = s.lastNav;
  } else {
    SetVobuEa(last, s.lastNav, s.w);
    c.carry = 0;
    c.packs = s.w;
  }
}

}  // namespace vm
