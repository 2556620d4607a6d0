#include "script.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "plugin/ads.h"

namespace drafthost {
namespace {

std::string trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  std::size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

}  // namespace

ScriptLine classifyLine(const std::string& line) {
  ScriptLine out;
  out.text = trim(line);
  if (out.text.empty())
    out.kind = ScriptLine::Enter;
  else if (out.text[0] == ';')
    out.kind = ScriptLine::Comment;
  else if (out.text == "^C")
    out.kind = ScriptLine::Escape;
  return out;
}

bool parseInteger(const std::string& text, long long* value) {
  if (text.empty() || text.size() > 40) return false;
  std::size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (i == text.size()) return false;
  for (std::size_t k = i; k < text.size(); ++k)
    if (text[k] < '0' || text[k] > '9') return false;
  errno = 0;
  long long v = std::strtoll(text.c_str(), nullptr, 10);
  if (errno == ERANGE) return false;
  *value = v;
  return true;
}

bool parseReal(const std::string& text, double* value) {
  if (text.empty() || text.size() > 100) return false;
  // Plain decimal notation only: no "inf", "nan" or hexadecimal forms.
  for (char c : text)
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
      return false;
  char* end = nullptr;
  double v = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

bool parsePoint(const std::string& text, Point* point) {
  Point p{};
  std::size_t start = 0;
  int n = 0;
  while (n < 3) {
    std::size_t comma = text.find(',', start);
    std::string part =
        trim(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (!parseReal(part, &p[static_cast<std::size_t>(n)])) return false;
    ++n;
    if (comma == std::string::npos) break;
    start = comma + 1;
    if (n == 3) return false;
  }
  if (n < 2) return false;
  *point = p;
  return true;
}

std::optional<LispCall> parseLispCall(const std::string& text, std::string* error) {
  auto fail = [&](const std::string& why) -> std::optional<LispCall> {
    if (error) *error = why;
    return std::nullopt;
  };
  std::string s = trim(text);
  if (s.empty() || s[0] != '(') return fail("malformed list on input");
  std::size_t i = 1;
  auto skipBlanks = [&] {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  };
  auto atom = [&] {
    std::size_t b = i;
    while (i < s.size() && s[i] != ' ' && s[i] != '\t' && s[i] != ')' && s[i] != '(' && s[i] != '"')
      ++i;
    return s.substr(b, i - b);
  };
  LispCall call;
  skipBlanks();
  call.function = atom();
  if (call.function.empty()) return fail("bad function in list");
  while (true) {
    skipBlanks();
    if (i >= s.size()) return fail("malformed list on input");
    if (s[i] == ')') {
      ++i;
      skipBlanks();
      if (i != s.size()) return fail("extra text after the list");
      return call;
    }
    if (s[i] == '"') {
      std::string value;
      ++i;
      bool closed = false;
      while (i < s.size()) {
        char c = s[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\' && i < s.size()) c = s[i++];
        value += c;
      }
      if (!closed) return fail("malformed string on input");
      call.args.push_back(Group::str(RTSTR, value));
      continue;
    }
    std::string word = atom();
    long long n = 0;
    double r = 0;
    if (parseInteger(word, &n) && n >= INT32_MIN && n <= INT32_MAX) {
      Group g = Group::integral(RTSHORT, static_cast<int32_t>(n));
      if (n < -32768 || n > 32767) {
        g.code = RTLONG;
        g.kind = ValueKind::Long;
      }
      call.args.push_back(g);
    } else if (parseReal(word, &r)) {
      call.args.push_back(Group::number(RTREAL, r));
    } else {
      return fail("bad argument type: " + word);
    }
  }
}

bool isDialogLine(const std::string& line) {
  std::size_t b = line.find_first_not_of(" \t");
  return b != std::string::npos && line[b] == '~';
}

std::optional<DialogInput> parseDialogLine(const std::string& line, std::string* error) {
  auto fail = [&](const char* problem) -> std::optional<DialogInput> {
    if (error) *error = problem;
    return std::nullopt;
  };
  std::size_t b = line.find_first_not_of(" \t");
  if (b == std::string::npos || line[b] != '~') return fail("not a dialog line");
  // Words: the command, then the key; a Set value is the rest after one blank.
  auto word = [&](std::size_t from, std::size_t* end) {
    std::size_t start = line.find_first_not_of(" \t", from);
    if (start == std::string::npos) start = line.size();
    *end = line.find_first_of(" \t", start);
    if (*end == std::string::npos) *end = line.size();
    return line.substr(start, *end - start);
  };
  std::size_t end = 0;
  std::string command = word(b + 1, &end);
  DialogInput in;
  if (command == "cancel") {
    in.kind = DialogInput::Cancel;
  } else if (command == "set" || command == "action") {
    in.kind = command == "set" ? DialogInput::Set : DialogInput::Action;
    in.key = word(end, &end);
    if (in.key.empty()) return fail("a tile key is missing");
    if (in.kind == DialogInput::Set) {
      if (end < line.size()) in.value = line.substr(end + 1);
      return in;
    }
  } else {
    return fail("use ~set KEY VALUE, ~action KEY or ~cancel");
  }
  std::size_t rest = line.find_first_not_of(" \t", end);
  if (rest != std::string::npos) return fail("unexpected text after the dialog command");
  return in;
}

}  // namespace drafthost
