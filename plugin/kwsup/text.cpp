// Text, number and name rules shared by the callbacks and checks. Bytes are
// plain bytes: no multi-byte encoding is recognised and every byte of 0x80 or
// above is an ordinary non-letter. All but IsNameCorrectLength work on their
// arguments alone.
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "kwsup/agent.h"
#include "kwsup/guards.h"
#include "kwsup/kwsup.h"
#include "plugin/nvtable.h"
#include "trace/sysdbg.h"

namespace {

constexpr uint32_t kArgSize = 320;
constexpr size_t kNumberWorkSize = 256;

bool isAsciiLetterOrDigit(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool isDecimalDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

extern "C" {

// Room left for a bounded append into a buffer of capacity bytes, computed
// in signed 32 bits as every caller expects: a capacity past 2^31 counts as
// negative and leaves no room. Never negative.
KW_EXPORT int32_t strFreeLen(const char* text, uint32_t capacity) {
    const uint32_t length = text != nullptr ? static_cast<uint32_t>(strlen(text)) : 0;
    const int32_t room = static_cast<int32_t>(capacity - length - 1u);
    return room < 0 ? 0 : room;
}

// 0 for texts of the same length with equal letters regardless of case,
// else 1. A null text equals only another null text.
KW_EXPORT int32_t strcmpCaseIgnore(const char* a, const char* b) {
    if (a == nullptr || b == nullptr) return a == b ? 0 : 1;
    const size_t length = strlen(a);
    if (length != strlen(b)) return 1;
    for (size_t i = 0; i < length; ++i) {
        if (tolower(static_cast<unsigned char>(a[i])) != tolower(static_cast<unsigned char>(b[i]))) return 1;
    }
    return 0;
}

// Inverse sense: 0 for a decimal digit.
KW_EXPORT int32_t MyIsDigit(char c) { return isDecimalDigit(c) ? 0 : 1; }

KW_EXPORT int32_t IsValidChar(char c) {
    return (isAsciiLetterOrDigit(c) || c == '-' || c == '_' || c == ' ') ? 0 : 1;
}

KW_EXPORT int32_t IsValidCharNoSpace(char c) {
    return (isAsciiLetterOrDigit(c) || c == '-' || c == '_') ? 0 : 1;
}

// With the edge rule on, a name may neither start nor end with a space;
// spaces inside are always accepted. The empty name is valid; a null one is
// not.
KW_EXPORT int32_t IsStringAValidName(const char* text, uint32_t edgeRule) {
    int32_t result = 0;
    if (text == nullptr) {
        result = 1;
    } else {
        const size_t length = strlen(text);
        for (size_t i = 0; i < length && result == 0; ++i) {
            if (IsValidChar(text[i]) != 0) result = 1;
            else if (edgeRule != 0 && text[i] == ' ' && (i == 0 || i == length - 1)) result = 1;
        }
    }
    if (__SysDbgIsLevelEnabled(4)) __SysDbgPrint("KWCLP:IsStringAValidName: result %d\n", result);
    return result;
}

KW_EXPORT int32_t IsStringAValidNameNoSpace(const char* text) {
    if (text == nullptr) return 1;
    for (const char* p = text; *p != '\0'; ++p) {
        if (IsValidCharNoSpace(*p) != 0) return 1;
    }
    return 0;
}

// 0 when 1 <= length(name) <= the controller's MaxNameLength. maxLength
// (capacity bytes, zeroed by the caller) keeps the text read for the
// caller's message; a record without the element leaves it untouched.
KW_EXPORT int32_t IsNameCorrectLength(const char* name, const char* controller, char* maxLength,
                                      uint32_t capacity) {
    const uint32_t length = name != nullptr ? static_cast<uint32_t>(strlen(name)) : 0;
    char globalNo[kArgSize];
    snprintf(globalNo, sizeof globalNo, "GlobalNo=%s", controller != nullptr ? controller : "");
    kwsup::XBufGuard buffer;
    const int32_t status = kwsup::queryIntoBuffer({"vexcmd=getController", globalNo, "CLI=true"}, buffer,
                                                  "IsNameCorrectLength");
    if (status != kwsup::kQueryOk) return status;
    if (maxLength == nullptr) return 1;
    QueryNodeNameValueWithSize("MaxNameLength", maxLength, capacity, 0, buffer.get());
    // Read as a decimal number (0 without digits) and compared unsigned.
    const uint32_t maximum = static_cast<uint32_t>(atoi(maxLength));
    return (length >= 1 && length <= maximum) ? 0 : 1;
}

// Digits with at most one decimal point; the empty text is valid, a null
// one is not.
KW_EXPORT int32_t IsStringAValidNumericValue(const char* text) {
    if (text == nullptr) return 1;
    int points = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == '.') {
            if (++points > 1) return 1;
        } else if (!isDecimalDigit(*p)) {
            return 1;
        }
    }
    return 0;
}

// The integer digits of value, without rounding; a negative value gives the
// empty text. destination must hold every integer digit.
KW_EXPORT int32_t ConvertToStringRepresentingInteger(double value, char* destination) {
    if (destination == nullptr) return 0;
    destination[0] = '\0';
    // At most 255 bytes are written, terminator included: 254 digits at most.
    char work[kNumberWorkSize];
    snprintf(work, kNumberWorkSize - 1, "%f", value);
    for (size_t i = 0; isDecimalDigit(work[i]); ++i) {
        destination[i] = work[i];
        destination[i + 1] = '\0';
    }
    return 0;
}

// A bad first character gives -1, so that it cannot be mistaken for the 0 of
// a valid text.
KW_EXPORT int32_t IsStringABinaryRepresentation(const char* text) {
    if (text == nullptr) return 0;
    for (int32_t i = 0; text[i] != '\0'; ++i) {
        if (text[i] != '0' && text[i] != '1') return i == 0 ? -1 : i;
    }
    return 0;
}

// Most significant digit first. The sum is taken modulo 2^32, so digits left
// of the rightmost 32 add nothing. The text is not checked: any other
// character weighs its code minus the code of '0' (modulo 2^32).
KW_EXPORT int32_t ConvertBinaryStringToInteger(const char* text, uint32_t* destination) {
    if (destination == nullptr) return 0;
    uint32_t value = 0;
    for (const char* p = text; p != nullptr && *p != '\0'; ++p)
        value = value * 2u + static_cast<uint32_t>(*p - '0');
    *destination = value;
    return 0;
}

// Removes every blank (0x20) in place; tabs and other white space stay.
KW_EXPORT void stripWhiteSpaceFromStr(char* text) {
    if (text == nullptr) return;
    char* out = text;
    for (const char* in = text; *in != '\0'; ++in) {
        if (*in != ' ') *out++ = *in;
    }
    *out = '\0';
}

// adisk and pdisk are one parameter under two words: exactly one may be
// given, and the caller then reads the disks from the adisk slot.
KW_EXPORT int32_t checkAdiskPdisk(char** adisk, char** pdisk) {
    const bool hasAdisk = adisk != nullptr && *adisk != nullptr;
    const bool hasPdisk = pdisk != nullptr && *pdisk != nullptr;
    if (!hasAdisk && !hasPdisk) return KW_STATUS_NO_DISK_PARAMETER;
    if (hasAdisk && hasPdisk) return KW_STATUS_BOTH_DISK_PARAMETERS;
    if (hasPdisk && adisk != nullptr) *adisk = *pdisk;
    return 0;
}

}  // extern "C"
