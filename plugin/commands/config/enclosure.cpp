// rkconfig storage enclosure: alarm, service tag, asset tag and name,
// temperature probe warning thresholds and blinking of one enclosure.
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "commands/callbacks.h"
#include "kwsup/devices.h"
#include "kwsup/kwsup.h"
#include "plugin/handlers.h"
#include "trace/sysdbg.h"

using kwcmd::availabilityStatus;
using kwcmd::isWord;
using kwcmd::reject;
using kwcmd::userParam;

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
    if (text[0] == '\0' || IsStringAValidNameNoSpace(text) != 0)
        return reject(rule.badCharacters, msgArg1, text, msgArg2, kAssetCharacters);
    uint32_t maximum = 0;
    if (kwsup::readAssetLengthLimit(controller, enclosure, rule.lengthElement, &maximum) != kwsup::kRecordRead)
        return KW_STATUS_NO_MEMORY;
    if (maximum != 0 && maximum < strlen(text)) {
        char maximumText[16];
        snprintf(maximumText, sizeof maximumText, "%d", static_cast<int>(maximum));
        return reject(rule.tooLong, msgArg1, text, msgArg2, maximumText);
    }
    char current[64];
    if (kwsup::readAssetText(controller, enclosure, rule.valueElement, current, sizeof current) != kwsup::kRecordRead)
        return KW_STATUS_NO_MEMORY;
    if (strcmp(text, current) == 0) return reject(rule.unchanged, msgArg1, text);
    return KW_STATUS_PROCEED;
}

// New warning thresholds for one probe: both within the probe's ranges, and
// at least one of them a change. A threshold equal to the current one is
// blanked in the request so that only the change is sent.
int32_t checkThresholds(uint32_t argc, char** argv, uint32_t* reqCount, char** reqArgs, const char* controller,
                        const char* enclosure, const char* index, char* msgArg1, char* msgArg2) {
    const char* minWarn = userParam(argc, argv, "minwarn");
    const char* maxWarn = userParam(argc, argv, "maxwarn");
    char minOut[256] = {};
    char maxOut[256] = {};
    if (IsUserTempProbesInputValid(index, minWarn, maxWarn, enclosure, controller, minOut, maxOut) != 0)
        return reject(KW_STATUS_BAD_THRESHOLDS, msgArg1, minOut, msgArg2, maxOut);
    bool changed = false;
    if (minWarn != nullptr && strcmp(minWarn, minOut) == 0) {
        if (kwcmd::blankRequestArgument(reqCount, reqArgs, "MinWarning=") != KW_STATUS_PROCEED)
            return KW_STATUS_NO_MEMORY;
    } else {
        changed = true;
    }
    if (maxWarn != nullptr && strcmp(maxWarn, maxOut) == 0) {
        if (kwcmd::blankRequestArgument(reqCount, reqArgs, "MaxWarning=") != KW_STATUS_PROCEED)
            return KW_STATUS_NO_MEMORY;
    } else {
        changed = true;
    }
    if (!changed) return reject(KW_STATUS_THRESHOLDS_UNCHANGED, msgArg1, minOut, msgArg2, maxOut);
    return KW_STATUS_PROCEED;
}

// Controller, enclosure and probe index, each when given.
int32_t checkIdentifiers(const char* controller, const char* enclosure, const char* index, char* msgArg1,
                         char* msgArg2) {
    int32_t status = kwcmd::checkGivenController(controller, msgArg1, msgArg2);
    if (status != KW_STATUS_PROCEED) return status;
    status = kwcmd::checkGivenEnclosure(enclosure, controller, msgArg1, msgArg2);
    if (status != KW_STATUS_PROCEED) return status;
    if (index != nullptr) {
        char probes[KWSUP_LIST_SIZE] = {};
        if (IsUserTempProbesIndexValid(index, enclosure, controller, probes) != 0) {
            if (probes[0] == '\0') return reject(KW_STATUS_NO_TEMP_PROBES, msgArg1, enclosure);
            return reject(KW_STATUS_BAD_TEMP_PROBE, msgArg1, index, msgArg2, probes);
        }
    }
    return KW_STATUS_PROCEED;
}

}  // namespace

extern "C" KW_EXPORT int32_t CmdConfigEnclosureValidateFunc(void*, void*, uint32_t argc, char** argv,
                                                            uint32_t* reqCount, char** reqArgs, void*, void*,
                                                            char* msgArg1, char* msgArg2) {
    const char* action = userParam(argc, argv, "action");
    const char* controller = userParam(argc, argv, "controller");
    const char* enclosure = userParam(argc, argv, "enclosure");
    const char* index = userParam(argc, argv, "index");
    uint32_t supported = 0;
    uint32_t allowed = 0;

    // Service-tag reporting belongs to the storage subsystem as a whole; no
    // enclosure identifier is involved.
    if (isWord(action, "enablests") || isWord(action, "disablests")) {
        IsUserOperationValidForStorageObject(action, &supported, &allowed);
        return availabilityStatus(supported, allowed, action, msgArg1);
    }

    int32_t status = checkIdentifiers(controller, enclosure, index, msgArg1, msgArg2);
    if (status != KW_STATUS_PROCEED) return status;

    if (IsUserOperationValidForEnclosure(action, controller, enclosure, &supported, &allowed) != 0)
        return KW_STATUS_NO_MEMORY;
    status = availabilityStatus(supported, allowed, action, msgArg1);
    if (status != KW_STATUS_PROCEED) return status;

    if (isWord(action, "setassettag"))
        return checkAssetText(kAssetTagRule, controller, enclosure, userParam(argc, argv, "assettag"), msgArg1,
                              msgArg2);
    if (isWord(action, "setassetname"))
        return checkAssetText(kAssetNameRule, controller, enclosure, userParam(argc, argv, "assetname"), msgArg1,
                              msgArg2);
    if (isWord(action, "settempprobes") && index != nullptr)
        return checkThresholds(argc, argv, reqCount, reqArgs, controller, enclosure, index, msgArg1, msgArg2);
    return KW_STATUS_PROCEED;
}

extern "C" KW_EXPORT CLPSResponse* CmdConfigEnclosure(int32_t argc, char** argv) {
    LogCLIArgs(argv, argc);
    return CLPSNVCmdConfigFunc(argc, argv, 6951, 6952, NVCmdConfigEnclosure, 11, "kwclp.xsl",
                               CmdConfigEnclosureValidateFunc);
}
