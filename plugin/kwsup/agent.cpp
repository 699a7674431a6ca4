#include "kwsup/agent.h"

#include <string.h>

#include "trace/sysdbg.h"

namespace kwsup {

namespace {
constexpr const char* kAgentPrefix = "kwda";
}

ResponseGuard sendRequest(const char* const* elements, uint32_t count) {
    ResponseGuard reply(CLPSNVReportCapabilitesXML(kAgentPrefix, count, const_cast<char**>(elements),
                                                   "RESPONSE", "kwclp.xsl"));
    if (reply && reply->text == nullptr) reply.reset();
    return reply;
}

ResponseGuard sendRequest(std::initializer_list<const char*> elements) {
    return sendRequest(elements.begin(), static_cast<uint32_t>(elements.size()));
}

XBufGuard allocReplyBuffer(const char* operation) {
    XBufGuard buffer(ZCSXAllocBuf(0, 0));
    if (!buffer && __SysDbgIsLevelEnabled(3))
        __SysDbgPrint("KWCLP:%s: failed to allocate XML buffer\n", operation);
    return buffer;
}

int32_t wrapReply(ZCSXBuf* buffer, const CLPSResponse* reply) {
    return ZCSXBufCatNode(buffer, "ROOT", nullptr, 1, reply->text) == 0 ? kQueryOk : kQueryNoBuffer;
}

int32_t queryIntoBuffer(std::initializer_list<const char*> elements, XBufGuard& buffer,
                        const char* operation) {
    ResponseGuard reply = sendRequest(elements);
    if (!reply) return kQueryNoReply;
    buffer = allocReplyBuffer(operation);
    if (!buffer) return kQueryNoBuffer;
    if (wrapReply(buffer.get(), reply.get()) != kQueryOk) {
        buffer.reset();
        return kQueryNoBuffer;
    }
    return kQueryOk;
}

int32_t sendIntoBuffer(std::initializer_list<const char*> elements, ZCSXBuf* buffer) {
    ResponseGuard reply = sendRequest(elements);
    if (!reply) return kQueryNoReply;
    return wrapReply(buffer, reply.get());
}

int32_t queryBufferFirst(std::initializer_list<const char*> elements, XBufGuard& buffer,
                         const char* operation) {
    buffer = allocReplyBuffer(operation);
    if (!buffer) return kQueryNoBuffer;
    int32_t result = sendIntoBuffer(elements, buffer.get());
    if (result != kQueryOk) buffer.reset();
    return result;
}

DomGuard parseReply(const CLPSResponse* reply) {
    if (!reply || !reply->text) return DomGuard();
    uint32_t length = reply->length ? reply->length : static_cast<uint32_t>(strlen(reply->text));
    return DomGuard(SXDOMCreate(reply->text, length, 1));
}

const char* firstChildValue(SXDOMNode* node, const char* name) {
    ListGuard list(SXDOMSelect(node, name, 0, 0, 1));
    if (!list || list->count == 0) return nullptr;
    return SXDOMGetValue(list->items[0]);
}

}  // namespace kwsup
