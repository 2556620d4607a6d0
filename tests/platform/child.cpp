// A program the process tests start; what it does comes from its arguments:
//   child exit N              ends with exit code N
//   child args FILE ARG...    writes each ARG on a line of FILE, then ends
//   child wait READY [stubborn]  creates READY, then waits for ever; stubborn:
//                             ignores SIGTERM (POSIX)
//   child signal N            ends by signal N (POSIX)
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "exit") == 0) return std::atoi(argv[2]);
  if (argc >= 3 && std::strcmp(argv[1], "args") == 0) {
    std::ofstream out(argv[2], std::ios::binary);
    for (int i = 3; i < argc; ++i) out << argv[i] << '\n';
    return 0;
  }
  if (argc >= 3 && std::strcmp(argv[1], "wait") == 0) {
#ifndef _WIN32
    if (argc >= 4) std::signal(SIGTERM, SIG_IGN);
#endif
    std::ofstream(argv[2]) << "ready";
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
  }
  if (argc >= 3 && std::strcmp(argv[1], "signal") == 0) std::raise(std::atoi(argv[2]));
  return 99;
}
