#include "pump.h"

#include <atomic>
#include <chrono>
#include <cstdio>

namespace {

// Lock-free atomics: safe in a signal handler and across the Windows handler
// thread alike.
std::atomic<int> g_waiting{0};
std::atomic<int> g_cancel{0};
std::chrono::steady_clock::time_point g_lastLine;
bool g_printed = false;

}  // namespace

namespace drafthost {

bool cancelWaitOnInterrupt() {
  if (!g_waiting.load()) return false;
  g_cancel.store(1);
  return true;
}

}  // namespace drafthost

extern "C" int drafthost_pump(int secondsWaited) {
  if (secondsWaited == 0) {
    g_cancel.store(0);
    g_waiting.store(1);
    g_printed = false;
    return 0;
  }
  if (secondsWaited < 0) {
    g_waiting.store(0);
    g_cancel.store(0);
    return 0;
  }
  if (g_cancel.exchange(0)) {
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
