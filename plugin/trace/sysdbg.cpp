// Debug trace log. One file serves twice: its first lines configure the
// facility (loglevel, logtarget, logpathfile) and trace lines are appended
// behind them. The file is opened and closed for every write, so nothing
// stays open between commands; all state is set at initialisation and only
// read afterwards.
#include "trace/sysdbg.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

extern "C" {
KW_EXPORT int32_t __sysDebugLevel = 0;
KW_EXPORT int32_t __sysDbgTarget = -1;
KW_EXPORT char __sysDbgFileName[16] = "dcrknt32.log";
KW_EXPORT char __sysDbgPathFileName[256] = "/var/log/dcrknt32.log";
}

namespace {

constexpr const char* kDefaultLogDir = "/var/log/";
// Users without rights on /var/log, and the test suite, point the log at a
// folder of their own: when KWCLP_TRACE_DIR is set and not empty,
// __SysDbgInit puts the file there instead of in /var/log/. Unset or empty,
// the log is /var/log/kwclp.log exactly, as administrators expect it.
constexpr const char* kLogDirVariable = "KWCLP_TRACE_DIR";

constexpr int kConfigLinesRead = 6;
constexpr int kConfigLineSize = 256;   // at most 255 characters a line
constexpr int kDumpBytesPerLine = 16;
constexpr int kDumpLineLength = 78;
constexpr int kDumpTextColumn = 54;

constexpr int32_t kTargetFile = 0x1;
constexpr int32_t kTargetStdout = 0x2;
constexpr int32_t kTargetStderr = 0x4;

bool writesToFile(int32_t target) { return target == 0 || (target & kTargetFile) != 0; }

// The folder the file goes to, always ending in '/'.
void logDirectory(char* dir, size_t size) {
    const char* custom = getenv(kLogDirVariable);
    if (custom == nullptr || custom[0] == '\0') {
        snprintf(dir, size, "%s", kDefaultLogDir);
        return;
    }
    size_t length = strlen(custom);
    snprintf(dir, size, "%s%s", custom, custom[length - 1] == '/' ? "" : "/");
}

// Appends text, cut to what fits in size bytes.
void appendCut(char* buffer, size_t size, const char* text) {
    size_t length = strlen(buffer);
    if (length + 1 < size) strncat(buffer, text, size - length - 1);
}

void removeTrailingNewline(char* line) {
    size_t length = strlen(line);
    if (length > 0 && line[length - 1] == '\n') line[length - 1] = '\0';
}

bool fileIsReadable(const char* path) {
    FILE* file = fopen(path, "r");
    if (file == nullptr) return false;
    fclose(file);
    return true;
}

// Applies one configuration line; returns true when it replaced the path.
bool applyConfigLine(char* line) {
    if (char* level = __SysDbgGetNVPair(line, "loglevel")) {
        int32_t value = static_cast<int32_t>(strtol(level, nullptr, 10));
        if (value >= 0) __sysDebugLevel = value;
        return false;
    }
    if (char* target = __SysDbgGetNVPair(line, "logtarget")) {
        __sysDbgTarget = static_cast<int32_t>(strtol(target, nullptr, 10));
        return false;
    }
    if (char* path = __SysDbgGetNVPair(line, "logpathfile")) {
        if (path[0] == '\0') return false;
        snprintf(__sysDbgPathFileName, sizeof __sysDbgPathFileName, "%s", path);
        return true;
    }
    return false;
}

int32_t writeToFile(const char* format, va_list args) {
    FILE* file = fopen(__sysDbgPathFileName, "a");
    if (file == nullptr) return 0;   // this write is lost; the others still happen
    int written = vfprintf(file, format, args);
    fclose(file);
    return written < 0 ? 0 : written;
}

int32_t writeToStream(FILE* stream, const char* format, va_list args) {
    int written = vfprintf(stream, format, args);
    fflush(stream);
    return written < 0 ? 0 : written;
}

// One hex dump line of up to 16 bytes: hex pairs at column 3j, a ':' before
// bytes 4, 8 and 12, the printable bytes from column 54.
void formatDumpLine(const unsigned char* bytes, uint32_t count, char* line) {
    static const char kHex[] = "0123456789ABCDEF";
    memset(line, ' ', kDumpLineLength);
    line[kDumpLineLength] = '\0';
    for (uint32_t j = 0; j < count; ++j) {
        unsigned char byte = bytes[j];
        line[3 * j] = kHex[byte >> 4];
        line[3 * j + 1] = kHex[byte & 0x0F];
        if (j == 4 || j == 8 || j == 12) line[3 * j - 1] = ':';
        line[kDumpTextColumn + j] = (byte >= 0x20 && byte <= 0x7A) ? static_cast<char>(byte) : '.';
    }
}

}  // namespace

extern "C" {

KW_EXPORT int32_t __SysDbgInit(int32_t destinations, const char* fileName) {
    if (fileName != nullptr) snprintf(__sysDbgFileName, sizeof __sysDbgFileName, "%s", fileName);
    logDirectory(__sysDbgPathFileName, sizeof __sysDbgPathFileName);
    appendCut(__sysDbgPathFileName, sizeof __sysDbgPathFileName, __sysDbgFileName);
    __sysDbgTarget = destinations;
    __SysDbgGetLevelAndDestinationFromLog();
    return 0;
}

KW_EXPORT int32_t __SysDbgGetLevel(void) { return __sysDebugLevel; }

KW_EXPORT int32_t __SysDbgIsLevelEnabled(int32_t level) { return __sysDebugLevel >= level ? 1 : 0; }

KW_EXPORT char* __SysDbgGetNVPair(char* line, const char* key) {
    if (line == nullptr || key == nullptr) return nullptr;
    char* equals = strchr(line, '=');
    if (equals == nullptr) return nullptr;
    size_t keyLength = strlen(key);
    if (static_cast<size_t>(equals - line) != keyLength) return nullptr;
    if (strncasecmp(line, key, keyLength) != 0) return nullptr;
    return equals + 1;
}

// Reads the first six lines of the file. A missing file, or a logpathfile
// that names a missing file, is created holding the settings in force.
KW_EXPORT int32_t __SysDbgGetLevelAndDestinationFromLog(void) {
    FILE* file = fopen(__sysDbgPathFileName, "r");
    if (file == nullptr) {
        __SysDbgClearLog();
        return 0;
    }
    bool pathChanged = false;
    char line[kConfigLineSize];
    for (int pass = 0; pass < kConfigLinesRead; ++pass) {
        if (fgets(line, sizeof line, file) == nullptr) continue;
        removeTrailingNewline(line);
        if (applyConfigLine(line)) pathChanged = true;
    }
    fclose(file);
    if (pathChanged && !fileIsReadable(__sysDbgPathFileName)) __SysDbgClearLog();
    return 0;
}

KW_EXPORT int32_t __SysDbgvPrint(const char* format, va_list args) {
    int32_t target = __sysDbgTarget;
    if (target < 0 || format == nullptr) return 0;
    int32_t written = 0;
    va_list copy;
    if (writesToFile(target)) {
        va_copy(copy, args);
        written = writeToFile(format, copy);
        va_end(copy);
    }
    if (target & kTargetStderr) {
        va_copy(copy, args);
        written = writeToStream(stderr, format, copy);
        va_end(copy);
    }
    if (target & kTargetStdout) {
        va_copy(copy, args);
        written = writeToStream(stdout, format, copy);
        va_end(copy);
    }
    return written;
}

KW_EXPORT int32_t __SysDbgPrint(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int32_t written = __SysDbgvPrint(format, args);
    va_end(args);
    return written;
}

KW_EXPORT int32_t __SysDbgClearLog(void) {
    FILE* file = fopen(__sysDbgPathFileName, "w");
    if (file == nullptr) return -1;
    int written = fprintf(file, "loglevel=%d\nlogtarget=%d\nlogpathfile=%s\n", __sysDebugLevel,
                          __sysDbgTarget, __sysDbgPathFileName);
    fclose(file);
    return written;
}

KW_EXPORT int32_t __SysDbgDumpBuffer(const void* data, uint32_t length) {
    if (data == nullptr) return 0;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    char line[kDumpLineLength + 1];
    for (uint32_t offset = 0; offset < length; offset += kDumpBytesPerLine) {
        uint32_t count = length - offset < kDumpBytesPerLine ? length - offset : kDumpBytesPerLine;
        formatDumpLine(bytes + offset, count, line);
        __SysDbgPrint("%s\n", line);
    }
    return static_cast<int32_t>(length);
}

KW_EXPORT void LogCLIArgs(char** argv, int32_t argc) {
    if (!__SysDbgIsLevelEnabled(3)) return;
    __SysDbgPrint("KWCLP:CLI_ARGS: ");
    for (int32_t i = 0; argv != nullptr && i < argc; ++i)
        __SysDbgPrint("%s ", argv[i] != nullptr ? argv[i] : "");
    __SysDbgPrint("\n");
}

KW_EXPORT void LogFunctionEntry(const char* name) {
    if (__SysDbgIsLevelEnabled(3)) __SysDbgPrint("KWCLP:ENTRY----------->%s\n", name ? name : "");
}

KW_EXPORT void LogFunctionExit(const char* name) {
    if (__SysDbgIsLevelEnabled(3)) __SysDbgPrint("KWCLP:EXIT------------>%s\n", name ? name : "");
}

}  // extern "C"
