// File facts and times on Windows: GetFileAttributesExW for kind, size and
// times, GetFileInformationByHandle for the file's identity, SetFileTime.
// Times cross between UTC file times and local calendar times through the
// time zone rules of the date itself.
#include "platform/files.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>

#include "platform/win32_text.h"

namespace platform {

namespace {

using win32::widen;

// 100-ns intervals from 1601 to 1970.
constexpr std::int64_t kEpochOffset = 116444736000000000LL;

std::int64_t toSeconds(const FILETIME& t) {
  const std::int64_t ticks = (static_cast<std::int64_t>(t.dwHighDateTime) << 32) |
                             static_cast<std::int64_t>(t.dwLowDateTime);
  return (ticks - kEpochOffset) / 10000000LL;
}

FILETIME fromSeconds(std::int64_t seconds) {
  const std::uint64_t ticks = static_cast<std::uint64_t>(seconds * 10000000LL + kEpochOffset);
  FILETIME t;
  t.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
  t.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return t;
}

bool attributes(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  return ::GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data) != 0;
}

// Opens the path for its attributes only (directories too).
HANDLE openForAttributes(const std::string& path, DWORD access) {
  return ::CreateFileW(widen(path).c_str(), access,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Sets the access or write time (the other stays) or both.
bool setTimes(const std::string& path, const FILETIME* access, const FILETIME* write) {
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  HANDLE h = openForAttributes(path, FILE_WRITE_ATTRIBUTES);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = ::SetFileTime(h, nullptr, access, write) != 0;
  ::CloseHandle(h);
  return ok;
}

}  // namespace

bool statPath(const std::string& path, FileInfo& info) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!attributes(path, data)) return false;
  FileInfo out;
  out.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  out.isRegular = !out.isDirectory && (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) == 0;
  out.readable = true;
  out.writable = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0;
  out.size = (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  out.accessTime = toSeconds(data.ftLastAccessTime);
  out.writeTime = toSeconds(data.ftLastWriteTime);
  HANDLE h = openForAttributes(path, 0);
  if (h != INVALID_HANDLE_VALUE) {
    BY_HANDLE_FILE_INFORMATION id{};
    if (::GetFileInformationByHandle(h, &id)) {
      out.device = id.dwVolumeSerialNumber;
      out.inode = (static_cast<std::uint64_t>(id.nFileIndexHigh) << 32) | id.nFileIndexLow;
    }
    ::CloseHandle(h);
  }
  info = out;
  return true;
}

bool isSymbolicLink(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  return attributes(path, data) && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool pathExists(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  return attributes(path, data);
}

bool sameFile(const std::string& a, const std::string& b) {
  FileInfo ia, ib;
  return statPath(a, ia) && statPath(b, ib) && (ia.device || ia.inode) && ia.device == ib.device &&
         ia.inode == ib.inode;
}

std::FILE* createNewFile(const std::string& path, bool& exists) {
  exists = false;
  if (path.empty() || path.find('\0') != std::string::npos) return nullptr;
  const int fd = ::_wopen(widen(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                          _S_IREAD | _S_IWRITE);
  if (fd < 0) {
    exists = errno == EEXIST;
    return nullptr;
  }
  std::FILE* file = ::_fdopen(fd, "wb");
  if (!file) ::_close(fd);
  return file;
}

bool getFileTime(const std::string& path, FileTime which, LocalDateTime& out) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!attributes(path, data)) return false;
  SYSTEMTIME utc, local;
  const FILETIME& t = which == FileTime::Access ? data.ftLastAccessTime : data.ftLastWriteTime;
  if (!::FileTimeToSystemTime(&t, &utc) ||
      !::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
    return false;
  out.year = local.wYear;
  out.month = local.wMonth;
  out.day = local.wDay;
  out.hour = local.wHour;
  out.minute = local.wMinute;
  out.second = local.wSecond;
  return true;
}

bool setFileTime(const std::string& path, FileTime which, const LocalDateTime& when) {
  SYSTEMTIME local{}, utc{};
  local.wYear = static_cast<WORD>(when.year);
  local.wMonth = static_cast<WORD>(when.month);
  local.wDay = static_cast<WORD>(when.day);
  local.wHour = static_cast<WORD>(when.hour);
  local.wMinute = static_cast<WORD>(when.minute);
  local.wSecond = static_cast<WORD>(when.second);
  FILETIME t, check;
  // SystemTimeToFileTime refuses impossible dates such as 31 February.
  if (when.year < 1601 || when.year > 30827 || !::SystemTimeToFileTime(&local, &check) ||
      !::TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) ||
      !::SystemTimeToFileTime(&utc, &t))
    return false;
  return which == FileTime::Access ? setTimes(path, &t, nullptr) : setTimes(path, nullptr, &t);
}

bool setFileTimes(const std::string& path, std::int64_t accessTime, std::int64_t writeTime) {
  const FILETIME access = fromSeconds(accessTime), write = fromSeconds(writeTime);
  return setTimes(path, &access, &write);
}

}  // namespace platform
