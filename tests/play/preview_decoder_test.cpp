// The preview decoder on small synthetic streams whose pictures can be
// worked out by hand: DC-only and single-coefficient intra blocks, skipped
// macroblocks, picture sizes, error codes and the pack handling.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <functional>

#include <gtest/gtest.h>

#include "common/be.h"
#include "play/preview_decoder.h"
#include "play/vobu_signature.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"
#include "tests/play/mpeg2_stream_writer.h"

namespace vm::testing {
namespace {

constexpr uint8_t kUntouched = 0x55;

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Rgb& p) {
  return os << "(" << p.r << "," << p.g << "," << p.b << ")";
}

class PreviewDecoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(image_, kUntouched, sizeof image_);
    SetPreviewImage(image_);
  }

  int32_t DecodeBytes(const std::vector<uint8_t>& vob, std::string continuation = "",
                      uint32_t sector = 0) {
    const std::string path = dir_ / "VTS_01_1.VOB";
    WriteFile(path, std::string(vob.begin(), vob.end()));
    std::snprintf(next_, sizeof next_, "%s", continuation.c_str());
    return DecodePreviewPicture(ui_, path.c_str(), next_, sector);
  }

  int32_t SignatureOf(const std::vector<uint8_t>& vob, VobuSignature& sig) {
    const std::string path = dir_ / "VTS_01_1.VOB";
    WriteFile(path, std::string(vob.begin(), vob.end()));
    next_[0] = '\0';
    return DecodeVobuSignature(ui_, path.c_str(), next_, 0, sig);
  }

  // A stream of the given pictures, ended by a further picture start code.
  int32_t Decode(BitWriter& w, bool endPicture = true) {
    if (endPicture) w.StartCode(0x00);
    w.StartCode(0xB7);
    return DecodeBytes(Packetise(w.Bytes()));
  }

  // Output pixel, rows counted from the top of the upright image.
  Rgb At(int top, int col) const {
    const uint8_t* p = image_ + (kPreviewHeight - 1 - top) * kPreviewRowBytes + 3 * col;
    return Rgb{p[2], p[1], p[0]};
  }
  static Rgb Grey(int v) { return Rgb{v, v, v}; }

  std::string LastMessage() const { return ui_.messages.empty() ? "" : ui_.messages.back().text; }

  TempDir dir_;
  RecordingUi ui_;
  uint8_t image_[kPreviewImageBytes];
  char next_[260];
};

// A 720 x 480 I picture whose blocks are written by `body`.
void IPicture(BitWriter& w, const PictureOptions& o, const std::function<void()>& body,
              int width = 720, int height = 480) {
  WriteSequenceHeader(w, width, height);
  WritePicture(w, o);
  body();
}

// Every macroblock of a picture intra with the same luma value, except the
// macroblock rows below `splitRow`, which get `lowerValue`.
void FlatPicture(BitWriter& w, int width, int height, int value, int splitRow = 1 << 30,
                 int lowerValue = 0) {
  WriteSequenceHeader(w, width, height);
  WritePicture(w, PictureOptions{});
  const int mbw = (width + 15) / 16, mbh = (height + 15) / 16;
  for (int row = 0; row < mbh; ++row) {
    WriteSliceHeader(w, row + 1, 8);
    const int v = row >= splitRow ? lowerValue : value;
    for (int c = 0; c < mbw; ++c) {
      const int first = c == 0 ? v - 128 : 0;
      WriteIntraMacroblock(w, {first, 0, 0, 0, 0, 0});
    }
  }
}

TEST_F(PreviewDecoderTest, DcPredictionCarriesAcrossBlocksAndResetsAtEachSlice) {
  BitWriter w;
  IPicture(w, PictureOptions{}, [&] {
    WriteSliceHeader(w, 1, 8);
    WriteIntraMacroblock(w, {16, 0, -32, 8, 10, -20});
    WriteIntraMacroblock(w, {0, 0, 0, 0, 0, 0});
    // A second slice: predictors start again at 128, and its macroblock
    // continues the address count (address 3) whatever its vertical position.
    WriteSliceHeader(w, 5, 8);
    WriteIntraMacroblock(w, {0, 0, 0, 0, 0, 0});
  });
  ASSERT_EQ(Decode(w), kPreviewFinished);
  EXPECT_TRUE(ui_.messages.empty());
  // Macroblock 1: blocks 144, 144, 112, 120; Cb 138, Cr 108.
  const int cb = 10, cr = -20;
  auto colour = [&](int y) {
    auto c = [](int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); };
    return Rgb{c(y + ((359 * cr) >> 8)), c(y + ((-88 * cb - 182 * cr) >> 8)), c(y + ((454 * cb) >> 8))};
  };
  EXPECT_EQ(At(0, 0), colour(144));
  EXPECT_EQ(At(0, 4), colour(144));
  EXPECT_EQ(At(4, 0), colour(112));
  EXPECT_EQ(At(4, 7), colour(120));
  // Macroblock 2 continues every predictor; macroblock 3 starts again.
  EXPECT_EQ(At(0, 8), colour(120));
  EXPECT_EQ(At(0, 16), Grey(128));
}

TEST_F(PreviewDecoderTest, IntraDcPrecisionScalesTheDcAndItsReset) {
  // (128 << p) + 40, times 8 >> p, through the IDCT: divided by 8, rounded.
  const int expected[4] = {168, 148, 138, 133};
  for (int p = 0; p < 4; ++p) {
    BitWriter w;
    PictureOptions o;
    o.intraDcPrecision = p;
    IPicture(w, o, [&] {
      WriteSliceHeader(w, 1, 8);
      WriteIntraMacroblock(w, {40, 0, 0, 0, 0, 0});
    });
    ASSERT_EQ(Decode(w), kPreviewFinished) << p;
    EXPECT_EQ(At(0, 0), Grey(expected[p])) << "precision " << p;
    EXPECT_EQ(At(7, 7), Grey(expected[p])) << "precision " << p;
  }
}

TEST_F(PreviewDecoderTest, MismatchControlTogglesTheLastCoefficient) {
  // DC 1028 at precision 3: without the toggle every sample is exactly 129;
  // the toggled F[63] = 1 pulls the samples of odd block rows 1, 3 and 5 at
  // even columns down to 128, while row 7 stays at 129.
  BitWriter w;
  PictureOptions o;
  o.intraDcPrecision = 3;
  IPicture(w, o, [&] {
    WriteSliceHeader(w, 1, 8);
    WriteIntraMacroblock(w, {4, 0, 0, 0, 0, 0});
  });
  ASSERT_EQ(Decode(w), kPreviewFinished);
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(At(0, c), Grey(128)) << c;
    EXPECT_EQ(At(1, c), Grey(128)) << c;
    EXPECT_EQ(At(2, c), Grey(128)) << c;
    EXPECT_EQ(At(3, c), Grey(129)) << c;
  }
}

// One intra macroblock whose block 0 carries the given AC codes (raw bits).
void OneCodedBlock(BitWriter& w, const PictureOptions& o, const char* acBits, int qscale = 8,
                   const std::vector<uint8_t>* matrix = nullptr) {
  WriteSequenceHeader(w, 720, 480, matrix);
  WritePicture(w, o);
  WriteSliceHeader(w, 1, qscale);
  w.Code("1");
  w.Code("1");
  for (int b = 0; b < 6; ++b) {
    WriteDc(w, b < 4, 0);
    if (b == 0) w.Code(acBits);
    WriteEndOfBlock(w, o.intraVlcFormat);
  }
}

std::vector<uint8_t> Image(const uint8_t* image) { return {image, image + kPreviewImageBytes}; }

TEST_F(PreviewDecoderTest, BothCoefficientTablesAndTheEscapeGiveTheSameCoefficients) {
  struct Case {
    int intraVlc;
    const char* bits;
  };
  // run 0 level -1, then run 1 level 2, then run 0 level 5.
  const Case cases[] = {
      {0, "111" "0001100" "001001100"},
      {1, "101" "001100" "111010"},
      {0, "000001000000111111111111" "000001000001000000000010" "000001000000000000000101"},
      {1, "000001000000111111111111" "000001000001000000000010" "000001000000000000000101"},
  };
  std::vector<uint8_t> first;
  for (const Case& c : cases) {
    BitWriter w;
    PictureOptions o;
    o.intraVlcFormat = c.intraVlc;
    OneCodedBlock(w, o, c.bits);
    SetUp();
    ASSERT_EQ(Decode(w), kPreviewFinished) << c.bits;
    ASSERT_TRUE(ui_.messages.empty()) << LastMessage();
    if (first.empty()) {
      first = Image(image_);
      EXPECT_NE(At(0, 0), Grey(128));  // the coefficients did arrive
    } else {
      EXPECT_EQ(Image(image_), first) << c.bits;
    }
  }
}

TEST_F(PreviewDecoderTest, ScansPlaceTheCoefficientAndTheWeightFollowsZigzagOrder) {
  // Zigzag position 1 is the first horizontal frequency: the samples change
  // along a line and not down a column. The alternate scan puts position 1 on
  // the first vertical frequency.
  BitWriter zig, alt;
  PictureOptions o;
  OneCodedBlock(zig, o, "000001000000000000010000");
  ASSERT_EQ(Decode(zig), kPreviewFinished);
  EXPECT_EQ(At(0, 0), At(3, 0));
  EXPECT_GT(At(0, 0).r, At(0, 3).r);
  o.alternateScan = 1;
  OneCodedBlock(alt, o, "000001000000000000010000");
  SetUp();
  ASSERT_EQ(Decode(alt), kPreviewFinished);
  EXPECT_EQ(At(0, 0), At(0, 3));
  EXPECT_NE(At(0, 0).r, At(3, 0).r);

  // With weights 16 at zigzag position 1 and 64 at position 2, the alternate
  // scan's position 1 (raster position 8, zigzag position 2) takes 64: the
  // same picture as the zigzag scan with the coefficient at position 2.
  std::vector<uint8_t> matrix(64, 16);
  matrix[0] = 8;
  matrix[2] = 64;
  BitWriter a, z;
  OneCodedBlock(a, o, "000001000000000000000100", 8, &matrix);
  SetUp();
  ASSERT_EQ(Decode(a), kPreviewFinished);
  const std::vector<uint8_t> viaAlternate = Image(image_);
  PictureOptions zo;
  OneCodedBlock(z, zo, "000001000001000000000100", 8, &matrix);
  SetUp();
  ASSERT_EQ(Decode(z), kPreviewFinished);
  EXPECT_EQ(Image(image_), viaAlternate);
}

TEST_F(PreviewDecoderTest, DequantisedCoefficientsSaturate) {
  // At quantiser_scale 62, levels 2047 and 1000 both pass 2047 after
  // weighting and give the same picture; level 10 does not.
  auto decode = [&](const char* bits) {
    BitWriter w;
    OneCodedBlock(w, PictureOptions{}, bits, 31);
    SetUp();
    EXPECT_EQ(Decode(w), kPreviewFinished);
    return Image(image_);
  };
  const auto big = decode("000001000000011111111111");
  const auto large = decode("000001000000001111101000");
  const auto small = decode("000001000000000000001010");
  EXPECT_EQ(big, large);
  EXPECT_NE(big, small);
}

// A P picture whose first slice codes macroblocks 1 and 4 intra (luma
// 200, chroma 128) and skips 2 and 3.
void PPictureOfTwoIntraMacroblocks(BitWriter& w) {
  PictureOptions o;
  o.type = 2;
  o.fCode[0][0] = o.fCode[0][1] = 1;
  WriteSequenceHeader(w, 720, 480);
  WritePicture(w, o);
  WriteSliceHeader(w, 1, 8);
  for (const char* inc : {"1", "010"}) {
    w.Code(inc);
    w.Code("00011");  // intra
    for (int b = 0; b < 6; ++b) {
      WriteDc(w, b < 4, b == 0 ? 72 : 0);
      WriteEndOfBlock(w, 0);
    }
  }
}

TEST_F(PreviewDecoderTest, SkippedMacroblocksInAPPictureShowTheReference) {
  // A P picture first in a call is predicted from the store that is never
  // written, so skipped macroblocks come out black; the DC predictors are
  // reset after the skip.
  BitWriter w;
  PPictureOfTwoIntraMacroblocks(w);
  ASSERT_EQ(Decode(w), kPreviewFinished);
  EXPECT_EQ(At(0, 0), Grey(200));
  EXPECT_EQ(At(0, 8), Grey(0));
  EXPECT_EQ(At(0, 16), Grey(0));
  EXPECT_EQ(At(0, 24), Grey(200));
}

// A VOBU signature: an I picture from its DC coefficients alone, without
// touching the preview image; a P picture first is decoded in full and its
// blocks averaged, skipped macroblocks showing the black reference.
TEST_F(PreviewDecoderTest, SignatureFromTheDcOfAnIPictureAndAPPictureInFull) {
  static VobuSignature sig;
  {
    BitWriter w;
    FlatPicture(w, 720, 480, 50, 15, 200);
    w.StartCode(0x00);
    next_[0] = '\0';
    ASSERT_EQ(SignatureOf(Packetise(w.Bytes()), sig), kPreviewFinished);
    EXPECT_EQ(sig.width, 90);
    EXPECT_EQ(sig.height, 60);
    EXPECT_EQ(sig.fullDecode, 0);
    EXPECT_EQ(sig.y[0][0], 50);
    EXPECT_EQ(sig.y[29][89], 50);
    EXPECT_EQ(sig.y[30][0], 200);
    EXPECT_EQ(sig.y[59][45], 200);
    EXPECT_EQ(sig.cb[0][0], 128);
    EXPECT_EQ(sig.cr[29][44], 128);
    EXPECT_EQ(At(0, 0), Grey(kUntouched));
  }
  {
    BitWriter w;
    PPictureOfTwoIntraMacroblocks(w);
    w.StartCode(0x00);
    ASSERT_EQ(SignatureOf(Packetise(w.Bytes()), sig), kPreviewFinished);
    EXPECT_EQ(sig.fullDecode, 1);
    EXPECT_EQ(sig.y[0][0], 200);
    EXPECT_EQ(sig.y[1][1], 200);
    EXPECT_EQ(sig.y[0][2], 0);
    EXPECT_EQ(sig.y[0][6], 200);
    EXPECT_EQ(sig.cb[0][1], 128);
    EXPECT_EQ(At(0, 0), Grey(kUntouched));
  }
  EXPECT_TRUE(ui_.messages.empty());
}

// A signature reads up to the end of the first reference picture that the
// navigation pack gives (VOBU_1STREF_EA), and takes its VOBU_S_PTM: a slice
// in the packs after it is not seen. Without that end, it reads on as the
// preview does, and the slice (clamped onto the last macroblock) is seen.
TEST_F(PreviewDecoderTest, SignatureReadsOnlyThePacksOfTheFirstReferencePicture) {
  BitWriter w;
  FlatPicture(w, 720, 480, 50);
  std::vector<uint8_t> vob = Packetise(w.Bytes());
  const uint32_t lastPack = static_cast<uint32_t>(vob.size() / 2048 - 1);
  WriteBe32(&vob[0x26], 0x000001BF);
  vob[0x2C] = 0x00;
  WriteBe32(&vob[0x39], 90000);
  WriteBe32(&vob[0x400], 0x000001BF);
  vob[0x406] = 0x01;
  BitWriter more;
  WriteSliceHeader(more, 1, 8);
  for (int c = 0; c < 45; ++c) WriteIntraMacroblock(more, {c == 0 ? 200 - 128 : 0, 0, 0, 0, 0, 0});
  more.StartCode(0x00);
  const std::vector<uint8_t> after = Packetise(more.Bytes(), false);
  vob.insert(vob.end(), after.begin(), after.end());
  static VobuSignature sig;
  for (const uint32_t end : {lastPack, 0u}) {
    SCOPED_TRACE(end);
    WriteBe32(&vob[0x413], end);
    ASSERT_EQ(SignatureOf(vob, sig), kPreviewFinished);
    EXPECT_EQ(sig.startPtm, 90000u);
    EXPECT_EQ(sig.y[0][0], 50);
    EXPECT_EQ(sig.y[59][89], end == 0 ? 200 : 50);
  }
}

TEST_F(PreviewDecoderTest, PictureSizesAndTheUprightBottomUpLayout) {
  {  // 720 x 480: the whole image; the top half of the picture on top.
    BitWriter w;
    FlatPicture(w, 720, 480, 50, 15, 200);
    ASSERT_EQ(Decode(w), kPreviewFinished);
    for (int t = 0; t < kPreviewHeight; ++t)
      for (int c = 0; c < kPreviewWidth; c += 7)
        ASSERT_EQ(At(t, c), Grey(t < 120 ? 50 : 200)) << t << "," << c;
    EXPECT_EQ(image_[0], 200);  // the first stored row is the bottom line
  }
  {  // 352 x 480: columns 0..351 one to one, 352..359 untouched.
    SetUp();
    BitWriter w;
    FlatPicture(w, 352, 480, 90);
    ASSERT_EQ(Decode(w), kPreviewFinished);
    for (int t = 0; t < kPreviewHeight; t += 5) {
      EXPECT_EQ(At(t, 0), Grey(90));
      EXPECT_EQ(At(t, 351), Grey(90));
      EXPECT_EQ(At(t, 352), Grey(kUntouched));
      EXPECT_EQ(At(t, 359), Grey(kUntouched));
    }
  }
  {  // 720 x 576: only the bottom 480 lines; the top 96 (six rows) are not shown.
    SetUp();
    BitWriter w;
    FlatPicture(w, 720, 576, 30, 6, 220);
    ASSERT_EQ(Decode(w), kPreviewFinished);
    for (int t = 0; t < kPreviewHeight; t += 3) ASSERT_EQ(At(t, 100), Grey(220)) << t;
  }
}

TEST_F(PreviewDecoderTest, VerticalSize240IsRefusedSilentlyAnd241IsDecoded) {
  BitWriter small;
  FlatPicture(small, 720, 240, 77);
  EXPECT_EQ(Decode(small), kPreviewTooSmall);
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(At(0, 0), Grey(kUntouched));

  BitWriter tall;
  FlatPicture(tall, 720, 241, 77);
  EXPECT_EQ(Decode(tall), kPreviewFinished);
  EXPECT_TRUE(ui_.messages.empty());
  // 256 stored rows, every second one: output rows 0..120 from the bottom.
  EXPECT_EQ(image_[0], 77);
  EXPECT_EQ(image_[120 * kPreviewRowBytes], 77);
  EXPECT_EQ(image_[121 * kPreviewRowBytes], kUntouched);
}

TEST_F(PreviewDecoderTest, EveryDecodingErrorIsReportedWithItsCode) {
  struct Case {
    int code;
    std::function<void(BitWriter&)> write;
  };
  auto intraWithAc = [](const char* ac) {
    return [ac](BitWriter& w) { OneCodedBlock(w, PictureOptions{}, ac); };
  };
  auto pPicture = [](const char* macroblock) {
    return [macroblock](BitWriter& w) {
      PictureOptions o;
      o.type = 2;
      WriteSequenceHeader(w, 720, 480);
      WritePicture(w, o);
      WriteSliceHeader(w, 1, 8);
      w.Code(macroblock);
      w.Code("11111111111111111111111111111111");
    };
  };
  auto zeroFCode = [](int s, int t) {
    return [s, t](BitWriter& w) {
      PictureOptions o;
      o.fCode[s][t] = 0;
      WriteSequenceHeader(w, 720, 480);
      WritePicture(w, o);
      WriteSliceHeader(w, 1, 8);
      WriteIntraMacroblock(w, {0, 0, 0, 0, 0, 0});
    };
  };
  const Case cases[] = {
      {1, zeroFCode(0, 0)},
      {2, zeroFCode(0, 1)},
      {3, zeroFCode(1, 0)},
      {4, zeroFCode(1, 1)},
      {5, pPicture("1" "001" "00000000000")},        // forward only, bad motion_code
      {6, pPicture("00000000000")},                  // no address increment code
      {7, pPicture("1" "01" "000000000")},           // pattern only, bad coded_block_pattern
      {10, intraWithAc("00000000000000001")},        // no coefficient code
      {11, [](BitWriter& w) {  // run 63 from position 1, in the last block
         WriteSequenceHeader(w, 720, 480);
         WritePicture(w, PictureOptions{});
         WriteSliceHeader(w, 1, 8);
         w.Code("11");
         for (int b = 0; b < 6; ++b) {
           WriteDc(w, b < 4, 0);
           if (b < 5) WriteEndOfBlock(w, 0);
         }
         WriteEscape(w, 63, 1);
       }},
  };
  for (const Case& c : cases) {
    ui_.messages.clear();
    BitWriter w;
    c.write(w);
    EXPECT_EQ(Decode(w), kPreviewDecodeError) << c.code;
    ASSERT_EQ(ui_.messages.size(), 1u) << c.code;
    EXPECT_EQ(ui_.messages[0].caption, "Error");
    EXPECT_EQ(LastMessage(), "Decode error (" + std::to_string(c.code) + ", Preview).");
  }
}

TEST_F(PreviewDecoderTest, AfterAnErrorEachLaterSliceDecodesOnlyItsFirstMacroblock) {
  BitWriter w;
  WriteSequenceHeader(w, 720, 480);
  WritePicture(w, PictureOptions{});
  WriteSliceHeader(w, 1, 8);
  WriteIntraMacroblock(w, {72, 0, 0, 0, 0, 0});
  w.Code("1" "1" "100" "00000000000000001");  // bad coefficient in block 0
  WriteSliceHeader(w, 2, 8);
  WriteIntraMacroblock(w, {-78, 0, 0, 0, 0, 0});
  WriteIntraMacroblock(w, {-78, 0, 0, 0, 0, 0});
  ASSERT_EQ(Decode(w), kPreviewDecodeError);
  EXPECT_EQ(LastMessage(), "Decode error (10, Preview).");
  EXPECT_EQ(At(0, 0), Grey(200));  // converted at the second picture start code
  EXPECT_EQ(At(0, 16), Grey(50));  // the later slice's first macroblock (address 3)
}

TEST_F(PreviewDecoderTest, PicturesThatAreNotShown) {
  {  // A leading B picture is parsed and leaves the image as it was.
    BitWriter w;
    PictureOptions o;
    o.type = 3;
    WriteSequenceHeader(w, 720, 480);
    WritePicture(w, o);
    WriteSliceHeader(w, 1, 8);
    w.Code("1" "00011");  // B intra
    for (int b = 0; b < 6; ++b) {
      WriteDc(w, b < 4, 50);
      WriteEndOfBlock(w, 0);
    }
    EXPECT_EQ(Decode(w), kPreviewFinished) << LastMessage();
    EXPECT_EQ(At(0, 0), Grey(kUntouched));
    ui_.messages.clear();
  }
  {  // A stream that ends before a second picture converts nothing.
    BitWriter w;
    FlatPicture(w, 720, 480, 99);
    EXPECT_EQ(Decode(w, false), kPreviewFinished);
    EXPECT_EQ(At(0, 0), Grey(kUntouched));
    EXPECT_TRUE(ui_.messages.empty());
  }
}

TEST_F(PreviewDecoderTest, OnlyVideoPacksFeedTheStream) {
  BitWriter w;
  FlatPicture(w, 720, 480, 160);
  w.StartCode(0x00);
  std::vector<uint8_t> vob = Packetise(w.Bytes());
  // A private-stream pack and a pack header with stuffing, both carrying a
  // picture start code that would end the picture at once if it were used.
  std::vector<uint8_t> audio(2048, 0);
  const uint8_t header[14] = {0, 0, 1, 0xBA, 0x44, 0, 4, 0, 4, 1, 0x01, 0x89, 0xC3, 0xF8};
  std::memcpy(audio.data(), header, 14);
  const uint8_t pes[] = {0, 0, 1, 0xBD, 0x07, 0xEC, 0x81, 0, 0, 0, 0, 1, 0};
  std::memcpy(audio.data() + 14, pes, sizeof pes);
  std::vector<uint8_t> stuffed = audio;
  stuffed[13] = 0xF9;  // one stuffing byte: the PES packet starts a byte later
  const uint8_t video[] = {0xFF, 0, 0, 1, 0xE0, 0x07, 0xEA, 0x81, 0, 0, 0, 0, 1, 0};
  std::memcpy(stuffed.data() + 14, video, sizeof video);
  vob.insert(vob.begin() + 2048 * 2, audio.begin(), audio.end());
  vob.insert(vob.begin() + 2048 * 4, stuffed.begin(), stuffed.end());
  ASSERT_EQ(DecodeBytes(vob), kPreviewFinished);
  EXPECT_EQ(At(0, 0), Grey(160));
  EXPECT_EQ(At(239, 359), Grey(160));
}

TEST_F(PreviewDecoderTest, TheContinuationFileIsUsedOnceAndCleared) {
  BitWriter w;
  FlatPicture(w, 720, 480, 140);
  w.StartCode(0x00);
  const std::vector<uint8_t> vob = Packetise(w.Bytes());
  const size_t cut = 2048 * 2;
  ASSERT_GT(vob.size(), cut + 2048);
  const std::string second = dir_ / "VTS_01_2.VOB";
  WriteFile(second, std::string(vob.begin() + cut, vob.end()));
  ASSERT_EQ(DecodeBytes({vob.begin(), vob.begin() + cut}, second), kPreviewFinished);
  EXPECT_EQ(At(239, 359), Grey(140));
  EXPECT_EQ(next_[0], '\0');

  SetUp();
  // The picture is cut short (its end reads as zeros), but the missing file
  // itself is not reported.
  DecodeBytes({vob.begin(), vob.begin() + cut}, dir_ / "MISSING.VOB");
  EXPECT_EQ(next_[0], '\0');
  for (const auto& m : ui_.messages) EXPECT_EQ(m.text.find("open error"), std::string::npos);
  EXPECT_EQ(At(0, 0), Grey(kUntouched));  // no second picture start code arrived
}

// A picture of about 100 KB (every block with escape-coded coefficients)
// behind long stretches of user data and of packs of other streams, so that
// it lies across one or two 1 MiB reads, behind the look-ahead's moves and,
// in one case, partly in the continuation file: each time it must come out
// as it does at the start of a short file.
TEST_F(PreviewDecoderTest, APictureDecodesAlikeWhereverTheReadsCutItsStream) {
  BitWriter picture;
  WriteSequenceHeader(picture, 720, 480);
  WritePicture(picture, PictureOptions{});
  uint32_t seed = 1;
  const auto next = [&seed](int n) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 16) % static_cast<uint32_t>(n));
  };
  for (int row = 0; row < 30; ++row) {
    WriteSliceHeader(picture, row + 1, 4);
    for (int c = 0; c < 45; ++c) {
      int dc[6];
      std::vector<Coefficient> ac[6];
      for (int b = 0; b < 6; ++b) {
        dc[b] = (c == 0 ? 0 : next(41) - 20);
        // Levels of 0 are left out: a run of them would code 23 zero bits.
        for (int k = next(9); k > 0; --k) ac[b].push_back({next(7), next(100) + 1 - 101 * next(2)});
      }
      WriteIntraMacroblock(picture, dc, &ac);
    }
  }
  picture.StartCode(0x00);
  picture.StartCode(0xB7);
  const std::vector<uint8_t> es = picture.Bytes();
  ASSERT_GT(es.size(), 80000u);

  ASSERT_EQ(DecodeBytes(Packetise(es)), kPreviewFinished) << LastMessage();
  std::vector<uint8_t> expected(image_, image_ + kPreviewImageBytes);

  // User data of `n` bytes that hold no start code.
  const auto userData = [](size_t n) {
    std::vector<uint8_t> u(4 + n, 0xA5);
    const uint8_t code[4] = {0, 0, 1, 0xB2};
    std::copy(code, code + 4, u.begin());
    return u;
  };
  std::vector<uint8_t> otherPack(2048, 0xFF);
  const uint8_t header[14] = {0, 0, 1, 0xBA, 0x44, 0, 4, 0, 4, 1, 0x01, 0x89, 0xC3, 0xF8};
  const uint8_t audio[6] = {0, 0, 1, 0xBD, 0x07, 0xEC};
  std::memcpy(otherPack.data(), header, 14);
  std::memcpy(otherPack.data() + 14, audio, 6);

  struct Case {
    size_t userBefore, userBetween;  // user data before the picture, in two stretches
    int otherPacks;                  // packs of another stream
    size_t otherAfter;               // .. after this many video packs
    size_t cutPacks;                 // packs left in the first file; 0 for one file
  };
  const Case cases[] = {
      {600000, 0, 0, 0, 0},        // across the end of the first read's stream
      {1000000, 0, 300, 0, 0},     // in the second read, behind a partly video first read
      {900000, 900000, 0, 0, 0},   // in the third read, behind a move of unparsed bytes
      {900000, 0, 0, 0, 450},      // across the two files, within the one read they share
      {0, 0, 1000, 0, 0},          // the first read holds no video at all
      {0, 0, 1000, 20, 0},         // begun in the first read, ended in the third
  };
  for (const Case& k : cases) {
    std::vector<uint8_t> stream = userData(k.userBefore);
    if (k.userBetween) {
      const std::vector<uint8_t> more = userData(k.userBetween);
      stream.insert(stream.end(), more.begin(), more.end());
    }
    stream.insert(stream.end(), es.begin(), es.end());
    std::vector<uint8_t> vob = Packetise(stream);
    const long at = static_cast<long>(k.otherAfter * 2048);
    ASSERT_LE(at, static_cast<long>(vob.size()));
    for (int i = 0; i < k.otherPacks; ++i) vob.insert(vob.begin() + at, otherPack.begin(), otherPack.end());
    std::string continuation;
    if (k.cutPacks) {
      ASSERT_LT(k.cutPacks * 2048, vob.size());
      continuation = dir_ / "VTS_01_2.VOB";
      WriteFile(continuation, std::string(vob.begin() + static_cast<long>(k.cutPacks * 2048), vob.end()));
      vob.resize(k.cutPacks * 2048);
    }
    std::memset(image_, kUntouched, sizeof image_);
    const std::string label = std::to_string(k.userBefore) + " " + std::to_string(k.userBetween) + " " +
                              std::to_string(k.otherPacks) + " " + std::to_string(k.otherAfter) + " " +
                              std::to_string(k.cutPacks);
    ASSERT_EQ(DecodeBytes(vob, continuation), kPreviewFinished) << label;
    EXPECT_TRUE(ui_.messages.empty()) << label;
    EXPECT_EQ(std::memcmp(image_, expected.data(), kPreviewImageBytes), 0) << label;
  }
}

TEST_F(PreviewDecoderTest, StartSectorAndFileFailures) {
  BitWriter w;
  FlatPicture(w, 720, 480, 120);
  w.StartCode(0x00);
  std::vector<uint8_t> vob(2048 * 3, 0);  // three packs of nothing first
  const std::vector<uint8_t> body = Packetise(w.Bytes());
  vob.insert(vob.end(), body.begin(), body.end());
  ASSERT_EQ(DecodeBytes(vob, "", 3), kPreviewFinished);
  EXPECT_EQ(At(0, 0), Grey(120));

  char none[4] = "";
  const std::string missing = dir_ / "NONE.VOB";
  EXPECT_EQ(DecodePreviewPicture(ui_, missing.c_str(), none, 0), kPreviewOpenError);
  EXPECT_EQ(LastMessage(), missing + " open error (Preview).");

  // A pipe cannot seek.
  const std::string fifo = dir_ / "PIPE.VOB";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int writer = open(fifo.c_str(), O_RDWR);
  ASSERT_GE(writer, 0);
  EXPECT_EQ(DecodePreviewPicture(ui_, fifo.c_str(), none, 1), kPreviewSeekError);
  EXPECT_EQ(LastMessage(), "Seek error (Preview).");
  close(writer);
}

}  // namespace
}  // namespace vm::testing
