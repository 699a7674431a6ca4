// Checks for physical disks, batteries, enclosures, connectors and the storage
// object: each object's member of the operation availability check, the
// battery's learn delay limit and the enclosure's asset and temperature probe
// rules.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "kwsup/agent.h"
#include "kwsup/availability.h"
#include "kwsup/devices.h"
#include "kwsup/idlist.h"
#include "kwsup/kwsup.h"
#include "trace/sysdbg.h"

namespace kwsup {
namespace {

// ---- Action bits of each object's method masks ---------------------------

const ActionBit kArrayDiskBits[] = {
    {"blink",                  0x1},
    {"unblink",                0x2},
    {"diag",                   0x4},
    {"canceldiag",             0x8},
    {"assignglobalhotspare",   0x10},
    {"unassignglobalhotspare", 0x20},
    {"online",                 0x40},
    {"offline",                0x80},
    {"remove",                 0x100},
    {"format",                 0x200},
    {"rebuild",                0x400},
    {"cancelrebuild",          0x800},
    {"initialize",             0x1000},
    {"verify",                 0x2000},
    {"cancelverify",           0x4000},
    {"removedeadsegments",     0x8000},
    {"clear",                  0x10000},
    {"cancelclear",            0x20000},
};

const ActionBit kBatteryBits[] = {
    {"recondition", 0x1},
    {"startlearn",  0x2},
    {"delaylearn",  0x4},
};

const ActionBit kEnclosureBits[] = {
    {"enablealarm",        0x1},
    {"disablealarm",       0x2},
    {"setservicetag",      0x4},
    {"setassettag",        0x4},
    {"setassetname",       0x4},
    {"settempprobes",      0x8},
    {"resettempprobes",    0x8},
    {"blink",              0x40},
    {"setalltempprobes",   0x80},
    {"resetalltempprobes", 0x80},
    {"unblink",            0x100},
};

const ActionBit kChannelBits[] = {
    {"rescan", 0x1},
};

// "debug" has no bit: it is always supported and allowed.
const ActionBit kStorageObjectBits[] = {
    {"globalrescan", 0x1},
    {"enablests",    0x2},
    {"disablests",   0x4},
};

constexpr uint32_t kArgumentSize = 256;
constexpr uint32_t kValueSize = 256;
// Each piece of a threshold range text is cut to this many characters.
constexpr uint32_t kRangePieceLimit = 225;

// ---- Small helpers ---------------------------------------------------------

// Entry and exit lines of an availability member in the trace log.
class FunctionTrace {
public:
    explicit FunctionTrace(const char* name) : name_(name) { LogFunctionEntry(name_); }
    ~FunctionTrace() { LogFunctionExit(name_); }
    FunctionTrace(const FunctionTrace&) = delete;
    FunctionTrace& operator=(const FunctionTrace&) = delete;

private:
    const char* name_;
};

// "Name=value" into a request argument buffer; an absent value sends nothing after "=".
void formatArgument(char (&argument)[kArgumentSize], const char* name, const char* value) {
    snprintf(argument, sizeof argument, "%s%s", name, value ? value : "");
}

// The index-th occurrence of name, cut to capacity - 1 characters; value is
// left empty and false returned when there is none.
bool readOccurrence(ZCSXBuf* buffer, const char* name, uint32_t index, char* value, uint32_t capacity) {
    value[0] = '\0';
    return QueryNodeNameValueWithSize(name, value, capacity, index, buffer) == 0;
}

uint32_t readUnsigned(const char* text) {
    return text ? static_cast<uint32_t>(strtoul(text, nullptr, 10)) : 0;
}

// Leading white space and a sign accepted; no digits reads as 0.
long readSigned(const char* text) { return text ? strtol(text, nullptr, 10) : 0; }

bool isAction(const char* action, const char* word) {
    return action != nullptr && strcmpCaseIgnore(action, word) == 0;
}

// Appends at most limit characters of piece, bounded by the room left.
void appendAtMost(char* text, uint32_t size, const char* piece, uint32_t limit) {
    uint32_t room = static_cast<uint32_t>(strFreeLen(text, size));
    size_t take = strnlen(piece, room < limit ? room : limit);
    size_t length = strlen(text);
    memcpy(text + length, piece, take);
    text[length + take] = '\0';
}

// ---- Physical disk ---------------------------------------------------------

struct DiskMatch {
    const char* wanted;
    bool        enclosureForm;  // connector:enclosure:target rather than connector:target
};

// The user's identifier chooses the form every disk is compared in: exactly
// two ":"-separated parts among its first seven characters mean
// connector:target, any other count connector:enclosure:target.
bool usesEnclosureForm(const char* disk) {
    uint32_t parts = 0;
    bool inPart = false;
    for (uint32_t i = 0; disk && i < 7 && disk[i] != '\0'; ++i) {
        if (disk[i] == ':') {
            inPart = false;
        } else if (!inPart) {
            inPart = true;
            ++parts;
        }
    }
    return parts != 2;
}

int32_t locateDisk(const AvailabilityPosition& at, const void* context) {
    const DiskMatch* match = static_cast<const DiskMatch*>(context);
    char channel[9];
    char target[9];
    char enclosure[9];
    if (!readOccurrence(at.buffer, "Channel", at.index, channel, sizeof channel)) return kLocateEnd;
    readOccurrence(at.buffer, "TargetID", at.index, target, sizeof target);
    char id[32];
    if (match->enclosureForm) {
        readOccurrence(at.buffer, "EnclosureID", at.index, enclosure, sizeof enclosure);
        snprintf(id, sizeof id, "%s:%s:%s", channel, enclosure, target);
    } else {
        snprintf(id, sizeof id, "%s:%s", channel, target);
    }
    return match->wanted && strcmp(id, match->wanted) == 0 ? kLocateMatch : kLocateNext;
}

// ---- Enclosure -------------------------------------------------------------

// The enclosure's identifier as users type it: its connector alone, or
// connector:enclosure on a connector of bus protocol 8, at most 7 characters.
int32_t locateEnclosure(const AvailabilityPosition& at, const void* wanted) {
    char id[8];
    if (!readOccurrence(at.buffer, "Channel", at.index, id, sizeof id)) return kLocateEnd;
    char protocol[16];
    readOccurrence(at.buffer, "BusProtocol", at.index, protocol, sizeof protocol);
    char enclosure[8];
    if (readUnsigned(protocol) == 8 &&
        readOccurrence(at.buffer, "EnclosureID", at.index, enclosure, sizeof enclosure)) {
        appendBounded(id, sizeof id, ":");
        appendBounded(id, sizeof id, enclosure);
    }
    const char* user = static_cast<const char*>(wanted);
    return user && strcmp(id, user) == 0 ? kLocateMatch : kLocateNext;
}

// Sends "vexcmd=getEnclosure" for one enclosure and reads elementName of its
// record into value; *present tells whether the record carries it.
int32_t readEnclosureRecordValue(const char* controller, const char* enclosure, const char* elementName,
                                 char* value, uint32_t size, bool* present) {
    *present = false;
    value[0] = '\0';
    XBufGuard buffer = allocReplyBuffer("readEnclosureRecordValue");
    if (!buffer) return kRecordUnreadable;
    char globalNo[kArgumentSize];
    char enclosureArg[kArgumentSize];
    formatArgument(globalNo, "GlobalNo=", controller);
    formatArgument(enclosureArg, "Enclosure=", enclosure);
    ResponseGuard reply = sendRequest({"vexcmd=getEnclosure", globalNo, enclosureArg, "CLI=true"});
    if (!reply) return kRecordUnreadable;
    if (wrapReply(buffer.get(), reply.get()) != kQueryOk) return kRecordUnreadable;
    reply.reset();
    *present = readOccurrence(buffer.get(), elementName, 0, value, size);
    return kRecordRead;
}

// Finds the probe whose Index is the user's text; its occurrence position in *position.
bool findProbe(ZCSXBuf* buffer, const char* index, uint32_t* position) {
    char value[kValueSize];
    for (uint32_t i = 0; readOccurrence(buffer, "Index", i, value, sizeof value); ++i) {
        if (index && strcmp(value, index) == 0) {
            *position = i;
            return true;
        }
    }
    return false;
}

// Builds "(low, high)" from the probe's two range elements into range and
// tells whether the user's threshold lies within them, both ends included.
bool thresholdWithinRange(ZCSXBuf* buffer, uint32_t probe, const char* lowName, const char* highName,
                          const char* threshold, char* range) {
    char low[kValueSize];
    char high[kValueSize];
    readOccurrence(buffer, lowName, probe, low, sizeof low);
    readOccurrence(buffer, highName, probe, high, sizeof high);
    range[0] = '\0';
    appendAtMost(range, kValueSize, "(", kRangePieceLimit);
    appendAtMost(range, kValueSize, low, kRangePieceLimit);
    appendAtMost(range, kValueSize, ", ", kRangePieceLimit);
    appendAtMost(range, kValueSize, high, kRangePieceLimit);
    appendAtMost(range, kValueSize, ")", kRangePieceLimit);
    long value = readSigned(threshold);
    return readSigned(low) <= value && value <= readSigned(high);
}

}  // namespace

int32_t readAssetLengthLimit(const char* controller, const char* enclosure, const char* elementName,
                             uint32_t* maximum) {
    char value[32];
    bool present = false;
    int32_t status = readEnclosureRecordValue(controller, enclosure, elementName, value, sizeof value, &present);
    if (status != kRecordRead) return status;
    if (present) {
        *maximum = readUnsigned(value);
    } else if (elementName && strcmp(elementName, "MaxAssetTagLength") == 0) {
        *maximum = 10;
    } else if (elementName && strcmp(elementName, "MaxAssetNameLength") == 0) {
        *maximum = 32;
    } else {
        *maximum = 0;
    }
    return kRecordRead;
}

int32_t readAssetText(const char* controller, const char* enclosure, const char* elementName, char* value,
                      uint32_t size) {
    bool present = false;
    return readEnclosureRecordValue(controller, enclosure, elementName, value, size, &present);
}

}  // namespace kwsup

using namespace kwsup;

extern "C" {

KW_EXPORT int32_t IsUserOperationValidForArrayDisk(const char* action, const char* controller, const char* disk,
                                                   uint32_t* supported, uint32_t* allowed) {
    FunctionTrace trace("IsUserOperationValidForArrayDisk");
    char globalNo[kArgumentSize];
    formatArgument(globalNo, "GlobalNo=", controller);
    const char* request[] = {"vexcmd=getArrayDisksForController", globalNo, "CLI=true"};
    DiskMatch match = {disk, usesEnclosureForm(disk)};
    AvailabilityQuery query = {"IsUserOperationValidForArrayDisk", request, 3, kReadOccurrences, locateDisk,
                               &match, 129, kAvailBufferFirst};
    return checkOperationAvailability(query, findActionBit(kArrayDiskBits, action), supported, allowed);
}

KW_EXPORT int32_t IsUserOperationValidForBattery(const char* action, const char* controller, const char* battery,
                                                 uint32_t* supported, uint32_t* allowed) {
    FunctionTrace trace("IsUserOperationValidForBattery");
    char globalNo[kArgumentSize];
    formatArgument(globalNo, "GlobalNo=", controller);
    const char* request[] = {"vexcmd=getBatteriesForController", globalNo, "CLI=true"};
    ElementMatch match = {"BatteryID", battery, 11};
    AvailabilityQuery query = {"IsUserOperationValidForBattery", request, 3, kReadOccurrences, locateByElement,
                               &match, 101, kAvailBufferFirst | kAvailFailWithoutReply};
    return checkOperationAvailability(query, findActionBit(kBatteryBits, action), supported, allowed);
}

KW_EXPORT int32_t IsDelayLearnWithinMaxLearnDelay(const char* controller, const char* battery, const char* days,
                                                  const char* hours, char* maxDelay, uint32_t size) {
    uint32_t requested = readUnsigned(hours) + 24u * readUnsigned(days);
    char globalNo[kArgumentSize];
    char batteryId[kArgumentSize];
    formatArgument(globalNo, "GlobalNo=", controller);
    formatArgument(batteryId, "BatteryID=", battery);
    XBufGuard buffer;
    int32_t status = queryIntoBuffer({"vexcmd=getBattery", globalNo, batteryId, "CLI=true"}, buffer,
                                     "IsDelayLearnWithinMaxLearnDelay");
    if (status != kQueryOk) return status;
    if (QueryNodeNameValueWithSize("MaxLearnDelay", maxDelay, size, 0, buffer.get()) != 0) return -1;
    if (requested == 0) return -1;
    return requested <= readUnsigned(maxDelay) ? 0 : -1;
}

KW_EXPORT int32_t IsUserOperationValidForEnclosure(const char* action, const char* controller,
                                                   const char* enclosure, uint32_t* supported,
                                                   uint32_t* allowed) {
    FunctionTrace trace("IsUserOperationValidForEnclosure");
    char globalNo[kArgumentSize];
    formatArgument(globalNo, "GlobalNo=", controller);
    const char* request[] = {"vexcmd=getEnclosuresForController", globalNo, "CLI=true"};
    AvailabilityQuery query = {"IsUserOperationValidForEnclosure", request, 3, kReadOccurrences, locateEnclosure,
                               enclosure, 100, kAvailBufferFirst | kAvailFailWithoutReply};
    const int32_t status = checkOperationAvailability(query, findActionBit(kEnclosureBits, action), supported, allowed);
    if (status != 0) return status;
    // Service-tag reporting is a property of the storage subsystem as a
    // whole; the enclosure is still read first, so a silent agent is 272
    // for these actions too.
    if (isAction(action, "enablests") || isAction(action, "disablests"))
        return IsUserOperationValidForStorageObject(action, supported, allowed);
    return 0;
}

KW_EXPORT int32_t IsUserTempProbesInputValid(const char* index, const char* minWarn, const char* maxWarn,
                                             const char* enclosure, const char* controller, char* minOut,
                                             char* maxOut) {
    XBufGuard buffer = allocReplyBuffer("IsUserTempProbesInputValid");
    if (!buffer) return KWSUP_NO_BUFFER;
    minOut[0] = '\0';
    maxOut[0] = '\0';
    char globalNo[kArgumentSize];
    char enclosureArg[kArgumentSize];
    formatArgument(globalNo, "GlobalNo=", controller);
    formatArgument(enclosureArg, "Enclosure=", enclosure);
    ResponseGuard reply = sendRequest({"vexcmd=getEnclosureTemperatureProbes", globalNo, enclosureArg, "CLI=true"});
    if (!reply) return -1;
    if (wrapReply(buffer.get(), reply.get()) != kQueryOk) return KWSUP_NO_BUFFER;
    reply.reset();

    uint32_t probe = 0;
    if (!findProbe(buffer.get(), index, &probe)) return -1;
    // The two thresholds are judged independently; nothing orders them.
    bool lowerOk = thresholdWithinRange(buffer.get(), probe, "LowEndMinWarning", "HighEndMinWarning", minWarn, minOut);
    bool upperOk = thresholdWithinRange(buffer.get(), probe, "LowEndMaxWarning", "HighEndMaxWarning", maxWarn, maxOut);
    if (!lowerOk || !upperOk) return -1;
    readOccurrence(buffer.get(), "MinWarning", probe, minOut, kValueSize);
    readOccurrence(buffer.get(), "MaxWarning", probe, maxOut, kValueSize);
    if (__SysDbgIsLevelEnabled(4))
        __SysDbgPrint("IsUserTempProbesInputValid: current thresholds %s, %s\n", minOut, maxOut);
    return 0;
}

KW_EXPORT int32_t IsAssetLengthValid(const char* controller, const char* enclosure, const char* elementName,
                                     uint32_t length) {
    uint32_t maximum = 0;
    if (readAssetLengthLimit(controller, enclosure, elementName, &maximum) != kRecordRead) return KWSUP_NO_BUFFER;
    return maximum < length ? static_cast<int32_t>(maximum) : 0;
}

KW_EXPORT int32_t IsAssetInfoDuplicate(const char* controller, const char* enclosure, const char* elementName,
                                       const char* value) {
    char current[64];
    if (readAssetText(controller, enclosure, elementName, current, sizeof current) != kRecordRead)
        return KWSUP_NO_BUFFER;
    return value && strcmp(value, current) == 0 ? 1 : 0;
}

KW_EXPORT int32_t IsUserOperationValidForChannel(const char* action, const char* controller, const char* connector,
                                                 uint32_t* supported, uint32_t* allowed) {
    FunctionTrace trace("IsUserOperationValidForChannel");
    char globalNo[kArgumentSize];
    formatArgument(globalNo, "GlobalNo=", controller);
    const char* request[] = {"vexcmd=getChannelsForController", globalNo, "CLI=true"};
    ElementMatch match = {"Channel", connector, 16};
    AvailabilityQuery query = {"IsUserOperationValidForChannel", request, 3, kReadOccurrences, locateByElement,
                               &match, 64, kAvailBufferFirst | kAvailFailWithoutReply};
    return checkOperationAvailability(query, findActionBit(kChannelBits, action), supported, allowed);
}

KW_EXPORT int32_t IsUserOperationValidForStorageObject(const char* action, uint32_t* supported, uint32_t* allowed) {
    FunctionTrace trace("IsUserOperationValidForStorageObject");
    const char* request[] = {"vexcmd=sendPassThruCmdToDCSIF", "NumDCSIFArgs=2", "param0=report", "param1=storage"};
    AvailabilityQuery query = {"IsUserOperationValidForStorageObject", request, 4, kReadObjects, locateFirstObject,
                               nullptr, 64, 0};
    if (checkOperationAvailability(query, findActionBit(kStorageObjectBits, action), supported, allowed) != 0) {
        *supported = 0;
        *allowed = 0;
    }
    if (isAction(action, "debug")) {
        *supported = 1;
        *allowed = 1;
    }
    return 0;
}

}  // extern "C"
