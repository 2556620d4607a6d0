// Texts at the Windows boundary: the plug-in works in Windows-1252, the wide
// Windows functions take UTF-16. Used by the Win32 files of this folder only.
#pragma once

#ifdef _WIN32

#include <windows.h>

#include <string>

namespace platform::win32 {

// Windows-1252 to UTF-16 (every byte has a character).
inline std::wstring widen(const std::string& text) {
  if (text.empty()) return {};
  const int n =
      ::MultiByteToWideChar(1252, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(1252, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

// UTF-16 to Windows-1252; characters it lacks become "?".
inline std::string narrow(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = ::WideCharToMultiByte(1252, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                      0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(1252, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
  return out;
}

}  // namespace platform::win32

#endif
