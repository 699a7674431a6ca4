// A small strict JSON reader for tests: it accepts exactly RFC 8259 text
// (one value, no trailing commas, escapes and UTF-8 checked, no raw control
// characters) and gives the value back as a tree for member checks.
#pragma once

#include <cstdint>
#include <map>
#include <string>
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
        skip();
        if (!value(out, 0)) {
            error = error_ + " at byte " + std::to_string(i_);
            return false;
        }
        skip();
        if (i_ != s_.size()) {
            error = "text after the value at byte " + std::to_string(i_);
            return false;
        }
        return true;
    }

private:
    bool fail(const char* why) {
        error_ = why;
        return false;
    }
    void skip() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r')) ++i_;
    }
    bool literal(const char* word) {
        std::string w(word);
        if (s_.compare(i_, w.size(), w) != 0) return fail("bad literal");
        i_ += w.size();
        return true;
    }
    bool value(Value& v, int depth) {
        if (depth > 200) return fail("too deep");
        if (i_ >= s_.size()) return fail("value expected");
        char c = s_[i_];
        if (c == '{') return object(v, depth);
        if (c == '[') return array(v, depth);
        if (c == '"') { v.type = Value::String; return string(v.string); }
        if (c == 't') { v.type = Value::Bool; v.boolean = true; return literal("true"); }
        if (c == 'f') { v.type = Value::Bool; return literal("false"); }
        if (c == 'n') { v.type = Value::Null; return literal("null"); }
        return number(v);
    }
    bool object(Value& v, int depth) {
        v.type = Value::Object;
        ++i_;
        skip();
        if (i_ < s_.size() && s_[i_] == '}') { ++i_; return true; }
        while (true) {
            skip();
            std::string name;
            if (i_ >= s_.size() || s_[i_] != '"') return fail("member name expected");
            if (!string(name)) return false;
            skip();
            if (i_ >= s_.size() || s_[i_] != ':') return fail("':' expected");
            ++i_;
            skip();
            Value member;
            if (!value(member, depth + 1)) return false;
            v.members.emplace_back(std::move(name), std::move(member));
            skip();
            if (i_ < s_.size() && s_[i_] == ',') { ++i_; continue; }
            if (i_ < s_.size() && s_[i_] == '}') { ++i_; return true; }
            return fail("',' or '}' expected");
        }
    }
    bool array(Value& v, int depth) {
        v.type = Value::Array;
        ++i_;
        skip();
        if (i_ < s_.size() && s_[i_] == ']') { ++i_; return true; }
        while (true) {
            skip();
            Value item;
            if (!value(item, depth + 1)) return false;
            v.items.push_back(std::move(item));
            skip();
            if (i_ < s_.size() && s_[i_] == ',') { ++i_; continue; }
            if (i_ < s_.size() && s_[i_] == ']') { ++i_; return true; }
            return fail("',' or ']' expected");
        }
    }
    static void append(std::string& out, uint32_t code) {
        if (code < 0x80) out += static_cast<char>(code);
        else if (code < 0x800) { out += static_cast<char>(0xC0 | (code >> 6)); out += static_cast<char>(0x80 | (code & 0x3F)); }
        else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    bool hex4(uint32_t& code) {
        if (i_ + 4 > s_.size()) return fail("short \\u escape");
        code = 0;
        for (int k = 0; k < 4; ++k) {
            char h = s_[i_++];
            code <<= 4;
            if (h >= '0' && h <= '9') code |= static_cast<uint32_t>(h - '0');
            else if (h >= 'a' && h <= 'f') code |= static_cast<uint32_t>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F') code |= static_cast<uint32_t>(h - 'A' + 10);
            else return fail("bad \\u escape");
        }
        return true;
    }
    // One UTF-8 sequence, checked for shortest form and range.
    bool utf8(std::string& out) {
        unsigned char c = static_cast<unsigned char>(s_[i_]);
        size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c <= 0xDF ? 2 : 0;
        if (n == 0 || c > 0xF4 || i_ + n > s_.size()) return fail("invalid UTF-8");
        uint32_t code = c & (0xFF >> (n + 1));
        for (size_t k = 1; k < n; ++k) {
            unsigned char d = static_cast<unsigned char>(s_[i_ + k]);
            if ((d & 0xC0) != 0x80) return fail("invalid UTF-8");
            code = (code << 6) | (d & 0x3F);
        }
        const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[n] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return fail("invalid UTF-8");
        out.append(s_, i_, n);
        i_ += n;
        return true;
    }
    bool string(std::string& out) {
        ++i_;  // the opening quote
        while (true) {
            if (i_ >= s_.size()) return fail("unterminated string");
            unsigned char c = static_cast<unsigned char>(s_[i_]);
            if (c == '"') { ++i_; return true; }
            if (c < 0x20) return fail("raw control character in string");
            if (c >= 0x80) { if (!utf8(out)) return false; continue; }
            if (c != '\\') { out += static_cast<char>(c); ++i_; continue; }
            if (++i_ >= s_.size()) return fail("unterminated escape");
            char e = s_[i_++];
            switch (e) {
                case '"': out += '"'; break;
                case '\\': out += '\\'; break;
                case '/': out += '/'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': {
                    uint32_t code = 0;
                    if (!hex4(code)) return false;
                    if (code >= 0xD800 && code <= 0xDBFF) {
                        uint32_t low = 0;
                        if (s_.compare(i_, 2, "\\u") != 0) return fail("lone surrogate");
                        i_ += 2;
                        if (!hex4(low) || low < 0xDC00 || low > 0xDFFF) return fail("lone surrogate");
                        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    } else if (code >= 0xDC00 && code <= 0xDFFF) {
                        return fail("lone surrogate");
                    }
                    append(out, code);
                    break;
                }
                default: return fail("bad escape");
            }
        }
    }
    bool number(Value& v) {
        size_t start = i_;
        if (i_ < s_.size() && s_[i_] == '-') ++i_;
        if (i_ >= s_.size() || !isdigit(static_cast<unsigned char>(s_[i_]))) return fail("value expected");
        if (s_[i_] == '0') ++i_;
        else while (i_ < s_.size() && isdigit(static_cast<unsigned char>(s_[i_]))) ++i_;
        if (i_ < s_.size() && s_[i_] == '.') {
            ++i_;
            if (i_ >= s_.size() || !isdigit(static_cast<unsigned char>(s_[i_]))) return fail("digit expected");
            while (i_ < s_.size() && isdigit(static_cast<unsigned char>(s_[i_]))) ++i_;
        }
        if (i_ < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E')) {
            ++i_;
            if (i_ < s_.size() && (s_[i_] == '+' || s_[i_] == '-')) ++i_;
            if (i_ >= s_.size() || !isdigit(static_cast<unsigned char>(s_[i_]))) return fail("digit expected");
            while (i_ < s_.size() && isdigit(static_cast<unsigned char>(s_[i_]))) ++i_;
        }
        v.type = Value::Number;
        v.number = std::stod(s_.substr(start, i_ - start));
        return true;
    }
    static bool isdigit(unsigned char c) { return c >= '0' && c <= '9'; }

    const std::string& s_;
    size_t i_ = 0;
    std::string error_;
};

inline bool parse(const std::string& text, Value& out, std::string& error) { return Reader(text).read(out, error); }

}  // namespace jsoncheck
