/* Common services (libvexcs32): memory blocks, XML text buffers, name=value
 * lookup in argument vectors, the export context, and the test counters every
 * platform library shares. */
#ifndef VEXCS32_H
#define VEXCS32_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ZCS_API __attribute__((visibility("default")))

/* An XML text buffer. Callers read the first word (the text) and the third
 * word (its length without terminator); the rest is the library's. */
typedef struct ZCSXBuf {
    char*    text;      /* NUL-terminated text, never null while the buffer lives */
    uint32_t capacity;  /* bytes allocated for text */
    uint32_t length;    /* strlen(text) */
} ZCSXBuf;

/* Memory blocks. ZCSFreeMem(0) does nothing. */
ZCS_API void* ZCSAllocMem(uint32_t size);
ZCS_API void  ZCSFreeMem(void* block);

/* XML buffers. The two flags are accepted as callers pass them (0, 0 or 0, 1)
 * and change nothing: every buffer starts empty. */
ZCS_API ZCSXBuf* ZCSXAllocBuf(uint32_t flags, uint32_t contentOnly);

/* How many memory blocks and XML buffers could not be had so far in this
 * process. A caller compares the count before and after a piece of work to
 * tell "nothing to say" from "could not say it". */
ZCS_API uint32_t ZCSAllocFailures(void);

/* Appends <name>text</name>. attributes, when not null, is placed verbatim in
 * the start tag. With isMarkup = 1 the text is an XML document or fragment and
 * is embedded as markup (an XML declaration at its head is dropped); with
 * isMarkup = 0 it is character data and is escaped (&, <, >, ", '). A null
 * text gives an empty element. Returns 0, or -1 when buf or name is null or no
 * memory can be had (the buffer is then unchanged). */
ZCS_API int32_t ZCSXBufCatNode(ZCSXBuf* buf, const char* name, const char* attributes,
                               uint32_t isMarkup, const char* text);

/* Releases buffer and text. Null does nothing. */
ZCS_API void ZCSXFreeBuf(ZCSXBuf* buf);
/* Releases the buffer and hands its text to the caller, who releases it with
 * ZCSXFreeBufContent. */
ZCS_API char* ZCSXFreeBufGetContent(ZCSXBuf* buf);
ZCS_API void  ZCSXFreeBufContent(char* content);

/* Whether text is the text of a live XML buffer and holds length bytes (its
 * terminator not counted): 1 with *version set, else 0. The version changes
 * with every change of the buffer's text and is never given to another text,
 * so a reader that has seen (text, length, version) before knows the bytes
 * without reading them. Buffers change only through this library; callers
 * never write into a buffer's text. */
ZCS_API int32_t ZCSXBufTextVersion(const char* text, uint32_t length, uint64_t* version);

/* Looks for the first entry "name=value" of the vector and returns a pointer
 * to its value (inside the entry). name may end in "=" or not: "Length" and
 * "Length=" both find "Length=5". ignoreCase = 1 compares names ignoring
 * case. Returns null when no entry has that name; null entries are skipped. */
ZCS_API char* ZCSGetAStrParamValueByAStrName(uint32_t count, char* const* vector,
                                             const char* name, uint32_t ignoreCase);
/* The index of that entry, or -1. */
ZCS_API int32_t ZCSGetParamIndexByAStrName(uint32_t count, char* const* vector,
                                           const char* name, uint32_t ignoreCase);

/* Export context: one word naming whose context is installed. */
ZCS_API void ZCSGetExportContext(uint32_t* context);
ZCS_API void ZCSSetExportContext(uint32_t* save, const uint32_t* context);
ZCS_API void ZCSResetExportContext(const uint32_t* save);

/* ---- Test counters shared by the four platform libraries ----------------
 * KWTEST_FAIL=<kind>:<n>[:persistent] makes the n-th counted call of a kind
 * fail (once, or from then on). KWTEST_COUNTS=1 prints the call counts at
 * KWTestFinish; KWTEST_LEAKS=1 makes KWTestFinish report live objects. */
typedef enum KWTestKind {
    KWTEST_MEM = 0,   /* ZCSAllocMem */
    KWTEST_XBUF,      /* ZCSXAllocBuf */
    KWTEST_RESP,      /* response records */
    KWTEST_REPLY,     /* requests to a data agent */
    KWTEST_DOM,       /* SXDOMCreate */
    KWTEST_KIND_COUNT
} KWTestKind;

typedef enum KWTestLive {
    KWLIVE_BLOCK = 0, /* 256-byte blocks */
    KWLIVE_XBUF,      /* XML buffers */
    KWLIVE_XTEXT,     /* texts taken out of XML buffers */
    KWLIVE_RESP,      /* response records */
    KWLIVE_DOM,       /* DOM roots */
    KWLIVE_DOMLIST,   /* DOM lists */
    KWLIVE_REPLY,     /* agent replies */
    KWLIVE_KIND_COUNT
} KWTestLive;

/* Counts one call of the kind; 1 when that call must fail. */
ZCS_API int  KWTestShouldFail(KWTestKind kind);
ZCS_API void KWTestAcquired(KWTestLive kind);
ZCS_API void KWTestReleased(KWTestLive kind);
ZCS_API long KWTestLiveCount(KWTestLive kind);
ZCS_API long KWTestCallCount(KWTestKind kind);
/* Rereads KWTEST_FAIL and zeroes every counter (for unit tests). */
ZCS_API void KWTestReset(void);
/* Prints the counts (KWTEST_COUNTS) and the live objects (KWTEST_LEAKS) on
 * standard error; returns 70 when KWTEST_LEAKS is set and something is still
 * live, else 0. */
ZCS_API int  KWTestFinish(void);

#ifdef __cplusplus
}
#endif
#endif
