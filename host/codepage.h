// Text conversion at the host boundary: the plug-in and the drawing speak
// Windows-1252, the terminal, scripts and trace speak UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace drafthost {

// UTF-8 text of a Windows-1252 string. The five bytes 1252 leaves undefined map
// to the C1 control characters of the same value, so every byte round-trips.
std::string cp1252ToUtf8(std::string_view text);

// Windows-1252 text of a UTF-8 string; characters 1252 cannot hold and bytes
// that are not valid UTF-8 become '?'.
std::string utf8ToCp1252(std::string_view text);

}  // namespace drafthost
