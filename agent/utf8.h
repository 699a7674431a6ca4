// UTF-8 as the replies need it: where one character ends, and whether a
// text may be stored at all. Header-only so that anything compiling
// reply.cpp on its own gets it too.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace kwda {

// One step through a text: a well-formed character of `length` bytes, or
// (valid false) the longest start of one that goes wrong, which a reader
// replaces by a single U+FFFD. Overlong forms, surrogates (U+D800..U+DFFF)
// and values above U+10FFFF are never well-formed.
struct Utf8Step {
    size_t length = 1;
    bool valid = true;
};

inline Utf8Step utf8Step(std::string_view text, size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) return {1, true};
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // below: overlong
        if (lead == 0xED) high = 0x9F;  // above: surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;   // below: overlong
        if (lead == 0xF4) high = 0x8F;  // above: beyond U+10FFFF
    } else {
        return {1, false};  // a continuation byte, C0/C1 (overlong) or F5..FF
    }
    for (size_t k = 1; k < length; ++k) {
        if (at + k >= text.size()) return {k, false};
        const auto byte = static_cast<unsigned char>(text[at + k]);
        if (byte < (k == 1 ? low : 0x80) || byte > (k == 1 ? high : 0xBF)) return {k, false};
    }
    return {length, true};
}

// Why a text cannot be stored and shown again, or nullopt when it can: it
// must be well-formed UTF-8 without control characters (a tab is allowed).
inline std::optional<std::string> textFault(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        const Utf8Step step = utf8Step(text, at);
        if (!step.valid) return "is not valid UTF-8 text (byte " + std::to_string(at + 1) + ")";
        if ((byte < 0x20 && byte != '\t') || byte == 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", byte);
            return std::string("holds the control character ") + code + " (byte " + std::to_string(at + 1) + ")";
        }
        at += step.length;
    }
    return std::nullopt;
}

}  // namespace kwda
