#pragma once

// The preview decoder's process-wide state: stream buffers, the values of the
// headers met so far, the macroblock being decoded and three frame stores.

#include <cstdint>

#include "play/bit_reader.h"
#include "play/mpeg2_tables.h"
#include "play/vobu_signature.h"

namespace vm::mpeg2 {

constexpr uint32_t kReadSize = 1048576;
// Two reads' worth: the payloads of one read may wait in its half while the
// next read fills the other.
constexpr uint32_t kPackBufferBytes = 2 * kReadSize;
constexpr uint32_t kPacksPerRead = kReadSize / 2048;
constexpr uint32_t kStreamBufferBytes = 2097152;
constexpr int kStoreMaxWidth = 720;
constexpr int kStoreMaxHeight = 576;
constexpr int kStoreSamples = kStoreMaxWidth * kStoreMaxHeight * 3;

enum InputState : uint32_t { kReading = 0, kInputEnded = 1, kPictureComplete = 2 };

constexpr int kPictureI = 1;
constexpr int kPictureP = 2;
constexpr int kPictureB = 3;
constexpr int kFramePicture = 3;

// A video payload whose place in the stream is counted in fill but whose
// bytes are still in the pack buffer: they are copied when something is
// about to read them, or before the pack buffer's half is read into again.
struct PendingPayload {
  uint32_t from;    // offset in the pack buffer
  uint32_t to;      // offset in the stream
  uint32_t length;
};

struct DecoderState {
  uint8_t packBuffer[kPackBufferBytes];
  uint32_t readHalf;  // the half of the pack buffer the next read goes to
  uint8_t stream[kStreamBufferBytes];
  uint32_t fill;
  // Stream bytes below `copied` are in place; from there to fill they are
  // pending[nextPending] to pending[pendingCount - 1], in order.
  uint32_t copied;
  PendingPayload pending[2 * kPacksPerRead];
  uint32_t pendingCount, nextPending;
  uint32_t parsePos;
  uint32_t inputState;
  int32_t errorCode;
  int32_t pictureCount;
  int32_t mbAddress;
  // Macroblocks decoded with dct_type 1 (field DCT) in this call; read by
  // tests to see that a stream reaches the field-DCT path.
  int32_t fieldDctMacroblocks;

  // Sequence.
  int32_t horizontalSize;
  int32_t verticalSize;
  int32_t chromaFormat;
  int32_t dataPartitioning;
  int32_t aspectRatioInformation;  // 2 for 4:3, 3 for 16:9, 4 for 2.21:1

  // Picture.
  int32_t pictureCodingType;
  int32_t fCode[2][2];
  int32_t intraDcPrecision;
  int32_t pictureStructure;
  int32_t framePredFrameDct;
  int32_t concealmentMotionVectors;
  int32_t qScaleType;
  int32_t intraVlcFormat;
  int32_t alternateScan;
  int32_t progressiveFrame;

  // Intra luma, non-intra luma, intra chroma, non-intra chroma; zigzag order.
  int32_t matrix[4][64];

  // Slice and macroblock.
  int32_t quantiserScaleCode;
  int32_t mbQuant, mbForward, mbBackward, mbPattern, mbIntra;
  int32_t motionVectorCount;
  int32_t fieldMotionFormat;  // 1 when vectors are field vectors
  int32_t dualPrime;
  int32_t dctType;
  int32_t fieldSelect[2][2];
  int32_t vector[2][2][2];  // [r][s][t], as decoded (field vectors in field units)
  int32_t pmv[2][2][2];
  int32_t dmVector[2];
  int32_t dcPredictor[3];
  int32_t blockCoded[12];
  int32_t coefficients[12][64];
  // Scan positions of the coefficients stored in each block, in order.
  uint8_t storedCount[12];
  uint8_t storedAt[12][64];
  // Dequantised coefficients, then the IDCT output; both fit in 16 bits.
  int16_t samples[6][64];

  int16_t store[3][kStoreSamples];
  int32_t forwardIndex;
  int32_t currentIndex;

  uint8_t* previewImage;
  const LookupTables* tables;  // set at the start of each call

  // Stream bytes still to be read in this call: all there are for the
  // preview, the packs of the first reference picture for a signature.
  uint32_t readBudget;
  // Set for a signature call: the first picture goes into its block means
  // instead of the preview image.
  VobuSignature* signature;
  // The picture being decoded is an intra frame picture of a signature
  // call: each macroblock keeps the means its DC coefficients give and is
  // neither transformed nor reconstructed.
  int32_t dcOnly;
  // What ended the input other than its end: a read error, or a
  // CSS-scrambled pack (an InputFault), in the file `faultPath` (the VOB
  // file or its continuation) at sector `faultSector` of it.
  int32_t inputFault;
  int64_t faultSector;
  const char* faultPath;
};

enum InputFault : int32_t { kInputSound = 0, kInputReadError = 1, kInputScrambled = 2 };

DecoderState& State();

// Copies pending payloads into the stream, at least one when any is left,
// and returns the new end of the copied bytes.
uint32_t CopyPendingPayloads(void* state);

// A reader of the stream from byte offset `byte`, limited by fill.
inline BitReader StreamReader(DecoderState& d, uint32_t byte) {
  return BitReader(d.stream, d.copied, d.fill, uint64_t{byte} * 8, &CopyPendingPayloads, &d);
}

// Decodes one slice whose header starts at byte offset `start` of the stream.
void DecodeSlice(DecoderState& d, uint32_t start);

// Writes the current store into the preview image.
void ConvertPicture(DecoderState& d);

// The block means of the current store, for a signature whose first
// picture was decoded in full.
void SignatureFromStore(const DecoderState& d, VobuSignature& s);

// Store geometry for the current sequence, bounded by the store's capacity.
struct StoreGeometry {
  int32_t width;   // pixels per row that are stored
  int32_t pitch;   // samples per row
  int32_t rows;    // 16 * mb_height: picture line k is row rows - 1 - k
  int32_t maxRows; // rows that fit in the store
};
StoreGeometry Geometry(const DecoderState& d);

}  // namespace vm::mpeg2
