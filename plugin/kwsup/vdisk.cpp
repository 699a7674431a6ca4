// Virtual disk operation rules: whether an action is supported and allowed
// on one virtual disk, dedicated hot spare admission and membership, and
// whether a new name, policy or size would change anything. Every rule asks
// the data agent for its current view and releases everything it obtained
// before it returns.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "kwsup/agent.h"
#include "kwsup/availability.h"
#include "kwsup/idlist.h"
#include "kwsup/kwsup.h"
#include "trace/sysdbg.h"

namespace {

using kwsup::DomGuard;
using kwsup::ResponseGuard;
using kwsup::XBufGuard;

// Entry and exit lines of one rule.
class FunctionTrace {
public:
    explicit FunctionTrace(const char* name) : name_(name) { LogFunctionEntry(name_); }
    ~FunctionTrace() { LogFunctionExit(name_); }
    FunctionTrace(const FunctionTrace&) = delete;
    FunctionTrace& operator=(const FunctionTrace&) = delete;

private:
    const char* name_;
};

constexpr int32_t kRejected = -1;
constexpr uint32_t kDedicatedHotSpare = 0x100;  // array disk attribute
constexpr uint32_t kInEnclosure = 0x400;        // array disk attribute
constexpr uint32_t kSizeChangeable = 0x8000;    // virtual disk attribute

// Action bits of a virtual disk's method masks.
const kwsup::ActionBit kVirtualDiskActionBits[] = {
    {"reconfigure",             0x1},
    {"format",                  0x2},
    {"cancelformat",            0x4},
    {"restoresegments",         0x8},
    {"deletevdisk",             0x10},
    {"checkconsistency",        0x20},
    {"initialize",              0x40},
    {"assigndedicatedhotspare", 0x80},
    {"blink",                   0x100},
    {"unblink",                 0x200},
    {"rename",                  0x400},
    {"cancelcheckconsistency",  0x800},
    {"cancelinitialize",        0x1000},
    {"splitmirror",             0x2000},
    {"unmirror",                0x4000},
    {"cancelrebuild",           0x8000},
    {"pausecheckconsistency",   0x10000},
    {"resumecheckconsistency",  0x20000},
    {"cancelreconfigure",       0x40000},
    {"changepolicy",            0x80000},
    {"cancelbginitialize",      0x100000},
    {"slowinit",                0x400000},
    {"fastinit",                0x800000},
};

// Policy kinds of IsPolicyInfoDuplicate: the element holding the current
// value and the converter that turns its bit into the user's word.
struct PolicyKind {
    uint32_t    kind;
    const char* element;
    int32_t (*toWord)(uint32_t bit, char* word);
};

const PolicyKind kPolicyKinds[] = {
    {1, "ReadPolicy",      GetUserInputStringForReadPolicyValue},
    {2, "WritePolicy",     GetUserInputStringForWritePolicyValue},
    {3, "CachePolicy",     GetUserInputStringForCachePolicyValue},
    {4, "DiskCachePolicy", GetUserInputStringForDiskCachePolicyValue},
};

const PolicyKind* findPolicyKind(uint32_t kind) {
    for (const PolicyKind& p : kPolicyKinds)
        if (p.kind == kind) return &p;
    return nullptr;
}

const char* orEmpty(const char* text) { return text ? text : ""; }

uint32_t maskValue(const char* text) {
    uint32_t value = 0;
    ConvertBinaryStringToInteger(text, &value);
    return value;
}

// The request arguments every rule formats from the user's identifiers.
struct VirtualDiskArgs {
    char globalNo[256];
    char logicalDriveNum[256];
};

VirtualDiskArgs formatArgs(const char* controller, const char* vdisk) {
    VirtualDiskArgs args;
    snprintf(args.globalNo, sizeof args.globalNo, "GlobalNo=%s", orEmpty(controller));
    snprintf(args.logicalDriveNum, sizeof args.logicalDriveNum, "LogicalDriveNum=%s", orEmpty(vdisk));
    return args;
}

// Reads the index-th child element of the index-th object of a parsed reply,
// bounded to size - 1 characters and always terminated; empty when absent.
bool readObjectElement(SXDOMNode* root, const char* name, uint32_t index, char* value, uint32_t size) {
    memset(value, 0, size);
    return QueryNthDCStorObjElementGiveRootNode(root, name, value, size - 1, index) == 0;
}

// True when any disk of the virtual disk's array disk reply is a dedicated
// hot spare.
bool hasDedicatedHotSpare(ZCSXBuf* disks) {
    char mask[256];
    for (uint32_t i = 0;; ++i) {
        memset(mask, 0, sizeof mask);
        if (QueryNodeNameValue("AttributesMask", mask, i, disks) != 0) return false;
        if (maskValue(mask) & kDedicatedHotSpare) return true;
    }
}

// 0 when the controller's VendorID is a non-zero number; -1 when it is 0,
// absent or the controller does not answer; 272 without a reply buffer.
int32_t vendorAllowsFurtherHotSpare(const VirtualDiskArgs& args) {
    XBufGuard controller;
    int32_t status = kwsup::queryIntoBuffer({"vexcmd=getController", args.globalNo, "CLI=true"}, controller,
                                            "IsDedicateHotSpareAllowed");
    if (status != kwsup::kQueryOk) return status == kwsup::kQueryNoBuffer ? KWSUP_NO_BUFFER : kRejected;
    char vendor[256] = {0};
    QueryNodeNameValue("VendorID", vendor, 0, controller.get());
    return strtoul(vendor, nullptr, 10) != 0 ? 0 : kRejected;
}

// The ObjID of the virtual disk: the first object without a ParentVDID whose
// LogicalDriveNum equals vdisk. Empty when none matches. Returns 272 when the
// reply cannot be parsed, -1 without a reply, else 0.
int32_t findVirtualDiskObjId(const VirtualDiskArgs& args, const char* vdisk, char* objId, uint32_t size) {
    memset(objId, 0, size);
    ResponseGuard reply = kwsup::sendRequest({"vexcmd=getVirtualDisksForController", args.globalNo, "CLI=true"});
    if (!reply) return kRejected;
    DomGuard root = kwsup::parseReply(reply.get());
    reply.reset();
    if (!root) return KWSUP_NO_BUFFER;
    char number[256];
    char parent[256];
    for (uint32_t i = 0; readObjectElement(root.get(), "LogicalDriveNum", i, number, sizeof number); ++i) {
        if (readObjectElement(root.get(), "ParentVDID", i, parent, sizeof parent)) continue;
        if (vdisk != nullptr && strcmp(number, vdisk) == 0) {
            readObjectElement(root.get(), "ObjID", i, objId, size);
            break;
        }
    }
    return 0;
}

// The identifier users type for an associated disk: connector:enclosure:target
// for a disk in an enclosure behind a protocol 7 or 8 connector, else
// connector:target.
void formatAssociatedDiskId(SXDOMNode* root, uint32_t index, const char* channel, uint32_t protocol,
                            uint32_t attributes, char* id, uint32_t size) {
    char target[17];
    char enclosure[17];
    readObjectElement(root, "TargetID", index, target, sizeof target);
    int length;
    if ((protocol == 7 || protocol == 8) && (attributes & kInEnclosure)) {
        readObjectElement(root, "EnclosureID", index, enclosure, sizeof enclosure);
        length = snprintf(id, size, "%s:%s:%s", channel, enclosure, target);
    } else {
        length = snprintf(id, size, "%s:%s", channel, target);
    }
    // A longer identifier is listed cut to the buffer, as every list is.
    if (length >= static_cast<int>(size) && __SysDbgIsLevelEnabled(4))
        __SysDbgPrint("KWCLP:IsUserDHSValid: disk identifier cut to %s\n", id);
}

}  // namespace

extern "C" {

KW_EXPORT int32_t IsUserOperationValidForVirtualDisk(const char* action, const char* controller,
                                                     const char* vdisk, uint32_t* supported,
                                                     uint32_t* allowed) {
    FunctionTrace trace("IsUserOperationValidForVirtualDisk");
    VirtualDiskArgs args = formatArgs(controller, vdisk);
    const char* request[] = {"vexcmd=getVirtualDisksForController", args.globalNo, "CLI=true"};
    LogCLIArgs(const_cast<char**>(request), 3);
    // LogicalDriveNum is compared on at most 10 characters, masks kept to 100.
    kwsup::ElementMatch match = {"LogicalDriveNum", vdisk, 11};
    kwsup::AvailabilityQuery query = {"IsUserOperationValidForVirtualDisk", request, 3,
                                      kwsup::kReadObjects, kwsup::locateByElement, &match,
                                      101, kwsup::kAvailFailWithoutReply};
    return kwsup::checkOperationAvailability(query, kwsup::findActionBit(kVirtualDiskActionBits, action),
                                             supported, allowed);
}

KW_EXPORT int32_t IsDedicateHotSpareAllowed(const char* controller, const char* vdisk) {
    FunctionTrace trace("IsDedicateHotSpareAllowed");
    VirtualDiskArgs args = formatArgs(controller, vdisk);
    XBufGuard disks;
    int32_t status = kwsup::queryIntoBuffer(
        {"vexcmd=getArrayDisksForVirtualDisk", args.globalNo, args.logicalDriveNum, "CLI=true"}, disks,
        "IsDedicateHotSpareAllowed");
    if (status != kwsup::kQueryOk) return status == kwsup::kQueryNoBuffer ? KWSUP_NO_BUFFER : kRejected;
    bool alreadyProtected = hasDedicatedHotSpare(disks.get());
    disks.reset();
    // A virtual disk without a dedicated hot spare may always receive one;
    // a further one only where the controller's vendor allows it.
    if (!alreadyProtected) return 0;
    return vendorAllowsFurtherHotSpare(args);
}

KW_EXPORT int32_t IsUserDHSValid(const char* disk, const char* controller, const char* vdisk, char* list) {
    FunctionTrace trace("IsUserDHSValid");
    VirtualDiskArgs args = formatArgs(controller, vdisk);
    char objId[32];
    int32_t status = findVirtualDiskObjId(args, vdisk, objId, sizeof objId);
    if (status != 0) return status;

    char param2[64];
    snprintf(param2, sizeof param2, "param2=%s", objId);
    ResponseGuard reply = kwsup::sendRequest(
        {"vexcmd=sendPassThruCmdToDCSIF", "NumDCSIFArgs=3", "param0=getassoc", "param1=adisks", param2});
    if (!reply) return kRejected;
    // Parsed once and read per object, so that an element one disk lacks
    // (EnclosureID of a directly attached disk) never shifts another's.
    DomGuard root = kwsup::parseReply(reply.get());
    reply.reset();
    if (!root) return KWSUP_NO_BUFFER;

    kwsup::IdList ids = kwsup::makeIdList(list, KWSUP_LIST_SIZE);
    int32_t result = kRejected;
    char channel[17];
    char protocol[17];
    char attributes[129];
    char id[32];
    for (uint32_t i = 0; readObjectElement(root.get(), "Channel", i, channel, sizeof channel); ++i) {
        readObjectElement(root.get(), "BusProtocol", i, protocol, sizeof protocol);
        readObjectElement(root.get(), "AttributesMask", i, attributes, sizeof attributes);
        uint32_t mask = maskValue(attributes);
        if (!(mask & kDedicatedHotSpare)) continue;
        formatAssociatedDiskId(root.get(), i, channel, strtoul(protocol, nullptr, 10), mask, id, sizeof id);
        kwsup::listIdentifier(ids, id);
        if (disk != nullptr && strcmp(id, disk) == 0) result = 0;
    }
    return result;
}

KW_EXPORT int32_t IsVDNameDuplicate(const char* name, const char* controller, const char* vdisk) {
    FunctionTrace trace("IsVDNameDuplicate");
    VirtualDiskArgs args = formatArgs(controller, vdisk);
    XBufGuard buffer;
    int32_t status = kwsup::queryIntoBuffer(
        {"vexcmd=getVirtualDisk", args.globalNo, args.logicalDriveNum, "CLI=true"}, buffer, "IsVDNameDuplicate");
    if (status == kwsup::kQueryNoBuffer) return KWSUP_NO_BUFFER;
    if (status != kwsup::kQueryOk) return 1;
    char current[64] = {0};
    QueryNodeNameValueWithSize("Name", current, sizeof current, 0, buffer.get());
    // Only this virtual disk's own name counts; an unreadable one refuses.
    if (current[0] != '\0' && strcmp(current, orEmpty(name)) != 0) return 0;
    return 1;
}

KW_EXPORT int32_t IsPolicyInfoDuplicate(const char* controller, const char* word, const char* vdisk,
                                        uint32_t kind) {
    FunctionTrace trace("IsPolicyInfoDuplicate");
    VirtualDiskArgs args = formatArgs(controller, vdisk);
    XBufGuard buffer;
    int32_t status = kwsup::queryIntoBuffer(
        {"vexcmd=getVirtualDisk", args.globalNo, args.logicalDriveNum, "CLI=true"}, buffer,
        "IsPolicyInfoDuplicate");
    if (status == kwsup::kQueryNoBuffer) return KWSUP_NO_BUFFER;
    if (status != kwsup::kQueryOk) return 1;
    // The agent is asked first, so a silent agent refuses every kind; an
    // unknown kind names no policy, so nothing can already be in force.
    const PolicyKind* policy = findPolicyKind(kind);
    if (policy == nullptr) return 0;
    char current[64] = {0};
    QueryNodeNameValueWithSize(policy->element, current, sizeof current, 0, buffer.get());
    char currentWord[16] = {0};
    policy->toWord(static_cast<uint32_t>(strtoul(current, nullptr, 10)), currentWord);
    return word != nullptr && strcmp(currentWord, word) == 0 ? 1 : 0;
}

KW_EXPORT int32_t IsUserSizeParameterValidForReconfigure(const char* controller, const char* vdisk) {
    FunctionTrace trace("IsUserSizeParameterValidForReconfigure");
    XBufGuard buffer = kwsup::allocReplyBuffer("IsUserSizeParameterValidForReconfigure");
    if (!buffer) return KWSUP_NO_BUFFER;
    VirtualDiskArgs args = formatArgs(controller, vdisk);
    ResponseGuard reply = kwsup::sendRequest({"vexcmd=getVirtualDisksForController", args.globalNo, "CLI=true"});
    if (!reply) return KWSUP_NO_BUFFER;
    if (kwsup::wrapReply(buffer.get(), reply.get()) != kwsup::kQueryOk) return KWSUP_NO_BUFFER;
    reply.reset();

    char number[256];
    char attributes[256];
    for (uint32_t i = 0;; ++i) {
        memset(number, 0, sizeof number);
        if (QueryNodeNameValue("LogicalDriveNum", number, i, buffer.get()) != 0) break;
        if (vdisk == nullptr || strcmp(number, vdisk) != 0) continue;
        memset(attributes, 0, sizeof attributes);
        if (QueryNodeNameValue("AttributesMask", attributes, i, buffer.get()) != 0) return kRejected;
        return (maskValue(attributes) & kSizeChangeable) ? 0 : kRejected;
    }
    // A virtual disk that is not listed has no attributes, so no size change.
    return kRejected;
}

}  // extern "C"
