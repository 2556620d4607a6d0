// Attribute access shared by the document, shape and geometry views: an
// attribute is a key under the section whose first child holds the value.
// Reading a missing attribute creates its empty key (so later writes have a
// place); a null section reads defaults and writes nothing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "m2d/vector2d.h"
#include "meta/tree.h"

// The number under key; 0.0 and found false when missing or of another kind.
double m2dReadNumber(metaTreeC* section, std::string_view key, bool* found = nullptr);
// The number under key truncated toward zero; 0 and found false likewise.
int m2dReadInt(metaTreeC* section, std::string_view key, bool* found = nullptr);
// The string under key; empty and found false likewise (identifiers included).
std::string m2dReadString(metaTreeC* section, std::string_view key, bool* found = nullptr);
// Sets the number under key; false when the section is null or the value is of another kind.
bool m2dWriteNumber(metaTreeC* section, std::string_view key, double value);

// The point held by a key node (exactly two numbers); (0, 0) and found false otherwise.
mVec2d m2dPointOf(const metaTreeC* keyNode, bool* found = nullptr);
// Writes p into a key node: in place when it holds exactly two numbers (no
// structural change, so list caches stay good), else by replacing its children.
// False for null.
bool m2dSetPointOf(metaTreeC* keyNode, mVec2d p);
// The i-th child with key (from 0); with create, missing ones are appended as
// empty keys first. Null when missing (without create) or for a null section.
metaTreeC* m2dNthChild(metaTreeC* section, std::string_view key, std::size_t i, bool create);
// The first n children with key in one walk, as m2dNthChild with create gives
// them for i = 0, 1, ... n - 1 in turn (missing ones appended in that order).
// All null for a null section.
void m2dFirstChildren(metaTreeC* section, std::string_view key, std::size_t n, metaTreeC** out);
// The first POINT of a section read as a point (get-or-create).
mVec2d m2dReadPoint(metaTreeC* section, std::string_view key, bool* found = nullptr);
// Writes the point under key (get-or-create); false for a null section.
bool m2dWritePoint(metaTreeC* section, std::string_view key, mVec2d p);
