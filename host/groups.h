// Typed values as they travel through result buffers: one group of an entity
// list, one argument of a host command, one AutoLISP argument.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct resbuf;

namespace drafthost {

using Point = std::array<double, 3>;

// What a result-buffer type code carries.
enum class ValueKind { None, String, Real, Point, Short, Long, Name };

constexpr int kKindTableSize = 1100;
extern const std::array<ValueKind, kKindTableSize> kKindTable;
ValueKind kindOfOther(int restype);

// Kind of value for a type code (RT code or DXF group code); None for the
// terminator and for codes the host does not know.
inline ValueKind kindOf(int restype) {
  if (restype >= 0 && restype < kKindTableSize)
    return kKindTable[static_cast<std::size_t>(restype)];
  return kindOfOther(restype);
}

struct Group {
  int code = 0;
  ValueKind kind = ValueKind::None;
  std::string text;               // String (Windows-1252)
  double real = 0;                // Real
  Point point{};                  // Point
  int32_t integer = 0;            // Short, Long
  std::array<int32_t, 2> name{};  // Name (entity or selection set)

  static Group str(int code, std::string value);
  static Group number(int code, double value);
  static Group pt(int code, Point value);
  static Group integral(int code, int32_t value);
  static Group ename(int code, std::array<int32_t, 2> value);
};

using GroupList = std::vector<Group>;

// Copies a result-buffer chain; an unknown type code ends the copy and sets
// *complete to false.
GroupList fromChain(const resbuf* chain, bool* complete = nullptr);
// A freshly allocated chain (free with freeChain); nullptr for an empty list.
resbuf* toChain(const GroupList& groups);
// A zeroed result buffer for a chain (freed with the chain by freeChain).
resbuf* newBuffer();
// Frees a chain made by toChain.
void freeChain(resbuf* chain);
// A copy of a string of `size` bytes (its terminator included) for a result
// buffer, as malloc would give it; freeChain frees it with freeString.
char* newString(const char* text, std::size_t size);
void freeString(char* text);

// First group with the code, or nullptr.
const Group* findGroup(const GroupList& groups, int code);
Group* findGroup(GroupList& groups, int code);

}  // namespace drafthost
