/* CLI plug-in support framework (libcmdfw32): command dispatch, variant
 * tables, parameter rules, request sending, response records, usage. */
#ifndef CMDFW32_H
#define CMDFW32_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define CLPS_API __attribute__((visibility("default")))

/* ---- Response record -------------------------------------------------- */

/* The record every command returns. Words 1 to 9 keep the order the plug-in
 * relies on (word 4 the reply length, word 5 the reply text); the fields
 * after them are the framework's, read by the host. */
typedef struct CLPSResponse {
    uint32_t signature;    /* word 1: CLPS_RESP_SIGNATURE while the record lives */
    uint32_t word2;        /* word 2 */
    uint32_t kind;         /* word 3: CLPS_RESP_* */
    uint32_t length;       /* word 4: bytes of text (a path counts its terminator) */
    char*    text;         /* word 5: reply XML, usage text, or the alert-log path */
    uint32_t word6;        /* word 6: CLPS_TEXT_PATH on an alert-log record */
    uint32_t word7;        /* word 7 */
    uint32_t word8;        /* word 8 */
    uint32_t word9;        /* word 9: CLPS_RENDER_ALERTLOG on an alert-log record */
    /* The framework's own fields. */
    int32_t     status;       /* 1000 done; a plug-in, framework or agent code otherwise */
    uint32_t    messageId;    /* catalogue id of the message to show, 0 for none */
    const char* styleSheet;   /* style sheet for the text (static), or null */
    char*       arg1;         /* first message argument (owned), or null */
    char*       arg2;         /* second message argument (owned), or null */
    uint32_t    requestCount; /* the request that was sent (or would be, on a dry run) */
    char**      request;      /* owned copies, the agent command first */
    const char* agentPrefix;  /* the agent the request went to (static), or null */
} CLPSResponse;

#define CLPS_RESP_SIGNATURE 0x434C5053u /* "CLPS" */

/* Word 3, the kind of answer. */
enum {
    CLPS_RESP_EMPTY   = 0,  /* a record from CLPSAllocResponse not yet filled */
    CLPS_RESP_REPLY   = 20, /* text is the agent's reply to the request sent */
    CLPS_RESP_MESSAGE = 21, /* a catalogue message: messageId, status, arg1, arg2 */
    CLPS_RESP_PATH    = 22, /* text is a path in a 256-byte block (alert log) */
    CLPS_RESP_USAGE   = 23, /* text is usage generated from the tables; messageId names its heading */
    CLPS_RESP_DRYRUN  = 24  /* every check passed; request holds what would be sent */
};
#define CLPS_TEXT_PATH       32u /* word 6: text is a file path */
#define CLPS_RENDER_ALERTLOG 41u /* word 9: render the file's events with sysrep.xsl */

/* Status codes the framework itself answers with (the plug-in's own are
 * 1000 and 1600 to 1675). arg1 names the offending word, arg2 what would
 * have been accepted. */
enum {
    CLPS_STATUS_OK              = 1000,
    CLPS_ERR_UNKNOWN_COMMAND    = 2001, /* no command path starts with these words */
    CLPS_ERR_UNKNOWN_OBJECT     = 2002, /* object word unknown after the command words */
    CLPS_ERR_NO_ACTION          = 2003, /* configuration command without action= */
    CLPS_ERR_UNKNOWN_ACTION     = 2004, /* no variant carries that action */
    CLPS_ERR_NO_VARIANT         = 2005, /* no report variant fits the parameters given */
    CLPS_ERR_UNKNOWN_PARAM      = 2006, /* parameter not named by the chosen variant */
    CLPS_ERR_REPEATED_PARAM     = 2007, /* parameter given twice */
    CLPS_ERR_MISSING_PARAM      = 2008, /* required parameter not given */
    CLPS_ERR_BAD_VALUE          = 2009, /* value breaks its row's value rule */
    CLPS_ERR_VALUE_TOO_LONG     = 2010, /* value longer than its request block allows */
    CLPS_ERR_NOT_A_PARAMETER    = 2011, /* a word that is not name=value */
    CLPS_ERR_FIXED_PARAM        = 2012, /* a fixed parameter cannot be typed */
    CLPS_ERR_NOT_AVAILABLE      = 2020, /* command path not built yet */
    CLPS_ERR_AGENT_REFUSED      = 2100, /* the agent refused the request; arg1 its reason */
    CLPS_ERR_NO_AGENT           = 2101, /* agent missing, or no reply; arg1 the prefix */
    CLPS_ERR_NO_MEMORY          = 2102  /* the framework could not get memory */
};

/* ---- Command dispatch table ------------------------------------------- */

typedef CLPSResponse* (*CLPSCmdHandler)(int32_t argc, char** argv);

typedef struct CCDTEntry {
    const char*    commandWords; /* "rkreport storage" */
    const char*    objectWord;   /* "vdisk" */
    CLPSCmdHandler handler;
    uint32_t       rights;       /* 1 report, 7 configuration */
    uint32_t       reserved;
} CCDTEntry;

/* ---- Variant tables --------------------------------------------------- */

typedef struct NVLstRow {
    const char* userParam;   /* word before "=", or null */
    const char* requestText; /* "Name=" or a complete pair, or null */
    uint32_t    valueFlags;  /* NVF_* */
    uint32_t    kind;        /* NVP_* */
    const char* extraText;   /* choice word, fixed value, bound or example, or null */
    uint32_t    maxLength;   /* shown in usage, not enforced */
} NVLstRow;

/* The validation callback: framework word, framework word, argument count,
 * argument vector, request-argument count (in/out), request-argument vector,
 * framework word, framework word, first and second message argument (each
 * at least CLPS_MSG_ARG_SIZE bytes). Returns 1000 to send, else a status. */
typedef int32_t (*NVValidateFunc)(void* fw1, void* fw2, uint32_t argc, char** argv,
                                  uint32_t* reqCount, char** reqArgs, void* fw7, void* fw8,
                                  char* msgArg1, char* msgArg2);

typedef struct NVCmdRow {
    uint32_t        kind;          /* NV_KIND_* */
    const char*     selectorParam; /* "action", "dump", "info", or null */
    const char*     agentCommand;  /* "vexcmd=..." */
    const char*     selectorValue; /* action or selector word, or null */
    uint32_t        reserved;
    const char*     agentPrefix;   /* "kwda" */
    const NVLstRow* params;
    uint32_t        paramCount;
    const char*     styleSheet;    /* report sheet, or null */
    uint32_t        flags;         /* NV_FLAG_* */
} NVCmdRow;

/* Variant kinds. */
enum { NV_KIND_CONFIG = 1, NV_KIND_REPORT = 6, NV_KIND_REPORT_SELECT = 8 };
/* Variant flags. */
#define NV_FLAG_SYSTEM  0x40000000u /* system-level report */
#define NV_FLAG_SERVICE 0x80000000u /* service variant: accepted, left out of usage */

/* Parameter kinds. */
enum {
    NVP_OPTIONAL        = 0,  /* value, may be left out */
    NVP_VALUE           = 1,  /* value, required */
    NVP_FIXED           = 2,  /* request text + extra text; cannot be typed */
    NVP_BOUNDED         = 5,  /* integer 0..extra text, may be left out */
    NVP_FIXED_HIDDEN    = 6,  /* request text + extra text, no user word */
    NVP_CHOICE          = 10, /* choice, may be left out */
    NVP_CHOICE_POLICY   = 11, /* choice, may be left out */
    NVP_CHOICE_REQUIRED = 16, /* choice, required */
    NVP_GIVEN           = 18, /* report condition: parameter given */
    NVP_ABSENT          = 19  /* report condition: parameter not given */
};
/* Value flags. */
#define NVF_TEXT      0x1u        /* any text */
#define NVF_NUMBER    0x7u        /* decimal integer */
#define NVF_CONNECTOR 0x9u        /* decimal integer */
#define NVF_PERCENT   0x13u       /* integer 0..100 */
#define NVF_ENCLOSURE 0x1001Eu    /* digits or digits:digits */
#define NVF_DISK      0x30000u    /* digits:digits or digits:digits:digits */
#define NVF_DISKLIST  0x40030000u /* comma-separated disk identifiers */

#define CLPS_BLOCK_SIZE    256u   /* one request argument */
#define CLPS_MSG_ARG_SIZE  4096u  /* each message argument buffer */

/* ---- Operations ------------------------------------------------------- */

CLPS_API int32_t  CLPSSortCCDT(CCDTEntry* table, uint32_t count, uint16_t* sorted);
CLPS_API CLPSResponse* CLPSSendRequest(int32_t argc, char** argv, CCDTEntry* table,
                                       uint32_t count, uint16_t* sorted);
/* The rights of the row the line reaches; 0 when it reaches none. */
CLPS_API uint32_t CLPSGetRequiredUserRights(int32_t argc, char** argv, CCDTEntry* table,
                                            uint32_t count, uint16_t* sorted);

typedef void (*CLPSDestroyFunc)(void);
CLPS_API void    CLPSDefaultDestroyCLIPFunc(void);
CLPS_API int32_t CLPSDestroyCLIP(CLPSDestroyFunc destroy);

/* Low 16 bits 1 when a word after the command words is "-?", "-h" or "help". */
CLPS_API uint32_t CLPSIsUsageHelp(int32_t argc, char** argv);
CLPS_API CLPSResponse* CLPSNVSetupMsgRespObj(uint32_t messageId, uint32_t w2, uint32_t w3,
                                             uint32_t w4, uint32_t w5, uint32_t w6,
                                             const char* styleSheet);
CLPS_API CLPSResponse* CLPSSetRespObjUsageXML(int32_t argc, char** argv, uint32_t w3,
                                              uint32_t w4, const char* styleSheet);
/* 0 when the line carries no parameter (a command that takes none), else a
 * CLPS_ERR_UNKNOWN_PARAM record naming the first one. */
CLPS_API CLPSResponse* CLPSNVCheckExtraParams(int32_t argc, char** argv, const char* styleSheet);
CLPS_API CLPSResponse* CLPSNVCmdConfigFunc(int32_t argc, char** argv, uint32_t firstMessageId,
                                           uint32_t secondMessageId, const NVCmdRow* table,
                                           uint32_t rowCount, const char* styleSheet,
                                           NVValidateFunc callback);
/* Sends the request to the agent and returns a record whose text is the
 * reply (null text when none), or null when no record can be had. */
CLPS_API CLPSResponse* CLPSNVReportCapabilitesXML(const char* prefix, uint32_t count,
                                                  char** vector, const char* responseName,
                                                  const char* styleSheet);
CLPS_API CLPSResponse* CLPSAllocResponse(void);
/* Releases the record and everything it owns; null does nothing. Returns 0. */
CLPS_API int32_t CLPSFreeResponse(CLPSResponse* response);

/* ---- Host controls (not used by the plug-in) --------------------------- */

/* On a dry run every check runs and the request is recorded in a
 * CLPS_RESP_DRYRUN record instead of being sent. */
CLPS_API void CLPSSetDryRun(int enabled);
/* 1 when a response record could not be allocated since the last
 * CLPSSendRequest began (the answer is then null or a shorter one), else 0.
 * Tells a command that has nothing to say apart from one that could not say it. */
CLPS_API int32_t CLPSResponseAllocFailed(void);

#ifdef __cplusplus
}
#endif
#endif
