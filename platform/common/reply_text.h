// Reading an agent's reply as the platform libraries need it: the root
// element's attributes and a refusal's reason, without building a document
// (the replies of a refusal are small; an answer may be megabytes). Shared,
// header only, by the framework and the data bridge.
#pragma once

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

namespace rkreply {

inline bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.' || c == ':';
}

// The root element's start tag (from '<' to '>'), past the declaration,
// processing instructions, comments and a document type; empty when none.
inline std::string_view rootStartTag(std::string_view text) {
    size_t pos = 0;
    while ((pos = text.find('<', pos)) != std::string_view::npos) {
        std::string_view rest = text.substr(pos);
        size_t skipTo = std::string_view::npos;
        if (rest.starts_with("<?")) skipTo = text.find("?>", pos);
        else if (rest.starts_with("<!--")) skipTo = text.find("-->", pos);
        else if (rest.starts_with("<!")) skipTo = text.find('>', pos);
        else break;
        if (skipTo == std::string_view::npos) return {};
        pos = skipTo + 1;
    }
    if (pos == std::string_view::npos) return {};
    char quote = 0;
    for (size_t i = pos + 1; i < text.size(); ++i) {
        char c = text[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return text.substr(pos, i - pos + 1);
        }
    }
    return {};
}

// The value of an attribute of a start tag, entities left as they stand.
inline bool attributeValue(std::string_view tag, std::string_view name, std::string_view& value) {
    size_t i = 1;
    while (i < tag.size() && isNameChar(tag[i])) ++i;  // the element name
    while (i < tag.size()) {
        while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i]))) ++i;
        size_t nameStart = i;
        while (i < tag.size() && isNameChar(tag[i])) ++i;
        std::string_view attribute = tag.substr(nameStart, i - nameStart);
        if (attribute.empty()) return false;
        while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i]))) ++i;
        if (i >= tag.size() || tag[i] != '=') return false;
        ++i;
        while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i]))) ++i;
        if (i >= tag.size() || (tag[i] != '"' && tag[i] != '\'')) return false;
        char quote = tag[i++];
        size_t end = tag.find(quote, i);
        if (end == std::string_view::npos) return false;
        if (attribute == name) {
            value = tag.substr(i, end - i);
            return true;
        }
        i = end + 1;
    }
    return false;
}

inline void appendCodePoint(std::string& out, unsigned long code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x110000) {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Character data with its entity and character references resolved; an
// unknown reference stays as it stands.
inline std::string unescape(std::string_view text) {
    static const std::pair<std::string_view, char> kEntities[] = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        size_t end = text[i] == '&' ? text.find(';', i) : std::string_view::npos;
        if (end == std::string_view::npos || end - i > 10) {
            out += text[i];
            continue;
        }
        std::string_view name = text.substr(i + 1, end - i - 1);
        bool resolved = false;
        for (const auto& [entity, c] : kEntities) {
            if (name == entity) {
                out += c;
                resolved = true;
            }
        }
        if (!resolved && name.size() > 1 && name[0] == '#') {
            bool hex = name[1] == 'x' || name[1] == 'X';
            std::string digits(name.substr(hex ? 2 : 1));
            char* stop = nullptr;
            unsigned long code = std::strtoul(digits.c_str(), &stop, hex ? 16 : 10);
            if (!digits.empty() && stop && *stop == '\0') {
                appendCodePoint(out, code);
                resolved = true;
            }
        }
        if (resolved)
            i = end;
        else
            out += text[i];
    }
    return out;
}

// The text of the first <Error> element, CDATA sections included as they stand.
inline std::string errorText(std::string_view reply) {
    size_t pos = 0;
    while ((pos = reply.find("<Error", pos)) != std::string_view::npos) {
        size_t after = pos + 6;
        if (after < reply.size() && (reply[after] == '>' || std::isspace(static_cast<unsigned char>(reply[after])))) {
            size_t open = reply.find('>', after);
            if (open == std::string_view::npos || reply[open - 1] == '/') return {};
            size_t close = reply.find("</Error>", open);
            if (close == std::string_view::npos) return {};
            std::string_view content = reply.substr(open + 1, close - open - 1);
            if (content.starts_with("<![CDATA[") && content.ends_with("]]>"))
                return std::string(content.substr(9, content.size() - 12));
            return unescape(content);
        }
        pos = after;
    }
    return {};
}

// A reply whose root carries a non-zero numeric status is a refusal: its
// status and the text of its first <Error> element ("" when none).
inline bool readRefusal(std::string_view replyText, int32_t& status, std::string& reason) {
    std::string_view value;
    if (!attributeValue(rootStartTag(replyText), "status", value)) return false;
    std::string digits(value);
    char* stop = nullptr;
    long code = std::strtol(digits.c_str(), &stop, 10);
    // A status that is not a number tells nothing; the reply stands as sent.
    if (digits.empty() || !stop || *stop != '\0' || code == 0) return false;
    status = static_cast<int32_t>(code);
    reason = errorText(replyText);
    return true;
}

}  // namespace rkreply
