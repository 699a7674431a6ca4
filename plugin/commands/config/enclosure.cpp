// Placeholder until this command is built: answers "not available".
#include "plugin/handlers.h"

extern "C" KW_EXPORT CLPSResponse* CmdConfigEnclosure(int32_t argc, char** argv) { return KwCommandNotAvailable(argc, argv); }
