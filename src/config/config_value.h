// The value of one configuration item: a text with typed conversions and a
// modified flag, plus the locale-independent number conversions they use.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Numbers are read and written as the "C" locale does, whatever locale the
// host process has set.

// Leading integer like atoi: blanks skipped, optional sign, digits; 0 when
// there are none. Values beyond the int range saturate.
int textToInt(std::string_view text);
// Leading real like atof (decimal, hexadecimal, inf, nan); 0 when none.
double textToDouble(std::string_view text);
// Like sscanf "%d" / "%lf": false (and `out` untouched) when no number starts the text.
bool scanInt(std::string_view text, int& out);
bool scanDouble(std::string_view text, double& out);
// printf "%.*f"; a negative digit count means 6 (as printf does).
std::string formatFixed(double value, int digits);

class CSConfigValue {
 public:
  CSConfigValue() = default;
  explicit CSConfigValue(std::string text) : text_(std::move(text)) {}

  // --- reading ---
  const std::string& asString() const { return text_; }
  // The text with its variables expanded; the text itself when a variable is undefined.
  std::string asExpandedString() const;
  // True for "yes", "ja", "true" (any case) or a leading integer of 1; false otherwise.
  bool asBool() const;
  // atoi of the text; 0 when it holds no number.
  int asInt() const;
  // atof of the text; 0 when it holds no number.
  double asDouble() const;
  // Fill up to `capacity` numbers from the ","-separated fields; the count filled
  // (0 for a null array, a capacity below 1 or an empty text).
  int asDoubleArray(double* array, int capacity) const;
  int asFloatArray(float* array, int capacity) const;
  int asIntArray(int* array, int capacity) const;
  // One number per field (double quote groups); empty for an empty text.
  std::vector<double> asRealList(char separator) const;
  std::vector<int> asIntList(char separator) const;
  // The fields, empty ones kept; empty for an empty text.
  std::vector<std::string> asStringList(char separator, char quote) const;
  bool isModified() const { return modified_; }

  // --- writing: each replaces the text (append adds to it) and sets the flag ---
  void set(const std::string& text);
  // A null pointer gives the empty text.
  void set(const char* text);
  void append(const std::string& text);
  // "YES" or "NO".
  void setBool(bool value);
  void setInt(int value);
  // "%.*f" with `digits` digits after the point.
  void setDouble(double value, int digits);
  // Elements joined with ","; a null array or a count below 1 gives the empty text.
  void setDoubleArray(const double* array, int count, int digits);
  void setFloatArray(const float* array, int count, int digits);
  void setIntArray(const int* array, int count);
  void setIntList(const std::vector<int>& list);
  void setDoubleList(const std::vector<double>& list, int digits);
  // Elements joined with the separator (none when it is 0); with a quote
  // character each element is enclosed in it (inner quotes are not doubled).
  void setStringList(const std::vector<std::string>& list, char separator, char quote);
  // Changes the flag only.
  void setModified(bool modified) { modified_ = modified; }

 private:
  void replace(std::string text);

  std::string text_;
  bool modified_ = false;
};
