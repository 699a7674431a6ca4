// Identifier checks: does the identifier the user typed exist, and which
// identifiers do exist (the valid-identifier list for the rejection message).
// Identifiers are formed as texts from the agent's reply and compared with
// the user's text exactly; "01" never matches "1".
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <initializer_list>

#include "kwsup/agent.h"
#include "kwsup/guards.h"
#include "kwsup/idlist.h"
#include "kwsup/kwsup.h"
#include "trace/sysdbg.h"

namespace {

using kwsup::IdList;
using kwsup::XBufGuard;

// A request argument: its name and a user value of up to 255 bytes.
constexpr uint32_t kArgSize = 320;

// Widths of the elements read (terminator included).
constexpr uint32_t kObjIdSize = 11;
constexpr uint32_t kNumberSize = 16;   // BusProtocol, Channel, TargetID, EnclosureID
constexpr uint32_t kMaskSize = 33;     // 32 binary digits
constexpr uint32_t kValueSize = 256;   // every other element

// Longest identifiers formed; longer forms are cut.
constexpr uint32_t kEnclosureIdMax = 62;
constexpr uint32_t kDiskIdMax = 63;
constexpr uint32_t kDhsDiskIdMax = 30;
constexpr uint32_t kPlainDiskIdMax = 18;

// Connector protocol on which enclosures and enclosure disks take the
// connector:enclosure form; the hot spare candidates also take it on 7.
constexpr uint32_t kEnclosureProtocol = 8;
constexpr uint32_t kDhsEnclosureProtocolAlt = 7;
// AttributesMask bits: the disk sits in an enclosure; the disk cannot take
// part in a reconfiguration.
constexpr uint32_t kInEnclosureBit = 0x400;
constexpr uint32_t kNoReconfigureBits = 0x100 | 0x80;

constexpr int32_t kInvalid = -1;
constexpr int32_t kNotReconfigurable = -2;

const char* orEmpty(const char* text) { return text != nullptr ? text : ""; }

void formatArg(char (&arg)[kArgSize], const char* name, const char* value) {
    snprintf(arg, kArgSize, "%s%s", name, orEmpty(value));
}

// "Channel=" followed by the connector's position in the controller's list.
void formatChannelArg(char (&arg)[kArgSize], uint32_t position) {
    snprintf(arg, kArgSize, "%s%d", "Channel=", static_cast<int>(position));
}

// A null id matches nothing.
bool sameId(const char* formed, const char* id) { return id != nullptr && strcmp(formed, id) == 0; }

// Reads the index-th element named name into value (capacity bytes), zeroed
// first so that a missing element reads as the empty text.
bool readElement(ZCSXBuf* buffer, const char* name, uint32_t index, char* value, uint32_t capacity) {
    memset(value, 0, capacity);
    return QueryNodeNameValueWithSize(name, value, capacity, index, buffer) == 0;
}

// The index-th BusProtocol as a number; a record without it counts as 0.
uint32_t readProtocol(ZCSXBuf* buffer, uint32_t index, bool* present = nullptr) {
    char protocol[kNumberSize];
    bool found = readElement(buffer, "BusProtocol", index, protocol, sizeof protocol);
    if (present != nullptr) *present = found;
    return found ? static_cast<uint32_t>(strtoul(protocol, nullptr, 10)) : 0;
}

uint32_t readAttributes(ZCSXBuf* buffer, uint32_t index) {
    char mask[kMaskSize];
    readElement(buffer, "AttributesMask", index, mask, sizeof mask);
    uint32_t value = 0;
    ConvertBinaryStringToInteger(mask, &value);
    return value;
}

// A missing Channel, TargetID or EnclosureID leaves its part of the
// identifier empty ("1:" or ":15"), so the object is still listed.
void formDiskId(ZCSXBuf* buffer, uint32_t index, bool enclosureForm, char* formed, uint32_t size) {
    char channel[kNumberSize];
    char target[kNumberSize];
    readElement(buffer, "Channel", index, channel, sizeof channel);
    readElement(buffer, "TargetID", index, target, sizeof target);
    if (enclosureForm) {
        char enclosure[kNumberSize];
        readElement(buffer, "EnclosureID", index, enclosure, sizeof enclosure);
        snprintf(formed, size, "%s:%s:%s", channel, enclosure, target);
    } else {
        snprintf(formed, size, "%s:%s", channel, target);
    }
}

void traceDisk(const char* operation, const char* formed, uint32_t mask) {
    if (__SysDbgIsLevelEnabled(4))
        __SysDbgPrint("KWCLP:%s: disk %s attributes 0x%x\n", operation, formed, mask);
}

// ---- Simple enumeration ----------------------------------------------------

enum class ScanEnd { kFirstMatch, kComplete };

struct KeyScan {
    const char* operation;   // named by the trace line on buffer failure
    const char* keyElement;  // the element every object carries
    uint32_t keyWidth;       // its buffer size
    ScanEnd end;             // stop at the first match, or list every object
};

// Obtains the reply buffer, sends the request, then lists the key element of
// every object in reply order and compares it with id. enumerated (when not
// null) receives the number of values read. 0 on a match, -1 without one or
// without a reply, 272 without a buffer.
int32_t scanKeyElement(const KeyScan& scan, std::initializer_list<const char*> request, const char* id,
                       IdList& list, uint32_t* enumerated = nullptr) {
    XBufGuard buffer;
    int32_t status = kwsup::queryBufferFirst(request, buffer, scan.operation);
    if (status != kwsup::kQueryOk) return status;
    int32_t result = kInvalid;
    char value[kValueSize];
    uint32_t index = 0;
    while (readElement(buffer.get(), scan.keyElement, index, value, scan.keyWidth)) {
        ++index;
        kwsup::listIdentifier(list, value);
        if (!sameId(value, id)) continue;
        result = 0;
        if (scan.end == ScanEnd::kFirstMatch) break;
    }
    if (enumerated != nullptr) *enumerated = index;
    return result;
}

int32_t checkControllerId(const char* id, char* list, uint32_t size, const char* operation) {
    IdList ids = kwsup::makeIdList(list, size);
    const KeyScan scan{operation, "GlobalNo", kValueSize, ScanEnd::kFirstMatch};
    return scanKeyElement(scan, {"vexcmd=getControllerList"}, id, ids);
}

// The four enclosure component checks: complete list of Index values of the
// enclosure exactly as the user typed it. The list is emptied first.
int32_t checkComponentIndex(const char* command, const char* operation, const char* id,
                            const char* enclosure, const char* controller, char* list) {
    if (list != nullptr) list[0] = '\0';
    char globalNo[kArgSize];
    char enclosureArg[kArgSize];
    formatArg(globalNo, "GlobalNo=", controller);
    formatArg(enclosureArg, "Enclosure=", enclosure);
    IdList ids = kwsup::makeIdList(list, KWSUP_LIST_SIZE);
    const KeyScan scan{operation, "Index", kValueSize, ScanEnd::kComplete};
    return scanKeyElement(scan, {command, globalNo, enclosureArg, "CLI=true"}, id, ids);
}

// ---- Physical disks ----------------------------------------------------------

int32_t checkArrayDiskId(const char* id, const char* controller, char* list, uint32_t size,
                         uint32_t reconfigure, uint32_t* count, const char* operation) {
    uint32_t unused = 0;
    if (count == nullptr) count = &unused;
    *count = 0;
    char globalNo[kArgSize];
    formatArg(globalNo, "GlobalNo=", controller);

    // Only establishes that the controller answers; nothing is read from it.
    XBufGuard controllerReply;
    int32_t status = kwsup::queryIntoBuffer({"vexcmd=getController", globalNo, "CLI=true"}, controllerReply,
                                            operation);
    if (status != kwsup::kQueryOk) return status;

    XBufGuard connectors;
    status = kwsup::queryIntoBuffer({"vexcmd=getChannelsForController", globalNo, "CLI=true"}, connectors,
                                    operation);
    if (status != kwsup::kQueryOk) return status;

    IdList ids = kwsup::makeIdList(list, size);
    char connectorObjId[kObjIdSize];
    for (uint32_t position = 0; readElement(connectors.get(), "ObjID", position, connectorObjId, kObjIdSize);
         ++position) {
        const uint32_t protocol = readProtocol(connectors.get(), position);
        char channelArg[kArgSize];
        formatChannelArg(channelArg, position);
        XBufGuard disks;
        status = kwsup::queryIntoBuffer({"vexcmd=getArrayDisksForChannel", globalNo, channelArg, "CLI=true"},
                                        disks, operation);
        if (status == kwsup::kQueryNoReply) continue;
        if (status != kwsup::kQueryOk) return status;

        char diskObjId[kObjIdSize];
        for (uint32_t disk = 0; readElement(disks.get(), "ObjID", disk, diskObjId, kObjIdSize); ++disk) {
            const uint32_t mask = readAttributes(disks.get(), disk);
            const bool enclosureForm = protocol == kEnclosureProtocol && (mask & kInEnclosureBit) != 0;
            char formed[kDiskIdMax + 1];
            formDiskId(disks.get(), disk, enclosureForm, formed, sizeof formed);
            traceDisk(operation, formed, mask);
            kwsup::listIdentifier(ids, formed);
            ++*count;
            if (!sameId(formed, id)) continue;
            *count = 0;
            return (reconfigure != 0 && (mask & kNoReconfigureBits) != 0) ? kNotReconfigurable : 0;
        }
    }
    return kInvalid;
}

}  // namespace

extern "C" {

KW_EXPORT int32_t IsUserControllerIdValid(const char* id, char* list) {
    return checkControllerId(id, list, KWSUP_LIST_SIZE, "IsUserControllerIdValid");
}

// Stops at the first match, so the list then ends with the matching number.
KW_EXPORT int32_t IsUserControllerIdValidWithSize(const char* id, char* list, uint32_t size) {
    return checkControllerId(id, list, size, "IsUserControllerIdValidWithSize");
}

KW_EXPORT int32_t IsUserChannelIdValid(const char* id, const char* controller, char* list) {
    char globalNo[kArgSize];
    formatArg(globalNo, "GlobalNo=", controller);
    IdList ids = kwsup::makeIdList(list, KWSUP_LIST_SIZE);
    const KeyScan scan{"IsUserChannelIdValid", "Channel", kNumberSize, ScanEnd::kComplete};
    return scanKeyElement(scan, {"vexcmd=getChannelsForController", globalNo, "CLI=true"}, id, ids);
}

// Enclosures of every connector in turn, up to the first match: the
// connector:enclosure form on protocol-8 connectors, the connector alone on
// the others.
KW_EXPORT int32_t IsUserEnclosureIdValidWithSize(const char* id, const char* controller, char* list,
                                                 uint32_t size, uint32_t* count) {
    static const char* const kOperation = "IsUserEnclosureIdValidWithSize";
    uint32_t unused = 0;
    if (count == nullptr) count = &unused;
    *count = 0;
    char globalNo[kArgSize];
    formatArg(globalNo, "GlobalNo=", controller);

    XBufGuard connectors;
    int32_t status = kwsup::queryIntoBuffer({"vexcmd=getChannelsForController", globalNo, "CLI=true"},
                                            connectors, kOperation);
    if (status != kwsup::kQueryOk) return status;

    IdList ids = kwsup::makeIdList(list, size);
    char connectorObjId[kObjIdSize];
    for (uint32_t position = 0; readElement(connectors.get(), "ObjID", position, connectorObjId, kObjIdSize);
         ++position) {
        const bool enclosureForm = readProtocol(connectors.get(), position) == kEnclosureProtocol;
        char channelArg[kArgSize];
        formatChannelArg(channelArg, position);
        XBufGuard enclosures;
        status = kwsup::queryIntoBuffer({"vexcmd=getEnclosuresForChannel", globalNo, channelArg, "CLI=true"},
                                        enclosures, kOperation);
        if (status == kwsup::kQueryNoReply) continue;
        if (status != kwsup::kQueryOk) return status;

        char enclosureObjId[kObjIdSize];
        for (uint32_t j = 0; readElement(enclosures.get(), "ObjID", j, enclosureObjId, kObjIdSize); ++j) {
            char channel[kNumberSize];
            char enclosure[kNumberSize];
            readElement(enclosures.get(), "Channel", j, channel, sizeof channel);
            readElement(enclosures.get(), "EnclosureID", j, enclosure, sizeof enclosure);
            char formed[kEnclosureIdMax + 1];
            if (enclosureForm)
                snprintf(formed, sizeof formed, "%s:%s", channel, enclosure);
            else
                snprintf(formed, sizeof formed, "%s", channel);
            kwsup::listIdentifier(ids, formed);
            ++*count;
            if (sameId(formed, id)) {
                *count = 0;
                return 0;
            }
        }
    }
    return kInvalid;
}

// Virtual disks that have a parent virtual disk are neither listed nor
// compared. Values are read per object; the copies are bounded by the
// buffers so that an oversized reply value cannot overrun them.
KW_EXPORT int32_t IsUserVirtualDiskIdValid(const char* id, const char* controller, char* list) {
    char globalNo[kArgSize];
    formatArg(globalNo, "GlobalNo=", controller);
    XBufGuard buffer;
    int32_t status = kwsup::queryBufferFirst({"vexcmd=getVirtualDisksForController", globalNo, "CLI=true"},
                                             buffer, "IsUserVirtualDiskIdValid");
    if (status != kwsup::kQueryOk) return status;

    IdList ids = kwsup::makeIdList(list, KWSUP_LIST_SIZE);
    int32_t result = kInvalid;
    char number[kValueSize];
    char parent[kValueSize];
    for (uint32_t index = 0; kwsup::nthObjectValue(buffer.get(), "LogicalDriveNum", index, number, kValueSize) == 0;
         ++index) {
        if (kwsup::nthObjectValue(buffer.get(), "ParentVDID", index, parent, kValueSize) == 0) continue;
        kwsup::listIdentifier(ids, number);
        if (sameId(number, id)) result = 0;
    }
    return result;
}

// count receives the number of batteries, match or not.
KW_EXPORT int32_t IsUserBatteryIdValidWithSize(const char* id, const char* controller, char* list,
                                               uint32_t size, uint32_t* count) {
    uint32_t unused = 0;
    if (count == nullptr) count = &unused;
    *count = 0;
    char globalNo[kArgSize];
    formatArg(globalNo, "GlobalNo=", controller);
    IdList ids = kwsup::makeIdList(list, size);
    const KeyScan scan{"IsUserBatteryIdValidWithSize", "BatteryID", kValueSize, ScanEnd::kComplete};
    return scanKeyElement(scan, {"vexcmd=getBatteriesForController", globalNo, "CLI=true"}, id, ids, count);
}

// Every physical disk of the controller in the connector form, separated by
// "," alone. No reply leaves the list empty and still answers 0.
KW_EXPORT int32_t GetValidUserArrayDiskIds(const char* controller, char* list) {
    if (list != nullptr) list[0] = '\0';
    char globalNo[kArgSize];
    formatArg(globalNo, "GlobalNo=", controller);
    XBufGuard buffer;
    int32_t status = kwsup::queryBufferFirst({"vexcmd=getArrayDisksForController", globalNo, "CLI=true"},
                                             buffer, "GetValidUserArrayDiskIds");
    if (status == kwsup::kQueryNoBuffer) return KWSUP_NO_BUFFER;
    if (status != kwsup::kQueryOk) return 0;

    IdList ids = kwsup::makeIdList(list, KWSUP_LIST_SIZE, ",");
    char channel[kNumberSize];
    for (uint32_t index = 0; readElement(buffer.get(), "Channel", index, channel, sizeof channel); ++index) {
        char formed[kPlainDiskIdMax + 1];
        formDiskId(buffer.get(), index, false, formed, sizeof formed);
        kwsup::listIdentifier(ids, formed);
    }
    return 0;
}

KW_EXPORT int32_t IsUserArrayDiskIdValid(const char* id, const char* controller, char* list,
                                         uint32_t reconfigure, uint32_t* count) {
    return checkArrayDiskId(id, controller, list, KWSUP_LIST_SIZE, reconfigure, count,
                            "IsUserArrayDiskIdValid");
}

KW_EXPORT int32_t IsUserArrayDiskIdValidWithSize(const char* id, const char* controller, char* list,
                                                 uint32_t size, uint32_t reconfigure, uint32_t* count) {
    return checkArrayDiskId(id, controller, list, size, reconfigure, count, "IsUserArrayDiskIdValidWithSize");
}

// The disks the agent offers as dedicated hot spares of the virtual disk;
// each record carries its own BusProtocol, and both protocols 7 and 8 give
// the enclosure form to a disk in an enclosure. count receives the number of
// disks, match or not.
KW_EXPORT int32_t IsUserArrayDiskIdValidDHS(const char* id, const char* controller, const char* vdisk,
                                            char* list, uint32_t* count) {
    static const char* const kOperation = "IsUserArrayDiskIdValidDHS";
    uint32_t unused = 0;
    if (count == nullptr) count = &unused;
    *count = 0;
    char globalNo[kArgSize];
    char vdiskArg[kArgSize];
    formatArg(globalNo, "GlobalNo=", controller);
    formatArg(vdiskArg, "LogicalDriveNum=", vdisk);
    XBufGuard buffer;
    int32_t status = kwsup::queryIntoBuffer({"vexcmd=getCapsForDHS", globalNo, vdiskArg, "CLI=true"}, buffer,
                                            kOperation);
    if (status != kwsup::kQueryOk) return status;

    IdList ids = kwsup::makeIdList(list, KWSUP_LIST_SIZE);
    int32_t result = kInvalid;
    char channel[kNumberSize];
    uint32_t index = 0;
    for (; readElement(buffer.get(), "Channel", index, channel, sizeof channel); ++index) {
        bool hasProtocol = false;
        const uint32_t protocol = readProtocol(buffer.get(), index, &hasProtocol);
        if (!hasProtocol && __SysDbgIsLevelEnabled(3))
            __SysDbgPrint("KWCLP:%s: no BusProtocol for disk %u, taken as 0\n", kOperation, index);
        const uint32_t mask = readAttributes(buffer.get(), index);
        const bool enclosureForm = (protocol == kEnclosureProtocol || protocol == kDhsEnclosureProtocolAlt) &&
                                   (mask & kInEnclosureBit) != 0;
        char formed[kDhsDiskIdMax + 1];
        formDiskId(buffer.get(), index, enclosureForm, formed, sizeof formed);
        traceDisk(kOperation, formed, mask);
        kwsup::listIdentifier(ids, formed);
        if (sameId(formed, id)) result = 0;
    }
    *count = index;
    return result;
}

KW_EXPORT int32_t IsUserFanIndexValid(const char* id, const char* enclosure, const char* controller, char* list) {
    return checkComponentIndex("vexcmd=getEnclosureFans", "IsUserFanIndexValid", id, enclosure, controller, list);
}

KW_EXPORT int32_t IsUserPwrSupplyIndexValid(const char* id, const char* enclosure, const char* controller,
                                            char* list) {
    return checkComponentIndex("vexcmd=getEnclosurePowerSupplies", "IsUserPwrSupplyIndexValid", id, enclosure,
                               controller, list);
}

KW_EXPORT int32_t IsUserEmmIndexValid(const char* id, const char* enclosure, const char* controller, char* list) {
    return checkComponentIndex("vexcmd=getEnclosureEMMs", "IsUserEmmIndexValid", id, enclosure, controller, list);
}

KW_EXPORT int32_t IsUserTempProbesIndexValid(const char* id, const char* enclosure, const char* controller,
                                             char* list) {
    return checkComponentIndex("vexcmd=getEnclosureTemperatureProbes", "IsUserTempProbesIndexValid", id,
                               enclosure, controller, list);
}

}  // extern "C"
