#include "cli/cli_ui.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace vm {

namespace {
volatile sig_atomic_t gInterrupted = 0;
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

void OnInterrupt(int sig) {
  if (gInterrupted != 0) {
    // Asked twice: whatever is running has not stopped, so the signal
    // takes its ordinary course.
    signal(sig, SIG_DFL);
    raise(sig);
    return;
  }
  gInterrupted = 1;
}
constexpr int kBarWidth = 40;
}  // namespace

CliUi::CliUi(AutoAnswer answer) : answer_(answer), terminal_(isatty(STDERR_FILENO) == 1) {}

void CliUi::InstallInterruptHandler() {
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  for (int sig : kStopSignals) sigaction(sig, &sa, nullptr);
  signal(SIGXFSZ, SIG_IGN);
}

bool CliUi::StopSignalled() { return gInterrupted != 0; }

void CliUi::ClearBar() {
  if (!barShown_) return;
  std::fputs("\r\033[K", stderr);
  barShown_ = false;
}

void CliUi::Error(const char* text) {
  ClearBar();
  std::fprintf(stderr, "Error: %s\n", text);
  failed_ = true;
}

void CliUi::Information(const char* text, Icon) {
  ClearBar();
  std::fprintf(stderr, "Information: %s\n", text);
}

Answer CliUi::Confirm(const char* text) {
  ClearBar();
  std::fprintf(stderr, "Confirm: %s [y/N]", text);
  Answer result = Answer::No;
  if (answer_ == AutoAnswer::Yes) {
    std::fputs(" y\n", stderr);
    result = Answer::Yes;
  } else if (answer_ == AutoAnswer::No) {
    std::fputs(" n\n", stderr);
  } else {
    std::fputc(' ', stderr);
    std::fflush(stderr);
    char line[64];
    if (isatty(STDIN_FILENO) == 1 && std::fgets(line, sizeof line, stdin) != nullptr &&
        (line[0] == 'y' || line[0] == 'Y') && (line[1] == '\n' || line[1] == '\0')) {
      result = Answer::Yes;
    } else if (isatty(STDIN_FILENO) != 1) {
      std::fputc('\n', stderr);
    }
  }
  if (result != Answer::Yes) failed_ = true;
  return result;
}

void CliUi::ProgressOpen(const char* caption) {
  lastPermille_ = -1;
  ProgressCaption(caption);
}

void CliUi::ProgressCaption(const char* caption) {
  std::snprintf(caption_, sizeof caption_, "%s", caption);
  lastPermille_ = -1;
}

void CliUi::ProgressDraw(int64_t done, int64_t total, BarColour) {
  if (!terminal_) return;
  int permille = total > 0 ? static_cast<int>(done * 1000 / total) : 0;
  if (permille < 0) permille = 0;
  if (permille > 1000) permille = 1000;
  if (permille == lastPermille_) return;
  lastPermille_ = permille;
  char bar[kBarWidth + 1];
  int filled = permille * kBarWidth / 1000;
  for (int i = 0; i < kBarWidth; ++i) bar[i] = i < filled ? '#' : '-';
  bar[kBarWidth] = '\0';
  std::fprintf(stderr, "\r%s [%s] %3d%%", caption_, bar, permille / 10);
  std::fflush(stderr);
  barShown_ = true;
}

void CliUi::ProgressClose() { ClearBar(); }

bool CliUi::StopRequested() { return gInterrupted != 0; }

}  // namespace vm
