// The agent query pattern every check follows: build a request vector, send
// it to "kwda" through the framework, and wrap the reply text into a reply
// buffer that the lookups read. Internal to the plug-in.
#ifndef KWSUP_AGENT_H
#define KWSUP_AGENT_H

#include <stdint.h>

#include <initializer_list>

#include "kwsup/guards.h"

namespace kwsup {

// Outcome of sending or wrapping.
enum QueryStatus : int32_t { kQueryOk = 0, kQueryNoReply = -1, kQueryNoBuffer = 272 };

// Largest number of request elements any query sends.
constexpr uint32_t kMaxRequestElements = 64;

// Sends the request elements as given (the caller adds "CLI=true" where the
// command takes it). Returns the reply record, or an empty guard when the
// agent gave no reply (a record without text counts as none).
ResponseGuard sendRequest(std::initializer_list<const char*> elements);
ResponseGuard sendRequest(const char* const* elements, uint32_t count);

// Obtains a reply buffer with ZCSXAllocBuf(0, 0); empty on failure, after a
// level-3 trace line naming the operation.
XBufGuard allocReplyBuffer(const char* operation);

// Appends the reply's text to the buffer as the content of "ROOT".
// Returns kQueryOk, or kQueryNoBuffer when the text cannot be added.
int32_t wrapReply(ZCSXBuf* buffer, const CLPSResponse* reply);

// The common shape: send, obtain a buffer, wrap, release the reply.
// Returns kQueryOk with *buffer filled, kQueryNoReply when the agent gave no
// reply, or kQueryNoBuffer (after releasing the reply) when no buffer could
// be had. The buffer is obtained after the reply has arrived.
int32_t queryIntoBuffer(std::initializer_list<const char*> elements, XBufGuard& buffer,
                        const char* operation);

// The buffer-first shape: obtains the reply buffer (failure: kQueryNoBuffer
// after the level-3 trace line, nothing sent), then sends, wraps and releases
// the reply. Returns kQueryOk with *buffer filled, kQueryNoReply (buffer
// released) when the agent gave no reply, or kQueryNoBuffer.
int32_t queryBufferFirst(std::initializer_list<const char*> elements, XBufGuard& buffer,
                         const char* operation);

// Sends and wraps the reply into a buffer the caller already holds; the
// reply is released before returning. Returns kQueryOk, kQueryNoReply, or
// kQueryNoBuffer when the text cannot be added.
int32_t sendIntoBuffer(std::initializer_list<const char*> elements, ZCSXBuf* buffer);

// QueryNthDCStorObjElement with a bounded copy: the value of the child name
// of the index-th DCStorageObject, cut to capacity - 1 characters and always
// terminated. Returns 0, or -1 when there is no such object or child.
int32_t nthObjectValue(ZCSXBuf* buffer, const char* name, uint32_t index, char* value,
                       uint32_t capacity);

// Parses the reply text once into a DOM (for operations that read many
// values of one reply); empty when the text cannot be parsed.
DomGuard parseReply(const CLPSResponse* reply);

// The text of the first element named name inside node (a DCStorageObject),
// or null when there is none. Reads through one SXDOMSelect; the list is
// released before returning, the text lives as long as the DOM.
const char* firstChildValue(SXDOMNode* node, const char* name);

}  // namespace kwsup

#endif
