#include "kwsup/availability.h"

#include <string.h>

#include "kwsup/agent.h"
#include "kwsup/kwsup.h"

namespace kwsup {

namespace {

constexpr uint32_t kTextCapacity = 256;
// No storage object kind comes anywhere near this many objects; the bound
// only keeps a locator that never answers kLocateEnd from walking forever.
constexpr uint32_t kMaxPositions = 1u << 20;

constexpr const char* kMasterMask = "MasterMethodMask";
constexpr const char* kCurrentMask = "CurrentMethodMask";

uint32_t boundedCapacity(uint32_t capacity) {
    return capacity > kTextCapacity ? kTextCapacity : capacity;
}

// Copies at most capacity - 1 characters of source and terminates; a null
// source leaves the destination empty.
void copyBounded(char* destination, const char* source, uint32_t capacity) {
    if (capacity == 0) return;
    destination[0] = '\0';
    if (!source) return;
    size_t length = strnlen(source, capacity - 1);
    memcpy(destination, source, length);
    destination[length] = '\0';
}

int32_t noReplyOutcome(const AvailabilityQuery& query) {
    return (query.options & kAvailFailWithoutReply) ? kQueryNoBuffer : kQueryOk;
}

// Object reading: parse once, walk the DCStorageObject elements.
int32_t readMasksFromObjects(const AvailabilityQuery& query, char* master, char* current,
                             uint32_t capacity) {
    ResponseGuard reply = sendRequest(query.request, query.requestCount);
    if (!reply) return noReplyOutcome(query);
    DomGuard dom = parseReply(reply.get());
    reply.reset();
    if (!dom) return noReplyOutcome(query);

    ListGuard objects(SXDOMSelect(dom.get(), "DCStorageObject", 0, 0, 1));
    if (!objects) return kQueryOk;
    for (uint32_t i = 0; i < objects->count && i < kMaxPositions; ++i) {
        AvailabilityPosition at = {i, dom.get(), objects->items[i], nullptr};
        int32_t verdict = query.locate(at, query.context);
        if (verdict == kLocateEnd) break;
        if (verdict != kLocateMatch) continue;
        copyBounded(master, firstChildValue(objects->items[i], kMasterMask), capacity);
        copyBounded(current, firstChildValue(objects->items[i], kCurrentMask), capacity);
        break;
    }
    return kQueryOk;
}

// Occurrence reading: wrap the reply, walk by occurrence index.
int32_t readMasksFromOccurrences(const AvailabilityQuery& query, char* master, char* current,
                                 uint32_t capacity) {
    XBufGuard buffer;
    if (query.options & kAvailBufferFirst) {
        buffer = allocReplyBuffer(query.operation);
        if (!buffer) return kQueryNoBuffer;
    }
    ResponseGuard reply = sendRequest(query.request, query.requestCount);
    if (!reply) return noReplyOutcome(query);
    if (!buffer) {
        buffer = allocReplyBuffer(query.operation);
        if (!buffer) return kQueryNoBuffer;
    }
    if (wrapReply(buffer.get(), reply.get()) != kQueryOk) return kQueryNoBuffer;
    reply.reset();

    for (uint32_t i = 0; i < kMaxPositions; ++i) {
        AvailabilityPosition at = {i, nullptr, nullptr, buffer.get()};
        int32_t verdict = query.locate(at, query.context);
        if (verdict == kLocateEnd) break;
        if (verdict != kLocateMatch) continue;
        QueryNodeNameValueWithSize(kMasterMask, master, capacity, i, buffer.get());
        QueryNodeNameValueWithSize(kCurrentMask, current, capacity, i, buffer.get());
        break;
    }
    return kQueryOk;
}

}  // namespace

uint32_t findActionBit(const ActionBit* table, uint32_t count, const char* action) {
    if (!table || !action) return 0;
    for (uint32_t i = 0; i < count; ++i)
        if (strcmpCaseIgnore(table[i].action, action) == 0) return table[i].bit;
    return 0;
}

void setAvailabilityFlags(const char* masterText, const char* currentText, uint32_t bit,
                          uint32_t* supported, uint32_t* allowed) {
    uint32_t master = 0;
    uint32_t current = 0;
    ConvertBinaryStringToInteger(masterText ? masterText : "", &master);
    ConvertBinaryStringToInteger(currentText ? currentText : "", &current);
    if (supported) *supported = master & bit;
    if (allowed) *allowed = current & bit;
}

int32_t checkOperationAvailability(const AvailabilityQuery& query, uint32_t bit, uint32_t* supported,
                                   uint32_t* allowed) {
    char master[kTextCapacity] = {};
    char current[kTextCapacity] = {};
    uint32_t capacity = boundedCapacity(query.maskCapacity);
    int32_t result = query.reading == kReadObjects
                         ? readMasksFromObjects(query, master, current, capacity)
                         : readMasksFromOccurrences(query, master, current, capacity);
    if (result != kQueryOk) return result;
    setAvailabilityFlags(master, current, bit, supported, allowed);
    return kQueryOk;
}

int32_t locateByElement(const AvailabilityPosition& at, const void* elementMatch) {
    const ElementMatch* match = static_cast<const ElementMatch*>(elementMatch);
    uint32_t capacity = boundedCapacity(match->capacity);
    char value[kTextCapacity] = {};
    if (at.object) {
        const char* text = firstChildValue(at.object, match->element);
        if (!text) return kLocateNext;
        copyBounded(value, text, capacity);
    } else {
        if (QueryNodeNameValueWithSize(match->element, value, capacity, at.index, at.buffer) != 0)
            return kLocateEnd;
    }
    return match->wanted && strcmp(value, match->wanted) == 0 ? kLocateMatch : kLocateNext;
}

int32_t locateFirstObject(const AvailabilityPosition& at, const void*) {
    return at.index == 0 ? kLocateMatch : kLocateEnd;
}

}  // namespace kwsup
