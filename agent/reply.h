// The reply document: <?xml ...?>, <Reply command=".." status="N">, one
// <DCStorageObject> per object with one child element per attribute, or one
// <Error> on a refusal.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "errors.h"

namespace kwda {

// One object's reply elements, in the order they are answered.
using Elements = std::vector<std::pair<std::string, std::string>>;

class ReplyBuilder {
public:
    explicit ReplyBuilder(std::string command);
    void addObject(const Elements& elements);
    // A write's outcome that its objects do not say by themselves (the new
    // virtual disk's number, the file written): one <Result> element after
    // the objects, one child element per fact.
    void addResult(const Elements& facts);
    size_t objectCount() const { return objects_; }
    // The finished document with status="0".
    std::string finish() const;

private:
    std::string command_;
    std::string body_;
    std::string result_;
    size_t objects_ = 0;
};

std::string errorReply(const std::string& command, Status status, const std::string& reason);

// Escapes &, <, >, " for element text and attributes. Whatever the text
// holds, the result is well-formed: a byte sequence that is not UTF-8
// becomes U+FFFD and control characters other than tab, newline and
// carriage return are dropped.
std::string xmlEscape(const std::string& text);

// A mask as binary digits, most significant first, no leading zeros ("0" for 0).
std::string maskText(uint64_t mask);
// The value of a binary-digit text; only the rightmost 32 digits count.
uint32_t maskValue(const std::string& digits);

}  // namespace kwda
