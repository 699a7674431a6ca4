// rkconfig storage battery: recondition a controller's battery, start its
// learn cycle, or delay the next learn cycle within the battery's limit.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include "commands/callbacks.h"
#include "kwsup/kwsup.h"
#include "plugin/handlers.h"
#include "trace/sysdbg.h"

using kwcmd::userParam;

extern "C" KW_EXPORT const NVLstRow NVLstReconditionBattery[] = {
    {"controller", "GlobalNo=",  0x7, 1, nullptr, 0},
    {"battery",    "BatteryID=", 0x7, 1, nullptr, 0},
};

extern "C" KW_EXPORT const NVLstRow NVLstStartLearnCycle[] = {
    {"controller", "GlobalNo=",  0x7, 1, nullptr, 0},
    {"battery",    "BatteryID=", 0x7, 1, nullptr, 0},
};

extern "C" KW_EXPORT const NVLstRow NVLstDelayLearnCycle[] = {
    {"controller", "GlobalNo=",  0x7, 1, nullptr, 0},
    {"battery",    "BatteryID=", 0x7, 1, nullptr, 0},
    {"days",       "Days=",      0x7, 5, "7",     0},
    {"hours",      "Hours=",     0x7, 5, "23",    0},
};

extern "C" KW_EXPORT const NVCmdRow NVCommandConfigBattery[] = {
    {1, "action", "vexcmd=setBatteryRecondition", "recondition", 0, "kwda", NVLstReconditionBattery, 2, nullptr, 0},
    {1, "action", "vexcmd=setBatteryStartLearn",  "startlearn",  0, "kwda", NVLstStartLearnCycle,    2, nullptr, 0},
    {1, "action", "vexcmd=setBatteryDelayLearn",  "delaylearn",  0, "kwda", NVLstDelayLearnCycle,    4, nullptr, 0},
};

namespace {

constexpr const char* kNoBatteries = "None - There are no batteries in this controller.";
// Delay texts are cut to 31 characters.
constexpr size_t kDelayTextSize = 32;

// The requested delay in the user's own words ("07 days" stays "07 days").
// With neither days nor hours the request is a delay of nothing, shown as
// "0 hours".
void formatRequestedDelay(char (&text)[kDelayTextSize], const char* days, const char* hours) {
    if (days != nullptr && hours != nullptr)
        snprintf(text, sizeof text, "%s days %s hours", days, hours);
    else if (days != nullptr)
        snprintf(text, sizeof text, "%s days", days);
    else
        snprintf(text, sizeof text, "%s hours", hours != nullptr ? hours : "0");
}

// The battery's maximum, a count of hours, as days and hours.
void formatMaximumDelay(char (&text)[kDelayTextSize], const char* maximum) {
    unsigned long total = strtoul(maximum, nullptr, 10);
    int days = static_cast<int>(total / 24);
    int hours = static_cast<int>(total - 24 * static_cast<unsigned long>(days));
    if (days == 0)
        snprintf(text, sizeof text, "%d hours", hours);
    else if (hours != 0)
        snprintf(text, sizeof text, "%d days %d hours", days, hours);
    else
        snprintf(text, sizeof text, "%d days", days);
}

}  // namespace

extern "C" KW_EXPORT int32_t CmdConfigBatteryValidateFunc(void*, void*, uint32_t argc, char** argv, uint32_t*,
                                                          char**, void*, void*, char* msgArg1, char* msgArg2) {
    const char* controller = userParam(argc, argv, "controller");
    const char* battery = userParam(argc, argv, "battery");
    const char* action = userParam(argc, argv, "action");

    int32_t status = kwcmd::checkGivenController(controller, msgArg1, msgArg2);
    if (status != KW_STATUS_PROCEED) return status;

    if (battery != nullptr) {
        char batteries[256] = {};
        uint32_t count = 0;
        if (IsUserBatteryIdValidWithSize(battery, controller, batteries, sizeof batteries, &count) != 0)
            return kwcmd::reject(KW_STATUS_BAD_BATTERY, msgArg1, battery, msgArg2,
                                 count != 0 ? batteries : kNoBatteries);
    }

    uint32_t supported = 0;
    uint32_t allowed = 0;
    IsUserOperationValidForBattery(action, controller, battery, &supported, &allowed);
    status = kwcmd::availabilityStatus(supported, allowed, action, msgArg1);
    if (status != KW_STATUS_PROCEED) return status;

    if (strcmpCaseIgnore(action, "delaylearn") == 0) {
        const char* days = userParam(argc, argv, "days");
        const char* hours = userParam(argc, argv, "hours");
        char maximum[8] = {};
        if (IsDelayLearnWithinMaxLearnDelay(controller, battery, days, hours, maximum, sizeof maximum) != 0) {
            char requestedText[kDelayTextSize];
            char maximumText[kDelayTextSize];
            formatRequestedDelay(requestedText, days, hours);
            formatMaximumDelay(maximumText, maximum);
            return kwcmd::reject(KW_STATUS_BAD_LEARN_DELAY, msgArg1, requestedText, msgArg2, maximumText);
        }
    }
    return KW_STATUS_PROCEED;
}

extern "C" KW_EXPORT CLPSResponse* CmdConfigBattery(int32_t argc, char** argv) {
    LogCLIArgs(argv, argc);
    return CLPSNVCmdConfigFunc(argc, argv, 6941, 6942, NVCommandConfigBattery, 3, "kwclp.xsl",
                               CmdConfigBatteryValidateFunc);
}
