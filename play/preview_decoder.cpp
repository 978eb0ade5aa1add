#include "play/preview_decoder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "common/be.h"
#include "common/files.h"
#include "dvd/scrambling.h"
#include "play/bit_reader.h"
#include "play/decoder_state.h"
#include "play/idct.h"
#include "play/mpeg2_tables.h"

namespace vm {

using namespace mpeg2;

namespace mpeg2 {

DecoderState& State() {
  // Static storage starts zero-filled (the frame stores start black)
  // without touching its pages until a picture is decoded into them.
  static DecoderState state;
  return state;
}

StoreGeometry Geometry(const DecoderState& d) {
  StoreGeometry g;
  g.width = d.horizontalSize < kStoreMaxWidth ? d.horizontalSize : kStoreMaxWidth;
  if (g.width < 0) g.width = 0;
  g.pitch = (3 * g.width + 3) & ~3;
  g.rows = 16 * ((d.verticalSize + 15) / 16);
  g.maxRows = g.pitch > 0 ? kStoreSamples / g.pitch : 0;
  if (g.maxRows > g.rows) g.maxRows = g.rows;
  return g;
}

// Copied a chunk at a time: a picture needs only the start of what the
// look-ahead rule has read, so most payloads are never copied at all.
constexpr uint32_t kCopyChunk = 65536;

uint32_t CopyPendingPayloads(void* state) {
  DecoderState& d = *static_cast<DecoderState*>(state);
  const uint32_t target = d.copied + kCopyChunk;
  while (d.nextPending < d.pendingCount) {
    const PendingPayload& p = d.pending[d.nextPending++];
    std::memcpy(d.stream + p.to, d.packBuffer + p.from, p.length);
    d.copied = p.to + p.length;
    if (d.copied >= target) break;
  }
  if (d.nextPending == d.pendingCount) d.copied = d.fill;
  return d.copied;
}

}  // namespace mpeg2

namespace {

// Pack layout: a 14-byte pack header, then the PES packet.
constexpr int kPackBytes = 2048;
constexpr int kPesStartOffset = 14;
constexpr int kPesLengthOffset = 18;
constexpr int kPesHeaderLengthOffset = 22;
constexpr int kPesHeaderFixedEnd = 23;
constexpr uint32_t kPackStartCode = 0x000001BA;
constexpr uint32_t kVideoStreamCode = 0x000001E0;

// Start code values.
constexpr int kPictureStart = 0x00;
constexpr int kSliceFirst = 0x01;
constexpr int kSliceLast = 0xAF;
constexpr int kSequenceHeader = 0xB3;
constexpr int kExtensionStart = 0xB5;
constexpr int kGroupStart = 0xB8;

// Extension identifiers.
constexpr int kSequenceExtension = 1;
constexpr int kQuantMatrixExtension = 3;
constexpr int kSequenceScalableExtension = 5;
constexpr int kPictureCodingExtension = 8;

constexpr int kMatrixIntraLuma = 0;
constexpr int kMatrixNonIntraLuma = 1;
constexpr int kMatrixIntraChroma = 2;
constexpr int kMatrixNonIntraChroma = 3;

BitReader ReaderAt(DecoderState& d, uint32_t byte) { return StreamReader(d, byte); }

void LoadMatrix(BitReader& bits, int32_t* m, bool keepZero) {
  for (int k = 0; k < 64; ++k) {
    const int32_t v = static_cast<int32_t>(bits.Read(8));
    if (v != 0 || !keepZero) m[k] = v;
  }
}

void ParseSequenceHeader(DecoderState& d, uint32_t start) {
  BitReader bits = ReaderAt(d, start);
  d.horizontalSize = static_cast<int32_t>(bits.Read(12));
  d.verticalSize = static_cast<int32_t>(bits.Read(12));
  d.aspectRatioInformation = static_cast<int32_t>(bits.Read(4));
  bits.Skip(4 + 18 + 1 + 10 + 1);  // rate, bit rate, marker, vbv, constrained
  d.dataPartitioning = 0;
  if (bits.Read(1)) {
    LoadMatrix(bits, d.matrix[kMatrixIntraLuma], false);
  } else {
    for (int k = 0; k < 64; ++k) d.matrix[kMatrixIntraLuma][k] = kDefaultIntraMatrix[kZigzagToRaster[k]];
  }
  std::memcpy(d.matrix[kMatrixIntraChroma], d.matrix[kMatrixIntraLuma], sizeof d.matrix[0]);
  if (bits.Read(1)) {
    LoadMatrix(bits, d.matrix[kMatrixNonIntraLuma], false);
  } else {
    for (int k = 0; k < 64; ++k) d.matrix[kMatrixNonIntraLuma][k] = 16;
  }
  std::memcpy(d.matrix[kMatrixNonIntraChroma], d.matrix[kMatrixNonIntraLuma], sizeof d.matrix[0]);
}

void ParsePictureCodingExtension(DecoderState& d, BitReader& bits) {
  for (int s = 0; s < 2; ++s)
    for (int t = 0; t < 2; ++t) d.fCode[s][t] = static_cast<int32_t>(bits.Read(4));
  d.intraDcPrecision = static_cast<int32_t>(bits.Read(2));
  d.pictureStructure = static_cast<int32_t>(bits.Read(2));
  bits.Skip(1);  // top_field_first
  d.framePredFrameDct = static_cast<int32_t>(bits.Read(1));
  d.concealmentMotionVectors = static_cast<int32_t>(bits.Read(1));
  d.qScaleType = static_cast<int32_t>(bits.Read(1));
  d.intraVlcFormat = static_cast<int32_t>(bits.Read(1));
  d.alternateScan = static_cast<int32_t>(bits.Read(1));
  bits.Skip(2);  // repeat_first_field, chroma_420_type
  d.progressiveFrame = static_cast<int32_t>(bits.Read(1));
  // The composite display fields follow; nothing uses them.
  constexpr int32_t kCodes[2][2] = {{kErrForwardHorizontalFCode, kErrForwardVerticalFCode},
                                    {kErrBackwardHorizontalFCode, kErrBackwardVerticalFCode}};
  for (int s = 0; s < 2; ++s)
    for (int t = 0; t < 2; ++t)
      if (d.fCode[s][t] == 0) d.errorCode = kCodes[s][t];
}

void ParseExtension(DecoderState& d, uint32_t start) {
  BitReader bits = ReaderAt(d, start);
  const int id = static_cast<int>(bits.Read(4));
  switch (id) {
    case kSequenceExtension:
      bits.Skip(8 + 1);  // profile_and_level, progressive_sequence
      d.chromaFormat = static_cast<int32_t>(bits.Read(2));
      break;
    case kQuantMatrixExtension:
      for (int m = 0; m < 4; ++m)
        if (bits.Read(1)) LoadMatrix(bits, d.matrix[m], true);
      break;
    case kSequenceScalableExtension:
      if (bits.Read(2) == 0) d.dataPartitioning = 1;
      break;
    case kPictureCodingExtension:
      ParsePictureCodingExtension(d, bits);
      break;
    default:
      break;
  }
}

void ParsePictureHeader(DecoderState& d, uint32_t start) {
  BitReader bits = ReaderAt(d, start);
  bits.Skip(10);  // temporal_reference
  d.pictureCodingType = static_cast<int32_t>(bits.Read(3));
  bits.Skip(16);  // vbv_delay
  if (d.pictureCodingType == kPictureP || d.pictureCodingType == kPictureB) bits.Skip(4);
  if (d.pictureCodingType == kPictureB) bits.Skip(4);
  while (bits.Read(1) == 1 && !bits.PastEnd()) bits.Skip(8);

  if (d.pictureCodingType == kPictureB) {
    d.currentIndex = 2;
  } else {
    d.currentIndex = d.forwardIndex;
    d.forwardIndex = 1 - d.forwardIndex;
  }
  if (d.pictureCodingType == kPictureP || d.pictureCodingType == kPictureB)
    std::memcpy(d.store[d.currentIndex], d.store[d.forwardIndex], sizeof d.store[0]);
}

void CopyAllPendingPayloads(DecoderState& d) {
  while (d.nextPending < d.pendingCount) CopyPendingPayloads(&d);
  d.pendingCount = d.nextPending = 0;
  d.copied = d.fill;
}

// Returns false when a sequence header is too small to show.
bool ScanStartCodes(DecoderState& d) {
  for (;;) {
    if (d.inputState == kReading && d.fill - d.parsePos < kReadSize) {
      const uint32_t left = d.fill - d.parsePos;
      if (d.parsePos != 0) {
        CopyAllPendingPayloads(d);
        std::memmove(d.stream, d.stream + d.parsePos, left);
        d.copied = left;
      }
      d.fill = left;
      d.parsePos = 0;
      return true;
    }
    uint32_t at = d.parsePos;
    bool found = false;
    for (;;) {
      for (; d.copied >= 3 && at + 3 < d.copied; ++at) {
        if (d.stream[at + 2] > 1) {
          at += 2;  // no start code can begin at at, at+1 or at+2
          continue;
        }
        if (d.stream[at] == 0 && d.stream[at + 1] == 0 && d.stream[at + 2] == 1) {
          found = true;
          break;
        }
      }
      if (found || d.copied >= d.fill) break;
      CopyPendingPayloads(&d);  // and search on from `at`
    }
    if (!found) {
      d.fill = d.copied = d.parsePos = 0;
      d.pendingCount = d.nextPending = 0;
      return true;
    }
    const int v = d.stream[at + 3];
    const uint32_t body = at + 4;
    if (v == kPictureStart) {
      if (++d.pictureCount == 2) {
        if (d.signature == nullptr && d.pictureCodingType != kPictureB) ConvertPicture(d);
        d.inputState = kPictureComplete;
        return true;
      }
      d.mbAddress = 0;
      ParsePictureHeader(d, body);
    } else if (v >= kSliceFirst && v <= kSliceLast) {
      DecodeSlice(d, body);
    } else if (v == kSequenceHeader) {
      ParseSequenceHeader(d, body);
      // The preview window shows no picture this small; a signature has
      // its blocks all the same.
      if (d.verticalSize <= 240 && d.signature == nullptr) {
        d.errorCode = kErrPictureTooSmall;
        return false;
      }
    } else if (v == kExtensionStart) {
      ParseExtension(d, body);
    } else if (v == kGroupStart) {
      // Group of pictures header: nothing in it is needed.
    }
    d.parsePos = body;
  }
}

// Counts the PES payloads of the video packs of what was read into the
// elementary stream, in order, and leaves them pending in the pack buffer
// (`base` is where the read went). A pack whose lengths would place the
// payload outside the pack is skipped.
void AppendVideoPayloads(DecoderState& d, uint32_t base, uint32_t bytesRead) {
  // Those still pending (of the other half, at most one read's) move to
  // the front of the list.
  const uint32_t waiting = d.pendingCount - d.nextPending;
  std::memmove(d.pending, d.pending + d.nextPending, waiting * sizeof d.pending[0]);
  d.pendingCount = waiting;
  d.nextPending = 0;
  for (uint32_t off = 0; off + kPackBytes <= bytesRead; off += kPackBytes) {
    const uint8_t* p = d.packBuffer + base + off;
    if (ReadBe32(p) != kPackStartCode || ReadBe32(p + kPesStartOffset) != kVideoStreamCode) continue;
    const int32_t pesLength = ReadBe16(p + kPesLengthOffset);
    const int32_t headerLength = p[kPesHeaderLengthOffset];
    const int32_t payload = pesLength - 3 - headerLength;
    const int32_t first = kPesHeaderFixedEnd + headerLength;
    if (payload < 0 || first + payload > kPackBytes) continue;
    if (d.fill + static_cast<uint32_t>(payload) > kStreamBufferBytes) continue;
    if (payload > 0) {
      d.pending[d.pendingCount++] =
          PendingPayload{base + off + static_cast<uint32_t>(first), d.fill, static_cast<uint32_t>(payload)};
    }
    d.fill += static_cast<uint32_t>(payload);
  }
  if (d.nextPending == d.pendingCount) d.copied = d.fill;
}

// Reads up to `want` bytes from the file position of `fd` on, and checks
// every whole pack read for scrambling. The bytes read; on a read error or
// a scrambled pack the input fault is noted (with `path` and the sector)
// and the bytes before it are what counts.
uint32_t ReadPacks(DecoderState& d, int fd, const char* path, uint8_t* buffer, uint32_t want) {
  const off_t start = lseek(fd, 0, SEEK_CUR);
  int64_t failedAt = start;
  const int64_t got = start < 0 ? -1 : PreadFully(fd, buffer, want, start, failedAt);
  uint32_t done = 0;
  if (got < 0) {
    d.inputFault = kInputReadError;
    d.faultSector = failedAt / kPackBytes;
    d.faultPath = path;
    done = static_cast<uint32_t>(failedAt - start) / kPackBytes * kPackBytes;
  } else {
    done = static_cast<uint32_t>(got);
    lseek(fd, start + got, SEEK_SET);
  }
  for (uint32_t off = 0; off + kPackBytes <= done; off += kPackBytes) {
    if (!IsScrambledPack(buffer + off)) continue;
    d.inputFault = kInputScrambled;
    d.faultSector = (start + off) / kPackBytes;
    d.faultPath = path;
    return off;
  }
  return done;
}

void ReadMore(DecoderState& d, int fd, const char* vobPath, char* continuationPath) {
  // Payloads still waiting in the half about to be read into are copied
  // first; they come before those of the other half.
  const uint32_t base = d.readHalf * kReadSize;
  while (d.nextPending < d.pendingCount && d.pending[d.nextPending].from >= base &&
         d.pending[d.nextPending].from < base + kReadSize)
    CopyPendingPayloads(&d);
  d.readHalf ^= 1;
  uint8_t* buffer = d.packBuffer + base;
  const uint32_t want = d.readBudget < kReadSize ? d.readBudget : kReadSize;
  uint32_t got = ReadPacks(d, fd, vobPath, buffer, want);
  if (got < want && d.inputFault == kInputSound && continuationPath[0] != '\0') {
    static char nextPath[kPathBytes];
    std::snprintf(nextPath, sizeof nextPath, "%s", continuationPath);
    const int next = open(nextPath, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (next >= 0) {
      got += ReadPacks(d, next, nextPath, buffer + got, want - got);
      close(next);
    }
    continuationPath[0] = '\0';
  }
  d.readBudget -= got;
  AppendVideoPayloads(d, base, got);
  if (got < want || d.readBudget == 0 || d.inputFault != kInputSound) d.inputState = kInputEnded;
}

// Navigation pack layout: the PCI packet's VOBU_S_PTM, and the DSI
// packet's VOBU_1STREF_EA, the last sector of the first reference picture
// counted from the navigation pack.
constexpr int kPciPacketOffset = 0x26;
constexpr int kPciSubstreamOffset = 0x2C;
constexpr uint8_t kPciSubstreamId = 0x00;
constexpr int kPciStartPtmOffset = 0x39;
constexpr int kDsiPacketOffset = 0x400;
constexpr uint32_t kPrivateStream2Code = 0x000001BF;
constexpr int kDsiSubstreamOffset = 0x406;
constexpr uint8_t kDsiSubstreamId = 0x01;
constexpr int kDsiFirstRefEndOffset = 0x413;
constexpr uint32_t kNoReadLimit = 0xFFFFFFFFu;

// The bytes a signature reads: up to the end of the first reference
// picture when the navigation pack at `offset` gives it and it fits in one
// read, else the preview's reads. Takes the start time on the way.
uint32_t SignatureReadBudget(int fd, off_t offset, VobuSignature& signature) {
  uint8_t nav[kPackBytes];
  if (pread(fd, nav, sizeof nav, offset) != static_cast<ssize_t>(sizeof nav)) return kNoReadLimit;
  if (ReadBe32(nav) != kPackStartCode) return kNoReadLimit;
  if (ReadBe32(nav + kPciPacketOffset) == kPrivateStream2Code &&
      nav[kPciSubstreamOffset] == kPciSubstreamId)
    signature.startPtm = ReadBe32(nav + kPciStartPtmOffset);
  if (ReadBe32(nav + kDsiPacketOffset) != kPrivateStream2Code ||
      nav[kDsiSubstreamOffset] != kDsiSubstreamId)
    return kNoReadLimit;
  const uint32_t end = ReadBe32(nav + kDsiFirstRefEndOffset);
  if (end == 0 || end >= kPacksPerRead) return kNoReadLimit;
  return (end + 1) * kPackBytes;
}

// The first picture from `startSector` on: into the preview image, or into
// `signature` when it is given.
int32_t DecodeFirstPicture(Ui& owner, const char* vobPath, char* continuationPath,
                           uint32_t startSector, VobuSignature* signature) {
  DecoderState& d = State();
  d.tables = &Tables();
  // The stream buffer is not cleared: nothing reads it at or beyond fill
  // (the bit reader gives zeros there), so old bytes are never seen.
  d.forwardIndex = 0;
  d.currentIndex = 1;
  d.signature = signature;
  d.dcOnly = 0;

  char text[512];
  const int fd = open(vobPath, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    std::snprintf(text, sizeof text, "%s open error (Preview).", vobPath);
    owner.Error(text);
    return kPreviewOpenError;
  }
  const off_t offset = static_cast<off_t>(uint64_t{startSector} * kPackBytes);
  if (lseek(fd, offset, SEEK_SET) != offset) {
    owner.Error("Seek error (Preview).");
    close(fd);
    return kPreviewSeekError;
  }
  d.readBudget = signature != nullptr ? SignatureReadBudget(fd, offset, *signature) : kNoReadLimit;
  d.fill = d.parsePos = d.inputState = 0;
  d.copied = d.pendingCount = d.nextPending = d.readHalf = 0;
  d.errorCode = d.pictureCount = 0;
  d.fieldDctMacroblocks = 0;
  d.inputFault = kInputSound;
  d.faultSector = 0;
  d.faultPath = vobPath;

  while (!(d.inputState == kPictureComplete || d.errorCode != 0 ||
           (d.inputState == kInputEnded && d.fill - d.parsePos < 4))) {
    if (!ScanStartCodes(d)) {
      close(fd);
      return kPreviewTooSmall;
    }
    if (d.inputState == kPictureComplete || d.errorCode != 0) break;
    ReadMore(d, fd, vobPath, continuationPath);
  }
  close(fd);
  if (signature != nullptr && d.pictureCount > 0) {
    const int32_t mbWidth = (d.horizontalSize + 15) / 16, mbHeight = (d.verticalSize + 15) / 16;
    signature->width = 2 * mbWidth < kSignatureMaxWidth ? 2 * mbWidth : kSignatureMaxWidth;
    signature->height = 2 * mbHeight < kSignatureMaxHeight ? 2 * mbHeight : kSignatureMaxHeight;
    signature->fullDecode = d.dcOnly ? 0 : 1;
    if (!d.dcOnly) SignatureFromStore(d, *signature);
  }
  d.signature = nullptr;
  d.dcOnly = 0;
  // A picture cut off by a read error or a scrambled pack is no picture,
  // whatever was decoded before it; one complete before them stands.
  const bool whole = d.inputState == kPictureComplete;
  if (!whole && d.inputFault == kInputReadError) {
    std::snprintf(text, sizeof text, "%s: read error at sector %lld (Preview).", d.faultPath,
                  static_cast<long long>(d.faultSector));
    owner.Error(text);
    return kPreviewReadError;
  }
  if (!whole && d.inputFault == kInputScrambled) {
    std::snprintf(text, sizeof text,
                  "%s is encrypted (CSS-scrambled pack at sector %lld).\nThe title must be "
                  "decrypted before it is read.",
                  d.faultPath, static_cast<long long>(d.faultSector));
    owner.Error(text);
    return kPreviewEncrypted;
  }
  if (d.errorCode != 0) {
    std::snprintf(text, sizeof text, "Decode error (%d, Preview).", d.errorCode);
    owner.Error(text);
    return kPreviewDecodeError;
  }
  return kPreviewFinished;
}

}  // namespace

void SetPreviewImage(uint8_t* image) { State().previewImage = image; }

uint8_t* CurrentPreviewImage() { return State().previewImage; }

int32_t PreviewDisplayWidth(int32_t height) {
  constexpr int32_t kWide = 3, kWider = 4;  // aspect_ratio_information: 16:9, 2.21:1
  const int32_t a = State().aspectRatioInformation;
  return a == kWide ? height * 16 / 9 : (a == kWider ? height * 221 / 100 : height * 4 / 3);
}

int32_t DecodePreviewPicture(Ui& owner, const char* vobPath, char* continuationPath,
                             uint32_t startSector) {
  return DecodeFirstPicture(owner, vobPath, continuationPath, startSector, nullptr);
}

int32_t DecodeVobuSignature(Ui& owner, const char* vobPath, char* continuationPath,
                            uint32_t startSector, VobuSignature& out) {
  std::memset(&out, 0, sizeof out);
  return DecodeFirstPicture(owner, vobPath, continuationPath, startSector, &out);
}

namespace mpeg2 {

namespace {

uint8_t Clamp(int32_t v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// One pixel: the three samples at s, written as B, G, R.
void ConvertPixel(const int16_t* s, uint8_t* o) {
  const int32_t y = s[0], cb = s[1], cr = s[2];
  o[0] = Clamp(y + ((454 * cb) >> 8));
  o[1] = Clamp(y + ((-88 * cb - 182 * cr) >> 8));
  o[2] = Clamp(y + ((359 * cr) >> 8));
}

#if defined(__SSE2__)

__m128i Load64(const int16_t* p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)); }

__m128i PairOf(int16_t low, int16_t high) {
  return _mm_set1_epi32(static_cast<int32_t>(static_cast<uint16_t>(low) |
                                             (static_cast<uint32_t>(static_cast<uint16_t>(high)) << 16)));
}

// `count` pixels of one row, `step` store pixels apart, four at a time. Each
// 32-bit lane holds one pixel: Cb and Cr side by side, so that one
// multiply-add forms each colour's chroma term exactly as the scalar
// arithmetic does; the two saturating packs are the clamp to 0..255.
void ConvertRow(const int16_t* s, int32_t step, int32_t count, uint8_t* o) {
  const __m128i toB = PairOf(454, 0), toG = PairOf(-88, -182), toR = PairOf(0, 359);
  int32_t col = 0;
  for (; col + 4 <= count; col += 4) {
    const int16_t* p = s + 3 * step * col;
    const int32_t d = 3 * step;
    // Each pixel's Y Cb Cr in one 8-byte load (the fourth sample, of the
    // next pixel or row, is unused and lies inside the store: converted rows
    // end below 480 and the store holds 576), then 32-bit units Y|Cb of the
    // four pixels, and Cb|Cr two bytes further on.
    const __m128i a = _mm_unpacklo_epi64(Load64(p), Load64(p + d));
    const __m128i e = _mm_unpacklo_epi64(Load64(p + 2 * d), Load64(p + 3 * d));
    constexpr int kEven = _MM_SHUFFLE(2, 0, 2, 0);
    const __m128i yc = _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(a), _mm_castsi128_ps(e), kEven));
    const __m128i c = _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(_mm_srli_si128(a, 2)),
                                                      _mm_castsi128_ps(_mm_srli_si128(e, 2)), kEven));
    const __m128i y = _mm_srai_epi32(_mm_slli_epi32(yc, 16), 16);
    const __m128i b = _mm_add_epi32(y, _mm_srai_epi32(_mm_madd_epi16(c, toB), 8));
    const __m128i g = _mm_add_epi32(y, _mm_srai_epi32(_mm_madd_epi16(c, toG), 8));
    const __m128i r = _mm_add_epi32(y, _mm_srai_epi32(_mm_madd_epi16(c, toR), 8));
    // Bytes B0..B3 G0..G3 R0..R3, then B G R 0 for each pixel.
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(b, g), _mm_packs_epi32(r, r));
    const __m128i bg = _mm_unpacklo_epi8(bytes, _mm_srli_si128(bytes, 4));
    const __m128i r0 = _mm_unpacklo_epi8(_mm_srli_si128(bytes, 8), _mm_setzero_si128());
    const __m128i px = _mm_unpacklo_epi16(bg, r0);
    uint8_t* out = o + 3 * col;
    // Each 4-byte store's last byte is overwritten by the next pixel; the
    // group's last pixel writes its three bytes alone.
    const uint32_t p0 = static_cast<uint32_t>(_mm_cvtsi128_si32(px));
    const uint32_t p1 = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(px, 4)));
    const uint32_t p2 = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(px, 8)));
    const uint32_t p3 = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(px, 12)));
    std::memcpy(out, &p0, 4);
    std::memcpy(out + 3, &p1, 4);
    std::memcpy(out + 6, &p2, 4);
    std::memcpy(out + 9, &p3, 3);  // x86 is little-endian: the low three bytes
  }
  for (; col < count; ++col) ConvertPixel(s + 3 * step * col, o + 3 * col);
}

// The same eight pixels at a time, four in each half of the registers.
// The three colours' bytes of each half are put in pixel order with one
// byte shuffle and stored as 16 bytes, of which the last four are written
// again by the next store; the row's last eight pixels store exactly.
__attribute__((target("avx2"))) void ConvertRowAvx2(const int16_t* s, int32_t step, int32_t count,
                                                     uint8_t* o) {
  const __m256i toB = _mm256_broadcastsi128_si256(PairOf(454, 0));
  const __m256i toG = _mm256_broadcastsi128_si256(PairOf(-88, -182));
  const __m256i toR = _mm256_broadcastsi128_si256(PairOf(0, 359));
  const __m256i order = _mm256_setr_epi8(0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -1, -1, -1, -1,
                                         0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -1, -1, -1, -1);
  const int32_t d = 3 * step;
  int32_t col = 0;
  for (; col + 8 <= count; col += 8) {
    const int16_t* p = s + d * col;
    const __m256i a = _mm256_set_m128i(_mm_unpacklo_epi64(Load64(p + 4 * d), Load64(p + 5 * d)),
                                       _mm_unpacklo_epi64(Load64(p), Load64(p + d)));
    const __m256i e = _mm256_set_m128i(_mm_unpacklo_epi64(Load64(p + 6 * d), Load64(p + 7 * d)),
                                       _mm_unpacklo_epi64(Load64(p + 2 * d), Load64(p + 3 * d)));
    constexpr int kEven = _MM_SHUFFLE(2, 0, 2, 0);
    const __m256i yc = _mm256_castps_si256(_mm256_shuffle_ps(_mm256_castsi256_ps(a), _mm256_castsi256_ps(e), kEven));
    const __m256i c = _mm256_castps_si256(_mm256_shuffle_ps(_mm256_castsi256_ps(_mm256_srli_si256(a, 2)),
                                                            _mm256_castsi256_ps(_mm256_srli_si256(e, 2)), kEven));
    const __m256i y = _mm256_srai_epi32(_mm256_slli_epi32(yc, 16), 16);
    const __m256i b = _mm256_add_epi32(y, _mm256_srai_epi32(_mm256_madd_epi16(c, toB), 8));
    const __m256i g = _mm256_add_epi32(y, _mm256_srai_epi32(_mm256_madd_epi16(c, toG), 8));
    const __m256i r = _mm256_add_epi32(y, _mm256_srai_epi32(_mm256_madd_epi16(c, toR), 8));
    const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(b, g), _mm256_packs_epi32(r, r));
    const __m256i px = _mm256_shuffle_epi8(bytes, order);
    uint8_t* out = o + 3 * col;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(px));
    const __m128i upper = _mm256_extracti128_si256(px, 1);
    if (col + 8 < count) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 12), upper);
    } else {
      uint8_t last[16];
      _mm_storeu_si128(reinterpret_cast<__m128i*>(last), upper);
      std::memcpy(out + 12, last, 12);
    }
  }
  if (col < count) ConvertRow(s + d * col, step, count - col, o + 3 * col);
}

#else

void ConvertRow(const int16_t* s, int32_t step, int32_t count, uint8_t* o) {
  for (int32_t col = 0; col < count; ++col) ConvertPixel(s + 3 * step * col, o + 3 * col);
}

#endif

}  // namespace

void ConvertPicture(DecoderState& d) {
  if (d.previewImage == nullptr) return;
  const StoreGeometry g = Geometry(d);
  const int32_t w = g.width;
  const int32_t h = d.verticalSize < 480 ? d.verticalSize : 480;
  const int32_t colStep = w > kPreviewWidth ? 2 : 1;
  const int32_t rowStep = h > kPreviewHeight ? 2 : 1;
  int32_t columns = (w + colStep - 1) / colStep;
  if (columns > kPreviewWidth) columns = kPreviewWidth;
  const int16_t* store = d.store[d.currentIndex];
#if defined(__SSE2__)
  const auto convert = CpuHasAvx2() ? &ConvertRowAvx2 : &ConvertRow;
#else
  const auto convert = &ConvertRow;
#endif
  for (int32_t row = 0, out = 0; row < h && row < g.maxRows && out < kPreviewHeight;
       row += rowStep, ++out)
    convert(store + row * g.pitch, colStep, columns, d.previewImage + out * kPreviewRowBytes);
}

void SignatureFromStore(const DecoderState& d, VobuSignature& s) {
  const StoreGeometry g = Geometry(d);
  const int16_t* store = d.store[d.currentIndex];
  // Sum of one sample over a square of the picture, lines and columns
  // clamped into what is stored; chroma is kept in the store less 128.
  auto mean = [&](int32_t top, int32_t left, int32_t size, int sample, int32_t offset) {
    int32_t sum = 0, n = 0;
    for (int32_t line = top; line < top + size; ++line) {
      const int32_t row = g.rows - 1 - line;
      if (row < 0 || row >= g.maxRows) continue;
      for (int32_t col = left; col < left + size && col < g.width; ++col) {
        sum += store[row * g.pitch + 3 * col + sample];
        ++n;
      }
    }
    const int32_t m = n > 0 ? sum / n + offset : 0;
    return static_cast<uint8_t>(m < 0 ? 0 : (m > 255 ? 255 : m));
  };
  for (int32_t by = 0; by < s.height; ++by)
    for (int32_t bx = 0; bx < s.width; ++bx) s.y[by][bx] = mean(8 * by, 8 * bx, 8, 0, 0);
  for (int32_t by = 0; by < s.height / 2; ++by)
    for (int32_t bx = 0; bx < s.width / 2; ++bx) {
      s.cb[by][bx] = mean(16 * by, 16 * bx, 16, 1, 128);
      s.cr[by][bx] = mean(16 * by, 16 * bx, 16, 2, 128);
    }
}

}  // namespace mpeg2

}  // namespace vm
