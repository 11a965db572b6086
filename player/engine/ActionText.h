#pragma once
// Texts of scripts are UTF-8; string functions count in characters.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tvmplayer {

std::u32string Utf8Decode(const std::string& text);
std::string Utf8Encode(const std::u32string& text);
std::string Utf8FromCode(uint32_t code);
size_t Utf8Length(const std::string& text);
uint32_t Utf8CodeAt(const std::string& text, size_t index);
// count characters from start (both whole numbers; a negative count means
// to the end), clamped to the text.
std::string Utf8Substring(const std::string& text, double start, double count);
// The same over bytes, for the actions of version 4.
std::string ExtractBytes(const std::string& text, double start, double count);

}
