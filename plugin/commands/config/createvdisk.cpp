// rkconfig storage controller action=createvdisk: the parameter list and the
// creation checks. The checks run in a fixed order and stop at the first
// failure; when every one passes the size is sent as "Length=" in bytes.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <new>

#include "commands/callbacks.h"
#include "commands/config/controller.h"
#include "kwsup/kwsup.h"
#include "trace/sysdbg.h"

extern "C" {

const NVLstRow NVLstCreateVD[41] = {
    {"controller",  "GlobalNo=",        7,          1,  nullptr,       0},
    {"adisk",       "adisk=",           0x40030000, 0,  "3:15,1:2:15", 0},
    {"pdisk",       "adisk=",           0x40030000, 0,  "3:15,1:2:15", 0},
    {"size",        "Length=",          1,          1,  nullptr,       0},
    {"raid",        "Layout=2",         1,          16, "r0",          0},
    {"raid",        "Layout=4",         1,          16, "r1",          0},
    {"raid",        "Layout=64",        1,          16, "r5",          0},
    {"raid",        "Layout=128",       1,          16, "r6",          0},
    {"raid",        "Layout=512",       1,          16, "r10",         0},
    {"raid",        "Layout=2048",      1,          16, "r50",         0},
    {"raid",        "Layout=262144",    1,          16, "r60",         0},
    {"raid",        "Layout=1",         1,          16, "c",           0},
    {"raid",        "Layout=4096",      1,          16, "r1c",         0},
    {"name",        "Name=",            1,          0,  nullptr,       0},
    {"stripesize",  "StripeSize=4",     1,          10, "2kb",         0},
    {"stripesize",  "StripeSize=8",     1,          10, "4kb",         0},
    {"stripesize",  "StripeSize=16",    1,          10, "8kb",         0},
    {"stripesize",  "StripeSize=32",    1,          10, "16kb",        0},
    {"stripesize",  "StripeSize=64",    1,          10, "32kb",        0},
    {"stripesize",  "StripeSize=128",   1,          10, "64kb",        0},
    {"stripesize",  "StripeSize=256",   1,          10, "128kb",       0},
    {"stripesize",  "StripeSize=512",   1,          10, "256kb",       0},
    {"stripesize",  "StripeSize=1024",  1,          10, "512kb",       0},
    {"stripesize",  "StripeSize=2048",  1,          10, "1mb",         0},
    {"stripesize",  "StripeSize=4096",  1,          10, "2mb",         0},
    {"stripesize",  "StripeSize=8192",  1,          10, "4mb",         0},
    {"stripesize",  "StripeSize=16384", 1,          10, "8mb",         0},
    {"stripesize",  "StripeSize=32768", 1,          10, "16mb",        0},
    {"readpolicy",  "ReadPolicy=1",     1,          10, "rc",          0},
    {"readpolicy",  "ReadPolicy=2",     1,          10, "nrc",         0},
    {"readpolicy",  "ReadPolicy=4",     1,          10, "ra",          0},
    {"readpolicy",  "ReadPolicy=8",     1,          10, "ara",         0},
    {"readpolicy",  "ReadPolicy=16",    1,          10, "nra",         0},
    {"writepolicy", "WritePolicy=1",    1,          10, "wc",          0},
    {"writepolicy", "WritePolicy=2",    1,          10, "nwc",         0},
    {"writepolicy", "WritePolicy=4",    1,          10, "wb",          0},
    {"writepolicy", "WritePolicy=8",    1,          10, "wt",          0},
    {"writepolicy", "WritePolicy=32",   1,          10, "fwb",         0},
    {"cachepolicy", "CachePolicy=1",    1,          10, "d",           0},
    {"cachepolicy", "CachePolicy=2",    1,          10, "c",           0},
    {"spanlength",  "SpanLength=",      7,          0,  nullptr,       0},
};

}  // extern "C"

namespace {

using kwcmd::requestValue;
using kwcmd::setMessage;
using kwcmd::userParam;

constexpr KwStatus kProceed = KW_STATUS_PROCEED;

// Disk identifiers are compared on their first 7 characters.
constexpr size_t kDiskIdSize = 8;
// The user's disk list is cut into at most this many identifiers.
constexpr size_t kMaxRequestedDisks = 256;
// The user's disk list: the framework keeps every value below 256 bytes, the
// buffer allows the longest list a request block could ever carry.
constexpr size_t kDiskListSize = 2048;
// The controller's valid disks, ", " separated. The list holds every disk
// of the controller, not only the first 256 or 2047 characters' worth: a
// bound of that size would refuse real disks on a controller with more.
// Room for 2048 disks with identifiers up to "255:255:255" (11 characters
// and the separator); a refusal that names the list may be long, and the
// text output wraps it.
constexpr uint32_t kValidListSize = 2048 * 13 + 1;
constexpr uint32_t kPolicyListSize = 128;
constexpr uint32_t kSizeTextSize = 16;
constexpr uint32_t kMaxNameTextSize = 8;
constexpr size_t kNumberSize = 256;

// Layout bits.
constexpr long kLayoutConcat = 1;
constexpr long kLayoutRaid0 = 2;
constexpr long kLayoutRaid1 = 4;
constexpr long kLayoutRaid5 = 64;
constexpr long kLayoutRaid6 = 128;
constexpr long kLayoutRaid10 = 512;
constexpr long kLayoutRaid50 = 2048;
constexpr long kLayoutRaid1c = 4096;
constexpr long kLayoutRaid60 = 262144;

const char kNameCharacterRule[] = "[A-Z,a-z,0-9,-, ,_] and cannot start/end with spaces.";
const char kNameLengthRule[] = "Names with minimum name length of 1, maximum name length of %s";
const char kNoValidDisks[] = "None - no valid adisks found";

// Everything the checks learn, in the order they learn it.
struct Creation {
    const char* controller;
    uint32_t    argc;
    char**      argv;
    uint32_t*   reqCount;
    char**      reqArgs;
    char*       msgArg1;
    char*       msgArg2;

    const char* layoutText = nullptr;  // request "Layout": the layout bit in decimal
    long        layout = 0;
    char*       validList = nullptr;   // as the identifier check produced it
    const char* diskList = nullptr;    // the user's adisk or pdisk value
    char        requested[kMaxRequestedDisks][kDiskIdSize] = {};
    uint32_t    diskCount = 0;
    uint32_t    spanLength = 0;        // 0 when none was given
    char        minimum[kSizeTextSize] = {};
    char        maximum[kSizeTextSize] = {};
};

void traceLine(const char* line) {
    if (__SysDbgIsLevelEnabled(3)) __SysDbgPrint("%s", line);
}

// Copies at most 7 characters of [begin, end) into a table entry.
void copyDiskId(char* entry, const char* begin, size_t length) {
    if (length > kDiskIdSize - 1) length = kDiskIdSize - 1;
    memcpy(entry, begin, length);
    entry[length] = '\0';
}

// 1. The controller must offer the layout.
int32_t checkRaidLayout(Creation& c) {
    const char* raid = userParam(c.argc, c.argv, "raid");
    c.layoutText = requestValue(c.reqCount, c.reqArgs, "Layout");
    // A line without a layout is refused by the framework; should one arrive
    // anyway it is refused here as a layout the controller does not offer.
    if (!raid || !c.layoutText) return KW_STATUS_BAD_RAID;
    char offered[kPolicyListSize] = {};
    if (IsUserRaidInputValueValidForController(c.controller, c.layoutText, offered, kPolicyListSize) != 0) {
        setMessage(c.msgArg1, raid);
        setMessage(c.msgArg2, offered);
        return KW_STATUS_BAD_RAID;
    }
    c.layout = strtol(c.layoutText, nullptr, 10);
    return kProceed;
}

// 2. Every valid disk of the controller: "100" names no disk, so the check
// lists them all.
void loadValidDisks(Creation& c) {
    uint32_t count = 0;
    IsUserArrayDiskIdValidWithSize("100", c.controller, c.validList, kValidListSize, 0, &count);
}

// 3. adisk and pdisk are one parameter.
int32_t pickDiskParameter(Creation& c) {
    char* adisk = const_cast<char*>(userParam(c.argc, c.argv, "adisk"));
    char* pdisk = const_cast<char*>(userParam(c.argc, c.argv, "pdisk"));
    int32_t status = checkAdiskPdisk(&adisk, &pdisk);
    if (status != 0) return status;
    c.diskList = adisk;
    return kProceed;
}

// 4. The user's identifiers, cut at the commas; blanks are kept.
void splitRequestedDisks(Creation& c) {
    char list[kDiskListSize];
    snprintf(list, sizeof list, "%s", c.diskList);
    c.diskCount = 0;
    const char* piece = list;
    while (c.diskCount < kMaxRequestedDisks) {
        const char* comma = strchr(piece, ',');
        size_t length = comma ? static_cast<size_t>(comma - piece) : strlen(piece);
        if (length > 0) copyDiskId(c.requested[c.diskCount++], piece, length);
        if (!comma) break;
        piece = comma + 1;
    }
}

// Whether the stripped valid list holds id, both compared on 7 characters.
bool isValidDisk(const char* strippedValid, const char* id) {
    const char* piece = strippedValid;
    while (*piece) {
        const char* comma = strchr(piece, ',');
        size_t length = comma ? static_cast<size_t>(comma - piece) : strlen(piece);
        if (length > 0) {
            char entry[kDiskIdSize];
            copyDiskId(entry, piece, length);
            if (strcmp(entry, id) == 0) return true;
        }
        if (!comma) break;
        piece = comma + 1;
    }
    return false;
}

// Cuts the valid list to the message buffer, ending after a whole
// identifier rather than inside one.
void setValidListMessage(char* msgArg, const char* validList) {
    size_t length = strlen(validList);
    if (length < CLPS_MSG_ARG_SIZE) {
        setMessage(msgArg, validList);
        return;
    }
    size_t cut = CLPS_MSG_ARG_SIZE - 1;
    while (cut > 0 && validList[cut] != ',') --cut;
    memcpy(msgArg, validList, cut);
    msgArg[cut] = '\0';
}

// 5. Every requested disk must be a valid disk of the controller.
int32_t checkRequestedDisksValid(Creation& c) {
    std::unique_ptr<char[]> stripped(new (std::nothrow) char[kValidListSize]);
    if (!stripped) return KW_STATUS_NO_MEMORY;
    snprintf(stripped.get(), kValidListSize, "%s", c.validList);
    stripWhiteSpaceFromStr(stripped.get());
    for (uint32_t i = 0; i < c.diskCount; ++i) {
        if (isValidDisk(stripped.get(), c.requested[i])) continue;
        setMessage(c.msgArg1, c.requested[i]);
        if (c.validList[0] == '\0')
            setMessage(c.msgArg2, kNoValidDisks);
        else
            setValidListMessage(c.msgArg2, c.validList);
        return KW_STATUS_BAD_DISK;
    }
    return kProceed;
}

// 6. Allowed characters, then a length the controller accepts.
int32_t checkName(Creation& c) {
    const char* name = userParam(c.argc, c.argv, "name");
    if (!name || !requestValue(c.reqCount, c.reqArgs, "Name")) {
        traceLine("KWCLP: name= parameter not passed in.  will use default name\n");
        return kProceed;
    }
    if (IsStringAValidName(name, 1) != 0) {
        traceLine("KWCLP: name= parameter is not valid\n");
        setMessage(c.msgArg1, name);
        setMessage(c.msgArg2, kNameCharacterRule);
        return KW_STATUS_BAD_VDISK_NAME;
    }
    char maxText[kMaxNameTextSize] = {};
    if (IsNameCorrectLength(name, c.controller, maxText, kMaxNameTextSize) != 0) {
        traceLine("KWCLP: name is too long\n");
        setMessage(c.msgArg1, name);
        snprintf(c.msgArg2, CLPS_MSG_ARG_SIZE, kNameLengthRule, maxText);
        return KW_STATUS_BAD_VDISK_NAME;
    }
    traceLine("KWCLP: name= parameter is valid\n");
    return kProceed;
}

const kwcmd::OfferedValueRule kPolicyRules[] = {
    {"readpolicy",  "ReadPolicy",  IsUserReadPolicyValidForController,  KW_STATUS_BAD_READ_POLICY,  "None - No valid read policies found"},
    {"writepolicy", "WritePolicy", IsUserWritePolicyValidForController, KW_STATUS_BAD_WRITE_POLICY, "None - No valid write policies found"},
    {"cachepolicy", "CachePolicy", IsUserCachePolicyValidForController, KW_STATUS_BAD_CACHE_POLICY, "None - No valid cache policies found"},
    {"stripesize",  "StripeSize",  IsUserStripeSizeValidForController,  KW_STATUS_BAD_STRIPE_SIZE,  "None - No valid stripe size values found"},
};

// 7. Each policy given must be offered by the controller.
int32_t checkPolicies(Creation& c) {
    return kwcmd::checkOfferedValues(kPolicyRules, sizeof kPolicyRules / sizeof kPolicyRules[0], c.controller, c.argc,
                                     c.argv, c.reqCount, c.reqArgs, c.msgArg1, c.msgArg2);
}

// 8. The layout's disk count rule.
int32_t checkDiskCount(const Creation& c) {
    uint32_t n = c.diskCount;
    switch (c.layout) {
        case kLayoutRaid1:  return n == 2 ? kProceed : KW_STATUS_DISK_COUNT_R1;
        case kLayoutRaid5:  return n >= 3 ? kProceed : KW_STATUS_DISK_COUNT_R5;
        case kLayoutRaid6:  return n >= 4 ? kProceed : KW_STATUS_DISK_COUNT_R6;
        case kLayoutRaid10:
        case kLayoutRaid1c: return n >= 4 && n % 2 == 0 ? kProceed : KW_STATUS_DISK_COUNT_R10;
        case kLayoutRaid50: return n >= 6 ? kProceed : KW_STATUS_DISK_COUNT_R50;
        case kLayoutRaid60: return n >= 8 ? kProceed : KW_STATUS_DISK_COUNT_R60;
        case kLayoutConcat:
        case kLayoutRaid0:
        default:            return kProceed;
    }
}

// A span length is read as a 32-bit signed number would be (texts beyond its
// range saturate, so 4294967299 cannot wrap to 3) and then taken as unsigned:
// every negative text becomes a large value that fails the division test.
uint32_t spanLengthValue(const char* text) {
    long long value = strtoll(text, nullptr, 10);
    if (value > INT32_MAX) value = INT32_MAX;
    if (value < INT32_MIN) value = INT32_MIN;
    return static_cast<uint32_t>(static_cast<int32_t>(value));
}

// 9. Only spanned layouts take a span length, and they need one that splits
// the disks into at least two equal spans.
int32_t checkSpanLength(Creation& c) {
    const char* span = userParam(c.argc, c.argv, "spanlength");
    bool spanned = c.layout == kLayoutRaid50 || c.layout == kLayoutRaid60;
    if (!spanned) return span ? KW_STATUS_SPAN_NOT_ALLOWED : kProceed;
    if (!span) return c.layout == kLayoutRaid50 ? KW_STATUS_SPAN_MISSING_R50 : KW_STATUS_SPAN_MISSING_R60;
    uint32_t length = spanLengthValue(span);
    if (length <= 2) {
        setMessage(c.msgArg1, span);
        return KW_STATUS_SPAN_TOO_SMALL;
    }
    if (c.diskCount % length != 0 || length >= c.diskCount) {
        setMessage(c.msgArg1, span);
        return KW_STATUS_SPAN_NOT_DIVIDING;
    }
    c.spanLength = length;
    return kProceed;
}

// 10. The sizes the controller can make of these disks in this layout.
int32_t fetchSizeRange(Creation& c) {
    GetPossibleMinMaxVDSizeForLayout(c.controller, c.diskList, c.spanLength, c.layoutText, c.minimum,
                                     kSizeTextSize, c.maximum, kSizeTextSize);
    if (c.minimum[0] == '\0' || c.maximum[0] == '\0') return KW_STATUS_NO_SIZE_RANGE;
    return kProceed;
}

int32_t sendLength(Creation& c, const char* bytes) { return kwcmd::setLengthArgument(c.reqCount, c.reqArgs, bytes); }

// 11 and 12. "max", "min", or a size (see kwcmd::sizeInBytes) that must lie
// within the range.
int32_t checkSize(Creation& c) {
    const char* size = userParam(c.argc, c.argv, "size");
    // A line without a size is refused by the framework; should one arrive
    // anyway it is refused here as a size that is not a number.
    if (!size) return KW_STATUS_SIZE_NOT_NUMERIC;
    if (strcmpCaseIgnore(size, "max") == 0) return sendLength(c, c.maximum);
    if (strcmpCaseIgnore(size, "min") == 0) return sendLength(c, c.minimum);

    char bytes[kNumberSize] = {};
    double value = 0;
    int32_t status = kwcmd::sizeInBytes(size, bytes, sizeof bytes, &value);
    if (status != kProceed) return status;
    if (value >= strtod(c.minimum, nullptr) && strtod(c.maximum, nullptr) >= value) return sendLength(c, bytes);
    setMessage(c.msgArg1, c.minimum);
    setMessage(c.msgArg2, c.maximum);
    return KW_STATUS_SIZE_OUT_OF_RANGE;
}

}  // namespace

namespace kwctrl {

int32_t validateCreateVirtualDisk(const char* controller, uint32_t argc, char** argv, uint32_t* reqCount,
                                  char** reqArgs, char* msgArg1, char* msgArg2) {
    // The valid list outgrows a stack frame on large controllers.
    std::unique_ptr<char[]> validList(new (std::nothrow) char[kValidListSize]());
    if (!validList) return KW_STATUS_NO_MEMORY;
    Creation c{controller, argc, argv, reqCount, reqArgs, msgArg1, msgArg2};
    c.validList = validList.get();

    int32_t status = checkRaidLayout(c);
    if (status != kProceed) return status;
    loadValidDisks(c);
    if ((status = pickDiskParameter(c)) != kProceed) return status;
    splitRequestedDisks(c);
    if ((status = checkRequestedDisksValid(c)) != kProceed) return status;
    if ((status = checkName(c)) != kProceed) return status;
    if ((status = checkPolicies(c)) != kProceed) return status;
    if ((status = checkDiskCount(c)) != kProceed) return status;
    if ((status = checkSpanLength(c)) != kProceed) return status;
    if ((status = fetchSizeRange(c)) != kProceed) return status;
    return checkSize(c);
}

}  // namespace kwctrl
