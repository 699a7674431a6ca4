// Controller capability lookups, the controller member of the operation
// availability check and the patrol read mode check.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "kwsup/agent.h"
#include "kwsup/availability.h"
#include "kwsup/kwsup.h"
#include "trace/sysdbg.h"

namespace {

using namespace kwsup;

constexpr uint32_t kArgSize = 256;

// The action words of a controller and their bits in its method masks.
// Bits 12, 17, 18 and 26 to 31 name no controller action.
const ActionBit kControllerActionBits[] = {
    {"rescan",                     0x1},
    {"flush",                      0x2},
    {"enablealarm",                0x4},
    {"disablealarm",               0x8},
    {"quietalarm",                 0x10},
    {"setrebuildrate",             0x20},
    {"createvdisk",                0x40},
    {"resetconfig",                0x80},
    {"exportlog",                  0x100},
    {"pauseio",                    0x200},
    {"resumeio",                   0x400},
    {"testalarm",                  0x800},
    {"setbgirate",                 0x2000},
    {"setcheckconsistencyrate",    0x4000},
    {"setpatrolreadrate",          0x8000},
    {"setreconstructrate",         0x10000},
    {"dumpevents",                 0x80000},
    {"setpatrolreadmode",          0x100000},
    {"startpatrolread",            0x200000},
    {"stoppatrolread",             0x400000},
    {"clearforeignconfig",         0x800000},
    {"importforeignconfig",        0x1000000},
    {"importrecoverforeignconfig", 0x2000000},
};

// Patrol read mode bits, in the order their words are listed.
struct PatrolReadMode {
    uint32_t    bit;
    const char* word;
};
const PatrolReadMode kPatrolReadModes[] = {
    {1, "auto"},
    {2, "manual"},
    {4, "disable"},
};

// Appends text to list, bounded by the room left in it.
void appendBounded(char* list, uint32_t listSize, const char* text) {
    strncat(list, text, static_cast<size_t>(strFreeLen(list, listSize)));
}

// Sends "vexcmd=getController" for the controller and wraps the reply.
// Same results as queryIntoBuffer.
int32_t queryControllerDescription(const char* controller, XBufGuard& buffer, const char* operation) {
    char globalNo[kArgSize];
    snprintf(globalNo, sizeof globalNo, "GlobalNo=%s", controller);
    return queryIntoBuffer({"vexcmd=getController", globalNo, "CLI=true"}, buffer, operation);
}

// Function entry and exit lines around one lookup.
class TraceScope {
public:
    explicit TraceScope(const char* name) : name_(name) { LogFunctionEntry(name_); }
    ~TraceScope() { LogFunctionExit(name_); }
    TraceScope(const TraceScope&) = delete;
    TraceScope& operator=(const TraceScope&) = delete;

private:
    const char* name_;
};

}  // namespace

extern "C" {

KW_EXPORT int32_t IsUserOperationValidForController(const char* action, const char* controller,
                                                    uint32_t* supported, uint32_t* allowed) {
    TraceScope trace("IsUserOperationValidForController");
    const char* request[] = {"vexcmd=getControllerList"};
    // The list answers GlobalNo cut to 7 characters; masks keep 63.
    ElementMatch match = {"GlobalNo", controller, 8};
    AvailabilityQuery query = {"IsUserOperationValidForController", request, 1, kReadObjects,
                               locateByElement, &match, 64, 0};
    checkOperationAvailability(query, findActionBit(kControllerActionBits, action), supported, allowed);
    return 0;
}

KW_EXPORT int32_t GetTagValueForController(const char* controller, const char* tag, char* value,
                                           uint32_t size) {
    TraceScope trace("GetTagValueForController");
    XBufGuard buffer;
    int32_t status = queryControllerDescription(controller, buffer, "GetTagValueForController");
    if (status == kQueryNoReply) return 0;  // value stays as the caller prepared it
    if (status != kQueryOk) return status;
    return QueryNodeNameValueWithSize(tag, value, size, 0, buffer.get()) == 0 ? 0 : -1;
}

KW_EXPORT int32_t GetRebuildRateForControllerWithSize(const char* controller, char* value, uint32_t size) {
    TraceScope trace("GetRebuildRateForControllerWithSize");
    if (size > 0) value[0] = '\0';
    XBufGuard buffer;
    int32_t status = queryControllerDescription(controller, buffer, "GetRebuildRateForControllerWithSize");
    if (status == kQueryNoBuffer) return status;
    if (status == kQueryOk) QueryNodeNameValueWithSize("RebuildRate", value, size, 0, buffer.get());
    return 0;
}

KW_EXPORT int32_t GetRebuildRateForController(const char* controller, char* value) {
    TraceScope trace("GetRebuildRateForController");
    value[0] = '\0';
    XBufGuard buffer;
    int32_t status = queryControllerDescription(controller, buffer, "GetRebuildRateForController");
    if (status == kQueryNoBuffer) return status;
    if (status == kQueryOk) QueryNodeNameValue("RebuildRate", value, 0, buffer.get());
    return 0;
}

KW_EXPORT int32_t GetControllerNameFromUserInput(const char* controller, char* name) {
    TraceScope trace("GetControllerNameFromUserInput");
    if (!controller || !name) return -1;
    XBufGuard buffer;
    int32_t status = queryControllerDescription(controller, buffer, "GetControllerNameFromUserInput");
    if (status != kQueryOk) return status;
    QueryNodeNameValue("Name", name, 0, buffer.get());
    return 0;
}

KW_EXPORT int32_t GetSupportedRaidValueForController(const char* controller, char* text) {
    char globalNo[kArgSize];
    snprintf(globalNo, sizeof globalNo, "GlobalNo=%s", controller);
    ResponseGuard reply = sendRequest({"vexcmd=getSupportedRaidLevelsForController", globalNo, "CLI=true"});
    if (!reply) return -1;
    memcpy(text, reply->text, strlen(reply->text) + 1);
    return 0;
}

KW_EXPORT int32_t GetPatReadModeForIntValue(uint32_t value, char* word) {
    word[0] = '\0';
    for (const PatrolReadMode& mode : kPatrolReadModes)
        if (mode.bit == value) snprintf(word, 8, "%s", mode.word);
    return 0;
}

KW_EXPORT int32_t IsUserPatrolReadModeValidForController(const char* modeValue, const char* controller,
                                                         char* list, uint32_t listSize) {
    char maskText[64] = {};
    if (GetTagValueForController(controller, "PatrolReadModeMask", maskText, sizeof maskText) != 0) return -1;
    uint32_t mask = 0;
    ConvertBinaryStringToInteger(maskText, &mask);
    uint32_t mode = modeValue ? static_cast<uint32_t>(strtol(modeValue, nullptr, 10)) : 0;
    if ((mode & mask) != 0) return 0;

    bool first = true;
    for (const PatrolReadMode& offered : kPatrolReadModes) {
        if ((mask & offered.bit) == 0) continue;
        char word[8] = {};
        GetPatReadModeForIntValue(offered.bit, word);
        if (!first) appendBounded(list, listSize, ", ");
        appendBounded(list, listSize, word);
        first = false;
    }
    return -1;
}

}  // extern "C"
