// Valid-identifier and valid-value lists: texts appended in reply order to a
// caller's buffer, a separator only between two texts that this call listed
// (never first), every piece bounded by the room left (strFreeLen), so the
// list never exceeds size - 1 characters plus terminator and a cut list ends
// wherever the bound falls. Internal to the plug-in.
#ifndef KWSUP_IDLIST_H
#define KWSUP_IDLIST_H

#include <stdint.h>
#include <string.h>

#include "kwsup/kwsup.h"

namespace kwsup {

struct IdList {
    char*       text;       // caller's buffer; null lists nothing
    uint32_t    size;       // its capacity in bytes, terminator included
    const char* separator;  // ", " as a rule
    uint32_t    listed;     // texts this call appended
};

inline IdList makeIdList(char* text, uint32_t size, const char* separator = ", ") {
    return IdList{text, size, separator, 0};
}

// Appends piece to text, cut to the room left in size bytes.
inline void appendBounded(char* text, uint32_t size, const char* piece) {
    if (text == nullptr || piece == nullptr) return;
    int32_t room = strFreeLen(text, size);
    if (room > 0) strncat(text, piece, static_cast<size_t>(room));
}

// Appends one identifier, preceded by the separator unless it is the first
// this call listed.
inline void listIdentifier(IdList& list, const char* id) {
    if (list.listed > 0) appendBounded(list.text, list.size, list.separator);
    appendBounded(list.text, list.size, id);
    ++list.listed;
}

}  // namespace kwsup

#endif
