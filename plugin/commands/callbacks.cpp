// The steps the command validation callbacks share (see callbacks.h).
#include "commands/callbacks.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "kwsup/kwsup.h"
#include "plugin/nvtable.h"
#include "vexcs32.h"

namespace kwcmd {

namespace {

// The valid controllers as the bounded check lists them.
constexpr uint32_t kControllerListSize = 256;
// The valid enclosures as the bounded check lists them.
constexpr uint32_t kEnclosureListSize = 256;
constexpr size_t kSizeNumberSize = 256;
// The values a controller offers for a layout, policy or stripe size.
constexpr uint32_t kOfferedListSize = 128;

const char kNoEnclosures[] = "None - There are no enclosures on this controller.";

void copyMessage(char* msgArg, const char* text) {
    if (msgArg != nullptr) snprintf(msgArg, CLPS_MSG_ARG_SIZE, "%s", text);
}

void copyMessageIfGiven(char* msgArg, const char* text) {
    if (text != nullptr) copyMessage(msgArg, text);
}

// A new 256-byte block holding text, or null when none can be had.
char* newArgumentBlock(const char* text) {
    char* block = static_cast<char*>(ZCSAllocMem(CLPS_BLOCK_SIZE));
    if (block != nullptr) snprintf(block, CLPS_BLOCK_SIZE, "%s", text);
    return block;
}

}  // namespace

const char kNoPhysicalDisks[] = "None - There are no physical disks on this controller.";
const char kNoArrayDisks[] = "None - There are no array disks on this controller.";

// ---- The user's line and the request -----------------------------------

const char* userParam(uint32_t argc, char** argv, const char* name) {
    return ZCSGetAStrParamValueByAStrName(argc, argv, name, 1);
}

const char* requestValue(const uint32_t* reqCount, char** reqArgs, const char* name) {
    return reqCount != nullptr ? ZCSGetAStrParamValueByAStrName(*reqCount, reqArgs, name, 1) : nullptr;
}

bool isWord(const char* text, const char* word) { return text != nullptr && strcmpCaseIgnore(text, word) == 0; }

// ---- Message arguments ---------------------------------------------------

void setMessage(char* msgArg, const char* text) { copyMessage(msgArg, text != nullptr ? text : ""); }

int32_t reject(int32_t status, char* msgArg1, const char* first, char* msgArg2, const char* second) {
    copyMessageIfGiven(msgArg1, first);
    copyMessageIfGiven(msgArg2, second);
    return status;
}

// ---- Request arguments ---------------------------------------------------

int32_t appendNumberArgument(uint32_t* reqCount, char** reqArgs, const char* name, int32_t number) {
    char text[CLPS_BLOCK_SIZE];
    snprintf(text, sizeof text, "%s=%d", name, number);
    char* block = newArgumentBlock(text);
    if (block == nullptr) return KW_STATUS_NO_MEMORY;
    reqArgs[(*reqCount)++] = block;
    return KW_STATUS_PROCEED;
}

int32_t replaceRequestArgument(uint32_t* reqCount, char** reqArgs, const char* name, const char* text) {
    char* block = newArgumentBlock(text);
    if (block == nullptr) return KW_STATUS_NO_MEMORY;
    int32_t index = ZCSGetParamIndexByAStrName(*reqCount, reqArgs, name, 0);
    if (index < 0) {
        reqArgs[(*reqCount)++] = block;
    } else {
        ZCSFreeMem(reqArgs[index]);
        reqArgs[index] = block;
    }
    return KW_STATUS_PROCEED;
}

int32_t blankRequestArgument(uint32_t* reqCount, char** reqArgs, const char* name) {
    if (ZCSGetParamIndexByAStrName(*reqCount, reqArgs, name, 0) < 0) return KW_STATUS_PROCEED;
    return replaceRequestArgument(reqCount, reqArgs, name, "");
}

int32_t setLengthArgument(uint32_t* reqCount, char** reqArgs, const char* bytes) {
    char text[CLPS_BLOCK_SIZE];
    snprintf(text, sizeof text, "Length=%s", bytes);
    return replaceRequestArgument(reqCount, reqArgs, "Length", text);
}

// ---- Sizes ------------------------------------------------------------------

int32_t sizeInBytes(const char* size, char* bytes, uint32_t capacity, double* value) {
    char number[kSizeNumberSize];
    char unit = 'g';
    size_t length = strlen(size);
    if (length > 0 && MyIsDigit(size[length - 1]) != 0) {
        unit = size[length - 1];
        snprintf(number, sizeof number, "%.*s", static_cast<int>(length - 1), size);
    } else {
        snprintf(number, sizeof number, "%s", size);
    }
    if (IsStringAValidNumericValue(number) != 0) return KW_STATUS_SIZE_NOT_NUMERIC;
    const char unitText[2] = {unit, '\0'};
    *value = strtod(number, nullptr);
    if (strcmpCaseIgnore(unitText, "b") == 0) {
        snprintf(bytes, capacity, "%s", number);
        return KW_STATUS_PROCEED;
    }
    if (strcmpCaseIgnore(unitText, "m") == 0)
        *value *= 1024.0 * 1024.0;
    else if (strcmpCaseIgnore(unitText, "g") == 0)
        *value *= 1024.0 * 1024.0 * 1024.0;
    else
        return KW_STATUS_SIZE_BAD_UNIT;
    ConvertToStringRepresentingInteger(*value, bytes);
    return KW_STATUS_PROCEED;
}

// ---- Checks several commands make alike ----------------------------------

int32_t checkController(const char* controller, char* msgArg1, char* msgArg2) {
    char list[kControllerListSize] = {};
    if (IsUserControllerIdValidWithSize(controller, list, sizeof list) == 0) return KW_STATUS_PROCEED;
    return reject(KW_STATUS_BAD_CONTROLLER, msgArg1, controller, msgArg2, list);
}

int32_t checkGivenController(const char* controller, char* msgArg1, char* msgArg2) {
    if (controller == nullptr) return KW_STATUS_PROCEED;
    return checkController(controller, msgArg1, msgArg2);
}

int32_t checkGivenControllerFullList(const char* controller, char* msgArg1, char* msgArg2) {
    char list[KWSUP_LIST_SIZE] = {};
    if (controller == nullptr || IsUserControllerIdValid(controller, list) == 0) return KW_STATUS_PROCEED;
    return reject(KW_STATUS_BAD_CONTROLLER, msgArg1, controller, msgArg2, list);
}

int32_t checkGivenVirtualDisk(const char* vdisk, const char* controller, char* msgArg1, char* msgArg2) {
    char list[KWSUP_LIST_SIZE] = {};
    if (vdisk == nullptr || IsUserVirtualDiskIdValid(vdisk, controller, list) == 0) return KW_STATUS_PROCEED;
    if (list[0] != '\0') return reject(KW_STATUS_BAD_VDISK, msgArg1, vdisk, msgArg2, list);
    return reject(KW_STATUS_NO_VDISKS, msgArg1, vdisk, msgArg2, controller);
}

int32_t checkGivenConnector(const char* connector, const char* controller, char* msgArg1, char* msgArg2) {
    char list[KWSUP_LIST_SIZE] = {};
    if (connector == nullptr || IsUserChannelIdValid(connector, controller, list) == 0) return KW_STATUS_PROCEED;
    return reject(KW_STATUS_BAD_CONNECTOR, msgArg1, connector, msgArg2, list);
}

int32_t checkGivenEnclosure(const char* enclosure, const char* controller, char* msgArg1, char* msgArg2) {
    char list[kEnclosureListSize] = {};
    uint32_t count = 0;
    if (enclosure == nullptr || IsUserEnclosureIdValidWithSize(enclosure, controller, list, sizeof list, &count) == 0)
        return KW_STATUS_PROCEED;
    return reject(KW_STATUS_BAD_ENCLOSURE, msgArg1, enclosure, msgArg2, count != 0 ? list : kNoEnclosures);
}

int32_t checkDisk(const char* disk, const char* controller, const char* noDisks, char* msgArg1, char* msgArg2) {
    char list[KWSUP_LIST_SIZE] = {};
    uint32_t count = 0;
    if (IsUserArrayDiskIdValid(disk, controller, list, 0, &count) == 0) return KW_STATUS_PROCEED;
    return reject(KW_STATUS_BAD_DISK, msgArg1, disk, msgArg2, count != 0 ? list : noDisks);
}

int32_t checkOfferedValues(const OfferedValueRule* rules, uint32_t count, const char* controller, uint32_t argc,
                           char** argv, const uint32_t* reqCount, char** reqArgs, char* msgArg1, char* msgArg2) {
    for (uint32_t i = 0; i < count; ++i) {
        const OfferedValueRule& rule = rules[i];
        const char* word = userParam(argc, argv, rule.userParam);
        const char* value = requestValue(reqCount, reqArgs, rule.requestName);
        if (word == nullptr || value == nullptr) continue;
        char offered[kOfferedListSize] = {};
        if (rule.check(controller, value, offered, sizeof offered) == 0) continue;
        setMessage(msgArg1, word);
        setMessage(msgArg2, offered[0] != '\0' ? offered : rule.none);
        return rule.status;
    }
    return KW_STATUS_PROCEED;
}

int32_t availabilityStatus(uint32_t supported, uint32_t allowed, const char* action, char* msgArg1) {
    if (supported == 0) return reject(KW_STATUS_ACTION_UNSUPPORTED, msgArg1, action);
    if (allowed == 0) return reject(KW_STATUS_ACTION_NOT_ALLOWED, msgArg1, action);
    return KW_STATUS_PROCEED;
}

}  // namespace kwcmd
