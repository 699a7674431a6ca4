// rkconfig storage connector: rescans one connector of one controller.
#include <stdint.h>

#include "commands/callbacks.h"
#include "kwsup/kwsup.h"
#include "plugin/handlers.h"
#include "trace/sysdbg.h"

using kwcmd::userParam;

extern "C" KW_EXPORT const NVLstRow NVLstConnectorCfg[] = {
    {"controller", "GlobalNo=", 7, 1, nullptr, 0},
    {"connector",  "Channel=",  9, 1, nullptr, 0},
};

extern "C" KW_EXPORT const NVCmdRow NVCmdConfigChannels[] = {
    {1, "action", "vexcmd=setChnlRescan", "rescan", 0, "kwda", NVLstConnectorCfg, 2, nullptr, 0},
};

extern "C" KW_EXPORT int32_t CmdConfigChannelsValidateFunc(void*, void*, uint32_t argc, char** argv, uint32_t*,
                                                           char**, void*, void*, char* msgArg1, char* msgArg2) {
    const char* controller = userParam(argc, argv, "controller");
    const char* connector = userParam(argc, argv, "connector");

    int32_t status = kwcmd::checkGivenControllerFullList(controller, msgArg1, msgArg2);
    if (status != KW_STATUS_PROCEED) return status;
    status = kwcmd::checkGivenConnector(connector, controller, msgArg1, msgArg2);
    if (status != KW_STATUS_PROCEED) return status;

    const char* action = userParam(argc, argv, "action");
    uint32_t supported = 0;
    uint32_t allowed = 0;
    IsUserOperationValidForChannel(action, controller, connector, &supported, &allowed);
    return kwcmd::availabilityStatus(supported, allowed, action, msgArg1);
}

extern "C" KW_EXPORT CLPSResponse* CmdConfigConnectors(int32_t argc, char** argv) {
    LogCLIArgs(argv, argc);
    return CLPSNVCmdConfigFunc(argc, argv, 6963, 6964, NVCmdConfigChannels, 1, "kwclp.xsl",
                               CmdConfigChannelsValidateFunc);
}
