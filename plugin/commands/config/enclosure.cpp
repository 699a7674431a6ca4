// rkconfig storage enclosure: alarm, service tag, asset tag and name,
// temperature probe warning thresholds and blinking of one enclosure.
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "commands/config/device_callbacks.h"
#include "kwsup/devices.h"
#include "kwsup/kwsup.h"
#include "plugin/handlers.h"
#include "trace/sysdbg.h"

using devicecfg::setMessage;
using devicecfg::userParameter;

extern "C" KW_EXPORT const NVLstRow NVLstCommonEnclosureCfg[] = {
    {"controller", "GlobalNo=",  7,     1, nullptr, 0},
    {"enclosure",  "Enclosure=", 65566, 1, "3,1:2", 0},
};

extern "C" KW_EXPORT const NVLstRow NVLstSetServiceTag[] = {
    {"controller", "GlobalNo=",   7,     1, nullptr, 0},
    {"enclosure",  "Enclosure=",  65566, 1, "3,1:2", 0},
    {"servicetag", "ServiceTag=", 1,     1, nullptr, 10},
};

extern "C" KW_EXPORT const NVLstRow NVLstSetAssetTag[] = {
    {"controller", "GlobalNo=",  7,     1, nullptr, 0},
    {"enclosure",  "Enclosure=", 65566, 1, "3,1:2", 0},
    {"assettag",   "AssetTag=",  1,     1, nullptr, 10},
};

extern "C" KW_EXPORT const NVLstRow NVLstSetAssetName[] = {
    {"controller", "GlobalNo=",  7,     1, nullptr, 0},
    {"enclosure",  "Enclosure=", 65566, 1, "3,1:2", 0},
    {"assetname",  "AssetName=", 1,     1, nullptr, 32},
};

extern "C" KW_EXPORT const NVLstRow NVLstSetTempProbes[] = {
    {"controller", "GlobalNo=",   7,     1, nullptr, 0},
    {"enclosure",  "Enclosure=",  65566, 1, "3,1:2", 0},
    {"index",      "Index=",      7,     1, nullptr, 0},
    {"minwarn",    "MinWarning=", 7,     1, nullptr, 0},
    {"maxwarn",    "MaxWarning=", 7,     1, nullptr, 0},
};

extern "C" KW_EXPORT const NVLstRow NVLstResetTempProbes[] = {
    {"controller", "GlobalNo=",  7,     1, nullptr, 0},
    {"enclosure",  "Enclosure=", 65566, 1, "3,1:2", 0},
    {"index",      "Index=",     7,     1, nullptr, 0},
};

extern "C" KW_EXPORT const NVLstRow NVLstSetTempProbesAll[] = {
    {"controller", "GlobalNo=",   7,     1, nullptr, 0},
    {"enclosure",  "Enclosure=",  65566, 1, "3,1:2", 0},
    {"minwarn",    "MinWarning=", 7,     1, nullptr, 0},
    {"maxwarn",    "MaxWarning=", 7,     1, nullptr, 0},
};

extern "C" KW_EXPORT const NVCmdRow NVCmdConfigEnclosure[] = {
    {1, "action", "vexcmd=setEnclosureEnableAlarm",     "enablealarm",        0, "kwda", NVLstCommonEnclosureCfg, 2, nullptr, 0},
    {1, "action", "vexcmd=setEnclosureDisableAlarm",    "disablealarm",       0, "kwda", NVLstCommonEnclosureCfg, 2, nullptr, 0},
    {1, "action", "vexcmd=setEnclosureServiceTag",      "setservicetag",      0, "kwda", NVLstSetServiceTag,      3, nullptr, 0x80000000},
    {1, "action", "vexcmd=setEnclosureAssetTag",        "setassettag",        0, "kwda", NVLstSetAssetTag,        3, nullptr, 0},
    {1, "action", "vexcmd=setEnclosureAssetName",       "setassetname",       0, "kwda", NVLstSetAssetName,       3, nullptr, 0},
    {1, "action", "vexcmd=setEnclosureTempProbes",      "settempprobes",      0, "kwda", NVLstSetTempProbes,      5, nullptr, 0},
    {1, "action", "vexcmd=setEnclosureResetTempProbes", "resettempprobes",    0, "kwda", NVLstResetTempProbes,    3, nullptr, 0},
    {1, "action", "vexcmd=setEnclosureBlink",           "blink",              0, "kwda", NVLstCommonEnclosureCfg, 2, nullptr, 0},
    {1, "action", "vexcmd=setEnclosureUnBlink",         "unblink",            0, "kwda", NVLstCommonEnclosureCfg, 2, nullptr, 0},
    {1, "action", "vexcmd=setEnclosureTempProbes",      "setalltempprobes",   0, "kwda", NVLstSetTempProbesAll,   4, nullptr, 0},
    {1, "action", "vexcmd=setEnclosureResetTempProbes", "resetalltempprobes", 0, "kwda", NVLstCommonEnclosureCfg, 2, nullptr, 0},
};

namespace {

constexpr const char* kNoEnclosures = "None - There are no enclosures on this controller.";
constexpr const char* kAssetCharacters = "[A-Z,a-z,0-9,-,_]";

// What the checks of one asset text (tag or name) need.
struct AssetRule {
    const char* parameter;     // "assettag"
    const char* lengthElement; // "MaxAssetTagLength"
    const char* valueElement;  // "AssetTag"
    int32_t     badCharacters;
    int32_t     tooLong;
    int32_t     unchanged;
};

const AssetRule kAssetTagRule = {"assettag", "MaxAssetTagLength", "AssetTag", KW_STATUS_BAD_ASSET_TAG_CHARS,
                                 KW_STATUS_ASSET_TAG_TOO_LONG, KW_STATUS_ASSET_TAG_UNCHANGED};
const AssetRule kAssetNameRule = {"assetname", "MaxAssetNameLength", "AssetName", KW_STATUS_BAD_ASSET_NAME_CHARS,
                                  KW_STATUS_ASSET_NAME_TOO_LONG, KW_STATUS_ASSET_NAME_UNCHANGED};

bool isAction(const char* action, const char* word) {
    return action != nullptr && strcmpCaseIgnore(action, word) == 0;
}

// Maps the two availability flags to a status, naming the action on rejection.
int32_t availabilityStatus(uint32_t supported, uint32_t allowed, const char* action, char* msgArg1) {
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

// An asset text must be non-empty, of name characters without spaces, no
// longer than the enclosure takes, and different from the current one.
// Spaces are refused because the refusal names the accepted characters as
// "[A-Z,a-z,0-9,-,_]": accepting a space the message does not list would
// contradict what the user is told. An enclosure record that cannot be read
// is reported as a check that could not be made (1655), not as a length
// limit or a duplicate that the record never stated.
int32_t checkAssetText(const AssetRule& rule, const char* controller, const char* enclosure, const char* value,
                       char* msgArg1, char* msgArg2) {
    const char* text = value != nullptr ? value : "";
    if (text[0] == '\0' || IsStringAValidNameNoSpace(text) != 0) {
        setMessage(msgArg1, text);
        setMessage(msgArg2, kAssetCharacters);
        return rule.badCharacters;
    }
    uint32_t maximum = 0;
    if (kwsup::readAssetLengthLimit(controller, enclosure, rule.lengthElement, &maximum) != kwsup::kRecordRead)
        return KW_STATUS_NO_MEMORY;
    if (maximum != 0 && maximum < strlen(text)) {
        char maximumText[16];
        snprintf(maximumText, sizeof maximumText, "%d", static_cast<int>(maximum));
        setMessage(msgArg1, text);
        setMessage(msgArg2, maximumText);
        return rule.tooLong;
    }
    char current[64];
    if (kwsup::readAssetText(controller, enclosure, rule.valueElement, current, sizeof current) != kwsup::kRecordRead)
        return KW_STATUS_NO_MEMORY;
    if (strcmp(text, current) == 0) {
        setMessage(msgArg1, text);
        return rule.unchanged;
    }
    return KW_STATUS_PROCEED;
}

// New warning thresholds for one probe: both within the probe's ranges, and
// at least one of them a change. A threshold equal to the current one is
// blanked in the request so that only the change is sent.
int32_t checkThresholds(uint32_t argc, char** argv, uint32_t* reqCount, char** reqArgs, const char* controller,
                        const char* enclosure, const char* index, char* msgArg1, char* msgArg2) {
    const char* minWarn = userParameter(argc, argv, "minwarn");
    const char* maxWarn = userParameter(argc, argv, "maxwarn");
    char minOut[256] = {};
    char maxOut[256] = {};
    if (IsUserTempProbesInputValid(index, minWarn, maxWarn, enclosure, controller, minOut, maxOut) != 0) {
        setMessage(msgArg1, minOut);
        setMessage(msgArg2, maxOut);
        return KW_STATUS_BAD_THRESHOLDS;
    }
    bool changed = false;
    if (minWarn != nullptr && strcmp(minWarn, minOut) == 0) {
        if (!devicecfg::blankArgument(*reqCount, reqArgs, "MinWarning=")) return KW_STATUS_NO_MEMORY;
    } else {
        changed = true;
    }
    if (maxWarn != nullptr && strcmp(maxWarn, maxOut) == 0) {
        if (!devicecfg::blankArgument(*reqCount, reqArgs, "MaxWarning=")) return KW_STATUS_NO_MEMORY;
    } else {
        changed = true;
    }
    if (!changed) {
        setMessage(msgArg1, minOut);
        setMessage(msgArg2, maxOut);
        return KW_STATUS_THRESHOLDS_UNCHANGED;
    }
    return KW_STATUS_PROCEED;
}

// Controller, enclosure and probe index, each when given.
int32_t checkIdentifiers(const char* controller, const char* enclosure, const char* index, char* msgArg1,
                         char* msgArg2) {
    if (controller != nullptr) {
        char controllers[256] = {};
        if (IsUserControllerIdValidWithSize(controller, controllers, sizeof controllers) != 0) {
            setMessage(msgArg1, controller);
            setMessage(msgArg2, controllers);
            return KW_STATUS_BAD_CONTROLLER;
        }
    }
    if (enclosure != nullptr) {
        char enclosures[256] = {};
        uint32_t count = 0;
        if (IsUserEnclosureIdValidWithSize(enclosure, controller, enclosures, sizeof enclosures, &count) != 0) {
            setMessage(msgArg1, enclosure);
            setMessage(msgArg2, count != 0 ? enclosures : kNoEnclosures);
            return KW_STATUS_BAD_ENCLOSURE;
        }
    }
    if (index != nullptr) {
        char probes[KWSUP_LIST_SIZE] = {};
        if (IsUserTempProbesIndexValid(index, enclosure, controller, probes) != 0) {
            if (probes[0] == '\0') {
                setMessage(msgArg1, enclosure);
                return KW_STATUS_NO_TEMP_PROBES;
            }
            setMessage(msgArg1, index);
            setMessage(msgArg2, probes);
            return KW_STATUS_BAD_TEMP_PROBE;
        }
    }
    return KW_STATUS_PROCEED;
}

}  // namespace

extern "C" KW_EXPORT int32_t CmdConfigEnclosureValidateFunc(void*, void*, uint32_t argc, char** argv,
                                                            uint32_t* reqCount, char** reqArgs, void*, void*,
                                                            char* msgArg1, char* msgArg2) {
    const char* action = userParameter(argc, argv, "action");
    const char* controller = userParameter(argc, argv, "controller");
    const char* enclosure = userParameter(argc, argv, "enclosure");
    const char* index = userParameter(argc, argv, "index");
    uint32_t supported = 0;
    uint32_t allowed = 0;

    // Service-tag reporting belongs to the storage subsystem as a whole; no
    // enclosure identifier is involved.
    if (isAction(action, "enablests") || isAction(action, "disablests")) {
        IsUserOperationValidForStorageObject(action, &supported, &allowed);
        return availabilityStatus(supported, allowed, action, msgArg1);
    }

    int32_t status = checkIdentifiers(controller, enclosure, index, msgArg1, msgArg2);
    if (status != KW_STATUS_PROCEED) return status;

    if (IsUserOperationValidForEnclosure(action, controller, enclosure, &supported, &allowed) != 0)
        return KW_STATUS_NO_MEMORY;
    status = availabilityStatus(supported, allowed, action, msgArg1);
    if (status != KW_STATUS_PROCEED) return status;

    if (isAction(action, "setassettag"))
        return checkAssetText(kAssetTagRule, controller, enclosure, userParameter(argc, argv, "assettag"), msgArg1,
                              msgArg2);
    if (isAction(action, "setassetname"))
        return checkAssetText(kAssetNameRule, controller, enclosure, userParameter(argc, argv, "assetname"), msgArg1,
                              msgArg2);
    if (isAction(action, "settempprobes") && index != nullptr)
        return checkThresholds(argc, argv, reqCount, reqArgs, controller, enclosure, index, msgArg1, msgArg2);
    return KW_STATUS_PROCEED;
}

extern "C" KW_EXPORT CLPSResponse* CmdConfigEnclosure(int32_t argc, char** argv) {
    LogCLIArgs(argv, argc);
    return CLPSNVCmdConfigFunc(argc, argv, 6951, 6952, NVCmdConfigEnclosure, 11, "kwclp.xsl",
                               CmdConfigEnclosureValidateFunc);
}
