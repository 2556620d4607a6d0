// File facts and times on POSIX: stat, lstat, access, utimensat.
#include "platform/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>
#include <cerrno>
#include <ctime>

namespace platform {

namespace {

// Whole seconds of a stat time.
std::int64_t seconds(const timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec);
}

bool toLocal(std::int64_t secs, LocalDateTime& out) {
  time_t t = static_cast<time_t>(secs);
  tm parts{};
  if (!localtime_r(&t, &parts)) return false;
  out.year = parts.tm_year + 1900;
  out.month = parts.tm_mon + 1;
  out.day = parts.tm_mday;
  out.hour = parts.tm_hour;
  out.minute = parts.tm_min;
  out.second = parts.tm_sec;
  return true;
}

// mktime silently normalises 31 February into March; a date that does not
// come back unchanged is refused, as SystemTimeToFileTime refuses it.
bool fromLocal(const LocalDateTime& when, time_t& out) {
  tm parts{};
  parts.tm_year = when.year - 1900;
  parts.tm_mon = when.month - 1;
  parts.tm_mday = when.day;
  parts.tm_hour = when.hour;
  parts.tm_min = when.minute;
  parts.tm_sec = when.second;
  parts.tm_isdst = -1;
  errno = 0;
  time_t t = mktime(&parts);
  if (t == static_cast<time_t>(-1) && errno != 0) return false;
  if (parts.tm_year != when.year - 1900 || parts.tm_mon != when.month - 1 ||
      parts.tm_mday != when.day || parts.tm_hour != when.hour || parts.tm_min != when.minute ||
      parts.tm_sec != when.second)
    return false;
  out = t;
  return true;
}

}  // namespace

bool statPath(const std::string& path, FileInfo& info) {
  struct stat st {};
  if (path.find('\0') != std::string::npos || ::stat(path.c_str(), &st) != 0) return false;
  info.isRegular = S_ISREG(st.st_mode);
  info.isDirectory = S_ISDIR(st.st_mode);
  // The permission bits alone say nothing about this process (owner, group,
  // root); access() answers the real question.
  info.readable = ::access(path.c_str(), R_OK) == 0;
  info.writable = ::access(path.c_str(), W_OK) == 0;
  info.size = static_cast<std::int64_t>(st.st_size);
  info.accessTime = seconds(st.st_atim);
  info.writeTime = seconds(st.st_mtim);
  info.device = static_cast<std::uint64_t>(st.st_dev);
  info.inode = static_cast<std::uint64_t>(st.st_ino);
  return true;
}

bool isSymbolicLink(const std::string& path) {
  struct stat st {};
  if (path.find('\0') != std::string::npos || ::lstat(path.c_str(), &st) != 0) return false;
  return S_ISLNK(st.st_mode);
}

bool pathExists(const std::string& path) {
  return path.find('\0') == std::string::npos && ::access(path.c_str(), F_OK) == 0;
}

bool sameFile(const std::string& a, const std::string& b) {
  FileInfo ia, ib;
  return statPath(a, ia) && statPath(b, ib) && ia.device == ib.device && ia.inode == ib.inode;
}

std::FILE* createNewFile(const std::string& path, bool& exists) {
  exists = false;
  if (path.find('\0') != std::string::npos) return nullptr;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    exists = errno == EEXIST;
    return nullptr;
  }
  std::FILE* file = ::fdopen(fd, "wb");
  if (!file) ::close(fd);
  return file;
}

bool getFileTime(const std::string& path, FileTime which, LocalDateTime& out) {
  FileInfo info;
  if (!statPath(path, info)) return false;
  return toLocal(which == FileTime::Access ? info.accessTime : info.writeTime, out);
}

bool setFileTime(const std::string& path, FileTime which, const LocalDateTime& when) {
  time_t t;
  if (path.find('\0') != std::string::npos || !fromLocal(when, t)) return false;
  timespec times[2];
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_nsec = UTIME_OMIT;
  timespec& slot = times[which == FileTime::Access ? 0 : 1];
  slot.tv_sec = t;
  slot.tv_nsec = 0;
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

bool setFileTimes(const std::string& path, std::int64_t accessTime, std::int64_t writeTime) {
  if (path.find('\0') != std::string::npos) return false;
  timespec times[2];
  times[0].tv_sec = static_cast<time_t>(accessTime);
  times[0].tv_nsec = 0;
  times[1].tv_sec = static_cast<time_t>(writeTime);
  times[1].tv_nsec = 0;
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

}  // namespace platform
