// Command-line splitting with arbitrary bytes. Checked: no argument holds a
// character 0 or (outside the program name) more backslashes or quotes than
// the line; the split never yields more arguments than the line has runs of
// non-blank characters plus one; and quoting each argument back the way the
// runtime reads it splits to the same arguments again.
#include "platform/process.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Quotes one argument so that the runtime's rules give it back unchanged.
std::string quoteArgument(const std::string& arg) {
  std::string out = "\"";
  std::size_t slashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    if (c == '"') {
      out.append(slashes * 2 + 1, '\\');
    } else {
      out.append(slashes, '\\');
    }
    slashes = 0;
    out += c;
  }
  out.append(slashes * 2, '\\');
  return out + '"';
}

}  // namespace

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
  std::string rebuilt = "\"" + args[0] + "\"";
  for (std::size_t i = 1; i < args.size(); ++i) rebuilt += " " + quoteArgument(args[i]);
  if (platform::splitCommandLine(rebuilt) != args) std::abort();
  return 0;
}
