// A small strict JSON reader for tests: it accepts exactly RFC 8259 text (one value, no trailing
// commas, escapes and UTF-8 checked, no raw control characters) and gives the value back as a tree.
#pragma once

#include <cstdint>
#include <cstring>
#include <regex>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace jsoncheck {

struct Value {
    enum Type { Null, Bool, Number, String, Array, Object } type = Null;
    bool boolean = false;
    double number = 0;
    std::string string;
    std::vector<Value> items;
    std::vector<std::pair<std::string, Value>> members;

    const Value* member(const std::string& name) const {
        for (const auto& [n, v] : members)
            if (n == name) return &v;
        return nullptr;
    }
    bool has(const std::string& name) const { return member(name) != nullptr; }
};

class Reader {
public:
    explicit Reader(const std::string& text) : s_(text) {}

    // True when the whole text is one JSON value (blanks around it allowed).
    bool read(Value& out, std::string& error) {
        bool ok = value(out);
        skip();
        if (ok && i_ != s_.size()) ok = fail("text after the value");
        if (!ok) error = error_ + " at byte " + std::to_string(i_);
        return ok;
    }

private:
    bool fail(const char* why) {
        error_ = why;
        return false;
    }
    bool at(char c) const { return i_ < s_.size() && s_[i_] == c; }
    void skip() {
        while (at(' ') || at('\t') || at('\n') || at('\r')) ++i_;
    }
    bool eat(char c) {
        skip();
        if (!at(c)) return false;
        ++i_;
        return true;
    }
    bool value(Value& v) {
        skip();
        if (at('{') || at('[')) return container(v);
        if (at('"')) {
            v.type = Value::String;
            return string(v.string);
        }
        static const std::tuple<const char*, Value::Type, bool> words[] = {
            {"true", Value::Bool, true}, {"false", Value::Bool, false}, {"null", Value::Null, false}};
        for (const auto& [word, type, truth] : words) {
            if (s_.compare(i_, std::strlen(word), word) != 0) continue;
            i_ += std::strlen(word);
            v.type = type;
            v.boolean = truth;
            return true;
        }
        return number(v);
    }
    // An object or an array.
    bool container(Value& v) {
        const bool object = s_[i_++] == '{';
        const char close = object ? '}' : ']';
        v.type = object ? Value::Object : Value::Array;
        if (eat(close)) return true;
        do {
            Value item;
            std::string name;
            skip();
            if (object && !(at('"') && string(name) && eat(':'))) return fail("member name expected");
            if (!value(item)) return false;
            if (object) v.members.emplace_back(std::move(name), std::move(item));
            else v.items.push_back(std::move(item));
        } while (eat(','));
        return eat(close) || fail("',' or a closing bracket expected");
    }
    static void append(std::string& out, uint32_t code) {
        const int extra = code < 0x80 ? 0 : code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
        const uint32_t lead[] = {0x00, 0xC0, 0xE0, 0xF0};
        out += static_cast<char>(lead[extra] | (code >> (6 * extra)));
        for (int k = extra - 1; k >= 0; --k) out += static_cast<char>(0x80 | ((code >> (6 * k)) & 0x3F));
    }
    bool hex4(uint32_t& code) {
        if (i_ + 4 > s_.size()) return fail("short \\u escape");
        const std::string hex = s_.substr(i_, 4);
        if (hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return fail("bad \\u escape");
        code = static_cast<uint32_t>(std::stoul(hex, nullptr, 16));
        i_ += 4;
        return true;
    }
    // One UTF-8 sequence, checked for shortest form and range.
    bool utf8(std::string& out) {
        const unsigned char c = static_cast<unsigned char>(s_[i_]);
        const size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 && c < 0xF0 ? 3 : c >= 0xC2 && c <= 0xDF ? 2 : 0;
        if (n == 0 || i_ + n > s_.size()) return fail("invalid UTF-8");
        uint32_t code = c & (0xFF >> (n + 1));
        for (size_t k = 1; k < n; ++k) {
            const unsigned char d = static_cast<unsigned char>(s_[i_ + k]);
            if ((d & 0xC0) != 0x80) return fail("invalid UTF-8");
            code = (code << 6) | (d & 0x3F);
        }
        const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[n] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return fail("invalid UTF-8");
        out.append(s_, i_, n);
        i_ += n;
        return true;
    }
    // After the backslash: one escape, a \u pair for a character beyond the first plane.
    bool escape(std::string& out) {
        static const std::string from = "\"\\/bfnrtu", to = "\"\\/\b\f\n\r\t";
        const size_t k = i_ < s_.size() ? from.find(s_[i_++]) : std::string::npos;
        if (k == std::string::npos) return fail("bad escape");
        if (k < to.size()) {
            out += to[k];
            return true;
        }
        uint32_t code = 0, low = 0;
        if (!hex4(code)) return false;
        if (code >= 0xDC00 && code <= 0xDFFF) return fail("lone surrogate");
        if (code >= 0xD800 && code <= 0xDBFF) {
            if (s_.compare(i_, 2, "\\u") != 0) return fail("lone surrogate");
            i_ += 2;
            if (!hex4(low) || low < 0xDC00 || low > 0xDFFF) return fail("lone surrogate");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        append(out, code);
        return true;
    }
    bool string(std::string& out) {
        for (++i_; i_ < s_.size() && s_[i_] != '"';) {
            const unsigned char c = static_cast<unsigned char>(s_[i_]);
            if (c < 0x20) return fail("raw control character in string");
            if (c >= 0x80) {
                if (!utf8(out)) return false;
            } else if (c == '\\') {
                ++i_;
                if (!escape(out)) return false;
            } else {
                out += s_[i_++];
            }
        }
        if (!at('"')) return fail("unterminated string");
        ++i_;
        return true;
    }
    bool number(Value& v) {
        static const std::regex grammar("-?(0|[1-9][0-9]*)(\\.[0-9]+)?([eE][+-]?[0-9]+)?");
        std::smatch m;
        if (!std::regex_search(s_.begin() + static_cast<long>(i_), s_.end(), m, grammar,
                               std::regex_constants::match_continuous))
            return fail("value expected");
        v.type = Value::Number;
        v.number = std::stod(m.str());
        i_ += static_cast<size_t>(m.length());
        return true;
    }

    const std::string& s_;
    size_t i_ = 0;
    std::string error_;
};

inline bool parse(const std::string& text, Value& out, std::string& error) { return Reader(text).read(out, error); }

}  // namespace jsoncheck
