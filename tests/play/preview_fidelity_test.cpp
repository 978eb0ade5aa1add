// The preview of real title sets (ffmpeg + dvdauthor) against libavcodec's
// decoding of the same picture, put through the same conversion.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/be.h"
#include "play/preview_decoder.h"
#include "play/preview_request.h"
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

// The video elementary stream from a VOBU's first sector up to (not
// including) the second picture start code, continuing into the next file.
std::vector<uint8_t> FirstPictureStream(const PreviewRequest& r) {
  std::string data = ReadFile(r.vobPath);
  if (r.continuationPath[0]) data += ReadFile(r.continuationPath);
  std::vector<uint8_t> es;
  for (size_t off = size_t{r.sector} * 2048; off + 2048 <= data.size() && es.size() < (4u << 20);
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

void ExpectFaithful(const RealTitleRecipe& recipe) {
  const std::string dir = RealTitleSet(recipe);
  ASSERT_FALSE(dir.empty()) << recipe.name;
  TitleTables& t = Titles();
  RecordingUi ui;
  ASSERT_EQ(ReadVobFiles(t, ui, dir.c_str()), ReadResult::Scanned);
  ASSERT_GT(t.TimeListNum, 10);
  static uint8_t image[kPreviewImageBytes];
  int checked = 0;
  double minPsnr = 99;
  for (int i = 0; i < t.TimeListNum; ++i) {
    PreviewRequest r;
    ASSERT_TRUE(FillPreviewRequest(t, i, r));
    const std::vector<uint8_t> es = FirstPictureStream(r);
    Reference ref;
    if (!DecodeWithLibavcodec(es, ref)) continue;  // the last VOBU may hold no whole picture
    std::memset(image, 0, sizeof image);
    SetPreviewImage(image);
    ASSERT_EQ(DecodePreviewPicture(ui, r.vobPath, r.continuationPath, r.sector), kPreviewFinished)
        << recipe.name << " entry " << i;
    const double psnr = PsnrAgainst(ref, ProgressiveFrameOf(es), image);
    EXPECT_GE(psnr, 40.0) << recipe.name << " entry " << i;
    ++checked;
    if (psnr < minPsnr) minPsnr = psnr;
  }
  EXPECT_GE(checked, t.TimeListNum - 1) << recipe.name;
  std::printf("%s: %d pictures, lowest PSNR %.1f dB\n", recipe.name.c_str(), checked, minPsnr);
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

}  // namespace
}  // namespace vm::testing
