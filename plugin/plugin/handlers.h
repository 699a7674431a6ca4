/* Every command handler the dispatch table names, and the variant tables and
 * callbacks they run. Handlers take the argument count and vector of the
 * command line and return a response record, or null for no response. */
#ifndef KWCLP_HANDLERS_H
#define KWCLP_HANDLERS_H

#include "plugin/nvtable.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Usage-only handlers. */
KW_EXPORT CLPSResponse* CmdReportStorage(int32_t argc, char** argv);
KW_EXPORT CLPSResponse* CmdConfigStorage(int32_t argc, char** argv);

/* Reports. */
KW_EXPORT CLPSResponse* CmdReportSystemVersion(int32_t argc, char** argv);
KW_EXPORT CLPSResponse* CmdReportSystemSummary(int32_t argc, char** argv);
KW_EXPORT CLPSResponse* CmdReportAlertLog(int32_t argc, char** argv);
KW_EXPORT CLPSResponse* CmdReportArrayDisks(int32_t argc, char** argv);
KW_EXPORT CLPSResponse* CmdReportPhysicalDisks(int32_t argc, char** argv);
KW_EXPORT CLPSResponse* CmdReportController(int32_t argc, char** argv);
KW_EXPORT CLPSResponse* CmdReportVirtualDisks(int32_t argc, char** argv);
KW_EXPORT CLPSResponse* CmdReportConnectors(int32_t argc, char** argv);
KW_EXPORT CLPSResponse* CmdReportEnclosure(int32_t argc, char** argv);
KW_EXPORT CLPSResponse* CmdReportBattery(int32_t argc, char** argv);
KW_EXPORT CLPSResponse* CmdReportGlobalInfo(int32_t argc, char** argv);

/* Configuration. */
KW_EXPORT CLPSResponse* CmdConfigController(int32_t argc, char** argv);
KW_EXPORT CLPSResponse* CmdConfigVirtualDisks(int32_t argc, char** argv);
KW_EXPORT CLPSResponse* CmdConfigArrayDisks(int32_t argc, char** argv);
KW_EXPORT CLPSResponse* CmdConfigPhysicalDisks(int32_t argc, char** argv);
KW_EXPORT CLPSResponse* CmdConfigConnectors(int32_t argc, char** argv);
KW_EXPORT CLPSResponse* CmdConfigEnclosure(int32_t argc, char** argv);
KW_EXPORT CLPSResponse* CmdConfigGlobalInfo(int32_t argc, char** argv);
KW_EXPORT CLPSResponse* CmdConfigBattery(int32_t argc, char** argv);

#ifdef __cplusplus
}
#endif

#endif
