// Small string helpers shared by every subsystem. Texts are 8-bit strings in
// Windows code page 1252; "ignoring case" lower-cases each byte with tolower.
#pragma once

#include <string>
#include <vector>

// Which end stripChars works on.
enum StripEnd { StripLeading = 1, StripTrailing = 2, StripBoth = 3 };

// The text without every run of characters of `set` at the chosen ends.
std::string stripChars(const std::string& text, const std::string& set, int which);

// Replaces every occurrence of pattern found from `start` on; the inserted
// replacement is never searched again. An empty pattern changes nothing.
std::string replaceAll(const std::string& text, const std::string& pattern,
                       const std::string& replacement, bool ignoreCase = false,
                       std::size_t start = 0);

// Every "/" and "\" made "\" (or "/"), then trailing "\n\r\t /\\" removed.
std::string toBackslashes(const std::string& path);
std::string toForwardSlashes(const std::string& path);

// Forward slashes, "." and empty components dropped, ".." folded with the
// component before it (a leading ".." stays).
std::string normalizePath(const std::string& path);

// base + "/" + path unless path is absolute; variables in path expanded,
// result normalised; with expandAgain expanded once more at the end.
std::string makeAbsolutePath(const std::string& base, const std::string& path, bool expandAgain);

// True when the ";"-separated list holds the entry (pieces lose trailing
// blanks, tabs, CR and LF; empty pieces never match).
bool listContains(const std::string& entry, const std::string& list, bool ignoreCase);

// Splits at `separator`; `quote` (0 for none) groups text containing separators,
// doubled quotes inside quotes give one. Unquoted fields are trimmed of blanks
// and tabs. An empty text gives an empty list.
std::vector<std::string> splitFields(const std::string& text, char separator, char quote,
                                     bool skipEmpty);

// -1, 0 or 1; equal within |a| * 1e-5 (1e-8 when a is exactly 0).
int compareReals(double a, double b);
// -1, 0 or 1; equal within `tolerance`.
int compareRealsWithin(double a, double b, double tolerance);

// Decimal text of the integer ("%d").
std::string intToString(int value);

// Lower-cased copy (tolower on each byte) and a case-insensitive equality test.
std::string toLower(const std::string& text);
bool equalsIgnoringCase(const std::string& a, const std::string& b);
