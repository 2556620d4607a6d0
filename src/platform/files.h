// File facts and file times, the file calls the path values need. POSIX:
// stat, access, utimensat. Windows: GetFileAttributesExW and
// GetFileInformationByHandle, SetFileTime.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

// What the system reports about a path (links followed).
struct FileInfo {
  bool isRegular = false;
  bool isDirectory = false;
  bool readable = false;  // by this process (Windows: every file that exists)
  bool writable = false;  // by this process (Windows: not marked read-only)
  std::int64_t size = 0;
  std::int64_t accessTime = 0;  // seconds since the epoch
  std::int64_t writeTime = 0;   // seconds since the epoch
  std::uint64_t device = 0;     // Windows: the volume serial number
  std::uint64_t inode = 0;      // Windows: the file index
};

// False when the path cannot be queried; `info` is then left unchanged.
bool statPath(const std::string& path, FileInfo& info);
// False when the path itself is not a symbolic link or cannot be queried.
bool isSymbolicLink(const std::string& path);
// False when the path does not exist or cannot be reached.
bool pathExists(const std::string& path);
// True when both names reach the same file (device and inode, or volume and
// file index); false when either cannot be queried.
bool sameFile(const std::string& a, const std::string& b);

// Creates the file for binary writing only when nothing of that name exists
// (an exclusive create); null when it exists (`exists` set) or cannot be made.
std::FILE* createNewFile(const std::string& path, bool& exists);

// A local calendar date and time to the second.
struct LocalDateTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

enum class FileTime { Access, Write };

// The file's access or write time in local time; false when it cannot be queried.
bool getFileTime(const std::string& path, FileTime which, LocalDateTime& out);
// Sets one of the two times from local time, leaving the other; false when the
// date is not valid or the file cannot be changed.
bool setFileTime(const std::string& path, FileTime which, const LocalDateTime& when);
// Sets both times in seconds since the epoch; false on failure.
bool setFileTimes(const std::string& path, std::int64_t accessTime, std::int64_t writeTime);

}  // namespace platform
