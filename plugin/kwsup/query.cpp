// The five lookups every check uses to read values out of an agent reply:
// by element name and occurrence over the whole reply buffer, or by element
// name inside the index-th DCStorageObject.
#include <string.h>

#include "kwsup/agent.h"
#include "kwsup/guards.h"
#include "kwsup/kwsup.h"
#include "trace/sysdbg.h"

namespace {

using kwsup::DomGuard;
using kwsup::ListGuard;

// QueryNodeNameValue's callers all hand it 256-byte buffers.
constexpr uint32_t kNodeValueSize = 256;
constexpr const char* kStorageObject = "DCStorageObject";

// The value of the first child named name (exact, case-sensitive) of the
// index-th DCStorageObject below root, or null when there is no such object
// or child. Both lists are released before returning; the text lives as long
// as the DOM.
const char* nthObjectChildValue(SXDOMNode* root, const char* name, uint32_t index) {
    if (root == nullptr || name == nullptr) return nullptr;
    ListGuard objects(SXDOMSelect(root, kStorageObject, 0, 0, 1));
    if (!objects || index >= objects->count) return nullptr;
    ListGuard children(SXDOMGetChildList(objects->items[index]));
    if (!children) return nullptr;
    for (uint32_t i = 0; i < children->count; ++i) {
        const char* childName = SXDOMGetName(children->items[i]);
        const char* childValue = SXDOMGetValue(children->items[i]);
        if (childName != nullptr && strcmp(childName, name) == 0) return childValue ? childValue : "";
    }
    return nullptr;
}

DomGuard parseReplyBuffer(const ZCSXBuf* buffer) {
    if (buffer == nullptr || buffer->text == nullptr) return DomGuard();
    return DomGuard(SXDOMCreate(buffer->text, buffer->length, 1));
}

}  // namespace

namespace kwsup {

int32_t nthObjectValue(ZCSXBuf* buffer, const char* name, uint32_t index, char* value,
                       uint32_t capacity) {
    DomGuard dom = parseReplyBuffer(buffer);
    if (!dom) return -1;
    const char* found = nthObjectChildValue(dom.get(), name, index);
    if (found == nullptr) return -1;
    if (value != nullptr && capacity > 0) {
        strncpy(value, found, capacity - 1);
        value[capacity - 1] = '\0';
    }
    return 0;
}

}  // namespace kwsup

extern "C" {

KW_EXPORT int32_t QueryNodeNameValue(const char* name, char* value, uint32_t index, ZCSXBuf* replyBuffer) {
    return QueryNodeNameValueWithSize(name, value, kNodeValueSize, index, replyBuffer);
}

KW_EXPORT int32_t QueryNodeNameValueWithSize(const char* name, char* value, uint32_t capacity,
                                             uint32_t index, ZCSXBuf* replyBuffer) {
    if (replyBuffer == nullptr) return -1;
    return XMLSupGetXMLMemData(0, name, 1, index, 1, &capacity, value, 0, nullptr, replyBuffer->text,
                               replyBuffer->length);
}

// Copies the whole value: value must hold the longest value of that element.
KW_EXPORT int32_t QueryNthDCStorObjElement(const char* name, char* value, uint32_t index,
                                           ZCSXBuf* replyBuffer) {
    DomGuard dom = parseReplyBuffer(replyBuffer);
    if (!dom) return -1;
    const char* found = nthObjectChildValue(dom.get(), name, index);
    if (found == nullptr) return -1;
    if (value != nullptr) strcpy(value, found);
    return 0;
}

// Copies like strncpy: a shorter value is padded with NULs, a value of
// capacity characters or more fills capacity bytes with no terminator, so
// callers zero their buffer and pass a capacity below its size. root stays
// the caller's.
KW_EXPORT int32_t QueryNthDCStorObjElementGiveRootNode(SXDOMNode* root, const char* name, char* value,
                                                       uint32_t capacity, uint32_t index) {
    LogFunctionEntry("QueryNthDCStorObjElementGiveRootNode");
    int32_t result = -1;
    const char* found = nthObjectChildValue(root, name, index);
    if (found != nullptr) {
        if (value != nullptr) strncpy(value, found, capacity);
        result = 0;
    }
    LogFunctionExit("QueryNthDCStorObjElementGiveRootNode");
    return result;
}

KW_EXPORT int32_t GetDCStorObjElemNodeCount(SXDOMNode* root) {
    if (root == nullptr) return 0;
    ListGuard objects(SXDOMSelect(root, kStorageObject, 0, 0, 1));
    return objects ? static_cast<int32_t>(objects->count) : 0;
}

}  // extern "C"
