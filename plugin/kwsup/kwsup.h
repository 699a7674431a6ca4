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
KW_EXPORT int32_t IsStringABinaryRepresentation(const char* text);
KW_EXPORT int32_t ConvertBinaryStringToInteger(const char* text, uint32_t* destination);
KW_EXPORT void    stripWhiteSpaceFromStr(char* text);
/* 0, 1667 (neither given) or 1668 (both given); a lone pdisk moves to *adisk. */
KW_EXPORT int32_t checkAdiskPdisk(char** adisk, char** pdisk);

/* ---- Controller capability lookups and availability check -------------- */
/* (controller section) */

/* ---- Layout and policy checks and word converters ---------------------- */
/* (layout section) */

/* ---- Virtual disk operation rules and hot spares ----------------------- */
/* (vdisk section) */

/* ---- Physical disk, battery, enclosure, connector and storage checks ---- */
/* (devices section) */

#ifdef __cplusplus
}
#endif
#endif
