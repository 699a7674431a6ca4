// Placeholder until this command is built: answers "not available".
#include "plugin/handlers.h"

extern "C" KW_EXPORT CLPSResponse* CmdReportArrayDisks(int32_t argc, char** argv) { return KwCommandNotAvailable(argc, argv); }
extern "C" KW_EXPORT CLPSResponse* CmdReportPhysicalDisks(int32_t argc, char** argv) { return KwCommandNotAvailable(argc, argv); }
extern "C" KW_EXPORT CLPSResponse* CmdReportController(int32_t argc, char** argv) { return KwCommandNotAvailable(argc, argv); }
extern "C" KW_EXPORT CLPSResponse* CmdReportVirtualDisks(int32_t argc, char** argv) { return KwCommandNotAvailable(argc, argv); }
extern "C" KW_EXPORT CLPSResponse* CmdReportConnectors(int32_t argc, char** argv) { return KwCommandNotAvailable(argc, argv); }
extern "C" KW_EXPORT CLPSResponse* CmdReportEnclosure(int32_t argc, char** argv) { return KwCommandNotAvailable(argc, argv); }
extern "C" KW_EXPORT CLPSResponse* CmdReportBattery(int32_t argc, char** argv) { return KwCommandNotAvailable(argc, argv); }
extern "C" KW_EXPORT CLPSResponse* CmdReportGlobalInfo(int32_t argc, char** argv) { return KwCommandNotAvailable(argc, argv); }
