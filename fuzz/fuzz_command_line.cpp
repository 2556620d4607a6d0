// Command-line splitting with arbitrary bytes. Checked: no argument holds a
// character 0 or (outside the program name) more backslashes or quotes than
// the line; the split never yields more arguments than the line has runs of
// non-blank characters plus one; and quoting each argument back with the
// launcher's quoting splits to the same arguments again.
#include "platform/process.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string line(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> args = platform::splitCommandLine(line);
  if (line.size() < 100000 && args.size() > line.size() / 2 + 2) std::abort();
  for (const std::string& a : args)
    if (a.find('\0') != std::string::npos || a.size() > line.size()) std::abort();
  if (args.empty()) return 0;
  // The program name cannot carry quotes; the rest goes round trip.
  if (args[0].find('"') != std::string::npos) std::abort();
  if (args[0].empty()) return 0;
  std::string rebuilt = platform::quoteProgramName(args[0]);
  // An empty argument needs quotes of its own; the launcher never passes one.
  for (std::size_t i = 1; i < args.size(); ++i)
    rebuilt += " " + (args[i].empty() ? std::string("\"\"") : platform::quoteArgument(args[i]));
  if (platform::splitCommandLine(rebuilt) != args) std::abort();
  return 0;
}
