// The plug-in's outer shell: the command dispatch table, the exported entry
// points with their export-context bracket, attach and detach, and the two
// usage-only handlers.
#include <stddef.h>

#include "plugin/handlers.h"
#include "trace/sysdbg.h"
#include "vexcs32.h"

extern "C" {

// The framework receives the table's address and sorts it in place at
// attach, so the table, its count and the sorted flag live in writable storage.
KW_EXPORT CCDTEntry CCDT[] = {
    {"rkreport",              "storage",    CmdReportStorage,        1, 0},
    {"rkreport system",       "version",    CmdReportSystemVersion,  1, 0},
    {"rkreport servermodule", "version",    CmdReportSystemVersion,  1, 0},
    {"rkreport storage",      "adisk",      CmdReportArrayDisks,     1, 0},
    {"rkreport storage",      "pdisk",      CmdReportPhysicalDisks,  1, 0},
    {"rkreport storage",      "controller", CmdReportController,     1, 0},
    {"rkreport storage",      "vdisk",      CmdReportVirtualDisks,   1, 0},
    {"rkreport storage",      "connector",  CmdReportConnectors,     1, 0},
    {"rkreport storage",      "enclosure",  CmdReportEnclosure,      1, 0},
    {"rkreport storage",      "battery",    CmdReportBattery,        1, 0},
    {"rkreport system",       "alertlog",   CmdReportAlertLog,       1, 0},
    {"rkreport system",       "summary",    CmdReportSystemSummary,  1, 0},
    {"rkreport servermodule", "alertlog",   CmdReportAlertLog,       1, 0},
    {"rkreport servermodule", "summary",    CmdReportSystemSummary,  1, 0},
    {"rkreport storage",      "globalinfo", CmdReportGlobalInfo,     1, 0},
    {"rkconfig",              "storage",    CmdConfigStorage,        7, 0},
    {"rkconfig storage",      "controller", CmdConfigController,     7, 0},
    {"rkconfig storage",      "vdisk",      CmdConfigVirtualDisks,   7, 0},
    {"rkconfig storage",      "adisk",      CmdConfigArrayDisks,     7, 0},
    {"rkconfig storage",      "pdisk",      CmdConfigPhysicalDisks,  7, 0},
    {"rkconfig storage",      "connector",  CmdConfigConnectors,     7, 0},
    {"rkconfig storage",      "enclosure",  CmdConfigEnclosure,      7, 0},
    {"rkconfig storage",      "globalinfo", CmdConfigGlobalInfo,     7, 0},
    {"rkconfig storage",      "battery",    CmdConfigBattery,        7, 0},
};

KW_EXPORT uint32_t ccdtCount = 24;
KW_EXPORT uint16_t ccdtSorted = 0;
KW_EXPORT uint32_t origECI = 0;
KW_EXPORT uint16_t clpcmdReservedAlign = 0;

KW_EXPORT CCDTEntry* CLDBIntfGetCCDT(uint32_t* count) {
    if (count != NULL) *count = ccdtCount;
    return CCDT;
}

KW_EXPORT CLPSDestroyFunc CLDBIntfGetDestroyCLIPFunc(void) { return CLPSDefaultDestroyCLIPFunc; }

KW_EXPORT CLPSResponse* CLPDBIntfSendRequest(int32_t argc, char** argv) {
    return CLPSSendRequest(argc, argv, CCDT, ccdtCount, &ccdtSorted);
}

KW_EXPORT int32_t CLPDBIntfFreeResponse(CLPSResponse* response) { return CLPSFreeResponse(response); }

KW_EXPORT uint32_t CLPDBIntfGetRequiredUserRights(int32_t argc, char** argv) {
    return CLPSGetRequiredUserRights(argc, argv, CCDT, ccdtCount, &ccdtSorted);
}

KW_EXPORT int32_t CLPDBIntfDestroyCLIP(void) { return CLPSDestroyCLIP(CLDBIntfGetDestroyCLIPFunc()); }

// Each host-facing entry runs inside the context captured at attach and
// restores the host's own context before returning.
KW_EXPORT CLPSResponse* kwclp32_sendRequest(int32_t argc, char** argv) {
    uint32_t saved;
    ZCSSetExportContext(&saved, &origECI);
    CLPSResponse* result = CLPDBIntfSendRequest(argc, argv);
    ZCSResetExportContext(&saved);
    return result;
}

KW_EXPORT void kwclp32_freeResponse(CLPSResponse* response) {
    uint32_t saved;
    ZCSSetExportContext(&saved, &origECI);
    CLPDBIntfFreeResponse(response);
    ZCSResetExportContext(&saved);
}

KW_EXPORT uint32_t kwclp32_getRequiredUserRights(int32_t argc, char** argv) {
    uint32_t saved;
    ZCSSetExportContext(&saved, &origECI);
    uint32_t result = CLPDBIntfGetRequiredUserRights(argc, argv);
    ZCSResetExportContext(&saved);
    return result;
}

KW_EXPORT void kwclp32_destroyCLIP(void) {
    uint32_t saved;
    ZCSSetExportContext(&saved, &origECI);
    CLPDBIntfDestroyCLIP();
    ZCSResetExportContext(&saved);
}

KW_EXPORT int32_t ModuleAttach(void) {
    __SysDbgInit(1, "kwclp.log");
    if (__SysDbgIsLevelEnabled(4)) __SysDbgPrint("KWCLIP:ModuleAttach: entry\n");
    ZCSGetExportContext(&origECI);
    return CLPSSortCCDT(CCDT, ccdtCount, &ccdtSorted) == 0 ? 1 : 0;
}

KW_EXPORT int32_t ModuleDetach(void) {
    if (__SysDbgIsLevelEnabled(4)) __SysDbgPrint("KWCLIP:ModuleDetach: entry\n");
    return 1;
}

static CLPSResponse* usageOnly(int32_t argc, char** argv, uint32_t messageId) {
    if ((CLPSIsUsageHelp(argc, argv) & 0xFFFF) == 1)
        return CLPSNVSetupMsgRespObj(messageId, 0, 0, 0, 0, 0, "kwclp.xsl");
    return NULL;
}

KW_EXPORT CLPSResponse* CmdReportStorage(int32_t argc, char** argv) { return usageOnly(argc, argv, 6000); }
KW_EXPORT CLPSResponse* CmdConfigStorage(int32_t argc, char** argv) { return usageOnly(argc, argv, 6001); }

}  // extern "C"

// Loading runs attach and unloading detach; their results are not used here.
__attribute__((constructor)) static void kwclpLoad(void) { (void)ModuleAttach(); }
__attribute__((destructor)) static void kwclpUnload(void) { (void)ModuleDetach(); }
