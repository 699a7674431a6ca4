// rkconfig storage adisk / pdisk: acts on one physical disk of one
// controller. The two commands offer the same actions and share one callback;
// they differ only in the word the user names the disk with.
#include <stdint.h>

#include "commands/callbacks.h"
#include "kwsup/kwsup.h"
#include "plugin/handlers.h"
#include "trace/sysdbg.h"

using kwcmd::userParam;

extern "C" KW_EXPORT const NVLstRow NVLstCommonArrayDiskCfg[] = {
    {"controller", "GlobalNo=", 0x7,     1, nullptr,       0},
    {"adisk",      "adisk=",    0x30000, 1, "3:15,1:2:15", 0},
};

extern "C" KW_EXPORT const NVLstRow NVLstSetHotSpare[] = {
    {"controller", "GlobalNo=", 0x7,     1,  nullptr,       0},
    {"adisk",      "adisk=",    0x30000, 1,  "3:15,1:2:15", 0},
    {"assign",     "set=yes",   0x1,     16, "yes",         0},
    {"assign",     "set=no",    0x1,     16, "no",          0},
};

extern "C" KW_EXPORT const NVLstRow NVLstCommonPhysicalDiskCfg[] = {
    {"controller", "GlobalNo=", 0x7,     1, nullptr,       0},
    {"pdisk",      "adisk=",    0x30000, 1, "3:15,1:2:15", 0},
};

extern "C" KW_EXPORT const NVLstRow NVLstSetPhysicalDiskHotSpare[] = {
    {"controller", "GlobalNo=", 0x7,     1,  nullptr,       0},
    {"pdisk",      "adisk=",    0x30000, 1,  "3:15,1:2:15", 0},
    {"assign",     "set=yes",   0x1,     16, "yes",         0},
    {"assign",     "set=no",    0x1,     16, "no",          0},
};

extern "C" KW_EXPORT const NVCmdRow NVCommandConfigArrayDisks[] = {
    {1, "action", "vexcmd=setArrayDiskBlink",              "blink",                0, "kwda", NVLstCommonArrayDiskCfg, 2, nullptr, 0},
    {1, "action", "vexcmd=setArrayDiskUnBlink",            "unblink",              0, "kwda", NVLstCommonArrayDiskCfg, 2, nullptr, 0},
    {1, "action", "vexcmd=setArrayDiskPrepareToRemove",    "remove",               0, "kwda", NVLstCommonArrayDiskCfg, 2, nullptr, 0},
    {1, "action", "vexcmd=setArrayDiskInitialize",         "initialize",           0, "kwda", NVLstCommonArrayDiskCfg, 2, nullptr, 0},
    {1, "action", "vexcmd=setArrayDiskRebuild",            "rebuild",              0, "kwda", NVLstCommonArrayDiskCfg, 2, nullptr, 0},
    {1, "action", "vexcmd=setArrayDiskCancelRebuild",      "cancelrebuild",        0, "kwda", NVLstCommonArrayDiskCfg, 2, nullptr, 0},
    {1, "action", "vexcmd=setArrayDiskOffline",            "offline",              0, "kwda", NVLstCommonArrayDiskCfg, 2, nullptr, 0},
    {1, "action", "vexcmd=setArrayDiskRemoveDeadSegments", "removedeadsegments",   0, "kwda", NVLstCommonArrayDiskCfg, 2, nullptr, 0},
    {1, "action", "vexcmd=setArrayDiskOnline",             "online",               0, "kwda", NVLstCommonArrayDiskCfg, 2, nullptr, 0},
    {1, "action", "vexcmd=setArrayDiskGlobalHotSpare",     "assignglobalhotspare", 0, "kwda", NVLstSetHotSpare,        4, nullptr, 0},
    {1, "action", "vexcmd=setArrayDiskClear",              "clear",                0, "kwda", NVLstCommonArrayDiskCfg, 2, nullptr, 0},
    {1, "action", "vexcmd=setArrayDiskCancelClear",        "cancelclear",          0, "kwda", NVLstCommonArrayDiskCfg, 2, nullptr, 0},
};

extern "C" KW_EXPORT const NVCmdRow NVCommandConfigPhysicalDisks[] = {
    {1, "action", "vexcmd=setArrayDiskBlink",              "blink",                0, "kwda", NVLstCommonPhysicalDiskCfg,   2, nullptr, 0},
    {1, "action", "vexcmd=setArrayDiskUnBlink",            "unblink",              0, "kwda", NVLstCommonPhysicalDiskCfg,   2, nullptr, 0},
    {1, "action", "vexcmd=setArrayDiskPrepareToRemove",    "remove",               0, "kwda", NVLstCommonPhysicalDiskCfg,   2, nullptr, 0},
    {1, "action", "vexcmd=setArrayDiskInitialize",         "initialize",           0, "kwda", NVLstCommonPhysicalDiskCfg,   2, nullptr, 0},
    {1, "action", "vexcmd=setArrayDiskRebuild",            "rebuild",              0, "kwda", NVLstCommonPhysicalDiskCfg,   2, nullptr, 0},
    {1, "action", "vexcmd=setArrayDiskCancelRebuild",      "cancelrebuild",        0, "kwda", NVLstCommonPhysicalDiskCfg,   2, nullptr, 0},
    {1, "action", "vexcmd=setArrayDiskOffline",            "offline",              0, "kwda", NVLstCommonPhysicalDiskCfg,   2, nullptr, 0},
    {1, "action", "vexcmd=setArrayDiskRemoveDeadSegments", "removedeadsegments",   0, "kwda", NVLstCommonPhysicalDiskCfg,   2, nullptr, 0},
    {1, "action", "vexcmd=setArrayDiskOnline",             "online",               0, "kwda", NVLstCommonPhysicalDiskCfg,   2, nullptr, 0},
    {1, "action", "vexcmd=setArrayDiskGlobalHotSpare",     "assignglobalhotspare", 0, "kwda", NVLstSetPhysicalDiskHotSpare, 4, nullptr, 0},
    {1, "action", "vexcmd=setArrayDiskClear",              "clear",                0, "kwda", NVLstCommonPhysicalDiskCfg,   2, nullptr, 0},
    {1, "action", "vexcmd=setArrayDiskCancelClear",        "cancelclear",          0, "kwda", NVLstCommonPhysicalDiskCfg,   2, nullptr, 0},
};

namespace {

// The word the availability check knows the action by: a hot spare
// assignment with assign=no is the release of one. An assignment without
// assign is taken as an assignment.
const char* availabilityWord(const char* action, const char* assign) {
    if (action == nullptr) return "";
    if (strcmpCaseIgnore(action, "assignglobalhotspare") == 0 && assign != nullptr &&
        strcmpCaseIgnore(assign, "no") == 0)
        return "unassignglobalhotspare";
    return action;
}

// The action as the user wrote it, for messages: the hot spare actions
// carry their assign word.
const char* shownWord(const char* word) {
    if (strcmpCaseIgnore(word, "assignglobalhotspare") == 0) return "assignglobalhotspare assign=yes";
    if (strcmpCaseIgnore(word, "unassignglobalhotspare") == 0) return "assignglobalhotspare assign=no";
    return word;
}

// The Property argument a clear or cancelclear request carries; 0 for none.
int32_t clearProperty(const char* word) {
    if (strcmpCaseIgnore(word, "clear") == 0) return 13;
    if (strcmpCaseIgnore(word, "cancelclear") == 0) return 14;
    return 0;
}

}  // namespace

extern "C" KW_EXPORT int32_t CmdConfigArrayDisksValidateFunc(void*, void*, uint32_t argc, char** argv,
                                                             uint32_t* reqCount, char** reqArgs, void*, void*,
                                                             char* msgArg1, char* msgArg2) {
    const char* disk = userParam(argc, argv, "adisk");
    if (disk == nullptr) disk = userParam(argc, argv, "pdisk");
    const char* controller = userParam(argc, argv, "controller");

    int32_t status = kwcmd::checkController(controller, msgArg1, msgArg2);
    if (status != KW_STATUS_PROCEED) return status;
    status = kwcmd::checkDisk(disk, controller, kwcmd::kNoPhysicalDisks, msgArg1, msgArg2);
    if (status != KW_STATUS_PROCEED) return status;

    const char* word = availabilityWord(userParam(argc, argv, "action"), userParam(argc, argv, "assign"));
    uint32_t supported = 0;
    uint32_t allowed = 0;
    IsUserOperationValidForArrayDisk(word, controller, disk, &supported, &allowed);
    status = kwcmd::availabilityStatus(supported, allowed, shownWord(word), msgArg1);
    if (status != KW_STATUS_PROCEED) {
        if (__SysDbgIsLevelEnabled(3))
            __SysDbgPrint("Exiting CmdConfigArrayDisksValidateFunc: Operation %s - %s\n",
                          status == KW_STATUS_ACTION_UNSUPPORTED ? "Unsupported" : "Disabled", word);
        return status;
    }

    int32_t property = clearProperty(word);
    if (property == 0) return KW_STATUS_PROCEED;
    return kwcmd::appendNumberArgument(reqCount, reqArgs, "Property", property);
}

extern "C" KW_EXPORT CLPSResponse* CmdConfigArrayDisks(int32_t argc, char** argv) {
    LogCLIArgs(argv, argc);
    return CLPSNVCmdConfigFunc(argc, argv, 6991, 6992, NVCommandConfigArrayDisks, 12, "kwclp.xsl",
                               CmdConfigArrayDisksValidateFunc);
}

extern "C" KW_EXPORT CLPSResponse* CmdConfigPhysicalDisks(int32_t argc, char** argv) {
    LogCLIArgs(argv, argc);
    return CLPSNVCmdConfigFunc(argc, argv, 6997, 6998, NVCommandConfigPhysicalDisks, 12, "kwclp.xsl",
                               CmdConfigArrayDisksValidateFunc);
}
