#include "author/stream_filters.h"

#include <algorithm>
#include <cstring>

#include "author/pack_copy.h"
#include "common/be.h"
#include "common/scr.h"
#include "dvd/nav_pack.h"
#include "dvd/vtsi_mat.h"

namespace vm {

using namespace dvd;  // the navigation pack's offsets

constexpr uint32_t kNoUnitScr = 0x7FFFFFFF;
constexpr int kAstEntryBytes = static_cast<int>(dvd::kAudioAttrBytes);

namespace {

// The pack coding of an audio attribute's coding mode (bits 7-5 of its
// first byte), or -1 for a mode the packs cannot be told by.
int AudioClassOfCoding(int mode) {
  switch (mode) {
    case 0: return kAudioClassAc3;
    case 2:
    case 3: return kAudioClassMpeg;  // MPEG-1, MPEG-2 with extension
    case 4: return kAudioClassLpcm;
    case 6: return kAudioClassDts;
    default: return -1;
  }
}

}  // namespace

void SetUpFilters(const TitleTables& t, AuthorState& a, int title) {
  a.OutIlvuLastUnitScr = kNoUnitScr;
  a.OutIlvuSkipping = 0;
  std::memset(a.KeepAudioStream, 0, sizeof a.KeepAudioStream);
  std::memset(a.KeepAudioSlot, -1, sizeof a.KeepAudioSlot);
  std::memset(a.KeepSubpicStream, 0, sizeof a.KeepSubpicStream);
  a.StreamFilterOn = 0;
  if (t.DC_VtsiEnable[title] != 1) return;
  const uint8_t* copy = t.SrcVtsiCopy[title];
  // The counts come from the source file: bound them by the tables.
  int na = copy[kCopyVtsAstNsLow];
  int ns = copy[kCopyVtsSpstNsLow];
  if (na > kAudioStreamSlots) na = kAudioStreamSlots;
  if (ns > kSubpicStreamSlots) ns = kSubpicStreamSlots;
  // The kept streams are renumbered in order, as the title set declares
  // them; each one's packs are told by its coding and stream number.
  int kept = 0;
  for (int i = 0; i < na; ++i) {
    uint8_t b = copy[kCopyPgcAstCtl + 2 * i];
    if (t.DC_A_Use[title][i] != 1) {
      a.StreamFilterOn = 1;
      continue;
    }
    const int8_t slot = static_cast<int8_t>(kept++);
    if (!(b & 0x80)) continue;
    const int n = b & 7;
    a.KeepAudioStream[n] = 1;
    const int cls = AudioClassOfCoding(copy[kCopyVtsAstAtrt + kAstEntryBytes * i] >> 5);
    for (int c = 0; c < kAudioClasses; ++c)
      if ((cls < 0 || c == cls) && a.KeepAudioSlot[c][n] < 0) a.KeepAudioSlot[c][n] = slot;
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

constexpr uint8_t kStreamAvailable = 0x80;

}  // namespace

uint32_t SourceAudioStreams(const TitleTables& t, int title) {
  if (title < 0 || title >= kTitleSlots || t.DC_VtsiEnable[title] != 1) return 0;
  const uint8_t* copy = t.SrcVtsiCopy[title];
  const int n = std::min<int>(copy[kCopyVtsAstNsLow], kAudioStreamSlots);
  uint32_t mask = 0;
  for (int i = 0; i < n; ++i)
    if (copy[kCopyPgcAstCtl + 2 * i] & kStreamAvailable) mask |= 1u << i;
  return mask;
}

uint32_t SourceSubpicStreams(const TitleTables& t, int title) {
  if (title < 0 || title >= kTitleSlots || t.DC_VtsiEnable[title] != 1) return 0;
  const uint8_t* copy = t.SrcVtsiCopy[title];
  const int n = std::min<int>(copy[kCopyVtsSpstNsLow], kSubpicStreamSlots);
  uint32_t mask = 0;
  for (int i = 0; i < n; ++i)
    if (copy[kCopyPgcSpstCtl + 4 * i] & kStreamAvailable) mask |= 1u << i;
  return mask;
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
  uint8_t audioSeen = 0;  // audio streams whose first pack in the VOBU is placed
};

struct AudioPack {
  int cls = -1;  // kAudioClass*, -1: no audio
  int n = 0;     // stream number within the coding
};

// AC-3, DTS and linear PCM in private stream 1, MPEG audio (with its
// extension stream) as stream ids of their own.
AudioPack AudioOf(const uint8_t* p) {
  AudioPack a;
  if (HasStreamId(p, kPrivateStream1)) {
    const int sub = p[kPesHeaderLengthAt + 1 + p[kPesHeaderLengthAt]];
    if (sub >= 0x80 && sub <= 0x87) a.cls = kAudioClassAc3;
    else if (sub >= 0x88 && sub <= 0x8F) a.cls = kAudioClassDts;
    else if (sub >= 0xA0 && sub <= 0xAF) a.cls = kAudioClassLpcm;
    a.n = sub & 7;
    return a;
  }
  for (uint8_t id : {kMpegAudioFirst, kMpegAudioExtFirst})
    for (int n = 0; n < kAudioStreamSlots; ++n)
      if (HasStreamId(p, static_cast<uint8_t>(id + n))) return {kAudioClassMpeg, n};
  return a;
}

// The kept audio pack at output position `pos` sets its written stream's
// sync address in the VOBU's navigation pack (one for each logical stream)
// when it is the stream's first there.
void NoteAudioSync(uint8_t* buf, StreamPass& s, int stream, int pos) {
  if (s.lastNav < 0 || stream < 0 || (s.audioSeen & (1u << stream))) return;
  s.audioSeen = static_cast<uint8_t>(s.audioSeen | (1u << stream));
  const int offset = pos - s.lastNav;
  if (offset <= 0 || offset > kASyncaMaxOffset) return;
  WriteBe16(PackAt(buf, s.lastNav) + kNavSynci + kASyncaBytes * stream,
            static_cast<uint32_t>(offset));
}

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

// Whether a pack stays; `slot` gets the written audio stream it belongs to
// (-1 for any other pack).
bool KeepPack(const AuthorState& a, const uint8_t* p, StreamPass& s, int& slot) {
  slot = -1;
  if (!IsPackStart(p)) return true;
  const bool private1 = HasStreamId(p, kPrivateStream1);
  const AudioPack audio = AudioOf(p);
  bool keep;
  if (audio.cls >= 0) {
    slot = a.KeepAudioSlot[audio.cls][audio.n];
    keep = slot >= 0;
    if (!private1) return keep;
  } else if (!private1) {
    return true;
  } else if (const int sub = p[kPesHeaderLengthAt + 1 + p[kPesHeaderLengthAt]];
             sub >= 0x20 && sub <= 0x3F) {
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
      // The sync addresses are made again from the packs that stay: each
      // kept audio stream's first pack in the VOBU, 0 where it has none.
      std::memset(nav + kNavSynci, 0, kNavSynciBytes);
      s.audioSeen = 0;
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
    int audio = -1;
    if (!KeepPack(a, p, s, audio)) {
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
    NoteAudioSync(c.buf, s, audio, s.w);
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
