#include "reply.h"

#include <string_view>

#include "utf8.h"

namespace kwda {

namespace {

constexpr const char* kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
constexpr const char* kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD

std::string openReply(const std::string& command, Status status) {
    std::string out = kDeclaration;
    out += "<Reply command=\"" + xmlEscape(command) + "\" status=\"" +
           std::to_string(static_cast<int>(status)) + "\">";
    return out;
}

}  // namespace

std::string xmlEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const auto c = static_cast<unsigned char>(text[at]);
        const Utf8Step step = utf8Step(text, at);
        at += step.length;
        if (!step.valid) {
            out += kReplacementCharacter;
            continue;
        }
        if (step.length > 1) {
            out.append(text, at - step.length, step.length);
            continue;
        }
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\t': case '\n': case '\r': out += static_cast<char>(c); break;
            default:
                // Other control characters cannot appear in an XML document.
                if (c >= 0x20 && c != 0x7f) out += static_cast<char>(c);
        }
    }
    return out;
}

std::string maskText(uint64_t mask) {
    if (mask == 0) return "0";
    std::string digits;
    for (; mask != 0; mask >>= 1) digits.insert(digits.begin(), (mask & 1) ? '1' : '0');
    return digits;
}

uint32_t maskValue(const std::string& digits) {
    uint32_t value = 0;
    size_t start = digits.size() > 32 ? digits.size() - 32 : 0;
    for (size_t i = start; i < digits.size(); ++i) value = (value << 1) | (digits[i] == '1' ? 1u : 0u);
    return value;
}

ReplyBuilder::ReplyBuilder(std::string command) : command_(std::move(command)) {}

namespace {

// Anything but plain printable ASCII goes the careful way: markup
// characters, control characters and every byte of a multi-byte character.
bool needsEscape(unsigned char c) {
    return c == '&' || c == '<' || c == '>' || c == '"' || c < 0x20 || c >= 0x7f;
}

// Appends the value escaped, in place: replies of thousands of objects are
// built without a temporary text per element.
void appendEscaped(std::string& out, const std::string& value) {
    bool plain = true;
    for (unsigned char c : value)
        if (needsEscape(c)) {
            plain = false;
            break;
        }
    if (plain)
        out += value;
    else
        out += xmlEscape(value);
}

}  // namespace

void ReplyBuilder::addObject(const Elements& elements) {
    body_ += "<DCStorageObject>";
    for (const auto& [name, value] : elements) {
        body_ += '<';
        body_ += name;
        body_ += '>';
        appendEscaped(body_, value);
        body_ += "</";
        body_ += name;
        body_ += '>';
    }
    body_ += "</DCStorageObject>\n";
    ++objects_;
}

void ReplyBuilder::addResult(const Elements& facts) {
    result_ = "<Result>";
    for (const auto& [name, value] : facts) {
        result_ += '<' + name + '>';
        appendEscaped(result_, value);
        result_ += "</" + name + '>';
    }
    result_ += "</Result>\n";
}

std::string ReplyBuilder::finish() const {
    std::string head = openReply(command_, Status::Ok);
    static constexpr std::string_view kTail = "</Reply>\n";
    std::string out;
    out.reserve(head.size() + 1 + body_.size() + result_.size() + kTail.size());
    out += head;
    out += objects_ || !result_.empty() ? "\n" : "";
    out += body_;
    out += result_;
    out += kTail;
    return out;
}

std::string errorReply(const std::string& command, Status status, const std::string& reason) {
    std::string out = openReply(command, status);
    out += "<Error>" + xmlEscape(reason) + "</Error></Reply>\n";
    return out;
}

}  // namespace kwda
