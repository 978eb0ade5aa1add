// The preview of real title sets (ffmpeg + dvdauthor) and of VOBs made by
// ffmpeg's DVD muxer with chosen encoder options, against libavcodec's
// decoding of the same picture, put through the same conversion.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/be.h"
#include "play/decoder_state.h"
#include "play/preview_decoder.h"
#include "play/preview_request.h"
#include "play/scene_scan.h"
#include "play/vobu_signature.h"
#include "tests/support/real_titles.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"
#include "title/read_command.h"
#include "title/tables.h"

namespace vm::testing {
namespace {

TitleTables& Titles() {
  static TitleTables* t = new TitleTables();
  return *t;
}

// The video elementary stream from a sector up to (not including) the
// second picture start code, continuing into the next file.
std::vector<uint8_t> FirstPictureStream(const char* vobPath, const char* continuationPath,
                                        uint32_t sector) {
  std::string data = ReadFile(vobPath);
  if (continuationPath[0]) data += ReadFile(continuationPath);
  std::vector<uint8_t> es;
  for (size_t off = size_t{sector} * 2048; off + 2048 <= data.size() && es.size() < (4u << 20);
       off += 2048) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(data.data()) + off;
    if (ReadBe32(p) != 0x000001BA || ReadBe32(p + 14) != 0x000001E0) continue;
    const int len = ReadBe16(p + 18) - 3 - p[22];
    es.insert(es.end(), p + 23 + p[22], p + 23 + p[22] + len);
  }
  int pictures = 0;
  for (size_t i = 0; i + 3 < es.size(); ++i) {
    if (es[i] == 0 && es[i + 1] == 0 && es[i + 2] == 1 && es[i + 3] == 0 && ++pictures == 2) {
      es.resize(i);
      break;
    }
  }
  return es;
}

struct Reference {
  int width = 0, height = 0;
  std::vector<uint8_t> y, cb, cr;  // planes, top line first
};

bool DecodeWithLibavcodec(const std::vector<uint8_t>& es, Reference& out) {
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MPEG2VIDEO);
  AVCodecContext* ctx = avcodec_alloc_context3(codec);
  if (!ctx || avcodec_open2(ctx, codec, nullptr) < 0) return false;
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  av_new_packet(pkt, static_cast<int>(es.size()));
  std::memcpy(pkt->data, es.data(), es.size());
  bool got = false;
  if (avcodec_send_packet(ctx, pkt) >= 0 && avcodec_send_packet(ctx, nullptr) >= 0 &&
      avcodec_receive_frame(ctx, frame) >= 0) {
    out.width = frame->width;
    out.height = frame->height;
    for (int plane = 0; plane < 3; ++plane) {
      const int w = plane ? frame->width / 2 : frame->width;
      const int h = plane ? frame->height / 2 : frame->height;
      std::vector<uint8_t>& dst = plane == 0 ? out.y : (plane == 1 ? out.cb : out.cr);
      dst.resize(static_cast<size_t>(w) * h);
      for (int row = 0; row < h; ++row)
        std::memcpy(dst.data() + static_cast<size_t>(row) * w,
                    frame->data[plane] + static_cast<ptrdiff_t>(row) * frame->linesize[plane], w);
    }
    got = true;
  }
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avcodec_free_context(&ctx);
  return got;
}

int Clamp(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// libavcodec's picture through the preview's sampling and colour conversion.
// Interlaced pictures take chroma per field: even lines of a macroblock from
// even chroma rows, odd lines from odd ones.
double PsnrAgainst(const Reference& ref, bool progressiveFrame, const uint8_t* image) {
  const int w = ref.width < 720 ? ref.width : 720;
  const int h = ref.height < 480 ? ref.height : 480;
  const int colStep = w > 360 ? 2 : 1, rowStep = h > 240 ? 2 : 1;
  const int rows = 16 * ((ref.height + 15) / 16);
  double se = 0;
  long n = 0;
  for (int d = 0, o = 0; d < h; d += rowStep, ++o) {
    const int line = rows - 1 - d;
    if (line >= ref.height) continue;
    const int q = line % 16;
    const int chromaLine =
        progressiveFrame ? line / 2 : 8 * (line / 16) + (((q >> 1) & ~1) + (q & 1));
    for (int x = 0, c = 0; x < w; x += colStep, ++c) {
      const int y = ref.y[static_cast<size_t>(line) * ref.width + x];
      const size_t ci = static_cast<size_t>(chromaLine) * (ref.width / 2) + x / 2;
      const int cb = ref.cb[ci] - 128, cr = ref.cr[ci] - 128;
      const int expect[3] = {Clamp(y + ((454 * cb) >> 8)), Clamp(y + ((-88 * cb - 182 * cr) >> 8)),
                             Clamp(y + ((359 * cr) >> 8))};
      const uint8_t* p = image + o * kPreviewRowBytes + 3 * c;
      for (int k = 0; k < 3; ++k) {
        se += (expect[k] - p[k]) * (expect[k] - p[k]);
        ++n;
      }
    }
  }
  const double mse = se / static_cast<double>(n);
  return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

bool ProgressiveFrameOf(const std::vector<uint8_t>& es) {
  for (size_t i = 0; i + 9 < es.size(); ++i)
    if (es[i] == 0 && es[i + 1] == 0 && es[i + 2] == 1 && es[i + 3] == 0xB5 && (es[i + 4] >> 4) == 8)
      return (es[i + 8] >> 7) & 1;
  return true;
}

// The lowest PSNR each preview must reach against the reference.
constexpr double kMinPsnr = 45.0;

struct Fidelity {
  int checked = 0;
  double minPsnr = 99;
  int fieldDctMacroblocks = 0;  // summed over the pictures checked
};

// Decodes the first picture at `sector` both ways and compares them. A
// sector whose stream holds no whole picture for libavcodec is passed over.
void CheckPicture(RecordingUi& ui, const std::string& label, const char* vobPath,
                  char* continuationPath, uint32_t sector, Fidelity& f) {
  const std::vector<uint8_t> es = FirstPictureStream(vobPath, continuationPath, sector);
  Reference ref;
  if (!DecodeWithLibavcodec(es, ref)) return;
  static uint8_t image[kPreviewImageBytes];
  std::memset(image, 0, sizeof image);
  SetPreviewImage(image);
  ASSERT_EQ(DecodePreviewPicture(ui, vobPath, continuationPath, sector), kPreviewFinished)
      << label << " sector " << sector;
  const double psnr = PsnrAgainst(ref, ProgressiveFrameOf(es), image);
  EXPECT_GE(psnr, kMinPsnr) << label << " sector " << sector;
  ++f.checked;
  if (psnr < f.minPsnr) f.minPsnr = psnr;
  f.fieldDctMacroblocks += mpeg2::State().fieldDctMacroblocks;
}

void ExpectFaithful(const RealTitleRecipe& recipe) {
  const std::string dir = RealTitleSet(recipe);
  ASSERT_FALSE(dir.empty()) << recipe.name;
  TitleTables& t = Titles();
  RecordingUi ui;
  ASSERT_EQ(ReadVobFiles(t, ui, dir.c_str()), ReadResult::Scanned);
  ASSERT_GT(t.TimeListNum, 10);
  Fidelity f;
  for (int i = 0; i < t.TimeListNum; ++i) {
    PreviewRequest r;
    ASSERT_TRUE(FillPreviewRequest(t, i, r));
    CheckPicture(ui, recipe.name + " entry " + std::to_string(i), r.vobPath, r.continuationPath,
                 r.sector, f);
  }
  EXPECT_GE(f.checked, t.TimeListNum - 1) << recipe.name;
  std::printf("%s: %d pictures, lowest PSNR %.1f dB\n", recipe.name.c_str(), f.checked, f.minPsnr);
  EXPECT_TRUE(ui.messages.empty());
}

TEST(PreviewFidelity, Ntsc720x480) {
  RealTitleRecipe s;
  s.name = "ntsc-3ch";
  ExpectFaithful(s);
}

TEST(PreviewFidelity, Ntsc352x480) {
  RealTitleRecipe s;
  s.name = "preview-352";
  s.width = 352;
  ExpectFaithful(s);
}

TEST(PreviewFidelity, Pal720x576OverThreeFiles) {
  RealTitleRecipe s;
  s.name = "preview-pal-split";
  s.height = 576;
  s.pal = true;
  s.splitParts = 3;
  ExpectFaithful(s);
}

TEST(PreviewFidelity, InterlacedWithFieldDctAlternateScanAndTableOne) {
  RealTitleRecipe s;
  s.name = "preview-interlaced";
  s.interlaced = true;
  ExpectFaithful(s);
}

// ---- VOBU signatures against libavcodec's block means ----

// Mean of a size x size square of a plane, top line first.
double SquareMean(const std::vector<uint8_t>& plane, int width, int top, int left, int size) {
  double sum = 0;
  for (int r = top; r < top + size; ++r)
    for (int c = left; c < left + size; ++c) sum += plane[static_cast<size_t>(r) * width + c];
  return sum / (size * size);
}

struct SignatureError {
  int pictures = 0, dcOnly = 0;
  double sum = 0, worst = 0;
  long n = 0;
  void Add(double e) {
    sum += e;
    ++n;
    if (e > worst) worst = e;
  }
};

// Each VOBU's signature from its DC coefficients against the means of
// libavcodec's decoded picture: each macroblock's luma (in field-DCT
// macroblocks a block's mean is that of a field) and each chroma block.
// Progressive titles compare every luma block.
void ExpectSignaturesMatch(const RealTitleRecipe& recipe, bool perBlock) {
  const std::string dir = RealTitleSet(recipe);
  ASSERT_FALSE(dir.empty()) << recipe.name;
  TitleTables& t = Titles();
  RecordingUi ui;
  ASSERT_EQ(ReadVobFiles(t, ui, dir.c_str()), ReadResult::Scanned);
  SignatureError e;
  static VobuSignature sig;
  for (int i = 0; i < t.TimeListNum; ++i) {
    PreviewRequest r;
    ASSERT_TRUE(FillPreviewRequest(t, i, r));
    const std::vector<uint8_t> es = FirstPictureStream(r.vobPath, r.continuationPath, r.sector);
    Reference ref;
    if (!DecodeWithLibavcodec(es, ref)) continue;
    ASSERT_EQ(DecodeVobuSignature(ui, r.vobPath, r.continuationPath, r.sector, sig),
              kPreviewFinished);
    ASSERT_EQ(sig.width, ref.width / 8);
    ASSERT_EQ(sig.height, ref.height / 8);
    EXPECT_NE(sig.startPtm, 0u);
    ++e.pictures;
    e.dcOnly += sig.fullDecode == 0;
    for (int my = 0; my < sig.height / 2; ++my)
      for (int mx = 0; mx < sig.width / 2; ++mx) {
        if (perBlock) {
          for (int b = 0; b < 4; ++b) {
            const int by = 2 * my + b / 2, bx = 2 * mx + b % 2;
            e.Add(std::fabs(sig.y[by][bx] - SquareMean(ref.y, ref.width, 8 * by, 8 * bx, 8)));
          }
        } else {
          const double mean = (sig.y[2 * my][2 * mx] + sig.y[2 * my][2 * mx + 1] +
                               sig.y[2 * my + 1][2 * mx] + sig.y[2 * my + 1][2 * mx + 1]) / 4.0;
          e.Add(std::fabs(mean - SquareMean(ref.y, ref.width, 16 * my, 16 * mx, 16)));
        }
        e.Add(std::fabs(sig.cb[my][mx] - SquareMean(ref.cb, ref.width / 2, 8 * my, 8 * mx, 8)));
        e.Add(std::fabs(sig.cr[my][mx] - SquareMean(ref.cr, ref.width / 2, 8 * my, 8 * mx, 8)));
      }
  }
  std::printf("%s: %d signatures (%d from DC alone), mean error %.3f, worst %.2f\n",
              recipe.name.c_str(), e.pictures, e.dcOnly, e.sum / static_cast<double>(e.n), e.worst);
  EXPECT_GE(e.pictures, t.TimeListNum - 1);
  EXPECT_EQ(e.dcOnly, e.pictures);
  // The DC is the block's mean before the IDCT's rounding and the clamp
  // of its samples to 0..255.
  EXPECT_LE(e.sum / static_cast<double>(e.n), 0.1);
  EXPECT_LE(e.worst, 1.0);
  EXPECT_TRUE(ui.messages.empty());
}

TEST(RealTitleSignature, DcMeansMatchTheDecodedPicture) {
  struct Case {
    RealTitleRecipe recipe;
    bool perBlock;
  };
  std::vector<Case> cases(4);
  cases[0].recipe.name = "ntsc-3ch";
  cases[0].perBlock = true;
  cases[1].recipe.name = "preview-352";
  cases[1].recipe.width = 352;
  cases[1].perBlock = true;
  cases[2].recipe.name = "preview-pal-split";  // signatures across the file ends
  cases[2].recipe.height = 576;
  cases[2].recipe.pal = true;
  cases[2].recipe.splitParts = 3;
  cases[2].perBlock = true;
  cases[3].recipe.name = "preview-interlaced";  // field DCT macroblocks
  cases[3].recipe.interlaced = true;
  cases[3].perBlock = false;
  for (const Case& c : cases) ExpectSignaturesMatch(c.recipe, c.perBlock);
}

// The scan of a whole title: the progress window and its stop (nothing
// kept), then the scores kept for the same time list and dropped for
// another.
TEST(RealTitleSignature, ScanStopsWithTheProgressWindowAndKeepsItsScores) {
  RealTitleRecipe recipe;
  recipe.name = "ntsc-3ch";
  const std::string dir = RealTitleSet(recipe);
  ASSERT_FALSE(dir.empty());
  TitleTables& t = Titles();
  RecordingUi ui;
  ASSERT_EQ(ReadVobFiles(t, ui, dir.c_str()), ReadResult::Scanned);
  static SceneScores scores;
  scores.count = 0;
  RecordingUi stopping;
  stopping.stopAfterPumps = 1;
  EXPECT_EQ(ScanSceneScores(t, stopping, scores), kSceneScanStopped);
  EXPECT_EQ(scores.count, 0);
  EXPECT_EQ(t.BusyFlag, 0);
  EXPECT_EQ(stopping.progressOpen, 0);
  EXPECT_EQ(stopping.progressCaptions, (std::vector<std::string>{"Scene cuts reading"}));

  RecordingUi first;
  ASSERT_EQ(EnsureSceneScores(t, first, scores), kSceneScanDone);
  EXPECT_EQ(scores.count, t.TimeListNum);
  EXPECT_EQ(first.lastDone, t.TimeListNum);
  EXPECT_EQ(scores.pictureMs[0], 0);
  for (int i = 1; i < scores.count; ++i) EXPECT_GT(scores.pictureMs[i], scores.pictureMs[i - 1]);
  RecordingUi again;
  EXPECT_EQ(EnsureSceneScores(t, again, scores), kSceneScanDone);
  EXPECT_TRUE(again.progressCaptions.empty());  // nothing read
  t.TimeListSector[3] += 1;  // another time list
  RecordingUi other;
  EXPECT_EQ(EnsureSceneScores(t, other, scores), kSceneScanDone);
  EXPECT_EQ(other.progressCaptions.size(), 1u);
  t.TimeListSector[3] -= 1;
  t.BusyFlag = 1;
  EXPECT_EQ(ScanSceneScores(t, other, scores), kSceneScanIgnored);
  t.BusyFlag = 0;
  EXPECT_TRUE(first.messages.empty());
}

// ---- VOBs encoded with chosen options ----

// Interlaced content with motion and edges everywhere: a test pattern
// scrolling sideways at 60 fields a second, woven into top-field-first
// frames, so that the fields of a frame differ at every vertical edge.
constexpr const char* kInterlacedSource =
    "testsrc2=size=%s:rate=%s:duration=1,scroll=horizontal=0.004,interlace=scan=tff";
struct Encoding {
  const char* name;
  const char* covers;   // what the stream exercises
  const char* size;
  bool pal;
  const char* options;  // mpeg2video options after the common ones
  // Field-DCT macroblocks wanted in each VOBU's first picture, on average;
  // 0 when the stream must have none.
  int minFieldDctPerPicture;
};

void PrintTo(const Encoding& e, std::ostream* os) { *os << e.name; }

// A 720 x 480 picture has 1350 macroblocks; the field-DCT streams below
// code about a fifth of them with field DCT.
constexpr Encoding kEncodings[] = {
    {"ildct", "field DCT chosen per macroblock, zigzag scan, table zero, linear quantiser",
     "720x480", false, "-flags +ildct+ilme -b:v 6000k", 200},
    {"ildct-only", "field DCT without interlaced motion estimation", "720x480", false,
     "-flags +ildct -b:v 6000k", 200},
    {"ildct-alternate", "field DCT with the alternate scan", "720x480", false,
     "-flags +ildct+ilme -alternate_scan 1 -b:v 6000k", 200},
    {"alternate-frame-dct", "alternate scan alone: dct_type coded, always 0", "720x480", false,
     "-alternate_scan 1 -b:v 6000k", 0},
    {"ildct-dc9", "field DCT, 9-bit intra DC", "720x480", false,
     "-flags +ildct+ilme -dc 9 -b:v 6000k", 200},
    {"ildct-dc10", "field DCT, 10-bit intra DC, table one", "720x480", false,
     "-flags +ildct+ilme -dc 10 -intra_vlc 1 -b:v 8000k", 200},
    {"ildct-linear-q2", "field DCT, linear quantiser at its finest", "720x480", false,
     "-flags +ildct+ilme -qmin 1 -q:v 2", 200},
    {"ildct-linear-q31", "field DCT, linear quantiser at its coarsest", "720x480", false,
     "-flags +ildct+ilme -qmax 31 -q:v 31", 200},
    {"ildct-nonlinear-q1", "field DCT, non-linear quantiser at its finest", "720x480", false,
     "-flags +ildct+ilme -non_linear_quant 1 -qmin 1 -qmax 28 -q:v 1", 200},
    {"ildct-nonlinear-q28", "field DCT, non-linear quantiser at the coarsest ffmpeg codes",
     "720x480", false, "-flags +ildct+ilme -non_linear_quant 1 -qmax 28 -q:v 28", 200},
    {"ildct-16x9", "field DCT, 16:9, alternate scan, table one, bottom field first", "720x480",
     false, "-flags +ildct+ilme -aspect 16:9 -alternate_scan 1 -intra_vlc 1 -top 0 -b:v 6000k",
     200},
    {"ildct-pal", "field DCT on 720x576 PAL: the bottom 480 lines are shown", "720x576", true,
     "-flags +ildct+ilme -b:v 6000k", 200},
    {"ildct-352", "field DCT on 352x480: every column shown", "352x480", false,
     "-flags +ildct+ilme -b:v 4000k", 100},
};

std::string EncoderCommand(const Encoding& e) {
  char source[256];
  std::snprintf(source, sizeof source, kInterlacedSource, e.size, e.pal ? "50" : "60000/1001");
  return std::string("ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i '") + source +
         "' -an -c:v mpeg2video -pix_fmt yuv420p -g 12 -bf 2 -maxrate 9000k -bufsize 1835k"
         " -aspect 4:3 -top 1 " + e.options + " -f dvd";
}

// The encoded VOB, made once and cached with the command that made it, so
// that a changed recipe is encoded again. "" when ffmpeg failed.
std::string EncodedVob(const Encoding& e) {
  namespace fs = std::filesystem;
  const std::string base = std::string(VM_TEST_DATA_DIR) + "/encoded/";
  std::error_code ec;
  fs::create_directories(base, ec);
  const std::string vob = base + e.name + ".vob", recipe = base + e.name + ".txt";
  const std::string command = EncoderCommand(e);
  const auto cached = [&] { return fs::exists(vob) && ReadFile(recipe) == command; };
  if (cached()) return vob;
  // Test programs may run at once: a lock per name, and the VOB renamed
  // into place when whole.
  const int lock = open((base + e.name + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock < 0) return "";
  flock(lock, LOCK_EX);
  bool ok = cached();
  if (!ok) {
    const std::string tmp = vob + ".part" + std::to_string(getpid());
    ok = RunCommand(command + " '" + tmp + "'") == 0 && WriteFile(recipe, command);
    fs::rename(tmp, vob, ec);
    ok = ok && !ec;
  }
  flock(lock, LOCK_UN);
  close(lock);
  return ok ? vob : "";
}

// ffmpeg's DVD muxer begins every VOBU with a pack holding the system header
// and the navigation packets.
std::vector<uint32_t> VobuStarts(const std::string& vob) {
  const std::string data = ReadFile(vob);
  std::vector<uint32_t> starts;
  for (size_t off = 0; off + 2048 <= data.size(); off += 2048)
    if (ReadBe32(reinterpret_cast<const uint8_t*>(data.data()) + off + 14) == 0x000001BB)
      starts.push_back(static_cast<uint32_t>(off / 2048));
  return starts;
}

class EncodedFidelity : public ::testing::TestWithParam<Encoding> {};

TEST_P(EncodedFidelity, FirstPictureOfEveryVobuMatchesLibavcodec) {
  const Encoding& e = GetParam();
  const std::string vob = EncodedVob(e);
  ASSERT_FALSE(vob.empty()) << e.name << ": " << EncoderCommand(e);
  const std::vector<uint32_t> starts = VobuStarts(vob);
  ASSERT_GE(starts.size(), 3u) << e.name;
  RecordingUi ui;
  Fidelity f;
  for (uint32_t sector : starts) {
    char none[4] = "";
    CheckPicture(ui, e.name, vob.c_str(), none, sector, f);
  }
  EXPECT_GE(f.checked, static_cast<int>(starts.size()) - 1) << e.name;
  if (e.minFieldDctPerPicture > 0)
    EXPECT_GE(f.fieldDctMacroblocks, e.minFieldDctPerPicture * f.checked)
        << e.name << " no longer reaches field DCT";
  else
    EXPECT_EQ(f.fieldDctMacroblocks, 0) << e.name;
  std::printf("%s (%s): %d pictures, %d field-DCT macroblocks, lowest PSNR %.1f dB\n", e.name,
              e.covers, f.checked, f.fieldDctMacroblocks, f.minPsnr);
  EXPECT_TRUE(ui.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Options, EncodedFidelity, ::testing::ValuesIn(kEncodings),
                         [](const ::testing::TestParamInfo<Encoding>& i) {
                           std::string n = i.param.name;
                           for (char& c : n)
                             if (c == '-') c = '_';
                           return n;
                         });

// A 352 x 240 picture is below the size the preview shows: the decoder
// stops at its sequence header without a message and leaves the image.
TEST(EncodedFidelityLimits, Picture352x240IsRefusedSilentlyButHasASignature) {
  const Encoding e{"ildct-352x240", "", "352x240", false, "-flags +ildct+ilme -b:v 2000k", 0};
  const std::string vob = EncodedVob(e);
  ASSERT_FALSE(vob.empty()) << EncoderCommand(e);
  static uint8_t image[kPreviewImageBytes];
  std::memset(image, 0x55, sizeof image);
  SetPreviewImage(image);
  RecordingUi ui;
  char none[4] = "";
  EXPECT_EQ(DecodePreviewPicture(ui, vob.c_str(), none, 0), kPreviewTooSmall);
  EXPECT_TRUE(ui.messages.empty());
  // A signature still compares such pictures.
  static VobuSignature sig;
  EXPECT_EQ(DecodeVobuSignature(ui, vob.c_str(), none, 0, sig), kPreviewFinished);
  EXPECT_EQ(sig.width, 44);
  EXPECT_EQ(sig.height, 30);
  EXPECT_TRUE(ui.messages.empty());
  for (uint8_t b : image) ASSERT_EQ(b, 0x55);
}

}  // namespace
}  // namespace vm::testing
