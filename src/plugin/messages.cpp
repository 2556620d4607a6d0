#include "plugin/messages.h"

#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <string_view>
#include <vector>

#include "config/strings.h"
#include "plugin/ads.h"
#include "plugin/interface_settings.h"
#include "plugin/message_format.h"
#include "plugin/operations.h"

namespace {

// Widths and precisions above this are refused in a translation: a file could
// otherwise ask for gigabytes of padding.
constexpr long kMaxFieldWidth = 9999;

// Reads one conversion (flags, width, precision, length, type) starting after
// its '%'. Appends the arguments it consumes to `signature` (one letter per
// argument, with the length modifier) and returns the position after it, or
// npos when the conversion is not one we accept (%n, positional arguments,
// unknown conversions, absurd widths).
std::size_t readConversion(const std::string& format, std::size_t i, std::string& signature) {
  auto at = [&](std::size_t k) { return k < format.size() ? format[k] : '\0'; };
  while (std::string_view("-+ #0'").find(at(i)) != std::string_view::npos && at(i) != '\0') ++i;
  auto readNumber = [&]() -> bool {
    if (at(i) == '*') {
      signature += "i;";
      ++i;
      return true;
    }
    long value = 0;
    while (at(i) >= '0' && at(i) <= '9') {
      value = value * 10 + (at(i) - '0');
      if (value > kMaxFieldWidth) return false;
      ++i;
    }
    return at(i) != '$';  // positional arguments are never used in our texts
  };
  if (!readNumber()) return std::string::npos;
  if (at(i) == '.') {
    ++i;
    if (!readNumber()) return std::string::npos;
  }
  std::string length;
  while (std::string_view("hljztL").find(at(i)) != std::string_view::npos && at(i) != '\0')
    length += format[i++];
  if (length.size() > 2) return std::string::npos;
  char conversion = at(i);
  char kind;
  switch (conversion) {
    case 'd':
    case 'i':
    case 'o':
    case 'u':
    case 'x':
    case 'X':
      kind = 'i';
      break;
    case 'c':
      kind = 'c';
      break;
    case 'e':
    case 'E':
    case 'f':
    case 'F':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
      kind = 'f';
      break;
    case 's':
      kind = 's';
      break;
    case 'p':
      kind = 'p';
      break;
    default:
      return std::string::npos;  // %n and anything unknown
  }
  signature += length;
  signature += kind;
  signature += ';';
  return i + 1;
}

// A format's text up to its first character 0: vsnprintf never reads further.
std::string formatPart(const std::string& text) {
  return text.substr(0, text.find('\0'));
}

// The format the output operations use: the translation when it exists and
// consumes the same arguments as the German text, else the German text.
std::string chooseFormat(InterfaceSettings& settings, const char* format) {
  auto found = settings.messages().find(format);
  if (found == settings.messages().end() || found->second.empty()) return format;
  if (!conversionsMatch(format, found->second)) return format;
  return found->second;
}

std::string formatList(const std::string& format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  int needed = std::vsnprintf(nullptr, 0, format.c_str(), measure);
  va_end(measure);
  if (needed < 0) return std::string();
  std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
  std::vsnprintf(buffer.data(), buffer.size(), format.c_str(), args);
  return std::string(buffer.data(), static_cast<std::size_t>(needed));
}

int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

// The number at `pos` read as strtol with base 0 does (decimal, 0 octal, 0x
// hexadecimal; too large a value saturates as strtol's does), cut to 8 bits.
// Written out because newer C libraries also take a "0b" binary prefix there.
// `pos` moves past the number.
unsigned readCode(const std::string& text, std::size_t& pos) {
  int base = 10;
  if (text[pos] == '0') {
    base = 8;
    if (pos + 2 < text.size() && (text[pos + 1] == 'x' || text[pos + 1] == 'X') &&
        digitValue(text[pos + 2]) < 16) {
      base = 16;
      pos += 2;
    }
  }
  constexpr unsigned long long kLongMax = 0x7FFFFFFFFFFFFFFFull;
  unsigned long long value = 0;
  bool saturated = false;
  for (; pos < text.size() && digitValue(text[pos]) < base; ++pos) {
    unsigned digit = static_cast<unsigned>(digitValue(text[pos]));
    if (!saturated && value > (kLongMax - digit) / static_cast<unsigned>(base)) saturated = true;
    if (!saturated) value = value * static_cast<unsigned>(base) + digit;
  }
  return saturated ? 0xFFu : static_cast<unsigned>(value & 0xFFu);
}

// Backslash escapes of a language-file field. A numeric escape giving 0 is
// dropped in a key (keepZero false) and kept as a character 0 in a value.
std::string decodeEscapes(const std::string& field, bool keepZero) {
  std::string out;
  out.reserve(field.size());
  const char* text = field.c_str();
  std::size_t size = field.size();
  for (std::size_t i = 0; i < size; ++i) {
    char c = text[i];
    if (c != '\\') {
      out += c;
      continue;
    }
    if (i + 1 >= size) break;  // a backslash at the end ends the field
    char next = text[i + 1];
    if (next >= '0' && next <= '9') {
      std::size_t end = i + 1;
      char byte = static_cast<char>(readCode(field, end));
      if (byte != '\0' || keepZero) out += byte;
      i = end - 1;
      continue;
    }
    ++i;
    switch (next) {
      case '\\':
        out += '\\';
        break;
      case 'n':
        out += '\n';
        break;
      case 'a':
        out += '\a';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'b':
        out += '\b';
        break;
      case 'f':
        out += '\f';
        break;
      default:
        break;  // unknown escapes vanish with their backslash
    }
  }
  return out;
}

}  // namespace

bool conversionsMatch(const std::string& german, const std::string& translation) {
  auto signature = [](const std::string& text, std::string& out) {
    std::string format = formatPart(text);
    for (std::size_t i = 0; i < format.size(); ++i) {
      if (format[i] != '%') continue;
      if (i + 1 < format.size() && format[i + 1] == '%') {
        ++i;
        continue;
      }
      std::size_t next = readConversion(format, i + 1, out);
      if (next == std::string::npos) return false;
      i = next - 1;
    }
    return true;
  };
  std::string a, b;
  return signature(german, a) && signature(translation, b) && a == b;
}

void addLanguageLine(std::unordered_map<std::string, std::string>& dictionary,
                     const std::string& line) {
  std::size_t quote = line.find('"');
  if (quote == std::string::npos) return;
  std::vector<std::string> fields = splitFields(line.substr(quote), ',', '"', false);
  if (fields.size() != 2) return;
  std::string key = decodeEscapes(fields[0], false);
  std::string value = decodeEscapes(fields[1], true);
  if (value == "NOT_TO_TRANSLATE") return;
  dictionary[key] = std::move(value);
}

void loadLanguageFile(InterfaceSettings& settings, const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return;
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    addLanguageLine(settings.messages(), line);
  }
}

std::string translateText(InterfaceSettings& settings, const std::string& text) {
  auto found = settings.messages().find(text);
  if (found == settings.messages().end() || found->second.empty()) return text;
  return found->second;
}

std::string formatMessage(InterfaceSettings& settings, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string result = formatList(chooseFormat(settings, format), args);
  va_end(args);
  return result;
}

void alertMessage(InterfaceSettings& settings, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string result = formatList(chooseFormat(settings, format), args);
  va_end(args);
  ads_alert(result.c_str());
}

void printMessage(InterfaceSettings& settings, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string result = formatList("\n" + chooseFormat(settings, format) + "\n", args);
  va_end(args);
  ads_printf("%s", result.c_str());
}
