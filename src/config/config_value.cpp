#include "config/config_value.h"

#include <charconv>
#include <climits>
#include <cmath>

#include "config/environment.h"
#include "config/strings.h"

namespace {

bool isCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool equalsAsciiIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// from_chars reports "out of range" without telling which way. Decide from
// the digits whether the magnitude is huge (true) or tiny (false).
bool isOverflow(std::string_view number, bool hex) {
  std::size_t i = 0;
  long intDigits = 0, leadingFractionZeros = 0;
  bool seenNonZero = false;
  const int digitWeight = hex ? 4 : 1;
  auto isDigit = [hex](char c) { return hex ? isHexDigit(c) : (c >= '0' && c <= '9'); };
  for (; i < number.size() && isDigit(number[i]); ++i) {
    if (number[i] != '0') seenNonZero = true;
    if (seenNonZero) ++intDigits;
  }
  if (i < number.size() && number[i] == '.') {
    for (++i; i < number.size() && isDigit(number[i]); ++i) {
      if (number[i] != '0') seenNonZero = true;
      if (!seenNonZero) ++leadingFractionZeros;
    }
  }
  long exponent = 0;
  const char expChar = hex ? 'p' : 'e';
  if (i < number.size() && (number[i] == expChar || number[i] == expChar - 'a' + 'A')) {
    ++i;
    bool negative = false;
    if (i < number.size() && (number[i] == '+' || number[i] == '-')) negative = number[i++] == '-';
    for (; i < number.size() && number[i] >= '0' && number[i] <= '9'; ++i) {
      if (exponent < 1000000) exponent = exponent * 10 + (number[i] - '0');
    }
    if (negative) exponent = -exponent;
  }
  const long magnitude = intDigits > 0 ? intDigits * digitWeight + exponent
                                       : exponent - leadingFractionZeros * digitWeight;
  return magnitude > 0;
}

// strtod in the "C" locale; `used` receives the characters consumed (0: no number).
double parseDouble(std::string_view text, std::size_t& used) {
  used = 0;
  std::size_t i = 0;
  while (i < text.size() && isCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size() || text[i] == '+' || text[i] == '-') return 0.0;

  const char* begin = text.data() + i;
  const char* end = text.data() + text.size();
  double value = 0.0;
  bool hex = false;
  std::from_chars_result result{};
  if (end - begin > 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X') &&
      (isHexDigit(begin[2]) || (begin[2] == '.' && end - begin > 3 && isHexDigit(begin[3])))) {
    hex = true;
    begin += 2;
    result = std::from_chars(begin, end, value, std::chars_format::hex);
  } else {
    result = std::from_chars(begin, end, value, std::chars_format::general);
  }
  if (result.ec == std::errc::invalid_argument) return 0.0;
  if (result.ec == std::errc::result_out_of_range) {
    value = isOverflow(std::string_view(begin, static_cast<std::size_t>(result.ptr - begin)), hex)
                ? HUGE_VAL
                : 0.0;
  }
  used = static_cast<std::size_t>(result.ptr - text.data());
  return negative ? -value : value;
}

// strtol in the "C" locale, saturated to int; `used` as above.
int parseInt(std::string_view text, std::size_t& used) {
  used = 0;
  std::size_t i = 0;
  while (i < text.size() && isCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  const std::size_t digitsStart = i;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value <= static_cast<long long>(INT_MAX) + 1) value = value * 10 + (text[i] - '0');
  }
  if (i == digitsStart) return 0;
  used = i;
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace

int textToInt(std::string_view text) {
  std::size_t used = 0;
  return parseInt(text, used);
}

double textToDouble(std::string_view text) {
  std::size_t used = 0;
  return parseDouble(text, used);
}

bool scanInt(std::string_view text, int& out) {
  std::size_t used = 0;
  const int value = parseInt(text, used);
  if (used == 0) return false;
  out = value;
  return true;
}

bool scanDouble(std::string_view text, double& out) {
  std::size_t used = 0;
  const double value = parseDouble(text, used);
  if (used == 0) return false;
  out = value;
  return true;
}

std::string formatFixed(double value, int digits) {
  if (digits < 0) digits = 6;
  // Beyond 1100 digits a double has only zeros left; printf would print them.
  const int shown = digits > 1100 ? 1100 : digits;
  std::string buffer(static_cast<std::size_t>(shown) + 330, '\0');
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::fixed, shown);
  buffer.resize(static_cast<std::size_t>(result.ptr - buffer.data()));
  if (digits > shown && std::isfinite(value))
    buffer.append(static_cast<std::size_t>(digits - shown), '0');
  return buffer;
}

std::string CSConfigValue::asExpandedString() const {
  return expandVariables(text_);
}

bool CSConfigValue::asBool() const {
  return equalsAsciiIgnoringCase(text_, "yes") || equalsAsciiIgnoringCase(text_, "ja") ||
         equalsAsciiIgnoringCase(text_, "true") || textToInt(text_) == 1;
}

int CSConfigValue::asInt() const {
  return textToInt(text_);
}

double CSConfigValue::asDouble() const {
  return textToDouble(text_);
}

int CSConfigValue::asDoubleArray(double* array, int capacity) const {
  if (!array || capacity < 1) return 0;
  int count = 0;
  for (const std::string& field : splitFields(text_, ',', 0, false)) {
    if (count == capacity) break;
    array[count++] = textToDouble(field);
  }
  return count;
}

int CSConfigValue::asFloatArray(float* array, int capacity) const {
  if (!array || capacity < 1) return 0;
  int count = 0;
  for (const std::string& field : splitFields(text_, ',', 0, false)) {
    if (count == capacity) break;
    array[count++] = static_cast<float>(textToDouble(field));
  }
  return count;
}

int CSConfigValue::asIntArray(int* array, int capacity) const {
  if (!array || capacity < 1) return 0;
  int count = 0;
  for (const std::string& field : splitFields(text_, ',', 0, false)) {
    if (count == capacity) break;
    array[count++] = textToInt(field);
  }
  return count;
}

std::vector<double> CSConfigValue::asRealList(char separator) const {
  std::vector<double> list;
  for (const std::string& field : splitFields(text_, separator, '"', false)) {
    list.push_back(textToDouble(field));
  }
  return list;
}

std::vector<int> CSConfigValue::asIntList(char separator) const {
  std::vector<int> list;
  for (const std::string& field : splitFields(text_, separator, '"', false)) {
    list.push_back(textToInt(field));
  }
  return list;
}

std::vector<std::string> CSConfigValue::asStringList(char separator, char quote) const {
  return splitFields(text_, separator, quote, false);
}

void CSConfigValue::replace(std::string text) {
  text_ = std::move(text);
  modified_ = true;
}

void CSConfigValue::set(const std::string& text) {
  replace(text);
}

void CSConfigValue::set(const char* text) {
  replace(text ? std::string(text) : std::string());
}

void CSConfigValue::append(const std::string& text) {
  text_ += text;
  modified_ = true;
}

void CSConfigValue::setBool(bool value) {
  replace(value ? "YES" : "NO");
}

void CSConfigValue::setInt(int value) {
  replace(std::to_string(value));
}

void CSConfigValue::setDouble(double value, int digits) {
  replace(formatFixed(value, digits));
}

void CSConfigValue::setDoubleArray(const double* array, int count, int digits) {
  std::string text;
  for (int i = 0; array && i < count; ++i) {
    if (i > 0) text += ',';
    text += formatFixed(array[i], digits);
  }
  replace(std::move(text));
}

void CSConfigValue::setFloatArray(const float* array, int count, int digits) {
  std::string text;
  for (int i = 0; array && i < count; ++i) {
    if (i > 0) text += ',';
    text += formatFixed(array[i], digits);
  }
  replace(std::move(text));
}

void CSConfigValue::setIntArray(const int* array, int count) {
  std::string text;
  for (int i = 0; array && i < count; ++i) {
    if (i > 0) text += ',';
    text += std::to_string(array[i]);
  }
  replace(std::move(text));
}

void CSConfigValue::setIntList(const std::vector<int>& list) {
  setIntArray(list.data(), static_cast<int>(list.size()));
}

void CSConfigValue::setDoubleList(const std::vector<double>& list, int digits) {
  setDoubleArray(list.data(), static_cast<int>(list.size()), digits);
}

void CSConfigValue::setStringList(const std::vector<std::string>& list, char separator,
                                  char quote) {
  std::string text;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (i > 0 && separator != 0) text += separator;
    if (quote != 0) text += quote;
    text += list[i];
    if (quote != 0) text += quote;
  }
  replace(std::move(text));
}
