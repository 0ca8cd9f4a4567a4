#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vk {

// Cells hold UTF-8. Files made on Windows are usually Windows-1252; these helpers decide and
// convert without any locale.
bool IsValidUtf8(std::string_view bytes);
std::string Windows1252ToUtf8(std::string_view bytes);
// Valid UTF-8 as it is, anything else taken as Windows-1252 (a file that slipped in undecoded).
std::string AsUtf8(std::string_view bytes);
// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& out, uint32_t codePoint);
// UTF-16 without its byte-order mark; an unpaired surrogate or an odd last byte becomes
// U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian);

// Lower / upper case of ASCII and of the Latin-1 letters (umlauts, accents); other characters
// stay as they are.
std::string Utf8Lower(const std::string& s);
std::string Utf8Upper(const std::string& s);

// The first character (one UTF-8 sequence) of s; empty for an empty text.
std::string FirstChar(const std::string& s);
// Number of characters (UTF-8 sequences) in s.
size_t CharCount(const std::string& s);
// The first n characters of s.
std::string FirstChars(const std::string& s, size_t n);

} // namespace vk
