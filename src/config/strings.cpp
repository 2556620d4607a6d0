#include "config/strings.h"

#include "config/environment.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

const char kTrailingJunk[] = "\n\r\t /\\";

char lowerByte(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool isBlankOrTab(char c) {
  return c == ' ' || c == '\t';
}

std::string stripBlanksAndTabs(const std::string& text) {
  return stripChars(text, " \t", StripBoth);
}

std::string convertSlashes(const std::string& path, char to) {
  std::string out = path;
  for (char& c : out)
    if (c == '/' || c == '\\') c = to;
  return stripChars(out, kTrailingJunk, StripTrailing);
}

}  // namespace

std::string stripChars(const std::string& text, const std::string& set, int which) {
  std::size_t first = 0;
  std::size_t last = text.size();
  if (which & StripLeading) {
    first = text.find_first_not_of(set);
    if (first == std::string::npos) return "";
  }
  if (which & StripTrailing) {
    std::size_t pos = text.find_last_not_of(set);
    if (pos == std::string::npos) return "";
    last = pos + 1;
  }
  return first < last ? text.substr(first, last - first) : std::string();
}

std::string replaceAll(const std::string& text, const std::string& pattern,
                       const std::string& replacement, bool ignoreCase, std::size_t start) {
  if (pattern.empty() || start >= text.size()) return text;
  auto equal = [ignoreCase](char a, char b) {
    return ignoreCase ? lowerByte(a) == lowerByte(b) : a == b;
  };
  // Built in one pass so that many hits stay linear in the text's length.
  std::string out(text, 0, start);
  auto from = text.begin() + static_cast<std::ptrdiff_t>(start);
  while (true) {
    auto hit = std::search(from, text.end(), pattern.begin(), pattern.end(), equal);
    out.append(from, hit);
    if (hit == text.end()) break;
    out += replacement;
    from = hit + static_cast<std::ptrdiff_t>(pattern.size());
  }
  return out;
}

std::string toBackslashes(const std::string& path) {
  return convertSlashes(path, '\\');
}

std::string toForwardSlashes(const std::string& path) {
  return convertSlashes(path, '/');
}

std::string normalizePath(const std::string& path) {
  std::string text = toForwardSlashes(path);
  // The leading slash, or the two slashes of a network path, are the root: they
  // are kept apart so that folding ".." can never turn "/a/../b" into "b".
  std::size_t pos = 0;
  while (pos < 2 && pos < text.size() && text[pos] == '/') ++pos;
  std::string root = text.substr(0, pos);
  std::vector<std::string> parts;
  std::size_t fixed = 0;  // a drive letter is a root as well
  while (pos <= text.size()) {
    std::size_t end = text.find('/', pos);
    if (end == std::string::npos) end = text.size();
    std::string part = text.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty() || part == ".") continue;
    if (root.empty() && parts.empty() && part.size() == 2 && part[1] == ':') fixed = 1;
    if (part == ".." && parts.size() > fixed && parts.back() != "..") {
      parts.pop_back();
      continue;
    }
    parts.push_back(std::move(part));
  }
  std::string out = root;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += '/';
    out += parts[i];
  }
  return out;
}

std::string makeAbsolutePath(const std::string& base, const std::string& path, bool expandAgain) {
  std::string dir = toForwardSlashes(base);
  std::string expanded = expandVariables(path);
  bool absolute = (!expanded.empty() && (expanded[0] == '/' || expanded[0] == '\\')) ||
                  (expanded.size() >= 2 && expanded[1] == ':');
  // Slash conversion turns a root base ("/") into the empty text; joining to
  // it must still give a path below the root, not a relative one.
  bool rootBase = dir.empty() && base.find_first_of("/\\") != std::string::npos;
  std::string joined = absolute      ? expanded
                       : rootBase    ? "/" + expanded
                       : dir.empty() ? expanded
                                     : dir + "/" + expanded;
  std::string out = normalizePath(joined);
  return expandAgain ? expandVariables(out) : out;
}

bool listContains(const std::string& entry, const std::string& list, bool ignoreCase) {
  std::size_t pos = 0;
  while (pos <= list.size()) {
    std::size_t end = list.find(';', pos);
    if (end == std::string::npos) end = list.size();
    std::string piece = stripChars(list.substr(pos, end - pos), " \t\r\n", StripTrailing);
    pos = end + 1;
    if (piece.empty()) continue;
    if (ignoreCase ? equalsIgnoringCase(piece, entry) : piece == entry) return true;
  }
  return false;
}

std::vector<std::string> splitFields(const std::string& text, char separator, char quote,
                                     bool skipEmpty) {
  std::vector<std::string> fields;
  std::string field;
  bool inQuotes = false;
  bool atStart = true;  // no character of the field taken yet
  bool quoted = false;  // the field was (or is being) quoted
  auto finish = [&] {
    fields.push_back(quoted ? field : stripBlanksAndTabs(field));
    field.clear();
    atStart = true;
    quoted = false;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (inQuotes) {
      if (c != quote) {
        field += c;
      } else if (i + 1 < text.size() && text[i + 1] == quote) {
        field += quote;
        ++i;
      } else {
        inQuotes = false;
      }
      continue;
    }
    if (c == separator) {
      if (!(atStart && skipEmpty)) finish();
      continue;
    }
    if (atStart && isBlankOrTab(c)) continue;
    if (atStart && quote != 0 && c == quote) {
      inQuotes = true;
      quoted = true;
      atStart = false;
      continue;
    }
    if (quoted && isBlankOrTab(c)) continue;
    field += c;
    atStart = false;
  }
  if (!quoted) field = stripBlanksAndTabs(field);
  if (!field.empty() || quoted) fields.push_back(field);
  return fields;
}

int compareReals(double a, double b) {
  return compareRealsWithin(a, b, a == 0.0 ? 1e-8 : std::fabs(a) * 1e-5);
}

int compareRealsWithin(double a, double b, double tolerance) {
  if (std::fabs(b - a) <= tolerance) return 0;
  return a < b ? -1 : 1;
}

std::string intToString(int value) {
  return std::to_string(value);
}

std::string toLower(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = lowerByte(c);
  return out;
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lowerByte(a[i]) != lowerByte(b[i])) return false;
  return true;
}
