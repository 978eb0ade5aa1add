// One preview decode of a 720 x 480 I picture against libavcodec decoding
// the same picture in-process (warm cache; the two take turns in rounds of
// many runs, and the ratio of their medians is given with its range).
//
//   bench_preview_decoder [VOB file]   (default: the test title "ntsc-3ch")

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/be.h"
#include "play/preview_decoder.h"
#include "tests/support/real_titles.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

std::vector<uint8_t> FirstPicture(const std::string& data) {
  std::vector<uint8_t> es;
  for (size_t off = 0; off + 2048 <= data.size() && es.size() < (3u << 20); off += 2048) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(data.data()) + off;
    if (vm::ReadBe32(p) != 0x000001BA || vm::ReadBe32(p + 14) != 0x000001E0) continue;
    const int len = vm::ReadBe16(p + 18) - 3 - p[22];
    es.insert(es.end(), p + 23 + p[22], p + 23 + p[22] + len);
  }
  int pictures = 0;
  for (size_t i = 0; i + 3 < es.size(); ++i)
    if (es[i] == 0 && es[i + 1] == 0 && es[i + 2] == 1 && es[i + 3] == 0 && ++pictures == 2) {
      es.resize(i);
      break;
    }
  return es;
}

struct Figures {
  double best, median;
};

template <typename F>
Figures Time(int runs, F&& f) {
  std::vector<double> t;
  for (int i = 0; i < runs; ++i) {
    const auto a = Clock::now();
    f();
    t.push_back(std::chrono::duration<double, std::micro>(Clock::now() - a).count());
  }
  std::sort(t.begin(), t.end());
  return {t.front(), t[t.size() / 2]};
}

}  // namespace

int main(int argc, char** argv) {
  vm::testing::SetCommandTimeLimit(0);
  std::string vob;
  if (argc > 1) {
    vob = argv[1];
  } else {
    vm::testing::RealTitleRecipe recipe;
    recipe.name = "ntsc-3ch";
    const std::string dir = vm::testing::RealTitleSet(recipe);
    if (dir.empty()) {
      std::fprintf(stderr, "could not make the test title\n");
      return 1;
    }
    vob = dir + "VTS_01_1.VOB";
  }
  const std::string data = vm::testing::ReadFile(vob);
  const std::vector<uint8_t> es = FirstPicture(data);
  if (es.empty()) {
    std::fprintf(stderr, "no picture in %s\n", vob.c_str());
    return 1;
  }

  vm::RecordingUi ui;
  static uint8_t image[vm::kPreviewImageBytes];
  vm::SetPreviewImage(image);
  char none[4] = "";
  const auto ours = [&] {
    none[0] = '\0';
    vm::DecodePreviewPicture(ui, vob.c_str(), none, 0);
  };

  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MPEG2VIDEO);
  AVCodecContext* ctx = avcodec_alloc_context3(codec);
  ctx->thread_count = 1;
  if (avcodec_open2(ctx, codec, nullptr) < 0) return 1;
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  const auto theirs = [&] {
    av_new_packet(pkt, static_cast<int>(es.size()));
    std::memcpy(pkt->data, es.data(), es.size());
    avcodec_send_packet(ctx, pkt);
    av_packet_unref(pkt);
    avcodec_send_packet(ctx, nullptr);
    while (avcodec_receive_frame(ctx, frame) >= 0) av_frame_unref(frame);
    avcodec_flush_buffers(ctx);
  };

  // The machine is shared: the two decoders take turns in rounds, so that
  // a busy spell weighs on both, and each round gives one ratio of medians.
  const int rounds = 21, runs = 40;
  std::vector<double> oursMedian, theirsMedian, ratio;
  Figures bestOurs{1e9, 0}, bestTheirs{1e9, 0};
  for (int r = 0; r < rounds; ++r) {
    const Figures a = Time(runs, ours), b = Time(runs, theirs);
    oursMedian.push_back(a.median);
    theirsMedian.push_back(b.median);
    ratio.push_back(a.median / b.median);
    bestOurs.best = std::min(bestOurs.best, a.best);
    bestTheirs.best = std::min(bestTheirs.best, b.best);
  }
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avcodec_free_context(&ctx);
  std::sort(oursMedian.begin(), oursMedian.end());
  std::sort(theirsMedian.begin(), theirsMedian.end());
  std::sort(ratio.begin(), ratio.end());

  std::printf("picture: %zu bytes of video stream from %s\n", es.size(), vob.c_str());
  std::printf("DecodePreviewPicture: best %.0f us, median %.0f us (reads the packs, decodes, converts)\n",
              bestOurs.best, oursMedian[rounds / 2]);
  std::printf("libavcodec (1 thread): best %.0f us, median %.0f us (decodes the picture's stream)\n",
              bestTheirs.best, theirsMedian[rounds / 2]);
  std::printf("ratio of medians over %d rounds: median %.2f, range %.2f to %.2f   target <= 2.0\n",
              rounds, ratio[rounds / 2], ratio.front(), ratio.back());
  return 0;
}
