/* Debug trace log: one file whose first lines configure the facility
 * (loglevel, logtarget, logpathfile) and behind which trace lines are
 * appended. Off unless that file raises the level. */
#ifndef KWCLP_SYSDBG_H
#define KWCLP_SYSDBG_H

#include <stdarg.h>
#include <stdint.h>

#include "plugin/export.h"

#ifdef __cplusplus
extern "C" {
#endif

KW_EXPORT extern int32_t __sysDebugLevel;
KW_EXPORT extern int32_t __sysDbgTarget;
KW_EXPORT extern char    __sysDbgFileName[16];
KW_EXPORT extern char    __sysDbgPathFileName[256];

KW_EXPORT int32_t __SysDbgInit(int32_t destinations, const char* fileName);
KW_EXPORT int32_t __SysDbgGetLevel(void);
KW_EXPORT int32_t __SysDbgIsLevelEnabled(int32_t level);
KW_EXPORT char*   __SysDbgGetNVPair(char* line, const char* key);
KW_EXPORT int32_t __SysDbgGetLevelAndDestinationFromLog(void);
KW_EXPORT int32_t __SysDbgPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));
KW_EXPORT int32_t __SysDbgvPrint(const char* format, va_list args);
KW_EXPORT int32_t __SysDbgClearLog(void);
KW_EXPORT int32_t __SysDbgDumpBuffer(const void* data, uint32_t length);

KW_EXPORT void LogCLIArgs(char** argv, int32_t argc);
KW_EXPORT void LogFunctionEntry(const char* name);
KW_EXPORT void LogFunctionExit(const char* name);

#ifdef __cplusplus
}
#endif
#endif
