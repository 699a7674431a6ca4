// The six layout and policy value checks and their word converters. Every
// value is one bit; a check tests the bit against the controller's
// capability mask and, when it is not offered, lists the words of the values
// that are.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "kwsup/agent.h"
#include "kwsup/kwsup.h"
#include "trace/sysdbg.h"

namespace {

using namespace kwsup;

constexpr uint32_t kArgSize = 256;
constexpr uint32_t kMaskSize = 64;
constexpr uint32_t kWordSize = 16;

// One value bit and its user word.
struct ValueWord {
    uint32_t    bit;
    const char* word;
};

const ValueWord kRaidLayoutWords[] = {
    {1,      "c"},
    {2,      "r0"},
    {4,      "r1"},
    {64,     "r5"},
    {128,    "r6"},
    {512,    "r10"},
    {2048,   "r50"},
    {4096,   "r1c"},
    {262144, "r60"},
};

const ValueWord kReadPolicyWords[] = {
    {1,  "rc"},
    {2,  "nrc"},
    {4,  "ra"},
    {8,  "ara"},
    {16, "nra"},
};

const ValueWord kWritePolicyWords[] = {
    {1,  "wc"},
    {2,  "nwc"},
    {4,  "wb"},
    {8,  "wt"},
    {16, "wea"},
    {32, "fwb"},
};

const ValueWord kCachePolicyWords[] = {
    {1, "d"},
    {2, "c"},
};

const ValueWord kDiskCachePolicyWords[] = {
    {1, "enabled"},
    {2, "disabled"},
};

const ValueWord kStripeSizeWords[] = {
    {1,     "512b"},
    {2,     "1kb"},
    {4,     "2kb"},
    {8,     "4kb"},
    {16,    "8kb"},
    {32,    "16kb"},
    {64,    "32kb"},
    {128,   "64kb"},
    {256,   "128kb"},
    {512,   "256kb"},
    {1024,  "512kb"},
    {2048,  "1mb"},
    {4096,  "2mb"},
    {8192,  "4mb"},
    {16384, "8mb"},
    {32768, "16mb"},
};

// Writes the word of bit into a 16-byte word buffer, or the empty text.
template <size_t N>
void wordForBit(const ValueWord (&table)[N], uint32_t bit, char* word) {
    word[0] = '\0';
    for (const ValueWord& entry : table)
        if (entry.bit == bit) snprintf(word, kWordSize, "%s", entry.word);
}

using Converter = int32_t (*)(uint32_t bit, char* word);

// What sets one check apart from the others.
struct ValueCheck {
    const char* name;         // the check, for trace lines
    const char* maskElement;  // capability mask in the controller description
    Converter   converter;
    uint32_t    highestBit;   // bits 1, 2, 4, ... up to this one are listed
};

// Reads the capability mask text; an absent reply leaves it empty. 272 when
// no reply buffer can be had.
int32_t readCapabilityMask(const ValueCheck& check, const char* controller, char* maskText) {
    char globalNo[kArgSize];
    snprintf(globalNo, sizeof globalNo, "GlobalNo=%s", controller);
    ResponseGuard reply = sendRequest({"vexcmd=getController", globalNo, "CLI=true"});
    if (!reply) return kQueryOk;
    XBufGuard buffer = allocReplyBuffer(check.name);
    if (!buffer || wrapReply(buffer.get(), reply.get()) != kQueryOk) return kQueryNoBuffer;
    reply.reset();
    QueryNodeNameValueWithSize(check.maskElement, maskText, kMaskSize, 0, buffer.get());
    return kQueryOk;
}

void appendBounded(char* list, uint32_t listSize, const char* text) {
    strncat(list, text, static_cast<size_t>(strFreeLen(list, listSize)));
}

// Appends the words of every offered bit, ", " between them. Offered bits
// without a word are left out: they name nothing the user could type.
void listOfferedValues(const ValueCheck& check, uint32_t mask, char* list, uint32_t listSize) {
    bool first = true;
    for (uint32_t bit = 1; bit != 0 && bit <= check.highestBit; bit <<= 1) {
        if ((mask & bit) == 0) continue;
        char word[kWordSize] = {};
        check.converter(bit, word);
        if (word[0] == '\0') continue;
        if (!first) appendBounded(list, listSize, ", ");
        appendBounded(list, listSize, word);
        first = false;
    }
}

int32_t checkValue(const ValueCheck& check, const char* controller, const char* value, char* list,
                   uint32_t listSize) {
    LogFunctionEntry(check.name);
    char maskText[kMaskSize] = {};
    if (readCapabilityMask(check, controller, maskText) != kQueryOk) {
        LogFunctionExit(check.name);
        return kQueryNoBuffer;
    }
    uint32_t mask = 0;
    ConvertBinaryStringToInteger(maskText, &mask);
    uint32_t wanted = value ? static_cast<uint32_t>(strtol(value, nullptr, 10)) : 0;
    int32_t result = 0;
    if ((wanted & mask) == 0) {
        listOfferedValues(check, mask, list, listSize);
        result = -1;
    }
    LogFunctionExit(check.name);
    return result;
}

}  // namespace

extern "C" {

KW_EXPORT int32_t GetUserInputStringForRaidLayoutValue(uint32_t bit, char* word) {
    LogFunctionEntry("GetUserInputStringForRaidLayoutValue");
    wordForBit(kRaidLayoutWords, bit, word);
    LogFunctionExit("GetUserInputStringForRaidLayoutValue");
    return 0;
}

KW_EXPORT int32_t GetUserInputStringForReadPolicyValue(uint32_t bit, char* word) {
    LogFunctionEntry("GetUserInputStringForReadPolicyValue");
    wordForBit(kReadPolicyWords, bit, word);
    LogFunctionExit("GetUserInputStringForReadPolicyValue");
    return 0;
}

KW_EXPORT int32_t GetUserInputStringForWritePolicyValue(uint32_t bit, char* word) {
    LogFunctionEntry("GetUserInputStringForWritePolicyValue");
    wordForBit(kWritePolicyWords, bit, word);
    LogFunctionExit("GetUserInputStringForWritePolicyValue");
    return 0;
}

KW_EXPORT int32_t GetUserInputStringForCachePolicyValue(uint32_t bit, char* word) {
    LogFunctionEntry("GetUserInputStringForCachePolicyValue");
    wordForBit(kCachePolicyWords, bit, word);
    LogFunctionExit("GetUserInputStringForCachePolicyValue");
    return 0;
}

KW_EXPORT int32_t GetUserInputStringForDiskCachePolicyValue(uint32_t bit, char* word) {
    LogFunctionEntry("GetUserInputStringForDiskCachePolicyValue");
    wordForBit(kDiskCachePolicyWords, bit, word);
    LogFunctionExit("GetUserInputStringForDiskCachePolicyValue");
    return 0;
}

KW_EXPORT int32_t GetUserInputStringForStripeSizeValue(uint32_t bit, char* word) {
    LogFunctionEntry("GetUserInputStringForStripeSizeValue");
    wordForBit(kStripeSizeWords, bit, word);
    LogFunctionExit("GetUserInputStringForStripeSizeValue");
    return 0;
}

KW_EXPORT int32_t IsUserRaidInputValueValidForController(const char* controller, const char* value,
                                                         char* list, uint32_t listSize) {
    static const ValueCheck check = {"IsUserRaidInputValueValidForController", "RAIDLevelsMask",
                                     GetUserInputStringForRaidLayoutValue, 262144};
    return checkValue(check, controller, value, list, listSize);
}

KW_EXPORT int32_t IsUserReadPolicyValidForController(const char* controller, const char* value,
                                                     char* list, uint32_t listSize) {
    static const ValueCheck check = {"IsUserReadPolicyValidForController", "ReadPolicyMask",
                                     GetUserInputStringForReadPolicyValue, 16};
    return checkValue(check, controller, value, list, listSize);
}

KW_EXPORT int32_t IsUserWritePolicyValidForController(const char* controller, const char* value,
                                                      char* list, uint32_t listSize) {
    static const ValueCheck check = {"IsUserWritePolicyValidForController", "WritePolicyMask",
                                     GetUserInputStringForWritePolicyValue, 256};
    return checkValue(check, controller, value, list, listSize);
}

KW_EXPORT int32_t IsUserCachePolicyValidForController(const char* controller, const char* value,
                                                      char* list, uint32_t listSize) {
    static const ValueCheck check = {"IsUserCachePolicyValidForController", "CachePolicyMask",
                                     GetUserInputStringForCachePolicyValue, 2};
    return checkValue(check, controller, value, list, listSize);
}

KW_EXPORT int32_t IsUserDiskCachePolicyValidForController(const char* controller, const char* value,
                                                          char* list, uint32_t listSize) {
    static const ValueCheck check = {"IsUserDiskCachePolicyValidForController", "DiskCachePolicyMask",
                                     GetUserInputStringForDiskCachePolicyValue, 2};
    return checkValue(check, controller, value, list, listSize);
}

KW_EXPORT int32_t IsUserStripeSizeValidForController(const char* controller, const char* value,
                                                     char* list, uint32_t listSize) {
    static const ValueCheck check = {"IsUserStripeSizeValidForController", "StripeSizesMask",
                                     GetUserInputStringForStripeSizeValue, 32768};
    return checkValue(check, controller, value, list, listSize);
}

}  // extern "C"
