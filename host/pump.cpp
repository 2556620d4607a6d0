#include "pump.h"

#include <signal.h>

#include <chrono>
#include <csignal>
#include <cstdio>

namespace {

volatile std::sig_atomic_t g_waiting = 0;
volatile std::sig_atomic_t g_cancel = 0;
std::chrono::steady_clock::time_point g_lastLine;
bool g_printed = false;

void onInterrupt(int) {
  if (g_waiting) {
    g_cancel = 1;
    return;
  }
  // Outside a wait Ctrl-C keeps its usual meaning.
  ::signal(SIGINT, SIG_DFL);
  ::raise(SIGINT);
}

}  // namespace

namespace drafthost {

void installCancelHandler() {
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, nullptr);
}

}  // namespace drafthost

extern "C" int drafthost_pump(int secondsWaited) {
  if (secondsWaited == 0) {
    g_cancel = 0;
    g_waiting = 1;
    g_printed = false;
    return 0;
  }
  if (secondsWaited < 0) {
    g_waiting = 0;
    g_cancel = 0;
    return 0;
  }
  if (g_cancel) {
    g_cancel = 0;
    std::fprintf(stderr, "drafthost: wait for the catalogue program cancelled\n");
    return 1;
  }
  auto now = std::chrono::steady_clock::now();
  if (!g_printed || now - g_lastLine >= std::chrono::seconds(1)) {
    std::fprintf(stderr, "drafthost: waiting for the catalogue program (%d s, Ctrl-C cancels)\n",
                 secondsWaited);
    g_lastLine = now;
    g_printed = true;
  }
  return 0;
}
