// Reading metafiles (METAV2 text syntax) into trees.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "meta/object.h"
#include "meta/registry.h"
#include "meta/tree.h"

// Reads one file or memory buffer once. Numbers are read with "." whatever
// the process locale; the locale is not touched.
class metaTreeReaderC {
 public:
  metaTreeReaderC() = default;
  metaTreeReaderC(const metaTreeReaderC&) = delete;
  metaTreeReaderC& operator=(const metaTreeReaderC&) = delete;
  ~metaTreeReaderC();

  // False when the file cannot be opened (reading then yields no tree).
  bool open(const std::string& path);
  // Reads from memory; the bytes are not copied and must outlive read().
  void openBuffer(const void* data, std::size_t size);

  // Parses the whole input and, when runHooks, runs the load hooks. Returns
  // the first top-level node (the caller owns it and its siblings), or null on
  // any error (nothing kept; see errorText) or for input without items.
  // The stream is closed afterwards.
  metaTreeC* read(bool runHooks);

  // The text of the last error ("ill seperator char", "ill char in string",
  // "section without key found", "section count wrong", "value invalid :WORD",
  // "eof fail"); empty when there was none.
  const std::string& errorText() const { return errorText_; }
  bool failed() const { return error_; }
  // Line of the last error (1-based); 0 when there was none.
  int errorLine() const { return errorLine_; }

 private:
  enum class Token { word, string, open, close, end };

  int get();
  void unget() { --cur_; }
  bool refill();
  bool atPhysicalEnd();
  void close();
  Token nextToken();
  void fail(std::string text);
  metaTreeC* parse();
  void offerPreOrder(metaTreeC* first);

  // Input: [cur_, end_) of the current chunk, refilled from file_ when set.
  std::FILE* file_ = nullptr;
  std::string chunk_;
  const unsigned char* cur_ = nullptr;
  const unsigned char* end_ = nullptr;
  bool endedAtMark_ = false;  // the last end token was a 0xFF byte

  std::string token_;      // a string already decoded, or a word across chunks
  std::string_view word_;  // the current word (in the input or in token_)
  int depth_ = 0;
  int line_ = 1;
  bool error_ = false;
  std::string errorText_;
  int errorLine_ = 0;

  // The nodes with a load-hook key, noted in post-order while parsing (null
  // keys: not noting). The order only holds when no item had a second block.
  const metaPrototypeRegistry* hookKeys_ = nullptr;
  std::bitset<256> hookFirstBytes_;  // first bytes of those keys
  std::vector<metaTreeC*> hooked_;
  bool hookOrderKept_ = true;
  // The nodes made from the first hooked key on, in the order made (which is
  // pre-order while hookOrderKept_): with the few before them they spare the
  // hooks a walk to number the tree. Files without hooked keys note nothing.
  std::vector<metaTreeC*> made_;
};

// Converts a whole word by the number grammar (optional sign, digits with an
// optional point and at least one digit, optional exponent) exactly as strtod
// does in the "C" locale. False, leaving value alone, when the word is no number.
bool metaParseNumber(const char* text, std::size_t size, double& value);

// The text as a metafile string: enclosed in double quotes, with TAB, LF, CR,
// the double quote and the backslash escaped by a backslash (t, n, r, ", \\);
// every other byte as it is. Reading it back gives the text unchanged.
std::string metaQuoteString(std::string_view text);

// Reads a file with the load hooks on. A view bound to the first top-level
// node (the others follow it as siblings), owning it when owner is true; an
// empty view when the file cannot be read or holds no items.
metaObjectC readMetaFile(const std::string& path, bool owner);

// As readMetaFile, from memory. error, when given, receives the error text.
metaObjectC readMetaBuffer(const void* data, std::size_t size, bool owner,
                           std::string* error = nullptr);
