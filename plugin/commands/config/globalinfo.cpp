// rkconfig storage globalinfo: the global actions on the storage subsystem as
// a whole (rescan, service-tag reporting, debug mode) and four maintenance
// requests, each of which has a table and a callback of its own.
#include <stdint.h>
#include <string.h>

#include "commands/callbacks.h"
#include "kwsup/kwsup.h"
#include "plugin/handlers.h"
#include "trace/sysdbg.h"

using kwcmd::reject;
using kwcmd::userParam;

extern "C" KW_EXPORT const NVLstRow NVLstEnableDebug1[] = {
    {"state",   "state=",   1, 0, nullptr, 0},
    {"queue",   "queue=",   7, 0, "3",     0},
    {"ral",     "ral=",     7, 0, "3",     0},
    {"val",     "val=",     7, 0, "3",     0},
    {"afavil",  "afavil=",  7, 0, "3",     0},
    {"lsivil",  "lsivil=",  7, 0, "3",     0},
    {"nrsvil",  "nrsvil=",  7, 0, "3",     0},
    {"evil",    "evil=",    7, 0, "3",     0},
    {"sasvil",  "sasvil=",  7, 0, "3",     0},
    {"sasevil", "sasevil=", 7, 0, "3",     0},
    {"hel",     "hel=",     7, 0, "3",     0},
};

extern "C" KW_EXPORT const NVLstRow NVLstTolvSataRequest[] = {
    {"controller",  "GlobalNo=",        7, 1,  nullptr, 0},
    {"vdisk",       "LogicalDriveNum=", 7, 1,  nullptr, 0},
    {"writepolicy", "WritePolicy=1",    1, 11, "wc",    0},
    {"writepolicy", "WritePolicy=2",    1, 11, "nwc",   0},
    {"writepolicy", "WritePolicy=16",   1, 11, "wea",   0},
};

extern "C" KW_EXPORT const NVLstRow NVLstSetMissingDisk[] = {
    {"controller", "GlobalNo=",        7,      1, nullptr,       0},
    {"vdisk",      "LogicalDriveNum=", 7,      1, nullptr,       0},
    {"newpdisk",   "newadisk=",        196608, 1, "3:15,1:2:15", 0},
    {"oldpdisk",   "oldadisk=",        196608, 1, "3:15,1:2:15", 0},
};

extern "C" KW_EXPORT const NVLstRow NVLstSetPatrolReadRate[] = {
    {"controller", "GlobalNo=", 7,  1, nullptr, 0},
    {"rate",       "Rate=",     19, 1, nullptr, 0},
};

extern "C" KW_EXPORT const NVLstRow NVLstServiceDumpStore[] = {
    {"NumDCSIFArgs", "NumDCSIFArgs=", 7, 2, "1",     0},
    {"param0",       "param0=",       1, 2, "dump2", 0},
};

extern "C" KW_EXPORT const NVCmdRow NVCmdConfigGlobalInfo[] = {
    {1, "action", "vexcmd=setCntrlGlobalRescan",   "globalrescan", 0, "kwda", nullptr,           0,  nullptr, 0},
    {1, "action", "vexcmd=setEnclosureEnableSTS",  "enablests",    0, "kwda", nullptr,           0,  nullptr, 0},
    {1, "action", "vexcmd=setEnclosureDisableSTS", "disablests",   0, "kwda", nullptr,           0,  nullptr, 0},
    {1, "action", "vexcmd=setDebugMode",           "debug",        0, "kwda", NVLstEnableDebug1, 11, nullptr, 0x80000000},
};

extern "C" KW_EXPORT const NVCmdRow NVCmdServiceRequest[] = {
    {1, "action", "vexcmd=setVDReconfigure", "servicerequest", 0, "kwda", NVLstTolvSataRequest, 5, nullptr, 0x80000000},
};

extern "C" KW_EXPORT const NVCmdRow NVCmdServiceReq_MissingDisk[] = {
    {1, "action", "vexcmd=setVDAddMissingDisk", "service_replacemissingpdisk", 0, "kwda", NVLstSetMissingDisk, 4, nullptr, 0x80000000},
};

extern "C" KW_EXPORT const NVCmdRow NVCmdServiceReq_PatrolReadRate[] = {
    {1, "action", "vexcmd=setCntrlPatrolReadRate", "service_patrolreadrate", 0, "kwda", NVLstSetPatrolReadRate, 2, nullptr, 0x80000000},
};

extern "C" KW_EXPORT const NVCmdRow NVCmdServiceReq_DumpStore[] = {
    {1, "action", "vexcmd=sendPassThruCmdToDCSIF", "service_dumpstore", 0, "kwda", NVLstServiceDumpStore, 2, nullptr, 0x80000000},
};

namespace {

// The only controller model the write-policy service request applies to.
constexpr const char* kServiceRequestModel = "TOLV SATA 1.5/6ch";

// The controller must be given and exist.
int32_t checkRequiredController(const char* controller, char* msgArg1, char* msgArg2) {
    char controllers[KWSUP_LIST_SIZE] = {};
    if (controller == nullptr || IsUserControllerIdValid(controller, controllers) != 0)
        return reject(KW_STATUS_BAD_CONTROLLER, msgArg1, controller, msgArg2, controllers);
    return KW_STATUS_PROCEED;
}

// The virtual disk must be given and exist: 1604 with the valid virtual
// disks, or 1622 with the controller when it has none.
int32_t checkRequiredVirtualDisk(const char* controller, const char* vdisk, char* msgArg1, char* msgArg2) {
    char vdisks[KWSUP_LIST_SIZE] = {};
    // Run even without a virtual disk, so that the list tells a controller
    // without virtual disks from a missing parameter.
    int32_t result = IsUserVirtualDiskIdValid(vdisk, controller, vdisks);
    if (vdisk != nullptr && result == 0) return KW_STATUS_PROCEED;
    if (vdisks[0] != '\0') return reject(KW_STATUS_BAD_VDISK, msgArg1, vdisk, msgArg2, vdisks);
    return reject(KW_STATUS_NO_VDISKS, msgArg1, vdisk, msgArg2, controller);
}

}  // namespace

extern "C" KW_EXPORT int32_t CmdConfigGlobalInfoValidateFunc(void*, void*, uint32_t argc, char** argv, uint32_t*,
                                                             char**, void*, void*, char* msgArg1, char*) {
    const char* action = userParam(argc, argv, "action");
    uint32_t supported = 0;
    uint32_t allowed = 0;
    IsUserOperationValidForStorageObject(action, &supported, &allowed);
    return kwcmd::availabilityStatus(supported, allowed, action, msgArg1);
}

extern "C" KW_EXPORT int32_t CmdConfigServiceRequestValidateFunc(void*, void*, uint32_t argc, char** argv, uint32_t*,
                                                                 char**, void*, void*, char* msgArg1,
                                                                 char* msgArg2) {
    const char* controller = userParam(argc, argv, "controller");
    const char* vdisk = userParam(argc, argv, "vdisk");
    const char* writePolicy = userParam(argc, argv, "writepolicy");
    char name[256] = {};
    int32_t nameResult = GetControllerNameFromUserInput(controller, name);

    if (writePolicy == nullptr) return KW_STATUS_SERVICE_NOT_APPLICABLE;
    int32_t status = checkRequiredController(controller, msgArg1, msgArg2);
    if (status != KW_STATUS_PROCEED) return status;
    status = checkRequiredVirtualDisk(controller, vdisk, msgArg1, msgArg2);
    if (status != KW_STATUS_PROCEED) return status;
    if (nameResult != 0 || strcmpCaseIgnore(name, kServiceRequestModel) != 0) return KW_STATUS_SERVICE_NOT_APPLICABLE;
    return KW_STATUS_PROCEED;
}

extern "C" KW_EXPORT int32_t CmdConfigServiceMissingDiskValidateFunc(void*, void*, uint32_t argc, char** argv,
                                                                     uint32_t*, char**, void*, void*, char* msgArg1,
                                                                     char* msgArg2) {
    const char* controller = userParam(argc, argv, "controller");
    const char* vdisk = userParam(argc, argv, "vdisk");
    const char* newDisk = userParam(argc, argv, "newpdisk");
    if (newDisk == nullptr) return KW_STATUS_PROCEED;

    int32_t status = checkRequiredController(controller, msgArg1, msgArg2);
    if (status != KW_STATUS_PROCEED) return status;
    status = checkRequiredVirtualDisk(controller, vdisk, msgArg1, msgArg2);
    if (status != KW_STATUS_PROCEED) return status;

    // The disk to be replaced is the data agent's to judge.
    return kwcmd::checkDisk(newDisk, controller, kwcmd::kNoArrayDisks, msgArg1, msgArg2);
}

extern "C" KW_EXPORT int32_t CmdConfigService_PatrolReadRate_ValidateFunc(void*, void*, uint32_t argc, char** argv,
                                                                          uint32_t* reqCount, char** reqArgs, void*,
                                                                          void*, char* msgArg1, char* msgArg2) {
    const char* controller = userParam(argc, argv, "controller");
    int32_t status = kwcmd::checkController(controller, msgArg1, msgArg2);
    if (status != KW_STATUS_PROCEED) return status;

    const char* rate = userParam(argc, argv, "rate");
    if (rate != nullptr) {
        char current[8] = {};
        if (GetTagValueForController(controller, "PatrolReadRate", current, sizeof current) != 0)
            return KW_STATUS_RATE_UNREADABLE;
        if (strcmp(current, rate) == 0) return KW_STATUS_PATROL_RATE_UNCHANGED;
    }

    return kwcmd::appendNumberArgument(reqCount, reqArgs, "AttribType", 2);
}

namespace {

// One maintenance request: the action word that selects it, its table and its callback.
struct ServiceRoute {
    const char*     action;
    const NVCmdRow* table;
    uint32_t        rows;
    NVValidateFunc  callback;
};

const ServiceRoute kServiceRoutes[] = {
    {"servicerequest",              NVCmdServiceRequest,            1, CmdConfigServiceRequestValidateFunc},
    {"service_replacemissingpdisk", NVCmdServiceReq_MissingDisk,    1, CmdConfigServiceMissingDiskValidateFunc},
    {"service_patrolreadrate",      NVCmdServiceReq_PatrolReadRate, 1, CmdConfigService_PatrolReadRate_ValidateFunc},
    {"service_dumpstore",           NVCmdServiceReq_DumpStore,      1, nullptr},
};

// The global table serves every other action word, and a line without one.
const ServiceRoute kGlobalRoute = {nullptr, NVCmdConfigGlobalInfo, 4, CmdConfigGlobalInfoValidateFunc};

const ServiceRoute& routeFor(const char* action) {
    if (action != nullptr)
        for (const ServiceRoute& route : kServiceRoutes)
            if (strcmpCaseIgnore(action, route.action) == 0) return route;
    return kGlobalRoute;
}

}  // namespace

extern "C" KW_EXPORT CLPSResponse* CmdConfigGlobalInfo(int32_t argc, char** argv) {
    LogCLIArgs(argv, argc);
    const ServiceRoute& route =
        routeFor(userParam(static_cast<uint32_t>(argc < 0 ? 0 : argc), argv, "action"));
    return CLPSNVCmdConfigFunc(argc, argv, 6994, 6995, route.table, route.rows, "kwclp.xsl", route.callback);
}
