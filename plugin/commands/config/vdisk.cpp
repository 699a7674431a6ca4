// rkconfig storage vdisk: the twenty actions on one existing virtual disk,
// their variant table and the callback that checks the user's values against
// the live configuration before the request goes to the data agent.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "commands/callbacks.h"
#include "kwsup/kwsup.h"
#include "plugin/handlers.h"
#include "trace/sysdbg.h"
#include "vexcs32.h"

extern "C" {
KW_EXPORT extern const NVLstRow NVLstCommonVDCfg[2];
KW_EXPORT extern const NVLstRow NVLstDelete[3];
KW_EXPORT extern const NVLstRow NVLstRename[3];
KW_EXPORT extern const NVLstRow NVLstSetDedHotSpare[6];
KW_EXPORT extern const NVLstRow NVLstReconfigure[28];
KW_EXPORT extern const NVLstRow NVLstChangePolicy[16];
KW_EXPORT extern const NVCmdRow NVCommandConfigVDs[20];
KW_EXPORT int32_t CmdConfigVirtualDisksValidateFunc(void* fw1, void* fw2, uint32_t argc, char** argv,
                                                    uint32_t* reqCount, char** reqArgs, void* fw7,
                                                    void* fw8, char* msgArg1, char* msgArg2);
}

// ---- Parameter lists -------------------------------------------------------

const NVLstRow NVLstCommonVDCfg[2] = {
    {"controller", "GlobalNo=",        0x7, 1, nullptr, 0},
    {"vdisk",      "LogicalDriveNum=", 0x7, 1, nullptr, 0},
};

const NVLstRow NVLstDelete[3] = {
    {"controller", "GlobalNo=",        0x7, 1,  nullptr, 0},
    {"vdisk",      "LogicalDriveNum=", 0x7, 1,  nullptr, 0},
    {"force",      "Force=yes",        0x1, 10, "yes",   0},
};

const NVLstRow NVLstRename[3] = {
    {"controller", "GlobalNo=",        0x7, 1, nullptr, 0},
    {"vdisk",      "LogicalDriveNum=", 0x7, 1, nullptr, 0},
    {"name",       "Name=",            0x1, 1, nullptr, 0},
};

const NVLstRow NVLstSetDedHotSpare[6] = {
    {"controller", "GlobalNo=",        0x7,        1,  nullptr,       0},
    {"vdisk",      "LogicalDriveNum=", 0x7,        1,  nullptr,       0},
    {"adisk",      "adisk=",           0x40030000, 0,  "3:15,1:2:15", 0},
    {"pdisk",      "adisk=",           0x40030000, 0,  "3:15,1:2:15", 0},
    {"assign",     "set=yes",          0x1,        16, "yes",         0},
    {"assign",     "set=no",           0x1,        16, "no",          0},
};

const NVLstRow NVLstReconfigure[28] = {
    {"controller", "GlobalNo=",          0x7,        1,  nullptr,       0},
    {"vdisk",      "LogicalDriveNum=",   0x7,        1,  nullptr,       0},
    {"raid",       "Layout=2",           0x1,        16, "r0",          0},
    {"raid",       "Layout=4",           0x1,        16, "r1",          0},
    {"raid",       "Layout=64",          0x1,        16, "r5",          0},
    {"raid",       "Layout=128",         0x1,        16, "r6",          0},
    {"raid",       "Layout=512",         0x1,        16, "r10",         0},
    {"raid",       "Layout=2048",        0x1,        16, "r50",         0},
    {"raid",       "Layout=262144",      0x1,        16, "r60",         0},
    {"raid",       "Layout=4096",        0x1,        16, "r1c",         0},
    {"raid",       "Layout=1",           0x1,        16, "c",           0},
    {"size",       "Length=",            0x1,        0,  nullptr,       0},
    {"stripesize", "StripeSize=4",       0x1,        10, "2kb",         0},
    {"stripesize", "StripeSize=8",       0x1,        10, "4kb",         0},
    {"stripesize", "StripeSize=16",      0x1,        10, "8kb",         0},
    {"stripesize", "StripeSize=32",      0x1,        10, "16kb",        0},
    {"stripesize", "StripeSize=64",      0x1,        10, "32kb",        0},
    {"stripesize", "StripeSize=128",     0x1,        10, "64kb",        0},
    {"stripesize", "StripeSize=256",     0x1,        10, "128kb",       0},
    {"stripesize", "StripeSize=512",     0x1,        10, "256kb",       0},
    {"stripesize", "StripeSize=1024",    0x1,        10, "512kb",       0},
    {"stripesize", "StripeSize=2048",    0x1,        10, "1mb",         0},
    {"stripesize", "StripeSize=4096",    0x1,        10, "2mb",         0},
    {"stripesize", "StripeSize=8192",    0x1,        10, "4mb",         0},
    {"stripesize", "StripeSize=16384",   0x1,        10, "8mb",         0},
    {"stripesize", "StripeSize=32768",   0x1,        10, "16mb",        0},
    {"pdisk",      "adisk=",             0x40030000, 0,  "3:15,1:2:15", 0},
    {"adisk",      "adisk=",             0x40030000, 0,  "3:15,1:2:15", 0},
};

const NVLstRow NVLstChangePolicy[16] = {
    {"controller",      "GlobalNo=",         0x7, 1,  nullptr,    0},
    {"vdisk",           "LogicalDriveNum=",  0x7, 1,  nullptr,    0},
    {"readpolicy",      "ReadPolicy=1",      0x1, 11, "rc",       0},
    {"readpolicy",      "ReadPolicy=2",      0x1, 11, "nrc",      0},
    {"readpolicy",      "ReadPolicy=4",      0x1, 11, "ra",       0},
    {"readpolicy",      "ReadPolicy=8",      0x1, 11, "ara",      0},
    {"readpolicy",      "ReadPolicy=16",     0x1, 11, "nra",      0},
    {"writepolicy",     "WritePolicy=1",     0x1, 11, "wc",       0},
    {"writepolicy",     "WritePolicy=2",     0x1, 11, "nwc",      0},
    {"writepolicy",     "WritePolicy=4",     0x1, 11, "wb",       0},
    {"writepolicy",     "WritePolicy=8",     0x1, 11, "wt",       0},
    {"writepolicy",     "WritePolicy=32",    0x1, 11, "fwb",      0},
    {"cachepolicy",     "CachePolicy=1",     0x1, 11, "d",        0},
    {"cachepolicy",     "CachePolicy=2",     0x1, 11, "c",        0},
    {"diskcachepolicy", "DiskCachePolicy=1", 0x1, 11, "enabled",  0},
    {"diskcachepolicy", "DiskCachePolicy=2", 0x1, 11, "disabled", 0},
};

// ---- Variant table ---------------------------------------------------------

const NVCmdRow NVCommandConfigVDs[20] = {
    {1, "action", "vexcmd=setVDCheckConsistency",       "checkconsistency",        0, "kwda", NVLstCommonVDCfg,    2,  nullptr, 0},
    {1, "action", "vexcmd=setVDCancelCheckConsistency", "cancelcheckconsistency",  0, "kwda", NVLstCommonVDCfg,    2,  nullptr, 0},
    {1, "action", "vexcmd=setVDPauseCheckConsistency",  "pausecheckconsistency",   0, "kwda", NVLstCommonVDCfg,    2,  nullptr, 0},
    {1, "action", "vexcmd=setVDResumeCheckConsistency", "resumecheckconsistency",  0, "kwda", NVLstCommonVDCfg,    2,  nullptr, 0},
    {1, "action", "vexcmd=setVDBlink",                  "blink",                   0, "kwda", NVLstCommonVDCfg,    2,  nullptr, 0},
    {1, "action", "vexcmd=setVDUnBlink",                "unblink",                 0, "kwda", NVLstCommonVDCfg,    2,  nullptr, 0},
    {1, "action", "vexcmd=setVDInitialize",             "initialize",              0, "kwda", NVLstCommonVDCfg,    2,  nullptr, 0},
    {1, "action", "vexcmd=setVDFastInitialize",         "fastinit",                0, "kwda", NVLstDelete,         3,  nullptr, 0},
    {1, "action", "vexcmd=setVDSlowInitialize",         "slowinit",                0, "kwda", NVLstDelete,         3,  nullptr, 0},
    {1, "action", "vexcmd=setVDCancelInitialize",       "cancelinitialize",        0, "kwda", NVLstCommonVDCfg,    2,  nullptr, 0},
    {1, "action", "vexcmd=setVDRecover",                "restoresegments",         0, "kwda", NVLstCommonVDCfg,    2,  nullptr, 0},
    {1, "action", "vexcmd=setVDSplitMirrorSet",         "splitmirror",             0, "kwda", NVLstCommonVDCfg,    2,  nullptr, 0},
    {1, "action", "vexcmd=setVDUnMirror",               "unmirror",                0, "kwda", NVLstCommonVDCfg,    2,  nullptr, 0},
    {1, "action", "vexcmd=setVDCancelBGInitialize",     "cancelbginitialize",      0, "kwda", NVLstCommonVDCfg,    2,  nullptr, 0},
    {1, "action", "vexcmd=setVDDedicatedHotSpare",      "assigndedicatedhotspare", 0, "kwda", NVLstSetDedHotSpare, 6,  nullptr, 0},
    {1, "action", "vexcmd=setVDdelete",                 "deletevdisk",             0, "kwda", NVLstDelete,         3,  nullptr, 0},
    {1, "action", "vexcmd=setVDFormat",                 "format",                  0, "kwda", NVLstCommonVDCfg,    2,  nullptr, 0},
    {1, "action", "vexcmd=setVDReconfigure",            "reconfigure",             0, "kwda", NVLstReconfigure,    28, nullptr, 0},
    {1, "action", "vexcmd=setVDReconfigure",            "changepolicy",            0, "kwda", NVLstChangePolicy,   16, nullptr, 0},
    {1, "action", "vexcmd=setVDReconfigure",            "rename",                  0, "kwda", NVLstRename,         3,  nullptr, 0},
};

// ---- Validation callback ---------------------------------------------------

namespace {

constexpr uint32_t kValueListSize = 128;  // supported layout and policy values

const char kNameRule[] = "[A-Z,a-z,0-9,-, ,_] and cannot start/end with spaces.";

// What the callback works with: the user's line, the request built from the
// chosen variant, and the two message arguments.
struct Call {
    uint32_t  argc;
    char**    argv;
    uint32_t* reqCount;
    char**    reqArgs;
    char*     first;
    char*     second;

    const char* user(const char* name) const { return kwcmd::userParam(argc, argv, name); }
    const char* request(const char* name) const { return kwcmd::requestValue(reqCount, reqArgs, name); }
};

// Message arguments are written only on the paths that name them; a value
// that was not given is named as the empty text.
int32_t reject(const Call& call, int32_t status, const char* first) {
    kwcmd::setMessage(call.first, first);
    return status;
}

int32_t reject(const Call& call, int32_t status, const char* first, const char* second) {
    kwcmd::setMessage(call.first, first);
    kwcmd::setMessage(call.second, second);
    return status;
}

int32_t checkOfferedValues(const Call& call, const char* controller, const kwcmd::OfferedValueRule* rules,
                           uint32_t count) {
    return kwcmd::checkOfferedValues(rules, count, controller, call.argc, call.argv, call.reqCount, call.reqArgs,
                                     call.first, call.second);
}

using kwcmd::isWord;

// ---- Hot spares ------------------------------------------------------------

int32_t validateDedicatedHotSpare(const Call& call, const char* controller, const char* vdisk) {
    char* adisk = const_cast<char*>(call.user("adisk"));
    char* pdisk = const_cast<char*>(call.user("pdisk"));
    int32_t status = checkAdiskPdisk(&adisk, &pdisk);
    if (status != 0) return status;

    char list[KWSUP_LIST_SIZE] = {0};
    // Anything but assign=yes releases a dedicated hot spare.
    if (!isWord(call.user("assign"), "yes")) {
        if (IsUserDHSValid(adisk, controller, vdisk, list) != 0)
            return reject(call, KW_STATUS_BAD_DISK, adisk, list);
        return KW_STATUS_PROCEED;
    }
    if (controller != nullptr && vdisk != nullptr && IsDedicateHotSpareAllowed(controller, vdisk) == -1)
        return reject(call, KW_STATUS_ACTION_NOT_ALLOWED, "assigndedicatedhotspare assign=yes");
    uint32_t count = 0;
    if (IsUserArrayDiskIdValidDHS(adisk, controller, vdisk, list, &count) != 0)
        return reject(call, KW_STATUS_BAD_DHS_DISK, adisk, count == 0 ? "None" : list);
    return KW_STATUS_PROCEED;
}

// ---- Policy changes --------------------------------------------------------

// Policies the controller must support, checked in this order; the first
// unsupported one is reported.
const kwcmd::OfferedValueRule kSupportedPolicies[] = {
    {"readpolicy",      "ReadPolicy",      IsUserReadPolicyValidForController,      KW_STATUS_BAD_READ_POLICY,       "None - No valid read policies found"},
    {"diskcachepolicy", "DiskCachePolicy", IsUserDiskCachePolicyValidForController, KW_STATUS_BAD_DISK_CACHE_POLICY, "None - No valid Disk Cahe policies found"},
    {"cachepolicy",     "CachePolicy",     IsUserCachePolicyValidForController,     KW_STATUS_BAD_CACHE_POLICY,      "None - No valid cache policies found"},
    {"writepolicy",     "WritePolicy",     IsUserWritePolicyValidForController,     KW_STATUS_BAD_WRITE_POLICY,      "None - No valid write policies found"},
};

// A policy that must differ from the one in force.
struct ChangedPolicy {
    const char* userParam;
    const char* requestName;
    uint32_t    kind;
    int32_t     status;
};

const ChangedPolicy kChangedPolicies[] = {
    {"readpolicy",      "ReadPolicy",      1, KW_STATUS_READ_POLICY_UNCHANGED},
    {"writepolicy",     "WritePolicy",     2, KW_STATUS_WRITE_POLICY_UNCHANGED},
    {"cachepolicy",     "CachePolicy",     3, KW_STATUS_CACHE_POLICY_UNCHANGED},
    {"diskcachepolicy", "DiskCachePolicy", 4, KW_STATUS_DISK_CACHE_UNCHANGED},
};

int32_t validateChangePolicy(const Call& call, const char* controller, const char* vdisk) {
    int32_t status = checkOfferedValues(call, controller, kSupportedPolicies,
                                        sizeof kSupportedPolicies / sizeof kSupportedPolicies[0]);
    if (status != KW_STATUS_PROCEED) return status;
    for (const ChangedPolicy& p : kChangedPolicies) {
        const char* word = call.user(p.userParam);
        if (word == nullptr || call.request(p.requestName) == nullptr) continue;
        if (IsPolicyInfoDuplicate(controller, word, vdisk, p.kind) != 0) return reject(call, p.status, word);
    }
    return KW_STATUS_PROCEED;
}

// ---- Rename ----------------------------------------------------------------

int32_t validateRename(const Call& call, const char* controller, const char* vdisk) {
    // A missing name is the empty name: it passes the character rule and
    // fails the length rule.
    const char* name = call.user("name");
    if (name == nullptr) name = "";
    if (IsStringAValidName(name, 1) != 0) return reject(call, KW_STATUS_BAD_VDISK_NAME, name, kNameRule);
    char limit[8] = {0};
    if (IsNameCorrectLength(name, controller, limit, sizeof limit) != 0) {
        char maximum[16];
        snprintf(maximum, sizeof maximum, "%d", atoi(limit));
        return reject(call, KW_STATUS_NAME_TOO_LONG, name, maximum);
    }
    if (IsVDNameDuplicate(name, controller, vdisk) != 0) return reject(call, KW_STATUS_NAME_UNCHANGED, name);
    return KW_STATUS_PROCEED;
}

// ---- Reconfigure -----------------------------------------------------------

// Every disk of the comma-separated list must exist and be free to join.
int32_t validateReconfigureDisks(const Call& call, const char* controller, const char* disks) {
    char copy[256];
    snprintf(copy, sizeof copy, "%s", disks);
    char* rest = nullptr;
    for (char* piece = strtok_r(copy, ",", &rest); piece != nullptr; piece = strtok_r(nullptr, ",", &rest)) {
        char list[KWSUP_LIST_SIZE] = {0};
        uint32_t count = 0;
        int32_t result = IsUserArrayDiskIdValid(piece, controller, list, 1, &count);
        if (result == 0) continue;
        if (result != -1) return reject(call, KW_STATUS_BAD_RECONFIG_DISK, piece);
        if (count != 0) return reject(call, KW_STATUS_BAD_DISK, piece, list);
        return reject(call, KW_STATUS_BAD_DISK, disks, kwcmd::kNoArrayDisks);
    }
    return KW_STATUS_PROCEED;
}

// Puts "Length=<bytes>" in the slot of the Length argument, or appends it:
// the size row always places a Length argument, but should it be missing the
// size still travels rather than being dropped.
int32_t rewriteLength(const Call& call, const char* bytes) {
    if (call.reqCount == nullptr || call.reqArgs == nullptr) return KW_STATUS_NO_MEMORY;
    return kwcmd::setLengthArgument(call.reqCount, call.reqArgs, bytes);
}

int32_t validateReconfigureSize(const Call& call, const char* controller, const char* vdisk, const char* size) {
    if (IsUserSizeParameterValidForReconfigure(controller, vdisk) != 0) return KW_STATUS_SIZE_CHANGE_IMPOSSIBLE;
    char bytes[256] = {0};
    double value = 0;
    int32_t status = kwcmd::sizeInBytes(size, bytes, sizeof bytes, &value);
    if (status != KW_STATUS_PROCEED) return status;
    return rewriteLength(call, bytes);
}

const kwcmd::OfferedValueRule kStripeSizeRule = {"stripesize", "StripeSize", IsUserStripeSizeValidForController,
                                                KW_STATUS_BAD_STRIPE_SIZE, "None - No valid stripe size values found"};

int32_t validateReconfigure(const Call& call, const char* controller, const char* vdisk) {
    const char* raid = call.user("raid");
    if (raid != nullptr) {
        // A raid word without its Layout value names no layout: rejected.
        const char* layout = call.request("Layout");
        char list[kValueListSize] = {0};
        if (IsUserRaidInputValueValidForController(controller, layout ? layout : "", list, sizeof list) != 0)
            return reject(call, KW_STATUS_BAD_RAID, raid, list);
    }

    char* adisk = const_cast<char*>(call.user("adisk"));
    char* pdisk = const_cast<char*>(call.user("pdisk"));
    int32_t status = checkAdiskPdisk(&adisk, &pdisk);
    if (status != 0) return status;
    status = validateReconfigureDisks(call, controller, adisk);
    if (status != KW_STATUS_PROCEED) return status;

    status = checkOfferedValues(call, controller, &kStripeSizeRule, 1);
    if (status != KW_STATUS_PROCEED) return status;

    const char* size = call.user("size");
    if (size != nullptr) return validateReconfigureSize(call, controller, vdisk, size);
    return KW_STATUS_PROCEED;
}

// ---- The common checks -----------------------------------------------------

int32_t validateTarget(const Call& call, const char* controller, const char* vdisk) {
    int32_t status = kwcmd::checkGivenController(controller, call.first, call.second);
    if (status != KW_STATUS_PROCEED) return status;
    return kwcmd::checkGivenVirtualDisk(vdisk, controller, call.first, call.second);
}

int32_t validateAvailability(const Call& call, const char* action, const char* controller, const char* vdisk) {
    uint32_t supported = 0;
    uint32_t allowed = 0;
    // The flags alone decide: a check that could not be made leaves them 0.
    IsUserOperationValidForVirtualDisk(action, controller, vdisk, &supported, &allowed);
    if (supported == 0) return reject(call, KW_STATUS_ACTION_UNSUPPORTED, action);
    if (allowed == 0) return reject(call, KW_STATUS_ACTION_NOT_ALLOWED, action);
    return KW_STATUS_PROCEED;
}

}  // namespace

extern "C" {

KW_EXPORT int32_t CmdConfigVirtualDisksValidateFunc(void* fw1, void* fw2, uint32_t argc, char** argv,
                                                    uint32_t* reqCount, char** reqArgs, void* fw7,
                                                    void* fw8, char* msgArg1, char* msgArg2) {
    Call call = {argc, argv, reqCount, reqArgs, msgArg1, msgArg2};
    const char* controller = call.user("controller");
    const char* vdisk = call.user("vdisk");
    const char* action = call.user("action");

    int32_t status = validateTarget(call, controller, vdisk);
    if (status != KW_STATUS_PROCEED) return status;
    status = validateAvailability(call, action, controller, vdisk);
    if (status != KW_STATUS_PROCEED) return status;

    if (isWord(action, "assigndedicatedhotspare")) return validateDedicatedHotSpare(call, controller, vdisk);
    if (isWord(action, "changepolicy")) return validateChangePolicy(call, controller, vdisk);
    if (isWord(action, "rename")) return validateRename(call, controller, vdisk);
    if (isWord(action, "reconfigure")) return validateReconfigure(call, controller, vdisk);
    return KW_STATUS_PROCEED;
}

KW_EXPORT CLPSResponse* CmdConfigVirtualDisks(int32_t argc, char** argv) {
    LogCLIArgs(argv, argc);
    return CLPSNVCmdConfigFunc(argc, argv, 6981, 6982, NVCommandConfigVDs, 20, "kwclp.xsl",
                               CmdConfigVirtualDisksValidateFunc);
}

}  // extern "C"
