#include "dcl.h"

#include <cctype>
#include <charconv>
#include <map>

namespace drafthost {
namespace {

// Deeper nesting than any real dialog needs; keeps broken files from running
// the reader's recursion into the ground.
constexpr int kMaxDepth = 64;

// An edit_limit value; what is not a positive number counts as none given.
int limitOf(const std::string& text) {
  int limit = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), limit);
  return ec == std::errc() && end == text.data() + text.size() && limit > 0 ? limit : 0;
}

struct Token {
  enum Kind { End, Word, String, Colon, Open, Close, Semicolon, Equals };
  Kind kind = End;
  std::string text;
  int line = 1;
};

class Reader {
 public:
  explicit Reader(const std::string& text) : text_(text) {}

  std::optional<DclFile> run(std::string* error) {
    DclFile file;
    next();
    while (ok_ && tok_.kind != Token::End) topLevel(file);
    if (!ok_) {
      if (error) *error = "line " + std::to_string(errorLine_) + ": " + problem_;
      return std::nullopt;
    }
    return file;
  }

 private:
  void fail(const std::string& problem) {
    if (!ok_) return;
    ok_ = false;
    problem_ = problem;
    errorLine_ = tok_.line;
    tok_.kind = Token::End;
  }

  bool skipSpaceAndComments() {
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (c == '\n') {
        ++line_;
        ++pos_;
      } else if (std::isspace(static_cast<unsigned char>(c))) {
        ++pos_;
      } else if (text_.compare(pos_, 2, "//") == 0) {
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
      } else if (text_.compare(pos_, 2, "/*") == 0) {
        std::size_t end = text_.find("*/", pos_ + 2);
        if (end == std::string::npos) {
          tok_.line = line_;
          fail("unterminated comment");
          return false;
        }
        for (std::size_t i = pos_; i < end; ++i)
          if (text_[i] == '\n') ++line_;
        pos_ = end + 2;
      } else {
        break;
      }
    }
    return true;
  }

  void next() {
    if (!ok_) return;
    if (!skipSpaceAndComments()) return;
    tok_ = Token{};
    tok_.line = line_;
    if (pos_ >= text_.size()) return;
    char c = text_[pos_];
    switch (c) {
      case ':':
        tok_.kind = Token::Colon;
        ++pos_;
        return;
      case '{':
        tok_.kind = Token::Open;
        ++pos_;
        return;
      case '}':
        tok_.kind = Token::Close;
        ++pos_;
        return;
      case ';':
        tok_.kind = Token::Semicolon;
        ++pos_;
        return;
      case '=':
        tok_.kind = Token::Equals;
        ++pos_;
        return;
      case '"':
        readString();
        return;
      default:
        break;
    }
    auto wordChar = [](char ch) {
      return std::isalnum(static_cast<unsigned char>(ch)) || ch == '_' || ch == '-' || ch == '.' ||
             ch == '@' || ch == '+';
    };
    if (!wordChar(c)) {
      fail(std::string("unexpected character '") + c + "'");
      return;
    }
    tok_.kind = Token::Word;
    while (pos_ < text_.size() && wordChar(text_[pos_])) tok_.text += text_[pos_++];
  }

  // "..." with the escapes \" \\ \n \t; a string may not run past its line.
  void readString() {
    tok_.kind = Token::String;
    ++pos_;
    while (pos_ < text_.size() && text_[pos_] != '"' && text_[pos_] != '\n') {
      char c = text_[pos_++];
      if (c == '\\' && pos_ < text_.size() && text_[pos_] != '\n') {
        char e = text_[pos_++];
        c = e == 'n' ? '\n' : e == 't' ? '\t' : e;
      }
      tok_.text += c;
    }
    if (pos_ >= text_.size() || text_[pos_] != '"') {
      fail("unterminated string");
      return;
    }
    ++pos_;
  }

  bool expect(Token::Kind kind, const char* what) {
    if (tok_.kind != kind) {
      fail(std::string("expected ") + what);
      return false;
    }
    next();
    return true;
  }

  void topLevel(DclFile& file) {
    if (tok_.kind != Token::Word) return fail("expected a definition");
    std::string name = tok_.text;
    next();
    if (name == "@include") {
      // Included files are not read: their dialogs are simply not there.
      if (expect(Token::String, "a file name")) expect(Token::Semicolon, "';'");
      return;
    }
    if (!expect(Token::Colon, "':'")) return;
    if (tok_.kind != Token::Word) return fail("expected a tile type");
    std::string type = tok_.text;
    next();
    DclDialog dialog;
    DclTile self;
    if (!expect(Token::Open, "'{'")) return;
    body(dialog, self, 1);
    if (!expect(Token::Close, "'}'")) return;
    if (type == "dialog") {
      dialog.name = name;
      dialog.label = self.label;
      file.dialogs.push_back(std::move(dialog));
    } else {
      prototypes_[name] = baseType(type);
    }
  }

  std::string baseType(const std::string& type) const {
    auto it = prototypes_.find(type);
    return it == prototypes_.end() ? type : it->second;
  }

  static void addTile(DclDialog& dialog, DclTile tile) {
    if (tile.key.empty() || !dialog.byKey.emplace(tile.key, dialog.tiles.size()).second) return;
    dialog.tiles.push_back(std::move(tile));
  }

  // Attributes and tiles up to the closing brace (not consumed). `self` gets
  // the attributes of the enclosing tile.
  void body(DclDialog& dialog, DclTile& self, int depth) {
    if (depth > kMaxDepth) return fail("tiles nested too deeply");
    while (ok_ && tok_.kind != Token::Close && tok_.kind != Token::End) {
      if (tok_.kind == Token::Colon) {  // ": type { ... }"
        next();
        nestedTile(dialog, std::string(), depth);
        continue;
      }
      if (tok_.kind != Token::Word) return fail("expected an attribute or a tile");
      std::string word = tok_.text;
      next();
      if (tok_.kind == Token::Equals) {  // attribute = value;
        next();
        if (tok_.kind != Token::String && tok_.kind != Token::Word) return fail("expected a value");
        std::string value = tok_.text;
        next();
        if (!expect(Token::Semicolon, "';'")) return;
        if (word == "key") self.key = value;
        if (word == "label") self.label = value;
        if (word == "value") self.value = value;
        if (word == "edit_limit") self.editLimit = limitOf(value);
      } else if (tok_.kind == Token::Semicolon) {  // prototype reference
        next();
        reference(dialog, word);
      } else if (tok_.kind == Token::Colon) {  // name : type { ... }
        next();
        nestedTile(dialog, word, depth);
      } else {
        return fail("expected '=', ';' or ':' after " + word);
      }
    }
  }

  void nestedTile(DclDialog& dialog, const std::string& name, int depth) {
    (void)name;
    if (tok_.kind != Token::Word) return fail("expected a tile type");
    DclTile tile;
    tile.type = baseType(tok_.text);
    next();
    if (!expect(Token::Open, "'{'")) return;
    body(dialog, tile, depth + 1);
    if (!expect(Token::Close, "'}'")) return;
    addTile(dialog, std::move(tile));
  }

  static void reference(DclDialog& dialog, const std::string& name) {
    auto button = [&](const char* key, const char* label) {
      addTile(dialog, DclTile{key, "button", label, ""});
    };
    if (name.rfind("ok_", 0) != 0) return;
    button("accept", "OK");
    if (name.find("cancel") != std::string::npos) button("cancel", "Cancel");
    if (name.find("help") != std::string::npos) button("help", "Help");
    if (name.find("info") != std::string::npos) button("info", "Info");
    if (name.find("errtile") != std::string::npos)
      addTile(dialog, DclTile{"error", "errtile", "", ""});
  }

  const std::string& text_;
  std::size_t pos_ = 0;
  int line_ = 1;
  Token tok_;
  bool ok_ = true;
  std::string problem_;
  int errorLine_ = 0;
  std::map<std::string, std::string> prototypes_;
};

}  // namespace

const DclTile* DclDialog::tile(const std::string& key) const {
  auto it = byKey.find(key);
  return it == byKey.end() ? nullptr : &tiles[it->second];
}

const DclDialog* DclFile::dialog(const std::string& name) const {
  for (const DclDialog& d : dialogs)
    if (d.name == name) return &d;
  return nullptr;
}

std::optional<DclFile> parseDcl(const std::string& text, std::string* error) {
  return Reader(text).run(error);
}

}  // namespace drafthost
