/* XML support (libxdoc32): a small DOM over libxml2 and a one-call element
 * lookup over XML text. */
#ifndef XDOC32_H
#define XDOC32_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define SXDOM_API __attribute__((visibility("default")))

typedef struct SXDOMNode SXDOMNode;   /* opaque; belongs to its DOM */

/* A node list: the first word is the number of nodes, the third and later
 * words are the nodes, in document order. */
typedef struct SXDOMList {
    uint32_t   count;
    uint32_t   reserved;
    SXDOMNode* items[];
} SXDOMList;

/* Parses length bytes of text (a trailing NUL inside the length is allowed).
 * Returns the root element's node, or null when the text is not well-formed
 * XML or no memory can be had. The flag is accepted as callers pass it (1). */
SXDOM_API SXDOMNode* SXDOMCreate(const char* text, uint32_t length, uint32_t flags);
/* Releases the whole DOM; root must be what SXDOMCreate returned. Null does nothing. */
SXDOM_API void SXDOMDestroy(SXDOMNode* root);

/* Every element named name below node (node itself excluded), in document
 * order, descending into matches too. Returns a list (possibly of 0 items),
 * or null when node or name is null or no memory can be had. The three flags
 * are accepted as callers pass them (0, 0, 1). */
SXDOM_API SXDOMList* SXDOMSelect(SXDOMNode* node, const char* name, uint32_t a, uint32_t b,
                                 uint32_t deep);
/* The element children of node, in document order; null for a null node. */
SXDOM_API SXDOMList* SXDOMGetChildList(SXDOMNode* node);
/* The element's name; its text content (all text below it, concatenated; ""
 * for an empty element). Both live as long as the DOM. Null for a null node. */
SXDOM_API const char* SXDOMGetName(SXDOMNode* node);
SXDOM_API const char* SXDOMGetValue(SXDOMNode* node);
SXDOM_API void SXDOMFreeGenericList(SXDOMList* list);

/* Looks up the index-th element (from 0, in document order over the whole
 * text) named name in length bytes of text and copies its text content into
 * out, bounded by *capacity bytes (terminator included; a longer value is cut
 * and terminated). Returns 0 when found; 1 when there is no such element; -1
 * when the text is not well-formed or an argument is null. out is not touched
 * unless the element is found. The words a0, a2, a4, altCapacity and altOut
 * are accepted as callers pass them and change nothing. Repeated lookups in
 * the same text reuse one parse. */
SXDOM_API int32_t XMLSupGetXMLMemData(uint32_t a0, const char* name, uint32_t a2, uint32_t index,
                                      uint32_t a4, uint32_t* capacity, char* out,
                                      uint32_t altCapacity, char* altOut,
                                      const char* text, uint32_t length);

#ifdef __cplusplus
}
#endif
#endif
