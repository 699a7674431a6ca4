// rkconfig storage connector: rescans one connector of one controller.
#include <stdint.h>

#include "commands/config/device_callbacks.h"
#include "kwsup/kwsup.h"
#include "plugin/handlers.h"
#include "trace/sysdbg.h"

using devicecfg::setMessage;
using devicecfg::userParameter;

extern "C" KW_EXPORT const NVLstRow NVLstConnectorCfg[] = {
    {"controller", "GlobalNo=", 7, 1, nullptr, 0},
    {"connector",  "Channel=",  9, 1, nullptr, 0},
};

extern "C" KW_EXPORT const NVCmdRow NVCmdConfigChannels[] = {
    {1, "action", "vexcmd=setChnlRescan", "rescan", 0, "kwda", NVLstConnectorCfg, 2, nullptr, 0},
};

extern "C" KW_EXPORT int32_t CmdConfigChannelsValidateFunc(void*, void*, uint32_t argc, char** argv, uint32_t*,
                                                           char**, void*, void*, char* msgArg1, char* msgArg2) {
    const char* controller = userParameter(argc, argv, "controller");
    const char* connector = userParameter(argc, argv, "connector");

    char list[KWSUP_LIST_SIZE] = {};
    if (controller != nullptr && IsUserControllerIdValid(controller, list) != 0) {
        setMessage(msgArg1, controller);
        setMessage(msgArg2, list);
        return KW_STATUS_BAD_CONTROLLER;
    }
    list[0] = '\0';
    if (connector != nullptr && IsUserChannelIdValid(connector, controller, list) != 0) {
        setMessage(msgArg1, connector);
        setMessage(msgArg2, list);
        return KW_STATUS_BAD_CONNECTOR;
    }

    const char* action = userParameter(argc, argv, "action");
    uint32_t supported = 0;
    uint32_t allowed = 0;
    IsUserOperationValidForChannel(action, controller, connector, &supported, &allowed);
    if (supported == 0) {
        setMessage(msgArg1, action);
        return KW_STATUS_ACTION_UNSUPPORTED;
    }
    if (allowed == 0) {
        setMessage(msgArg1, action);
        return KW_STATUS_ACTION_NOT_ALLOWED;
    }
    return KW_STATUS_PROCEED;
}

extern "C" KW_EXPORT CLPSResponse* CmdConfigConnectors(int32_t argc, char** argv) {
    LogCLIArgs(argv, argc);
    return CLPSNVCmdConfigFunc(argc, argv, 6963, 6964, NVCmdConfigChannels, 1, "kwclp.xsl",
                               CmdConfigChannelsValidateFunc);
}
