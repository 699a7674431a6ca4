// A minimal JSON writer for the host's json output.
#pragma once

#include <string>
#include <vector>

namespace rkhost {

// Length of the valid UTF-8 sequence that starts at text[i], or 0 when the
// bytes there are not UTF-8.
size_t utf8SequenceLength(const std::string& text, size_t i);

// Appends the UTF-8 character that starts at text[i], or U+FFFD when the
// bytes there are not UTF-8; returns how many bytes of text it took.
size_t appendUtf8OrReplacement(std::string& out, const std::string& text, size_t i);

std::string jsonString(const std::string& text);
std::string jsonStringList(const std::vector<std::string>& items);

}  // namespace rkhost
