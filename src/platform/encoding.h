#pragma once

#include <string>
#include <string_view>

namespace kresbon {

// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);
// True when some byte is 0x80 or above.
bool HasNonAscii(std::string_view bytes);

// Windows-1250 bytes to UTF-8. Bytes that code page leaves undefined come
// out as U+FFFD.
std::string Cp1250ToUtf8(std::string_view cp1250);
// UTF-8 to Windows-1250; a character the code page lacks, or a malformed
// sequence, becomes '?'.
std::string Utf8ToCp1250(std::string_view utf8);

// Unicode code point of a Windows-1250 byte (0xFFFD where undefined).
char32_t Cp1250ToUnicode(unsigned char c);

}  // namespace kresbon
