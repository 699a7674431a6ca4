// "rkreport storage <object>": the storage object reports. Each handler runs
// its variant table through the framework; each callback checks every
// identifier the user gave against the live system before the report request
// goes to the data agent.
#include <string.h>

#include "commands/callbacks.h"
#include "kwsup/kwsup.h"
#include "plugin/handlers.h"
#include "trace/sysdbg.h"

namespace {

using kwcmd::checkGivenConnector;
using kwcmd::checkGivenController;
using kwcmd::checkGivenControllerFullList;
using kwcmd::checkGivenEnclosure;
using kwcmd::checkGivenVirtualDisk;
using kwcmd::reject;
using kwcmd::userParam;

int32_t checkGivenDisk(const char* disk, const char* controller, char* msg1, char* msg2) {
    if (disk == NULL) return KW_STATUS_PROCEED;
    return kwcmd::checkDisk(disk, controller, kwcmd::kNoPhysicalDisks, msg1, msg2);
}

// The component index check that goes with an enclosure report's info word.
int32_t checkComponentIndex(const char* info, const char* index, const char* enclosure, const char* controller,
                            char* msg1, char* msg2) {
    typedef int32_t (*IndexCheck)(const char*, const char*, const char*, char*);
    static const struct {
        const char* info;
        IndexCheck  check;
        int32_t     code;
    } kChecks[] = {
        {"fans",        IsUserFanIndexValid,        KW_STATUS_BAD_FAN},
        {"pwrsupplies", IsUserPwrSupplyIndexValid,  KW_STATUS_BAD_POWER_SUPPLY},
        {"emms",        IsUserEmmIndexValid,        KW_STATUS_BAD_EMM},
        {"temps",       IsUserTempProbesIndexValid, KW_STATUS_BAD_TEMP_PROBE},
    };
    if (index == NULL) return KW_STATUS_PROCEED;
    for (const auto& entry : kChecks) {
        if (strcmpCaseIgnore(info, entry.info) != 0) continue;
        char list[KWSUP_LIST_SIZE] = "";
        if (entry.check(index, enclosure, controller, list) == 0) return KW_STATUS_PROCEED;
        return reject(entry.code, msg1, index, msg2, list);
    }
    return KW_STATUS_PROCEED;
}

}  // namespace

extern "C" {

KW_EXPORT int32_t CmdReportArrayDisksValidateFunc(void*, void*, uint32_t argc, char** argv, uint32_t*, char**,
                                                  void*, void*, char* msg1, char* msg2) {
    const char* disk = userParam(argc, argv, "adisk");
    if (disk == NULL) disk = userParam(argc, argv, "pdisk");
    const char* controller = userParam(argc, argv, "controller");
    const char* vdisk = userParam(argc, argv, "vdisk");
    const char* connector = userParam(argc, argv, "connector");

    int32_t status = checkGivenControllerFullList(controller, msg1, msg2);
    if (status == KW_STATUS_PROCEED) status = checkGivenDisk(disk, controller, msg1, msg2);
    if (status == KW_STATUS_PROCEED) status = checkGivenVirtualDisk(vdisk, controller, msg1, msg2);
    if (status == KW_STATUS_PROCEED) status = checkGivenConnector(connector, controller, msg1, msg2);
    return status;
}

KW_EXPORT int32_t CmdReportControllerValidateFunc(void*, void*, uint32_t argc, char** argv, uint32_t*, char**,
                                                  void*, void*, char* msg1, char* msg2) {
    return checkGivenController(userParam(argc, argv, "controller"), msg1, msg2);
}

KW_EXPORT int32_t CmdReportVirtualDisksValidateFunc(void*, void*, uint32_t argc, char** argv, uint32_t*, char**,
                                                    void*, void*, char* msg1, char* msg2) {
    const char* controller = userParam(argc, argv, "controller");
    const char* vdisk = userParam(argc, argv, "vdisk");
    int32_t status = checkGivenController(controller, msg1, msg2);
    if (status == KW_STATUS_PROCEED) status = checkGivenVirtualDisk(vdisk, controller, msg1, msg2);
    return status;
}

KW_EXPORT int32_t CmdReportChannelsValidateFunc(void*, void*, uint32_t argc, char** argv, uint32_t*, char**,
                                                void*, void*, char* msg1, char* msg2) {
    const char* controller = userParam(argc, argv, "controller");
    const char* connector = userParam(argc, argv, "connector");
    int32_t status = checkGivenControllerFullList(controller, msg1, msg2);
    if (status == KW_STATUS_PROCEED) status = checkGivenConnector(connector, controller, msg1, msg2);
    return status;
}

KW_EXPORT int32_t CmdReportEnclosureValidateFunc(void*, void*, uint32_t argc, char** argv, uint32_t*, char**,
                                                 void*, void*, char* msg1, char* msg2) {
    const char* controller = userParam(argc, argv, "controller");
    const char* enclosure = userParam(argc, argv, "enclosure");
    const char* info = userParam(argc, argv, "info");
    const char* index = userParam(argc, argv, "index");
    int32_t status = checkGivenController(controller, msg1, msg2);
    if (status == KW_STATUS_PROCEED) status = checkGivenEnclosure(enclosure, controller, msg1, msg2);
    if (status == KW_STATUS_PROCEED && info != NULL)
        status = checkComponentIndex(info, index, enclosure, controller, msg1, msg2);
    return status;
}

KW_EXPORT int32_t CmdReportBatteryValidateFunc(void*, void*, uint32_t argc, char** argv, uint32_t*, char**,
                                               void*, void*, char* msg1, char* msg2) {
    const char* controller = userParam(argc, argv, "controller");
    const char* battery = userParam(argc, argv, "battery");
    int32_t status = checkGivenControllerFullList(controller, msg1, msg2);
    if (status != KW_STATUS_PROCEED || battery == NULL) return status;
    char list[225] = "";
    uint32_t count = 0;
    if (IsUserBatteryIdValidWithSize(battery, controller, list, sizeof list, &count) == 0) return KW_STATUS_PROCEED;
    // A controller without batteries: no message argument names anything.
    if (list[0] == '\0') return KW_STATUS_NO_BATTERIES;
    return reject(KW_STATUS_BAD_BATTERY, msg1, battery, msg2, list);
}

KW_EXPORT int32_t CmdReportGlobalInfoValidateFunc(void*, void*, uint32_t, char**, uint32_t*, char**, void*, void*,
                                                  char*, char*) {
    return KW_STATUS_PROCEED;
}

// ---- Array and physical disk reports -------------------------------------

KW_EXPORT extern const NVLstRow NVLstReportArrayDisk[5] = {
    {"connector",  NULL,               9,      19, NULL,          0},
    {"vdisk",      NULL,               7,      19, NULL,          0},
    {"adisk",      NULL,               196608, 18, "3:15,1:2:15", 0},
    {"controller", "GlobalNo=",        7,      1,  NULL,          0},
    {"adisk",      "adisk=",           196608, 1,  "3:15,1:2:15", 0},
};
KW_EXPORT extern const NVLstRow NVLstReportArrayDisksForController[4] = {
    {"vdisk",      NULL,               7,      19, NULL,          0},
    {"connector",  NULL,               9,      19, NULL,          0},
    {"adisk",      NULL,               196608, 19, "3:15,1:2:15", 0},
    {"controller", "GlobalNo=",        7,      1,  NULL,          0},
};
KW_EXPORT extern const NVLstRow NVLstReportArrayDisksForConnector[5] = {
    {"vdisk",      NULL,               7,      19, NULL,          0},
    {"adisk",      NULL,               196608, 19, "3:15,1:2:15", 0},
    {"connector",  NULL,               9,      18, NULL,          0},
    {"controller", "GlobalNo=",        7,      1,  NULL,          0},
    {"connector",  "Channel=",         9,      1,  NULL,          0},
};
KW_EXPORT extern const NVLstRow NVLstReportArrayDisksForVD[5] = {
    {"vdisk",      NULL,               7,      18, NULL,          0},
    {"connector",  NULL,               9,      19, NULL,          0},
    {"adisk",      NULL,               196608, 19, NULL,          0},
    {"controller", "GlobalNo=",        7,      1,  NULL,          0},
    {"vdisk",      "LogicalDriveNum=", 7,      1,  NULL,          0},
};
KW_EXPORT extern const NVCmdRow NVCmdReportArrayDisks[4] = {
    {6, NULL, "vexcmd=getArrayDisk",                NULL, 0, "kwda", NVLstReportArrayDisk,               5, "vw/cli/RptADisk.xsl", 0},
    {6, NULL, "vexcmd=getArrayDisksForController",  NULL, 0, "kwda", NVLstReportArrayDisksForController, 4, "vw/cli/RptADisk.xsl", 0},
    {6, NULL, "vexcmd=getArrayDisksForChannel",     NULL, 0, "kwda", NVLstReportArrayDisksForConnector,  5, "vw/cli/RptADisk.xsl", 0},
    {6, NULL, "vexcmd=getArrayDisksForVirtualDisk", NULL, 0, "kwda", NVLstReportArrayDisksForVD,         5, "vw/cli/RptADisk.xsl", 0},
};

KW_EXPORT extern const NVLstRow NVLstReportPhysicalDisk[5] = {
    {"connector",  NULL,               9,      19, NULL,          0},
    {"vdisk",      NULL,               7,      19, NULL,          0},
    {"pdisk",      NULL,               196608, 18, "3:15,1:2:15", 0},
    {"controller", "GlobalNo=",        7,      1,  NULL,          0},
    {"pdisk",      "adisk=",           196608, 1,  "3:15,1:2:15", 0},
};
KW_EXPORT extern const NVLstRow NVLstReportPhysicalDisksForController[4] = {
    {"vdisk",      NULL,               7,      19, NULL,          0},
    {"connector",  NULL,               9,      19, NULL,          0},
    {"pdisk",      NULL,               196608, 19, "3:15,1:2:15", 0},
    {"controller", "GlobalNo=",        7,      1,  NULL,          0},
};
KW_EXPORT extern const NVLstRow NVLstReportPhysicalDisksForConnector[5] = {
    {"vdisk",      NULL,               7,      19, NULL,          0},
    {"pdisk",      NULL,               196608, 19, "3:15,1:2:15", 0},
    {"connector",  NULL,               9,      18, NULL,          0},
    {"controller", "GlobalNo=",        7,      1,  NULL,          0},
    {"connector",  "Channel=",         9,      1,  NULL,          0},
};
KW_EXPORT extern const NVLstRow NVLstReportPhysicalDisksForVD[5] = {
    {"vdisk",      NULL,               7,      18, NULL,          0},
    {"connector",  NULL,               9,      19, NULL,          0},
    {"pdisk",      NULL,               196608, 19, NULL,          0},
    {"controller", "GlobalNo=",        7,      1,  NULL,          0},
    {"vdisk",      "LogicalDriveNum=", 7,      1,  NULL,          0},
};
KW_EXPORT extern const NVCmdRow NVCmdReportPhysicalDisks[4] = {
    {6, NULL, "vexcmd=getArrayDisk",                NULL, 0, "kwda", NVLstReportPhysicalDisk,               5, "vw/cli/RptADisk.xsl", 0},
    {6, NULL, "vexcmd=getArrayDisksForController",  NULL, 0, "kwda", NVLstReportPhysicalDisksForController, 4, "vw/cli/RptADisk.xsl", 0},
    {6, NULL, "vexcmd=getArrayDisksForChannel",     NULL, 0, "kwda", NVLstReportPhysicalDisksForConnector,  5, "vw/cli/RptADisk.xsl", 0},
    {6, NULL, "vexcmd=getArrayDisksForVirtualDisk", NULL, 0, "kwda", NVLstReportPhysicalDisksForVD,         5, "vw/cli/RptADisk.xsl", 0},
};

// ---- Controller report ---------------------------------------------------

KW_EXPORT extern const NVLstRow NVLstDumpAll[3] = {
    {"dump",       NULL,        1, 18, NULL, 0},
    {"controller", NULL,        7, 19, NULL, 0},
    {"dump",       "dump=",     1, 1,  NULL, 0},
};
KW_EXPORT extern const NVLstRow NVLstDumpStore[3] = {
    {"dump",       NULL,        1, 18, NULL, 0},
    {"controller", NULL,        7, 19, NULL, 0},
    {"dump",       "dump=",     1, 1,  NULL, 0},
};
KW_EXPORT extern const NVLstRow NVLstReportControllerList[2] = {
    {"controller", NULL,        7, 19, NULL, 0},
    {"dump",       NULL,        1, 19, NULL, 0},
};
KW_EXPORT extern const NVLstRow NVLstReportController[3] = {
    {"controller", NULL,        7, 18, NULL, 0},
    {"dump",       NULL,        1, 19, NULL, 0},
    {"controller", "GlobalNo=", 7, 1,  NULL, 0},
};
KW_EXPORT extern const NVCmdRow NVCmdReportController[4] = {
    {8, "dump", "vexcmd=getControllerListArrayInfo",   "all",   0, "kwda", NVLstDumpAll,              3, "vw/cli/RptCntrl.xsl", 0},
    {8, "dump", "vexcmd=getStoreDump",                 "store", 0, "kwda", NVLstDumpStore,            3, "vw/cli/RptCntrl.xsl", 0},
    {6, NULL,   "vexcmd=getControllerList",            NULL,    0, "kwda", NVLstReportControllerList, 2, "vw/cli/RptCntrl.xsl", 0},
    {6, NULL,   "vexcmd=getSingleControllerArrayInfo", NULL,    0, "kwda", NVLstReportController,     3, "vw/cli/RptCntrl.xsl", 0},
};

// ---- Virtual disk report -------------------------------------------------

KW_EXPORT extern const NVLstRow NVLstReportAllVDs[2] = {
    {"controller", NULL,               7, 19, NULL, 0},
    {"vdisk",      NULL,               7, 19, NULL, 0},
};
KW_EXPORT extern const NVLstRow NVLstReportVDsForController[3] = {
    {"controller", NULL,               7, 18, NULL, 0},
    {"vdisk",      NULL,               7, 19, NULL, 0},
    {"controller", "GlobalNo=",        7, 1,  NULL, 0},
};
KW_EXPORT extern const NVLstRow NVLstReportVD[4] = {
    {"controller", NULL,               7, 18, NULL, 0},
    {"vdisk",      NULL,               7, 18, NULL, 0},
    {"controller", "GlobalNo=",        7, 1,  NULL, 0},
    {"vdisk",      "LogicalDriveNum=", 7, 1,  NULL, 0},
};
KW_EXPORT extern const NVCmdRow NVCmdReportVirtualDisks[3] = {
    {6, NULL, "vexcmd=getAllVirtualDisks",           NULL, 0, "kwda", NVLstReportAllVDs,           2, "vw/cli/RptVDisk.xsl", 0},
    {6, NULL, "vexcmd=getVirtualDisksForController", NULL, 0, "kwda", NVLstReportVDsForController, 3, "vw/cli/RptVDisk.xsl", 0},
    {6, NULL, "vexcmd=getVirtualDisk",               NULL, 0, "kwda", NVLstReportVD,               4, "vw/cli/RptVDisk.xsl", 0},
};

// ---- Connector report ----------------------------------------------------

KW_EXPORT extern const NVLstRow NVLstReportChannelsForController[2] = {
    {"connector",  NULL,        7, 19, NULL, 0},
    {"controller", "GlobalNo=", 7, 1,  NULL, 0},
};
KW_EXPORT extern const NVLstRow NVLstReportConnector[3] = {
    {"connector",  NULL,        7, 18, NULL, 0},
    {"controller", "GlobalNo=", 7, 1,  NULL, 0},
    {"connector",  "Channel=",  7, 1,  NULL, 0},
};
KW_EXPORT extern const NVCmdRow NVCmdReportChannels[2] = {
    {6, NULL, "vexcmd=getChannelsForController", NULL, 0, "kwda", NVLstReportChannelsForController, 2, "vw/cli/RptChnl.xsl", 0},
    {6, NULL, "vexcmd=getChannel",               NULL, 0, "kwda", NVLstReportConnector,             3, "vw/cli/RptChnl.xsl", 0},
};

// ---- Enclosure report ----------------------------------------------------

KW_EXPORT extern const NVLstRow NVLstReportEnclosureComponents[7] = {
    {"controller", NULL,         7,     18, NULL,  0},
    {"enclosure",  NULL,         65566, 18, "3,1:2", 0},
    {"info",       NULL,         1,     18, NULL,  0},
    {"controller", "GlobalNo=",  7,     1,  NULL,  0},
    {"enclosure",  "Enclosure=", 65566, 1,  "3,1:2", 0},
    {"info",       "info=",      1,     1,  NULL,  0},
    {"index",      "Index=",     7,     0,  "4",   0},
};
KW_EXPORT extern const NVLstRow NVLstReportAllEnclosures[4] = {
    {"controller", NULL,         7,     19, NULL,  0},
    {"enclosure",  NULL,         65566, 19, "3,1:2", 0},
    {"info",       NULL,         1,     19, NULL,  0},
    {"index",      NULL,         7,     19, NULL,  0},
};
KW_EXPORT extern const NVLstRow NVLstReportEnclosuresForController[5] = {
    {"controller", NULL,         7,     18, NULL,  0},
    {"enclosure",  NULL,         65566, 19, "3,1:2", 0},
    {"info",       NULL,         1,     19, NULL,  0},
    {"index",      NULL,         7,     19, NULL,  0},
    {"controller", "GlobalNo=",  7,     1,  NULL,  0},
};
KW_EXPORT extern const NVLstRow NVLstReportSingleEnclosure[6] = {
    {"controller", NULL,         7,     18, NULL,  0},
    {"enclosure",  NULL,         65566, 18, "3,1:2", 0},
    {"info",       NULL,         1,     19, NULL,  0},
    {"index",      NULL,         7,     19, NULL,  0},
    {"controller", "GlobalNo=",  7,     1,  NULL,  0},
    {"enclosure",  "Enclosure=", 65566, 1,  "3,1:2", 0},
};
KW_EXPORT extern const NVCmdRow NVCmdReportEnclosure[7] = {
    {8, "info", "vexcmd=getEnclosureTemperatureProbes",   "temps",       0, "kwda", NVLstReportEnclosureComponents,     7, "vw/cli/RptTemps.xsl", 0},
    {8, "info", "vexcmd=getEnclosureFans",                "fans",        0, "kwda", NVLstReportEnclosureComponents,     7, "vw/cli/RptFans.xsl",  0},
    {8, "info", "vexcmd=getEnclosurePowerSupplies",       "pwrsupplies", 0, "kwda", NVLstReportEnclosureComponents,     7, "vw/cli/RptPS.xsl",    0},
    {8, "info", "vexcmd=getEnclosureEMMs",                "emms",        0, "kwda", NVLstReportEnclosureComponents,     7, "vw/cli/RptEmms.xsl",  0},
    {6, NULL,   "vexcmd=getEnclosureList",                NULL,          0, "kwda", NVLstReportAllEnclosures,           4, "vw/cli/RptEncl.xsl",  0},
    {6, NULL,   "vexcmd=getEnclosuresForController",      NULL,          0, "kwda", NVLstReportEnclosuresForController, 5, "vw/cli/RptEncl.xsl",  0},
    {6, NULL,   "vexcmd=getSingleEnclosureForController", NULL,          0, "kwda", NVLstReportSingleEnclosure,         6, "vw/cli/RptEncl.xsl",  0},
};

// ---- Battery report ------------------------------------------------------

KW_EXPORT extern const NVLstRow NVLstReportBatteryList[2] = {
    {"controller", NULL,         7, 19, NULL, 0},
    {"battery",    NULL,         1, 19, NULL, 0},
};
KW_EXPORT extern const NVLstRow NVLstReportBatteriesForController[3] = {
    {"controller", NULL,         7, 18, NULL, 0},
    {"battery",    NULL,         1, 19, NULL, 0},
    {"controller", "GlobalNo=",  7, 1,  NULL, 0},
};
KW_EXPORT extern const NVLstRow NVLstReportBattery[4] = {
    {"controller", NULL,         7, 18, NULL, 0},
    {"battery",    NULL,         1, 18, NULL, 0},
    {"controller", "GlobalNo=",  7, 1,  NULL, 0},
    {"battery",    "BatteryID=", 7, 1,  NULL, 0},
};
KW_EXPORT extern const NVCmdRow NVCmdReportBattery[3] = {
    {6, NULL, "vexcmd=getBatteryList",           NULL, 0, "kwda", NVLstReportBatteryList,            2, "vw/cli/RptBatry.xsl", 0},
    {6, NULL, "vexcmd=getBatteriesForController", NULL, 0, "kwda", NVLstReportBatteriesForController, 3, "vw/cli/RptBatry.xsl", 0},
    {6, NULL, "vexcmd=getBattery",               NULL, 0, "kwda", NVLstReportBattery,                4, "vw/cli/RptBatry.xsl", 0},
};

// ---- Global information report -------------------------------------------

KW_EXPORT extern const NVCmdRow NVCmdReportGlobalInfo[1] = {
    {6, NULL, "vexcmd=getGlobalInfo", NULL, 0, "kwda", NULL, 0, "vw/cli/RptGlob.xsl", 0},
};

// ---- Handlers --------------------------------------------------------------

KW_EXPORT CLPSResponse* CmdReportArrayDisks(int32_t argc, char** argv) {
    LogCLIArgs(argv, argc);
    return CLPSNVCmdConfigFunc(argc, argv, 6021, 0, NVCmdReportArrayDisks, 4, "kwclp.xsl",
                               CmdReportArrayDisksValidateFunc);
}

KW_EXPORT CLPSResponse* CmdReportPhysicalDisks(int32_t argc, char** argv) {
    LogCLIArgs(argv, argc);
    return CLPSNVCmdConfigFunc(argc, argv, 6022, 0, NVCmdReportPhysicalDisks, 4, "kwclp.xsl",
                               CmdReportArrayDisksValidateFunc);
}

KW_EXPORT CLPSResponse* CmdReportController(int32_t argc, char** argv) {
    LogCLIArgs(argv, argc);
    return CLPSNVCmdConfigFunc(argc, argv, 6011, 0, NVCmdReportController, 4, "kwclp.xsl",
                               CmdReportControllerValidateFunc);
}

KW_EXPORT CLPSResponse* CmdReportVirtualDisks(int32_t argc, char** argv) {
    LogCLIArgs(argv, argc);
    return CLPSNVCmdConfigFunc(argc, argv, 6031, 0, NVCmdReportVirtualDisks, 3, "kwclp.xsl",
                               CmdReportVirtualDisksValidateFunc);
}

KW_EXPORT CLPSResponse* CmdReportConnectors(int32_t argc, char** argv) {
    LogCLIArgs(argv, argc);
    return CLPSNVCmdConfigFunc(argc, argv, 6042, 0, NVCmdReportChannels, 2, "kwclp.xsl",
                               CmdReportChannelsValidateFunc);
}

KW_EXPORT CLPSResponse* CmdReportEnclosure(int32_t argc, char** argv) {
    LogCLIArgs(argv, argc);
    return CLPSNVCmdConfigFunc(argc, argv, 6051, 0, NVCmdReportEnclosure, 7, "kwclp.xsl",
                               CmdReportEnclosureValidateFunc);
}

KW_EXPORT CLPSResponse* CmdReportBattery(int32_t argc, char** argv) {
    LogCLIArgs(argv, argc);
    return CLPSNVCmdConfigFunc(argc, argv, 6061, 0, NVCmdReportBattery, 3, "kwclp.xsl",
                               CmdReportBatteryValidateFunc);
}

KW_EXPORT CLPSResponse* CmdReportGlobalInfo(int32_t argc, char** argv) {
    LogCLIArgs(argv, argc);
    return CLPSNVCmdConfigFunc(argc, argv, 6062, 0, NVCmdReportGlobalInfo, 1, "kwclp.xsl",
                               CmdReportGlobalInfoValidateFunc);
}

}  // extern "C"
