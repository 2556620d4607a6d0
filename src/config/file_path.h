// Path values with "/" as their only separator, their drive, network share,
// parent and cached file-system facts, and a few free file functions.
//
// On POSIX the native separator is "/" as well, so nativeText() keeps the
// slashes: backslashes would make every path on the file system wrong.
#pragma once

#include "platform/files.h"

#include <cstdint>
#include <string>

class FilePath {
 public:
  // The empty path.
  FilePath() = default;
  // Backslashes become slashes, trailing slashes go (a lone "/" stays).
  FilePath(const std::string& text);  // NOLINT: a path is naturally made from text
  FilePath(const char* text);         // NOLINT

  // The working directory; the empty path when it cannot be read.
  static FilePath currentDirectory();

  // The stored text with slashes; empty for the empty path.
  const std::string& text() const { return text_; }
  // The text handed to the file system (identical to text() on POSIX).
  std::string nativeText() const { return text_; }
  bool empty() const { return text_.empty(); }
  // Starts with "/", or is "X:" or starts with "X:/".
  bool isAbsolute() const { return absolute_; }

  // After the last "/"; the whole text without a "/" or for "/" itself.
  std::string fileName() const;
  // Up to the last "/"; the empty path without a "/" or when nothing follows it.
  FilePath directory() const;
  // After the last "." of the file name; empty when there is none.
  std::string extension() const;
  // Replaces the extension (empty `ext`: removes it); forgets cached facts.
  void setExtension(const std::string& ext);
  // `base` followed by "/" removed from the front when both have the same
  // absolute flag; otherwise the path unchanged.
  FilePath relativeTo(const FilePath& base) const;

  // Second character is ":" / the drive letter alone, or empty.
  bool hasDrive() const;
  std::string drive() const;
  // Starts with "//" and is at least three characters long.
  bool isUnc() const;
  // The server of a network path; empty otherwise.
  std::string uncServer() const;
  // A network path with a share after the server.
  bool hasUncShare() const;
  // The share of a network path; empty otherwise.
  std::string uncShare() const;

  // Cached file-system facts, queried together on first use; refresh = true
  // queries again. A missing path answers false to all.
  bool exists(bool refresh = false) const;
  bool isFile(bool refresh = false) const;
  bool isDirectory(bool refresh = false) const;
  bool isReadable(bool refresh = false) const;
  bool isWritable(bool refresh = false) const;

  // Deletes a file, or a directory (with everything in it when recursive);
  // false when anything could not be removed.
  bool remove(bool recursive) const;
  // Deletes the files of a directory (and of its subdirectories, which stay,
  // when recursive); a file is deleted itself. False when a deletion failed.
  bool clearDirectory(bool recursive) const;
  // True when the directory exists afterwards; false for the empty path.
  bool makeDirectory(bool withParents) const;
  // Creates an empty file unless a regular file is there already; false on failure.
  bool createFile(bool withParents) const;
  // False when the rename fails.
  bool rename(const FilePath& target) const;
  // The file's times as local date and time; false when the file cannot be queried.
  bool lastAccessTime(platform::LocalDateTime& out) const;
  bool lastWriteTime(platform::LocalDateTime& out) const;
  // False when the date is not valid or the file cannot be changed.
  bool setLastAccessTime(const platform::LocalDateTime& when) const;
  bool setLastWriteTime(const platform::LocalDateTime& when) const;
  // Size in bytes; -1 when the path is not a regular file.
  std::int64_t size() const;

 private:
  struct Facts {
    bool known = false;
    bool exists = false;
    bool isFile = false;
    bool isDirectory = false;
    bool readable = false;
    bool writable = false;
  };
  const Facts& facts(bool refresh) const;
  void forgetFacts() const { facts_.known = false; }
  // Operations that change the file system forget the facts when they end,
  // whatever they queried on the way.
  struct FactsReset {
    const FilePath& path;
    ~FactsReset() { path.forgetFacts(); }
  };

  std::string text_;
  bool absolute_ = false;
  mutable Facts facts_;
};

// The right side when it is absolute or the left side is empty; "/" + right
// when the left side is "/"; else left + "/" + right.
FilePath operator/(const FilePath& left, const FilePath& right);

// Copies source to target: 0 same file (nothing copied), 1 copied, -1 no
// memory, -2 source not opened, -3 target not opened, -4 read error, -5 write error.
int copyFile(const std::string& target, const std::string& source);

// Bytes in the file; -1 when it cannot be opened or is not a regular file.
std::int64_t fileSize(const std::string& name);

// Full file name (slashes) of the module that holds `address`; nullptr means
// the module this code is linked into. Empty when unknown.
std::string moduleFileName(const void* address = nullptr);
// The directory of moduleFileName; empty when unknown.
std::string moduleDirectory(const void* address = nullptr);

// The network form of a path on a mapped drive, with slashes; `status` 0 on
// success. POSIX has no mapped drives: empty text and status -1.
std::string universalName(const std::string& path, int& status);
