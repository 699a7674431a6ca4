// Agent queries of virtual disk creation: the controller's virtual disk
// limit, the size range a layout allows on a set of disks, and the name
// duplicate test.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "kwsup/agent.h"
#include "kwsup/kwsup.h"

namespace {

using namespace kwsup;

constexpr uint32_t kArgSize = 256;
constexpr uint32_t kDiskListArgSize = 512;    // "adisk=" and the user's list, cut to fit
constexpr uint32_t kJoinedObjIdSize = 1024;   // disk object identifiers joined with ":"
constexpr uint32_t kControllerObjIdArgSize = 31;  // "param4=..." cut at 30 characters
constexpr uint32_t kDiskObjIdArgSize = 1023;      // "param6=..." cut at 1022 characters

// Layout bits whose capability request carries the span rules.
constexpr long kLayoutRaid10 = 512;
constexpr long kLayoutRaid50 = 2048;
constexpr long kLayoutRaid60 = 262144;

void formatGlobalNo(char* out, const char* controller) { snprintf(out, kArgSize, "GlobalNo=%s", controller); }

// The ObjID of the controller in the controller list; empty when the list
// does not name it. -1 no reply, 272 no buffer, else 0.
int32_t readControllerObjId(const char* controller, char* objId, uint32_t objIdSize) {
    XBufGuard buffer;
    int32_t status = queryIntoBuffer({"vexcmd=getControllerList"}, buffer, "GetPossibleMinMaxVDSizeForLayout");
    if (status != kQueryOk) return status;
    for (uint32_t i = 0;; ++i) {
        char globalNo[64] = {};
        if (QueryNodeNameValueWithSize("GlobalNo", globalNo, sizeof globalNo, i, buffer.get()) != 0) break;
        if (strcmp(globalNo, controller) == 0) {
            QueryNodeNameValueWithSize("ObjID", objId, objIdSize, i, buffer.get());
            break;
        }
    }
    return kQueryOk;
}

// The ObjIDs of the listed disks joined with ":", and how many were read.
int32_t readDiskObjIds(const char* controller, const char* diskList, char* joined, uint32_t joinedSize,
                       uint32_t* diskCount) {
    char globalNo[kArgSize];
    char adisk[kDiskListArgSize];
    formatGlobalNo(globalNo, controller);
    snprintf(adisk, sizeof adisk, "adisk=%s", diskList ? diskList : "");
    XBufGuard buffer;
    int32_t status = queryIntoBuffer({"vexcmd=getArrayDisk", globalNo, adisk, "CLI=true"}, buffer,
                                     "GetPossibleMinMaxVDSizeForLayout");
    if (status != kQueryOk) return status;
    *diskCount = 0;
    for (uint32_t i = 0;; ++i) {
        char objId[64] = {};
        if (QueryNodeNameValueWithSize("ObjID", objId, sizeof objId, i, buffer.get()) != 0) break;
        if (i > 0) strncat(joined, ":", static_cast<size_t>(strFreeLen(joined, joinedSize)));
        strncat(joined, objId, static_cast<size_t>(strFreeLen(joined, joinedSize)));
        ++*diskCount;
    }
    return kQueryOk;
}

// Asks for the creation capabilities of the layout on those disks and copies
// MinimumLength and Length of the entry whose Layout equals layout.
int32_t readLayoutSizeRange(const char* controllerObjId, const char* diskObjIds, uint32_t diskCount,
                            long layoutValue, uint32_t spanLength, const char* layout, char* minimum,
                            uint32_t minimumSize, char* maximum, uint32_t maximumSize) {
    char controllerArg[kControllerObjIdArgSize];
    char disksArg[kDiskObjIdArgSize];
    char countArg[kArgSize];
    char spanArg[kArgSize];
    char numArgs[kArgSize];
    snprintf(controllerArg, sizeof controllerArg, "param4=%s", controllerObjId);
    snprintf(disksArg, sizeof disksArg, "param6=%s", diskObjIds);
    snprintf(countArg, sizeof countArg, "param8=%u", diskCount);
    snprintf(spanArg, sizeof spanArg, "param12=%u", spanLength);

    const char* request[16] = {"vexcmd=sendPassThruCmdToDCSIF", "param0=getcaps", "param1=make",
                               "param2=vdisk", "param3=ObjID", controllerArg, "param5=IDList",
                               disksArg, "param7=MinDrives", countArg};
    uint32_t count = 10;
    bool spanned = layoutValue == kLayoutRaid50 || layoutValue == kLayoutRaid60;
    if (spanned || layoutValue == kLayoutRaid10) {
        request[count++] = "param9=Rules";
        request[count++] = "param10=2";
    }
    if (spanned) {
        request[count++] = "param11=SpanLength";
        request[count++] = spanArg;
    }
    snprintf(numArgs, sizeof numArgs, "NumDCSIFArgs=%u", count - 1);
    request[count++] = numArgs;

    ResponseGuard reply = sendRequest(request, count);
    if (!reply) return kQueryNoReply;
    XBufGuard buffer = allocReplyBuffer("GetPossibleMinMaxVDSizeForLayout");
    if (!buffer || wrapReply(buffer.get(), reply.get()) != kQueryOk) return kQueryNoBuffer;
    reply.reset();

    for (uint32_t i = 0;; ++i) {
        char offered[64] = {};
        if (QueryNodeNameValueWithSize("Layout", offered, sizeof offered, i, buffer.get()) != 0) break;
        if (strcmp(offered, layout) == 0) {
            QueryNodeNameValueWithSize("MinimumLength", minimum, minimumSize, i, buffer.get());
            QueryNodeNameValueWithSize("Length", maximum, maximumSize, i, buffer.get());
            break;
        }
    }
    return kQueryOk;
}

}  // namespace

extern "C" {

KW_EXPORT int32_t isOverMaxVDAllowed(const char* controller, char* maximum, uint32_t maximumSize) {
    if (maximumSize > 0) maximum[0] = '\0';
    char globalNo[kArgSize];
    formatGlobalNo(globalNo, controller);
    XBufGuard buffer;
    int32_t status = queryIntoBuffer({"vexcmd=getSingleControllerArrayInfo", globalNo, "CLI=true"}, buffer,
                                     "isOverMaxVDAllowed");
    if (status != kQueryOk) return status;
    QueryNodeNameValueWithSize("MaxVDAllowed", maximum, maximumSize, 0, buffer.get());
    uint32_t virtualDisks = 0;
    for (;; ++virtualDisks) {
        char number[8] = {};
        if (QueryNodeNameValueWithSize("LogicalDriveNum", number, sizeof number, virtualDisks, buffer.get()) != 0)
            break;
    }
    // An empty or missing maximum counts as 0: the controller is then full.
    uint32_t limit = static_cast<uint32_t>(strtoul(maximum, nullptr, 10));
    return virtualDisks >= limit ? 1 : 0;
}

KW_EXPORT int32_t GetPossibleMinMaxVDSizeForLayout(const char* controller, const char* diskList,
                                                   uint32_t spanLength, const char* layout,
                                                   char* minimum, uint32_t minimumSize,
                                                   char* maximum, uint32_t maximumSize) {
    long layoutValue = strtol(layout ? layout : "", nullptr, 10);

    char controllerObjId[32] = {};
    int32_t status = readControllerObjId(controller, controllerObjId, sizeof controllerObjId);
    if (status != kQueryOk) return status;

    char diskObjIds[kJoinedObjIdSize] = {};
    uint32_t diskCount = 0;
    status = readDiskObjIds(controller, diskList, diskObjIds, sizeof diskObjIds, &diskCount);
    if (status != kQueryOk) return status;

    return readLayoutSizeRange(controllerObjId, diskObjIds, diskCount, layoutValue, spanLength,
                               layout ? layout : "", minimum, minimumSize, maximum, maximumSize);
}

KW_EXPORT int32_t IsCtrlVDNameDuplicate(const char* name, const char* controller) {
    char globalNo[kArgSize];
    formatGlobalNo(globalNo, controller);
    XBufGuard buffer;
    int32_t status = queryIntoBuffer({"vexcmd=getVirtualDisk", globalNo, "CLI=true"}, buffer,
                                     "IsCtrlVDNameDuplicate");
    if (status == kQueryNoBuffer) return status;
    if (status != kQueryOk || !name) return -1;
    for (uint32_t i = 0;; ++i) {
        char existing[64] = {};
        if (QueryNodeNameValueWithSize("Name", existing, sizeof existing, i, buffer.get()) != 0) break;
        if (strcmp(existing, name) == 0) return 0;
    }
    return -1;
}

}  // extern "C"
