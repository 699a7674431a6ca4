/* The shared validation library: agent queries and XML lookups, identifier
 * checks, text rules, and the per-object capability and availability checks.
 * Results: 0 valid / found / done, -1 not valid / not found / no reply from
 * the data agent, 272 no reply buffer, and the operation-specific values
 * named at each declaration. */
#ifndef KWSUP_H
#define KWSUP_H

#include <stdint.h>

#include "cmdfw32.h"
#include "plugin/export.h"
#include "vexcs32.h"
#include "xdoc32.h"

#ifdef __cplusplus
extern "C" {
#endif

/* No reply buffer could be had. */
#define KWSUP_NO_BUFFER 272
/* Checks without a size argument bound their lists to this many bytes
 * (terminator included); every caller passes at least this much. */
#define KWSUP_LIST_SIZE 2048u

/* ---- Agent queries and XML lookups ------------------------------------- */

KW_EXPORT int32_t QueryNodeNameValue(const char* name, char* value, uint32_t index, ZCSXBuf* replyBuffer);
KW_EXPORT int32_t QueryNodeNameValueWithSize(const char* name, char* value, uint32_t capacity,
                                             uint32_t index, ZCSXBuf* replyBuffer);
KW_EXPORT int32_t QueryNthDCStorObjElement(const char* name, char* value, uint32_t index,
                                           ZCSXBuf* replyBuffer);
KW_EXPORT int32_t QueryNthDCStorObjElementGiveRootNode(SXDOMNode* root, const char* name, char* value,
                                                       uint32_t capacity, uint32_t index);
KW_EXPORT int32_t GetDCStorObjElemNodeCount(SXDOMNode* root);

/* ---- Identifier checks ------------------------------------------------- */

KW_EXPORT int32_t IsUserControllerIdValid(const char* id, char* list);
KW_EXPORT int32_t IsUserControllerIdValidWithSize(const char* id, char* list, uint32_t size);
KW_EXPORT int32_t IsUserChannelIdValid(const char* id, const char* controller, char* list);
KW_EXPORT int32_t IsUserEnclosureIdValidWithSize(const char* id, const char* controller, char* list,
                                                 uint32_t size, uint32_t* count);
KW_EXPORT int32_t IsUserVirtualDiskIdValid(const char* id, const char* controller, char* list);
KW_EXPORT int32_t IsUserBatteryIdValidWithSize(const char* id, const char* controller, char* list,
                                               uint32_t size, uint32_t* count);
KW_EXPORT int32_t GetValidUserArrayDiskIds(const char* controller, char* list);
/* -2: with reconfigure set, the disk exists but is a hot spare (0x80/0x100). */
KW_EXPORT int32_t IsUserArrayDiskIdValid(const char* id, const char* controller, char* list,
                                         uint32_t reconfigure, uint32_t* count);
/* The same with an explicit list size, for callers that need the complete
 * list on very large systems; IsUserArrayDiskIdValid passes KWSUP_LIST_SIZE. */
KW_EXPORT int32_t IsUserArrayDiskIdValidWithSize(const char* id, const char* controller, char* list,
                                                 uint32_t size, uint32_t reconfigure, uint32_t* count);
KW_EXPORT int32_t IsUserArrayDiskIdValidDHS(const char* id, const char* controller, const char* vdisk,
                                            char* list, uint32_t* count);
KW_EXPORT int32_t IsUserFanIndexValid(const char* id, const char* enclosure, const char* controller, char* list);
KW_EXPORT int32_t IsUserPwrSupplyIndexValid(const char* id, const char* enclosure, const char* controller, char* list);
KW_EXPORT int32_t IsUserEmmIndexValid(const char* id, const char* enclosure, const char* controller, char* list);
KW_EXPORT int32_t IsUserTempProbesIndexValid(const char* id, const char* enclosure, const char* controller, char* list);

/* ---- Text, number and name rules --------------------------------------- */

KW_EXPORT int32_t strFreeLen(const char* text, uint32_t capacity);
KW_EXPORT int32_t strcmpCaseIgnore(const char* a, const char* b);
KW_EXPORT int32_t MyIsDigit(char c);
KW_EXPORT int32_t IsValidChar(char c);
KW_EXPORT int32_t IsValidCharNoSpace(char c);
KW_EXPORT int32_t IsStringAValidName(const char* text, uint32_t edgeRule);
KW_EXPORT int32_t IsStringAValidNameNoSpace(const char* text);
KW_EXPORT int32_t IsNameCorrectLength(const char* name, const char* controller, char* maxLength, uint32_t capacity);
KW_EXPORT int32_t IsStringAValidNumericValue(const char* text);
KW_EXPORT int32_t ConvertToStringRepresentingInteger(double value, char* destination);
/* 0 for a text of "0" and "1" only (the empty text included); otherwise the
 * position of the first other character, or -1 when that is the first. */
KW_EXPORT int32_t IsStringABinaryRepresentation(const char* text);
KW_EXPORT int32_t ConvertBinaryStringToInteger(const char* text, uint32_t* destination);
KW_EXPORT void    stripWhiteSpaceFromStr(char* text);
/* 0, 1667 (neither given) or 1668 (both given); a lone pdisk moves to *adisk. */
KW_EXPORT int32_t checkAdiskPdisk(char** adisk, char** pdisk);

/* ---- Controller capability lookups and availability check -------------- */
/* (controller section) */
/* Operation availability of a controller action: supported and allowed get
 * the action's bit of MasterMethodMask and CurrentMethodMask (0 for an
 * unknown action, an unknown controller or no reply). Always returns 0. */
KW_EXPORT int32_t IsUserOperationValidForController(const char* action, const char* controller,
                                                    uint32_t* supported, uint32_t* allowed);
/* First element named tag of the controller description, cut to size - 1
 * characters: 0 read (also 0, value untouched, when no reply came), -1 no
 * such element, 272. */
KW_EXPORT int32_t GetTagValueForController(const char* controller, const char* tag, char* value,
                                           uint32_t size);
/* RebuildRate into a 256-byte value (emptied first): 0 or 272. */
KW_EXPORT int32_t GetRebuildRateForController(const char* controller, char* value);
/* RebuildRate into value of size bytes (emptied first): 0 or 272. */
KW_EXPORT int32_t GetRebuildRateForControllerWithSize(const char* controller, char* value, uint32_t size);
/* Name into a 256-byte name: 0 (also when absent), -1 null argument or no
 * reply, 272. */
KW_EXPORT int32_t GetControllerNameFromUserInput(const char* controller, char* name);
/* The whole reply of getSupportedRaidLevelsForController into text (room
 * for it is the caller's): 0, or -1 when no reply text came. */
KW_EXPORT int32_t GetSupportedRaidValueForController(const char* controller, char* text);
/* Word of patrol read mode bit 1, 2 or 4 into an 8-byte word; empty for any
 * other value. Always 0. */
KW_EXPORT int32_t GetPatReadModeForIntValue(uint32_t value, char* word);
/* 0 when PatrolReadModeMask offers the mode (decimal text "1", "2", "4");
 * else -1 with the offered words appended to list (", " separated). */
KW_EXPORT int32_t IsUserPatrolReadModeValidForController(const char* modeValue, const char* controller,
                                                         char* list, uint32_t listSize);
/* Virtual disk creation. 1 when the controller already holds MaxVDAllowed
 * (copied into maximum) virtual disks or more, 0 when fewer, -1 no reply,
 * 272. */
KW_EXPORT int32_t isOverMaxVDAllowed(const char* controller, char* maximum, uint32_t maximumSize);
/* MinimumLength and Length (decimal bytes) that the controller reports for
 * the layout on those disks: 0 when the capability reply was read (the
 * outputs stay as they were when no layout matched), -1 a reply missing,
 * 272. */
KW_EXPORT int32_t GetPossibleMinMaxVDSizeForLayout(const char* controller, const char* diskList,
                                                   uint32_t spanLength, const char* layout,
                                                   char* minimum, uint32_t minimumSize,
                                                   char* maximum, uint32_t maximumSize);
/* 0 when a virtual disk of the controller is named exactly name; -1 when
 * none is or no reply came; 272. */
KW_EXPORT int32_t IsCtrlVDNameDuplicate(const char* name, const char* controller);

/* ---- Layout and policy checks and word converters ---------------------- */
/* (layout section) */
/* Each check: 0 when the controller's capability mask shares a bit with the
 * decimal value; -1 (all bits set) when not, with the words of the offered
 * values appended to list (", " separated, bounded by listSize); 272 when no
 * reply buffer can be had (list untouched). */
KW_EXPORT int32_t IsUserRaidInputValueValidForController(const char* controller, const char* value,
                                                         char* list, uint32_t listSize);
KW_EXPORT int32_t IsUserReadPolicyValidForController(const char* controller, const char* value,
                                                     char* list, uint32_t listSize);
KW_EXPORT int32_t IsUserWritePolicyValidForController(const char* controller, const char* value,
                                                      char* list, uint32_t listSize);
KW_EXPORT int32_t IsUserCachePolicyValidForController(const char* controller, const char* value,
                                                      char* list, uint32_t listSize);
KW_EXPORT int32_t IsUserDiskCachePolicyValidForController(const char* controller, const char* value,
                                                          char* list, uint32_t listSize);
KW_EXPORT int32_t IsUserStripeSizeValidForController(const char* controller, const char* value,
                                                     char* list, uint32_t listSize);
/* Word converters: the user word of one bit into a 16-byte word, the empty
 * text for a bit without a word. Always 0. */
KW_EXPORT int32_t GetUserInputStringForRaidLayoutValue(uint32_t bit, char* word);
KW_EXPORT int32_t GetUserInputStringForReadPolicyValue(uint32_t bit, char* word);
KW_EXPORT int32_t GetUserInputStringForWritePolicyValue(uint32_t bit, char* word);
KW_EXPORT int32_t GetUserInputStringForCachePolicyValue(uint32_t bit, char* word);
KW_EXPORT int32_t GetUserInputStringForDiskCachePolicyValue(uint32_t bit, char* word);
KW_EXPORT int32_t GetUserInputStringForStripeSizeValue(uint32_t bit, char* word);

/* ---- Virtual disk operation rules and hot spares ----------------------- */
/* (vdisk section) */

/* Flags written as the action's bit in the virtual disk's MasterMethodMask
 * (supported) and CurrentMethodMask (allowed now); an unknown action or
 * virtual disk writes 0 to both. 272 when the reply is missing or cannot be
 * parsed: flags untouched, so the caller clears them first. */
KW_EXPORT int32_t IsUserOperationValidForVirtualDisk(const char* action, const char* controller,
                                                     const char* vdisk, uint32_t* supported,
                                                     uint32_t* allowed);
/* 0 a further dedicated hot spare may be added, -1 refused (or no reply),
 * 272 no reply buffer. */
KW_EXPORT int32_t IsDedicateHotSpareAllowed(const char* controller, const char* vdisk);
/* 0 the disk is a dedicated hot spare of the virtual disk; -1 it is not (the
 * list, bounded to KWSUP_LIST_SIZE, holds those that are); 272 no buffer. */
KW_EXPORT int32_t IsUserDHSValid(const char* disk, const char* controller, const char* vdisk, char* list);
/* 0 the name is new; 1 it is the current name, the current name is empty or
 * cannot be read; 272 no reply buffer. */
KW_EXPORT int32_t IsVDNameDuplicate(const char* name, const char* controller, const char* vdisk);
/* kind 1 read, 2 write, 3 cache, 4 disk cache policy. 1 the word names the
 * policy in force (or no reply came), 0 it does not, 272 no reply buffer. */
KW_EXPORT int32_t IsPolicyInfoDuplicate(const char* controller, const char* word, const char* vdisk,
                                        uint32_t kind);
/* 0 the size may change (AttributesMask bit 0x8000), -1 it may not, 272 no
 * reply or no reply buffer. */
KW_EXPORT int32_t IsUserSizeParameterValidForReconfigure(const char* controller, const char* vdisk);

/* ---- Physical disk, battery, enclosure, connector and storage checks ---- */
/* (devices section) */

/* The per-object members of the operation availability check write the
 * action's bit of the object's MasterMethodMask (supported) and
 * CurrentMethodMask (allowed now); an unknown action or object writes 0 to
 * both. Callers clear both flags first: where 272 is returned they are left
 * untouched. */

/* 0; 272 without a reply buffer. No reply gives flags 0. The user's disk
 * identifier decides the form each disk is compared in: two ":"-parts among
 * its first seven characters mean connector:target, any other count
 * connector:enclosure:target. */
KW_EXPORT int32_t IsUserOperationValidForArrayDisk(const char* action, const char* controller, const char* disk,
                                                   uint32_t* supported, uint32_t* allowed);
/* 0; 272 without a reply buffer or without a reply. */
KW_EXPORT int32_t IsUserOperationValidForBattery(const char* action, const char* controller, const char* battery,
                                                 uint32_t* supported, uint32_t* allowed);
/* days x 24 + hours (absent counts 0) against the battery's MaxLearnDelay,
 * which is left in maxDelay (size bytes). 0 within the limit; -1 zero, over
 * the limit, no MaxLearnDelay or no reply; 272 no reply buffer. */
KW_EXPORT int32_t IsDelayLearnWithinMaxLearnDelay(const char* controller, const char* battery, const char* days,
                                                  const char* hours, char* maxDelay, uint32_t size);
/* 0; 272 without a reply buffer or without a reply. "enablests" and
 * "disablests" are answered by the storage object. */
KW_EXPORT int32_t IsUserOperationValidForEnclosure(const char* action, const char* controller,
                                                   const char* enclosure, uint32_t* supported,
                                                   uint32_t* allowed);
/* minOut and maxOut hold 256 bytes. 0: both thresholds lie within the
 * probe's ranges, and the outputs hold its current MinWarning and
 * MaxWarning; -1: a threshold is outside (the outputs hold the ranges as
 * "(low, high)"), the probe is not found or there is no reply (outputs
 * empty); 272 no reply buffer. */
KW_EXPORT int32_t IsUserTempProbesInputValid(const char* index, const char* minWarn, const char* maxWarn,
                                             const char* enclosure, const char* controller, char* minOut,
                                             char* maxOut);
/* elementName "MaxAssetTagLength" (default 10) or "MaxAssetNameLength"
 * (default 32). 0 when length is within the maximum, else the maximum;
 * 272 when the enclosure's record cannot be read. */
KW_EXPORT int32_t IsAssetLengthValid(const char* controller, const char* enclosure, const char* elementName,
                                     uint32_t length);
/* elementName "AssetTag" or "AssetName". 1 when value equals the current
 * one exactly, 0 otherwise; 272 when the record cannot be read. */
KW_EXPORT int32_t IsAssetInfoDuplicate(const char* controller, const char* enclosure, const char* elementName,
                                       const char* value);
/* Only "rescan" has a bit. 0; 272 without a reply buffer or a reply. */
KW_EXPORT int32_t IsUserOperationValidForChannel(const char* action, const char* controller, const char* connector,
                                                 uint32_t* supported, uint32_t* allowed);
/* "globalrescan", "enablests", "disablests" by the storage object's masks;
 * "debug" is always supported and allowed. Always 0. */
KW_EXPORT int32_t IsUserOperationValidForStorageObject(const char* action, uint32_t* supported, uint32_t* allowed);

#ifdef __cplusplus
}
#endif
#endif
