// The command line as one string, the way Windows passes it: split into
// arguments by the C runtime's rules, and arguments quoted so they survive it.
// The same on every system.
#include "platform/process.h"

namespace platform {

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

std::vector<std::string> splitCommandLine(const std::string& commandLine) {
  // A character 0 ends the line, as it ends the C string a real start gets.
  const std::string line = commandLine.substr(0, commandLine.find('\0'));
  const std::size_t n = line.size();
  std::vector<std::string> args;
  std::size_t p = 0;
  while (p < n && isBlank(line[p])) ++p;
  if (p == n) return args;

  // The program name: quotes group, backslashes are part of the path.
  std::string program;
  bool inQuote = false;
  for (; p < n; ++p) {
    char c = line[p];
    if (c == '"') {
      inQuote = !inQuote;
      continue;
    }
    if (!inQuote && isBlank(c)) break;
    program += c;
  }
  args.push_back(program);

  for (;;) {
    while (p < n && isBlank(line[p])) ++p;
    if (p == n) break;
    std::string arg;
    inQuote = false;
    for (;;) {
      std::size_t slashes = 0;
      while (p < n && line[p] == '\\') {
        ++slashes;
        ++p;
      }
      bool copy = true;
      if (p < n && line[p] == '"') {
        if (slashes % 2 == 0) {
          if (inQuote && p + 1 < n && line[p + 1] == '"')
            ++p;  // "" inside quotes: one literal quote, still quoted
          else {
            copy = false;
            inQuote = !inQuote;
          }
        }
        slashes /= 2;
      }
      arg.append(slashes, '\\');
      if (p == n || (!inQuote && isBlank(line[p]))) break;
      if (copy) arg += line[p];
      ++p;
    }
    args.push_back(std::move(arg));
  }
  return args;
}

std::string quoteArgument(const std::string& argument) {
  if (argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string out = "\"";
  std::size_t slashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    // Backslashes are literal unless a quote follows them.
    out.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
    slashes = 0;
    out += c;
  }
  out.append(slashes * 2, '\\');
  return out + '"';
}

std::string quoteProgramName(const std::string& program) {
  if (program.find_first_of(" \t") == std::string::npos) return program;
  return '"' + program + '"';
}

}  // namespace platform
