#include "codepage.h"

#include <cstdint>

namespace drafthost {
namespace {

// Unicode code points of the bytes 0x80 to 0x9F in Windows-1252.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

char toCp1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i)
    if (kHighControls[i] == c) return static_cast<char>(0x80 + i);
  return '?';
}

}  // namespace

std::string cp1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    auto b = static_cast<unsigned char>(ch);
    if (b < 0x80)
      out += ch;
    else if (b < 0xA0)
      appendUtf8(out, kHighControls[b - 0x80]);
    else
      appendUtf8(out, b);
  }
  return out;
}

std::string utf8ToCp1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    int extra = b >= 0xF0 && b < 0xF8 ? 3 : b >= 0xE0 ? 2 : b >= 0xC2 && b < 0xE0 ? 1 : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= text.size()) {
      out += '?';
      ++i;
      continue;
    }
    char32_t c = b & (0x3F >> extra);
    bool valid = true;
    for (int k = 1; k <= extra; ++k) {
      auto cont = static_cast<unsigned char>(text[i + k]);
      if ((cont & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      c = (c << 6) | (cont & 0x3F);
    }
    // Overlong forms and surrogates are not characters.
    constexpr char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
    if (!valid || c < kMin[extra] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
      out += '?';
      ++i;
      continue;
    }
    out += toCp1252(c);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

}  // namespace drafthost
