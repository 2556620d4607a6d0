#include "config/file_path.h"

#include "config/strings.h"
#include "platform/system.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>
#include <vector>

namespace {

bool isDriveOnly(const std::string& text) {
  return text.size() == 2 && text[1] == ':';
}

// "//server/share" and nothing more.
bool isShareRoot(const FilePath& path) {
  return path.isUnc() && path.hasUncShare() &&
         path.text() == "//" + path.uncServer() + "/" + path.uncShare();
}

// The entries of a directory; empty when it cannot be listed.
std::vector<FilePath> listEntries(const FilePath& dir) {
  std::vector<FilePath> entries;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir.nativeText(), ec), end; !ec && it != end;
       it.increment(ec))
    entries.push_back(dir / FilePath(it->path().filename().string()));
  return entries;
}

// A symbolic link is removed as a link and never followed: removing or
// clearing a directory must not reach into whatever a link inside it points to.
bool isLinkOrNonDirectory(const FilePath& path) {
  return platform::isSymbolicLink(path.nativeText()) || !path.isDirectory(true);
}

bool deleteFile(const FilePath& path) {
  return std::remove(path.nativeText().c_str()) == 0;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

FilePath::FilePath(const std::string& text) : text_(text) {
  std::replace(text_.begin(), text_.end(), '\\', '/');
  while (text_.size() > 1 && text_.back() == '/') text_.pop_back();
  absolute_ = (!text_.empty() && text_[0] == '/') ||
              (text_.size() >= 2 && text_[1] == ':' && (text_.size() == 2 || text_[2] == '/'));
}

FilePath::FilePath(const char* text) : FilePath(std::string(text ? text : "")) {}

FilePath FilePath::currentDirectory() {
  return FilePath(platform::currentDirectory());
}

std::string FilePath::fileName() const {
  std::size_t slash = text_.rfind('/');
  if (slash == std::string::npos || slash + 1 == text_.size()) return text_;
  return text_.substr(slash + 1);
}

FilePath FilePath::directory() const {
  std::size_t slash = text_.rfind('/');
  if (slash == std::string::npos || slash + 1 == text_.size()) return FilePath();
  return FilePath(text_.substr(0, slash + 1));
}

std::string FilePath::extension() const {
  std::size_t dot = text_.rfind('.');
  std::size_t slash = text_.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return text_.substr(dot + 1);
}

void FilePath::setExtension(const std::string& ext) {
  std::size_t dot = text_.rfind('.');
  std::size_t slash = text_.rfind('/');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) text_.erase(dot);
  if (!ext.empty()) text_ += "." + ext;
  forgetFacts();
}

FilePath FilePath::relativeTo(const FilePath& base) const {
  if (absolute_ != base.absolute_ || base.text_.empty()) return *this;
  // Base "/" already ends with its separator.
  std::string prefix = base.text_.back() == '/' ? base.text_ : base.text_ + "/";
  if (text_.size() > prefix.size() && text_.compare(0, prefix.size(), prefix) == 0)
    return FilePath(text_.substr(prefix.size()));
  return *this;
}

bool FilePath::hasDrive() const {
  return text_.size() >= 2 && text_[1] == ':';
}

std::string FilePath::drive() const {
  return hasDrive() ? text_.substr(0, 1) : std::string();
}

bool FilePath::isUnc() const {
  return text_.size() >= 3 && text_.compare(0, 2, "//") == 0;
}

std::string FilePath::uncServer() const {
  if (!isUnc()) return "";
  std::size_t end = text_.find('/', 2);
  return text_.substr(2, end == std::string::npos ? std::string::npos : end - 2);
}

bool FilePath::hasUncShare() const {
  if (!isUnc()) return false;
  std::size_t slash = text_.find('/', 2);
  return slash != std::string::npos && slash + 1 < text_.size();
}

std::string FilePath::uncShare() const {
  if (!hasUncShare()) return "";
  std::size_t start = text_.find('/', 2) + 1;
  std::size_t end = text_.find('/', start);
  return text_.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

const FilePath::Facts& FilePath::facts(bool refresh) const {
  if (facts_.known && !refresh) return facts_;
  Facts f;
  f.known = true;
  if (isDriveOnly(text_)) {
    f.exists = f.isDirectory = f.readable = f.writable = true;
  } else {
    platform::FileInfo info;
    bool statOk = platform::statPath(nativeText(), info);
    f.exists = statOk || platform::pathExists(nativeText());
    if (statOk) {
      f.isFile = info.isRegular;
      f.isDirectory = info.isDirectory;
      f.readable = info.readable;
      f.writable = info.writable;
    } else if (f.exists) {
      f.isDirectory = isShareRoot(*this);
      f.isFile = !f.isDirectory;
    }
  }
  facts_ = f;
  return facts_;
}

bool FilePath::exists(bool refresh) const {
  return facts(refresh).exists;
}
bool FilePath::isFile(bool refresh) const {
  return facts(refresh).isFile;
}
bool FilePath::isDirectory(bool refresh) const {
  return facts(refresh).isDirectory;
}
bool FilePath::isReadable(bool refresh) const {
  return facts(refresh).readable;
}
bool FilePath::isWritable(bool refresh) const {
  return facts(refresh).writable;
}

bool FilePath::remove(bool recursive) const {
  FactsReset reset{*this};
  if (text_.empty()) return false;
  if (isLinkOrNonDirectory(*this)) return deleteFile(*this);
  bool ok = true;
  if (recursive)
    for (const FilePath& entry : listEntries(*this)) ok = entry.remove(true) && ok;
  std::error_code ec;
  return std::filesystem::remove(nativeText(), ec) && ok;
}

bool FilePath::clearDirectory(bool recursive) const {
  FactsReset reset{*this};
  if (text_.empty()) return false;
  if (isLinkOrNonDirectory(*this)) return deleteFile(*this);
  bool ok = true;
  for (const FilePath& entry : listEntries(*this)) {
    if (isLinkOrNonDirectory(entry))
      ok = deleteFile(entry) && ok;
    else if (recursive)
      ok = entry.clearDirectory(true) && ok;
  }
  return ok;
}

bool FilePath::makeDirectory(bool withParents) const {
  FactsReset reset{*this};
  if (text_.empty()) return false;
  auto present = [](const FilePath& p) {
    return p.isDirectory(true) || isDriveOnly(p.text()) || isShareRoot(p);
  };
  if (present(*this)) return true;
  // The missing ancestors, nearest first, created from the top down; a loop,
  // not recursion, so a path of many components cannot exhaust the stack.
  std::vector<FilePath> missing{*this};
  if (withParents) {
    for (FilePath p = directory(); !p.empty() && !present(p); p = p.directory())
      missing.push_back(p);
  }
  std::error_code ec;
  for (auto it = missing.rbegin(); it != missing.rend(); ++it)
    if (!std::filesystem::create_directory(it->nativeText(), ec) && !it->isDirectory(true))
      return false;
  return true;
}

bool FilePath::createFile(bool withParents) const {
  FactsReset reset{*this};
  if (text_.empty()) return false;
  if (isFile(true)) return true;
  if (withParents) {
    FilePath parent = directory();
    if (!parent.empty() && !parent.makeDirectory(true)) return false;
  }
  // Appending creates the file but never truncates one that appeared meanwhile.
  File f(std::fopen(nativeText().c_str(), "ab"));
  return f != nullptr;
}

bool FilePath::rename(const FilePath& target) const {
  FactsReset reset{*this}, resetTarget{target};
  return std::rename(nativeText().c_str(), target.nativeText().c_str()) == 0;
}

bool FilePath::lastAccessTime(platform::LocalDateTime& out) const {
  return platform::getFileTime(nativeText(), platform::FileTime::Access, out);
}

bool FilePath::lastWriteTime(platform::LocalDateTime& out) const {
  return platform::getFileTime(nativeText(), platform::FileTime::Write, out);
}

bool FilePath::setLastAccessTime(const platform::LocalDateTime& when) const {
  return platform::setFileTime(nativeText(), platform::FileTime::Access, when);
}

bool FilePath::setLastWriteTime(const platform::LocalDateTime& when) const {
  return platform::setFileTime(nativeText(), platform::FileTime::Write, when);
}

std::int64_t FilePath::size() const {
  platform::FileInfo info;
  if (!platform::statPath(nativeText(), info) || !info.isRegular) return -1;
  return info.size;
}

FilePath operator/(const FilePath& left, const FilePath& right) {
  if (right.isAbsolute() || left.empty()) return right;
  if (left.text() == "/") return FilePath("/" + right.text());
  return FilePath(left.text() + "/" + right.text());
}

int copyFile(const std::string& target, const std::string& source) {
  if (equalsIgnoringCase(toForwardSlashes(target), toForwardSlashes(source))) return 0;
  // Two different spellings of one file ("a/./b", a link): opening the target
  // for writing would empty the source before it is read.
  if (platform::sameFile(target, source)) return 0;

  platform::FileInfo info;
  bool known = platform::statPath(source, info);
  std::int64_t chunk = known ? info.size / 4 : 0;
  chunk = std::clamp<std::int64_t>(chunk, 1000, 50000);
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[static_cast<std::size_t>(chunk)]);
  if (!buffer) return -1;

  File in(std::fopen(source.c_str(), "rb"));
  if (!in) return -2;
  File out(std::fopen(target.c_str(), "wb"));
  if (!out) return -3;
  int result = 1;
  while (true) {
    std::size_t n = std::fread(buffer.get(), 1, static_cast<std::size_t>(chunk), in.get());
    if (std::ferror(in.get())) {
      result = -4;
      break;
    }
    if (n > 0 && std::fwrite(buffer.get(), 1, n, out.get()) != n) {
      result = -5;
      break;
    }
    if (n < static_cast<std::size_t>(chunk)) break;
  }
  in.reset();
  // Data still buffered is written on close; a failure there is a write error too.
  if (std::fclose(out.release()) != 0 && result == 1) result = -5;
  if (result == 1 && known) platform::setFileTimes(target, std::time(nullptr), info.writeTime);
  return result;
}

std::int64_t fileSize(const std::string& name) {
  // A directory opens for reading on POSIX but has no size to seek to.
  platform::FileInfo info;
  if (!platform::statPath(name, info) || !info.isRegular) return -1;
  File f(std::fopen(name.c_str(), "rb"));
  if (!f || fseeko(f.get(), 0, SEEK_END) != 0) return -1;
  return static_cast<std::int64_t>(ftello(f.get()));
}

std::string moduleFileName(const void* address) {
  if (!address) address = reinterpret_cast<const void*>(&moduleDirectory);
  return toForwardSlashes(platform::moduleFileName(address));
}

std::string moduleDirectory(const void* address) {
  if (!address) address = reinterpret_cast<const void*>(&moduleDirectory);
  return FilePath(moduleFileName(address)).directory().text();
}

std::string universalName(const std::string& path, int& status) {
  std::string out;
  if (!platform::universalName(toBackslashes(path), out)) {
    status = -1;
    return "";
  }
  status = 0;
  return toForwardSlashes(out);
}
