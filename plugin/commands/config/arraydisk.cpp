// Placeholder until this command is built: answers "not available".
#include "plugin/handlers.h"

extern "C" KW_EXPORT CLPSResponse* CmdConfigArrayDisks(int32_t argc, char** argv) { return KwCommandNotAvailable(argc, argv); }
extern "C" KW_EXPORT CLPSResponse* CmdConfigPhysicalDisks(int32_t argc, char** argv) { return KwCommandNotAvailable(argc, argv); }
