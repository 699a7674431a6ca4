// rkconfig storage controller: rescans, alarms, foreign configurations,
// task rates, patrol read, virtual disk creation and the debug pass-through.
#include "commands/config/controller.h"

#include <stdio.h>
#include <string.h>

#include "commands/callbacks.h"
#include "kwsup/kwsup.h"
#include "plugin/handlers.h"
#include "trace/sysdbg.h"

extern "C" {

const NVLstRow NVLstCommonControllerCfg[2] = {
    {"controller", "GlobalNo=",  7, 1,  nullptr, 0},
    {"force",      "Force=yes",  1, 10, "yes",   0},
};

const NVLstRow NVLstExportLog[1] = {
    {"controller", "GlobalNo=", 7, 1, nullptr, 0},
};

const NVLstRow NVLstSetReBuildRate[2] = {
    {"controller", "GlobalNo=",    7,  1, nullptr, 0},
    {"rate",       "RebuildRate=", 19, 1, nullptr, 0},
};

const NVLstRow NVLstSetControllerAttribRate[2] = {
    {"controller", "GlobalNo=", 7,  1, nullptr, 0},
    {"rate",       "Rate=",     19, 1, nullptr, 0},
};

const NVLstRow NVLstControllerCfgSingleParam[1] = {
    {"controller", "GlobalNo=", 7, 1, nullptr, 0},
};

const NVLstRow NVLstCtrlPatrolReadMode[4] = {
    {"controller", "GlobalNo=",        7, 1,  nullptr,   0},
    {"mode",       "PatrolReadMode=1", 1, 16, "auto",    0},
    {"mode",       "PatrolReadMode=2", 1, 16, "manual",  0},
    {"mode",       "PatrolReadMode=4", 1, 16, "disable", 0},
};

const NVLstRow NVLstEnableDebug[2] = {
    {"NumDCSIFArgs", "NumDCSIFArgs=", 7, 2, "1",     0},
    {"param0",       "param0=",       1, 2, "debug", 0},
};

const NVCmdRow NVCmdConfigController[19] = {
    {1, "action", "vexcmd=setCntrlRescan",                    "rescan",                     0, "kwda", NVLstCommonControllerCfg,      2,  nullptr, 0},
    {1, "action", "vexcmd=setCntrlResetConfig",               "resetconfig",                0, "kwda", NVLstCommonControllerCfg,      2,  nullptr, 0},
    {1, "action", "vexcmd=setCntrlEnableAlarm",               "enablealarm",                0, "kwda", NVLstCommonControllerCfg,      2,  nullptr, 0},
    {1, "action", "vexcmd=setCntrlDisableAlarm",              "disablealarm",               0, "kwda", NVLstCommonControllerCfg,      2,  nullptr, 0},
    {1, "action", "vexcmd=setCntrlQuietAlarm",                "quietalarm",                 0, "kwda", NVLstCommonControllerCfg,      2,  nullptr, 0},
    {1, "action", "vexcmd=setCntrlTestAlarm",                 "testalarm",                  0, "kwda", NVLstCommonControllerCfg,      2,  nullptr, 0},
    {1, "action", "vexcmd=setCntrlExportLog",                 "exportlog",                  0, "kwda", NVLstExportLog,                1,  nullptr, 0},
    {1, "action", "vexcmd=setCntrlRebuildRate",               "setrebuildrate",             0, "kwda", NVLstSetReBuildRate,           2,  nullptr, 0},
    {1, "action", "vexcmd=setCntrlBGIRate",                   "setbgirate",                 0, "kwda", NVLstSetControllerAttribRate,  2,  nullptr, 0},
    {1, "action", "vexcmd=setCntrlCheckConsistencyRate",      "setcheckconsistencyrate",    0, "kwda", NVLstSetControllerAttribRate,  2,  nullptr, 0},
    {1, "action", "vexcmd=setCntrlReconstructRate",           "setreconstructrate",         0, "kwda", NVLstSetControllerAttribRate,  2,  nullptr, 0},
    {1, "action", "vexcmd=setCntrlClearForeignConfig",        "clearforeignconfig",         0, "kwda", NVLstControllerCfgSingleParam, 1,  nullptr, 0},
    {1, "action", "vexcmd=setCntrlImportForeignConfig",       "importforeignconfig",        0, "kwda", NVLstControllerCfgSingleParam, 1,  nullptr, 0},
    {1, "action", "vexcmd=setCntrlForcedImportForeignConfig", "importrecoverforeignconfig", 0, "kwda", NVLstControllerCfgSingleParam, 1,  nullptr, 0},
    {1, "action", "vexcmd=setCntrlPatrolReadStop",            "stoppatrolread",             0, "kwda", NVLstControllerCfgSingleParam, 1,  nullptr, 0},
    {1, "action", "vexcmd=setCntrlPatrolReadStart",           "startpatrolread",            0, "kwda", NVLstControllerCfgSingleParam, 1,  nullptr, 0},
    {1, "action", "vexcmd=setCntrlPatrolReadMode",            "setpatrolreadmode",          0, "kwda", NVLstCtrlPatrolReadMode,       4,  nullptr, 0},
    {1, "action", "vexcmd=setCntrlCreateVD",                  "createvdisk",                0, "kwda", NVLstCreateVD,                 41, nullptr, 0},
    {1, "action", "vexcmd=sendPassThruCmdToDCSIF",            "debug",                      0, "kwda", NVLstEnableDebug,              2,  nullptr, 0x80000000},
};

}  // extern "C"

namespace {

using kwcmd::appendNumberArgument;
using kwcmd::requestValue;
using kwcmd::setMessage;
using kwcmd::userParam;
using kwctrl::validateCreateVirtualDisk;

constexpr uint32_t kListSize = 256;
constexpr uint32_t kRateSize = 8;
constexpr uint32_t kMaxVDSize = 8;

const char kGlobalRescanNotice[] =
    "This command is deprecated and will be discontinued in a subsequent release. Please use "
    "'rkconfig storage globalinfo action=globalrescan' instead.";

// What an action needs once the controller has passed the shared checks.
enum class Handling {
    AppendProperty,  // append "Property=<number>"
    TaskRate,        // compare with the controller's tag, append "AttribType=<number>"
    RebuildRate,     // compare with the controller's rebuild rate
    PatrolReadMode,  // the requested mode must be offered
    CreateVirtualDisk,
};

struct ActionHandling {
    const char* action;
    Handling    handling;
    int32_t     number;     // Property or AttribType value
    const char* tag;        // controller element holding the current rate
    int32_t     sameValue;  // status when the requested rate is already in force
};

const ActionHandling kActionHandling[] = {
    {"clearforeignconfig",         Handling::AppendProperty,    6,  nullptr,                0},
    {"importforeignconfig",        Handling::AppendProperty,    7,  nullptr,                0},
    {"importrecoverforeignconfig", Handling::AppendProperty,    15, nullptr,                0},
    {"startpatrolread",            Handling::AppendProperty,    11, nullptr,                0},
    {"stoppatrolread",             Handling::AppendProperty,    12, nullptr,                0},
    {"dumpevents",                 Handling::AppendProperty,    5,  nullptr,                0},
    {"setrebuildrate",             Handling::RebuildRate,       0,  "RebuildRate",          KW_STATUS_REBUILD_RATE_UNCHANGED},
    {"setbgirate",                 Handling::TaskRate,          1,  "BGIRate",              KW_STATUS_BGI_RATE_UNCHANGED},
    {"setpatrolreadrate",          Handling::TaskRate,          2,  "PatrolReadRate",       KW_STATUS_PATROL_RATE_UNCHANGED},
    {"setreconstructrate",         Handling::TaskRate,          3,  "ReconstructRate",      KW_STATUS_RECONSTRUCT_RATE_UNCHANGED},
    {"setcheckconsistencyrate",    Handling::TaskRate,          4,  "CheckConsistencyRate", KW_STATUS_CHECK_RATE_UNCHANGED},
    {"setpatrolreadmode",          Handling::PatrolReadMode,    0,  nullptr,                0},
    {"createvdisk",                Handling::CreateVirtualDisk, 0,  nullptr,                0},
};

const ActionHandling* findHandling(const char* action) {
    for (const ActionHandling& entry : kActionHandling)
        if (strcmpCaseIgnore(entry.action, action) == 0) return &entry;
    return nullptr;
}

// A rate equal to the one in force is refused; the comparison is of texts
// exactly as typed and as reported ("30" and "030" differ).
int32_t handleTaskRate(const ActionHandling& entry, const char* controller, const char* rate,
                       uint32_t* reqCount, char** reqArgs) {
    if (rate) {
        char current[kRateSize] = {};
        if (GetTagValueForController(controller, entry.tag, current, kRateSize) != 0)
            return KW_STATUS_NO_MEMORY;
        if (strcmp(current, rate) == 0) return entry.sameValue;
    }
    return appendNumberArgument(reqCount, reqArgs, "AttribType", entry.number);
}

int32_t handleRebuildRate(const ActionHandling& entry, const char* controller, const char* rate) {
    if (!rate) return KW_STATUS_PROCEED;
    char current[kRateSize] = {};
    if (GetRebuildRateForControllerWithSize(controller, current, kRateSize) != 0) return KW_STATUS_NO_MEMORY;
    return strcmp(current, rate) == 0 ? entry.sameValue : KW_STATUS_PROCEED;
}

int32_t handlePatrolReadMode(const char* controller, uint32_t argc, char** argv, uint32_t* reqCount,
                             char** reqArgs, char* msgArg1, char* msgArg2) {
    const char* modeValue = requestValue(reqCount, reqArgs, "PatrolReadMode");
    const char* modeWord = userParam(argc, argv, "mode");
    char offered[kListSize] = {};
    if (IsUserPatrolReadModeValidForController(modeValue, controller, offered, kListSize) == 0)
        return KW_STATUS_PROCEED;
    setMessage(msgArg1, modeWord);
    setMessage(msgArg2, offered);
    return KW_STATUS_BAD_PATROL_MODE;
}

int32_t handleAction(const char* action, const char* controller, uint32_t argc, char** argv,
                     uint32_t* reqCount, char** reqArgs, char* msgArg1, char* msgArg2) {
    const ActionHandling* entry = findHandling(action);
    if (!entry) return KW_STATUS_PROCEED;
    switch (entry->handling) {
        case Handling::AppendProperty:
            return appendNumberArgument(reqCount, reqArgs, "Property", entry->number);
        case Handling::TaskRate:
            return handleTaskRate(*entry, controller, userParam(argc, argv, "rate"), reqCount, reqArgs);
        case Handling::RebuildRate:
            return handleRebuildRate(*entry, controller, userParam(argc, argv, "rate"));
        case Handling::PatrolReadMode:
            return handlePatrolReadMode(controller, argc, argv, reqCount, reqArgs, msgArg1, msgArg2);
        case Handling::CreateVirtualDisk:
            return validateCreateVirtualDisk(controller, argc, argv, reqCount, reqArgs, msgArg1, msgArg2);
    }
    return KW_STATUS_PROCEED;
}

// Supported and allowed now; creation that is not allowed because the
// controller is full says so with its limit.
int32_t checkAvailability(const char* action, const char* controller, char* msgArg1) {
    uint32_t supported = 0;
    uint32_t allowed = 0;
    IsUserOperationValidForController(action, controller, &supported, &allowed);
    if (supported != 0 && allowed == 0 && strcmpCaseIgnore(action, "createvdisk") == 0) {
        char maximum[kMaxVDSize] = {};
        if (isOverMaxVDAllowed(controller, maximum, kMaxVDSize) != 0) {
            setMessage(msgArg1, maximum);
            return KW_STATUS_MAX_VDISKS;
        }
    }
    return kwcmd::availabilityStatus(supported, allowed, action, msgArg1);
}

}  // namespace

extern "C" {

KW_EXPORT int32_t CmdConfigControllerValidateFunc(void* fw1, void* fw2, uint32_t argc, char** argv,
                                                  uint32_t* reqCount, char** reqArgs, void* fw7,
                                                  void* fw8, char* msgArg1, char* msgArg2) {
    const char* action = userParam(argc, argv, "action");
    if (!action) action = "";
    if (strcmpCaseIgnore(action, "debug") == 0) return KW_STATUS_PROCEED;
    if (strcmpCaseIgnore(action, "globalrescan") == 0) {
        printf("%s\n", kGlobalRescanNotice);
        fflush(stdout);
        return KW_STATUS_PROCEED;
    }

    // A missing controller is asked about too, and named as the empty text.
    const char* controller = userParam(argc, argv, "controller");
    char validControllers[kListSize] = {};
    if (IsUserControllerIdValidWithSize(controller, validControllers, kListSize) != 0) {
        setMessage(msgArg1, controller);
        setMessage(msgArg2, validControllers);
        return KW_STATUS_BAD_CONTROLLER;
    }

    int32_t status = checkAvailability(action, controller, msgArg1);
    if (status != KW_STATUS_PROCEED) return status;
    return handleAction(action, controller, argc, argv, reqCount, reqArgs, msgArg1, msgArg2);
}

KW_EXPORT CLPSResponse* CmdConfigController(int32_t argc, char** argv) {
    LogCLIArgs(argv, argc);
    return CLPSNVCmdConfigFunc(argc, argv, 6971, 6972, NVCmdConfigController, 19, "kwclp.xsl",
                               CmdConfigControllerValidateFunc);
}

}  // extern "C"
