// The metafile reader: a byte tokeniser with one byte of put-back and an
// iterative item-list parser (blocks nest without limit, so no recursion).
#include "meta/reader.h"

#include <array>
#include <charconv>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "meta/hooks.h"

namespace {

constexpr std::size_t kChunkSize = 1 << 16;
// The token buffer starts at this size; it then grows geometrically.
constexpr std::size_t kTokenReserve = 32000;

enum ByteClass : unsigned char { kIllegal, kSeparator, kWord, kQuote, kOpen, kClose, kEndMark };

constexpr std::array<unsigned char, 256> makeClasses() {
  std::array<unsigned char, 256> t{};
  for (int c : {9, 10, 13, 32, 44}) t[c] = kSeparator;
  for (int c = 'a'; c <= 'z'; ++c) t[c] = kWord;
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = kWord;
  for (int c = '0'; c <= '9'; ++c) t[c] = kWord;
  for (int c : {'-', '+', '.', '_'}) t[c] = kWord;
  t['"'] = kQuote;
  t['{'] = kOpen;
  t['}'] = kClose;
  t[0xFF] = kEndMark;
  return t;
}

constexpr std::array<unsigned char, 256> kClass = makeClasses();

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

// --- Numbers

bool metaParseNumber(const char* text, std::size_t size, double& value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < size && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::size_t unsignedStart = i;
  // The digits are gathered on the way for the exact fast path below. The
  // mantissa may wrap for long digit strings; it is only used when at most 15
  // digits follow the leading zeros, and those it holds exactly.
  std::uint64_t mantissa = 0;
  auto digits = [&] {
    for (; i < size; ++i) {
      const unsigned digit = static_cast<unsigned char>(text[i]) - unsigned{'0'};
      if (digit > 9) break;
      mantissa = mantissa * 10 + digit;
    }
  };
  auto zeros = [&] {
    while (i < size && text[i] == '0') ++i;
  };
  zeros();
  std::size_t leadingZeros = i - unsignedStart;
  digits();
  const std::size_t intDigits = i - unsignedStart;
  std::size_t fracDigits = 0;
  if (i < size && text[i] == '.') {
    const std::size_t fracStart = ++i;
    if (intDigits == leadingZeros) {
      zeros();
      leadingZeros += i - fracStart;
    }
    digits();
    fracDigits = i - fracStart;
  }
  if (intDigits + fracDigits == 0) return false;
  long long exponent = 0;
  if (i < size && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool expNegative = false;
    if (i < size && (text[i] == '+' || text[i] == '-')) expNegative = text[i++] == '-';
    std::size_t expDigits = 0;
    while (i < size && isDigit(text[i])) {
      if (exponent < 1000000000) exponent = exponent * 10 + (text[i] - '0');
      ++i, ++expDigits;
    }
    if (expDigits == 0) return false;
    if (expNegative) exponent = -exponent;
  }
  if (i != size) return false;

  // Exact fast path: a mantissa below 2^53 and a power of ten up to 1e22 are
  // both exact doubles, so one multiplication or division rounds correctly,
  // exactly as strtod would.
  static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                      1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  long long scale = exponent - static_cast<long long>(fracDigits);
  const std::size_t significant = intDigits + fracDigits - leadingZeros;
  if (significant <= 15 && scale >= -22 && scale <= 22) {
    double v = static_cast<double>(mantissa);
    v = scale < 0 ? v / kPow10[-scale] : v * kPow10[scale];
    value = negative ? -v : v;
    return true;
  }

  double v = 0.0;
  auto [ptr, ec] = std::from_chars(text + unsignedStart, text + size, v);
  if (ptr != text + size) return false;
  if (ec == std::errc::result_out_of_range) {
    // strtod gives infinity on overflow and zero on underflow. Find the decimal
    // magnitude of the first non-zero digit to tell which one happened.
    long long magnitude = 0;
    const char* digits = text + unsignedStart;
    std::size_t k = 0;
    while (k < intDigits && digits[k] == '0') ++k;
    if (k < intDigits) {
      magnitude = static_cast<long long>(intDigits - k) - 1;
    } else {
      std::size_t j = 0;
      while (j < fracDigits && digits[intDigits + 1 + j] == '0') ++j;
      magnitude = -static_cast<long long>(j) - 1;
    }
    v = magnitude + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (ec != std::errc()) {
    return false;
  }
  value = negative ? -v : v;
  return true;
}

// --- Input

metaTreeReaderC::~metaTreeReaderC() {
  close();
}

bool metaTreeReaderC::open(const std::string& path) {
  close();
  file_ = std::fopen(path.c_str(), "rb");
  cur_ = end_ = nullptr;
  return file_ != nullptr;
}

void metaTreeReaderC::openBuffer(const void* data, std::size_t size) {
  close();
  cur_ = static_cast<const unsigned char*>(data);
  end_ = cur_ + size;
}

void metaTreeReaderC::close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

bool metaTreeReaderC::refill() {
  if (!file_) return false;
  chunk_.resize(kChunkSize);
  std::size_t got = std::fread(chunk_.data(), 1, kChunkSize, file_);
  if (got == 0) return false;
  cur_ = reinterpret_cast<const unsigned char*>(chunk_.data());
  end_ = cur_ + got;
  return true;
}

// The next byte, or -1 at the physical end. After a refill the previous byte
// is gone, but put-back only ever returns the byte just read.
inline int metaTreeReaderC::get() {
  if (cur_ == end_ && !refill()) return -1;
  return *cur_++;
}

bool metaTreeReaderC::atPhysicalEnd() {
  return cur_ == end_ && !refill();
}

// --- Tokeniser

void metaTreeReaderC::fail(std::string text) {
  if (error_) return;
  error_ = true;
  errorText_ = std::move(text);
  errorLine_ = line_;
}

metaTreeReaderC::Token metaTreeReaderC::nextToken() {
  token_.clear();
  // Between tokens.
  int c;
  for (;;) {
    // Skip separators in place; runs of indentation are common, and blanks
    // are passed eight at a time.
    while (cur_ != end_) {
      const unsigned char b = *cur_;
      if (b == ' ' && end_ - cur_ >= 8) {
        std::uint64_t eight;
        std::memcpy(&eight, cur_, sizeof eight);
        if (eight == 0x2020202020202020u) {
          cur_ += 8;
          continue;
        }
      }
      if (kClass[b] != kSeparator) break;
      if (b == '\n') ++line_;
      ++cur_;
    }
    c = get();
    if (c < 0) {
      endedAtMark_ = false;
      return Token::end;
    }
    switch (kClass[c]) {
      case kSeparator:
        if (c == '\n') ++line_;
        continue;
      case kOpen:
        return Token::open;
      case kClose:
        return Token::close;
      case kEndMark:
        endedAtMark_ = true;
        return Token::end;
      case kQuote:
        goto string;
      case kWord:
        goto word;
      default:
        fail("ill seperator char");
        return Token::end;
    }
  }

word : {
  // The first byte is already known to be a word byte. A word that lies
  // within the current chunk is used in place; one that crosses into the next
  // chunk is gathered in the token buffer.
  const unsigned char* start = cur_ - 1;
  while (cur_ != end_ && kClass[*cur_] == kWord) ++cur_;
  if (cur_ != end_ || !file_) {
    word_ = std::string_view(reinterpret_cast<const char*>(start),
                             static_cast<std::size_t>(cur_ - start));
    return Token::word;  // the byte after the word stays unread
  }
  token_.assign(reinterpret_cast<const char*>(start), static_cast<std::size_t>(cur_ - start));
  while (refill()) {
    start = cur_;
    while (cur_ != end_ && kClass[*cur_] == kWord) ++cur_;
    token_.append(reinterpret_cast<const char*>(start), static_cast<std::size_t>(cur_ - start));
    if (cur_ != end_) break;
  }
  word_ = token_;
  return Token::word;
}

string:
  // Escapes are decoded on the fly: a backslash makes the next byte literal,
  // with n, r and t standing for LF, CR and TAB.
  for (;;) {
    c = get();
    if (c < 0 || c == 0xFF) {
      fail("ill char in string");
      return Token::end;
    }
    if (c == '"') return Token::string;
    if (c == '\\') {
      c = get();
      if (c < 0 || c == 0xFF) {
        fail("ill char in string");
        return Token::end;
      }
      if (c == 'n')
        c = '\n';
      else if (c == 'r')
        c = '\r';
      else if (c == 't')
        c = '\t';
    }
    token_.push_back(static_cast<char>(c));
  }
}

// --- Parser

namespace {

// One open item list: the node its items will belong to (null at the top
// level), its first and its latest node.
struct ListFrame {
  metaTreeC* owner = nullptr;
  metaTreeC* first = nullptr;
  metaTreeC* previous = nullptr;
  bool previousHooked = false;  // previous has a load-hook key
};

// The node after n in a pre-order walk of n's tree with its top-level
// siblings; null after the last.
metaTreeC* preOrderNext(metaTreeC* n) {
  if (n->firstChild) return n->firstChild;
  while (n && !n->next) n = n->parent;
  return n ? n->next : nullptr;
}

}  // namespace

metaTreeC* metaTreeReaderC::parse() {
  std::vector<ListFrame> open;  // enclosing lists, innermost last
  ListFrame list;
  depth_ = 0;

  // An item is complete, its block(s) read, once the next item of its list
  // comes or the list ends: noting the hooked ones then gives the post-order
  // the load hooks run in, without another walk over the tree. The hooks only
  // look below the first top-level item, so noting stops after it.
  auto completeLast = [&] {
    if (list.previousHooked && hookKeys_) hooked_.push_back(list.previous);
  };

  // Items get their parent at once, so attaching a block is constant time.
  auto add = [&](metaTreeC* node, bool hooked) {
    node->parent = list.owner;
    if (!list.first) {
      list.first = node;
    } else {
      if (list.previousHooked) completeLast();
      if (!list.owner) hookKeys_ = nullptr;
      list.previous->next = node;
      node->prev = list.previous;
    }
    list.previous = node;
    list.previousHooked = hooked;
    if (hooked || !made_.empty()) made_.push_back(node);
  };

  for (;;) {
    Token tok = nextToken();
    if (error_) break;
    switch (tok) {
      case Token::word: {
        char first = word_[0];
        if (isDigit(first) || first == '.' || first == '+' || first == '-') {
          double v = 0.0;
          if (!metaParseNumber(word_.data(), word_.size(), v)) {
            fail("value invalid :" + std::string(word_));
            break;
          }
          add(metaTreeC::makeNumber(v, line_), false);
        } else {
          // Most keys are told apart from the hooked ones by their first byte.
          const bool hooked = hookKeys_ && hookFirstBytes_[static_cast<unsigned char>(first)] &&
                              hookKeys_->lookup(word_);
          add(metaTreeC::makeIdent(word_, line_), hooked);
        }
        continue;
      }
      case Token::string:
        add(metaTreeC::makeString(token_, line_), false);
        continue;
      case Token::open:
        if (!list.previous) {
          fail("section without key found");
          break;
        }
        ++depth_;
        open.push_back(list);
        list = ListFrame{list.previous, nullptr, nullptr};
        continue;
      case Token::close: {
        --depth_;
        if (depth_ < 0) {
          fail("section count wrong");
          break;
        }
        metaTreeC* owner = list.owner;
        metaTreeC* chain = list.first;
        metaTreeC* last = list.previous;
        if (last && list.previousHooked) completeLast();
        list = open.back();
        open.pop_back();
        // Further blocks after the same item go in front of what it has.
        if (chain) {
          if (owner->firstChild) hookOrderKept_ = false;
          last->next = owner->firstChild;
          if (owner->firstChild) owner->firstChild->prev = last;
          owner->firstChild = chain;
          ++metaTreeChangeCount;
        }
        continue;
      }
      case Token::end:
        if (depth_ == 0) {
          if (list.previousHooked) completeLast();
          return list.first;
        }
        fail("section count wrong");
        break;
    }
    break;
  }

  // Error: nothing of the file is kept.
  // Innermost first: each list's items still point at their (living) owner.
  metaTreeC::destroy(list.first);
  for (auto f = open.rbegin(); f != open.rend(); ++f) metaTreeC::destroy(f->first);
  return nullptr;
}

// Hands the node index table the whole file in pre-order: the nodes before
// the first noted one (found by a pre-order walk that stops there), then the
// noted ones.
void metaTreeReaderC::offerPreOrder(metaTreeC* first) {
  std::vector<metaTreeC*> before;
  for (metaTreeC* n = first; n != made_.front(); n = preOrderNext(n)) before.push_back(n);
  made_.insert(made_.begin(), before.begin(), before.end());
  metaNodeIndexTable::instance().offerPreOrder(first, std::move(made_));
  made_.clear();
}

metaTreeC* metaTreeReaderC::read(bool runHooks) {
  error_ = false;
  errorText_.clear();
  errorLine_ = 0;
  line_ = 1;
  endedAtMark_ = false;
  token_.reserve(kTokenReserve);
  const metaPrototypeRegistry& hookKeys = metaLoadHookRegistry();
  hookKeys_ = runHooks && hookKeys.size() > 0 ? &hookKeys : nullptr;
  hookFirstBytes_.reset();
  for (const auto& entry : hookKeys.entries())
    if (!entry.key.empty()) hookFirstBytes_.set(static_cast<unsigned char>(entry.key[0]));
  hooked_.clear();
  made_.clear();
  hookOrderKept_ = true;

  metaTreeC* first = parse();
  // A 0xFF that is the file's very last byte is taken as an end mark some
  // writers append; one with bytes after it fails.
  if (!error_ && endedAtMark_ && !atPhysicalEnd()) fail("eof fail");
  if (error_) {
    metaTreeC::destroy(first);
    first = nullptr;
  } else if (runHooks && first) {
    if (hookOrderKept_) {
      if (!hooked_.empty()) offerPreOrder(first);
      metaRunLoadHooksOn(first, hooked_);
    } else {
      metaRunLoadHooks(first);
    }
  }
  std::vector<metaTreeC*>().swap(hooked_);
  std::vector<metaTreeC*>().swap(made_);
  close();
  cur_ = end_ = nullptr;
  std::string().swap(token_);
  std::string().swap(chunk_);
  return first;
}

// --- Entry points

metaObjectC readMetaFile(const std::string& path, bool owner) {
  metaTreeReaderC reader;
  // A failed open is not checked: reading meets the end at once, no tree.
  reader.open(path);
  return metaObjectC(reader.read(true), owner);
}

metaObjectC readMetaBuffer(const void* data, std::size_t size, bool owner, std::string* error) {
  metaTreeReaderC reader;
  reader.openBuffer(data, size);
  metaTreeC* first = reader.read(true);
  if (error) *error = reader.errorText();
  return metaObjectC(first, owner);
}

std::string metaQuoteString(std::string_view text) {
  std::string out = "\"";
  out.reserve(text.size() + 2);
  for (char c : text) {
    switch (c) {
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out += c;
    }
  }
  return out + '"';
}
