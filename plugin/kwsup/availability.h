// The operation availability check shared by every IsUserOperationValidFor*
// member: ask the data agent for the objects of one kind, find the object the
// user named, read its MasterMethodMask (operations it supports) and
// CurrentMethodMask (operations it allows now), and test the action's bit in
// both. The members differ only in the request, in how the object is found,
// in how much of each mask is kept and in what a missing reply means; all of
// that is described by an AvailabilityQuery. Internal to the plug-in.
//
// A member looks like this:
//
//   static const kwsup::ActionBit kBatteryBits[] = {
//       {"recondition", 0x1},
//       {"startlearn",  0x2},
//       {"delaylearn",  0x4},
//   };
//   char globalNo[256];
//   snprintf(globalNo, sizeof globalNo, "GlobalNo=%s", controller);
//   const char* request[] = {"vexcmd=getBatteriesForController", globalNo, "CLI=true"};
//   kwsup::ElementMatch match = {"BatteryID", battery, 11};
//   kwsup::AvailabilityQuery query = {"IsUserOperationValidForBattery", request, 3,
//                                     kwsup::kReadOccurrences, kwsup::locateByElement, &match,
//                                     101, kwsup::kAvailBufferFirst | kwsup::kAvailFailWithoutReply};
//   return kwsup::checkOperationAvailability(query, kwsup::findActionBit(kBatteryBits, action),
//                                            supported, allowed);
#ifndef KWSUP_AVAILABILITY_H
#define KWSUP_AVAILABILITY_H

#include <stdint.h>

#include "cmdfw32.h"
#include "vexcs32.h"
#include "xdoc32.h"

namespace kwsup {

// One action word and its bit in the object's method masks.
struct ActionBit {
    const char* action;
    uint32_t    bit;
};

// The bit of the action (compared ignoring case), or 0 when the table does
// not name it; a null action names nothing.
uint32_t findActionBit(const ActionBit* table, uint32_t count, const char* action);
template <uint32_t N>
inline uint32_t findActionBit(const ActionBit (&table)[N], const char* action) {
    return findActionBit(table, N, action);
}

// Converts both mask texts (digits 0 and 1, most significant first; null or
// empty reads as 0) and writes supported = master AND bit, allowed = current
// AND bit. A bit of 0 (unknown action) writes 0 to both.
void setAvailabilityFlags(const char* masterText, const char* currentText, uint32_t bit,
                          uint32_t* supported, uint32_t* allowed);

// How the reply is read.
enum AvailabilityReading : uint32_t {
    // The reply text is parsed once into a DOM and its DCStorageObject
    // elements are walked in document order (controller, virtual disk and
    // storage object members).
    kReadObjects = 0,
    // The reply is wrapped into a reply buffer and read by element name and
    // occurrence index (physical disk, battery, enclosure, connector members).
    kReadOccurrences = 1
};

// What can go wrong, and what it means.
enum AvailabilityOption : uint32_t {
    // Obtain the reply buffer before the request is sent (occurrence reading
    // only); without the flag it is obtained once a reply has arrived. Either
    // way a buffer that cannot be had ends the check with 272, flags untouched.
    kAvailBufferFirst = 0x1u,
    // No reply (or, for object reading, a reply that cannot be parsed) ends
    // the check with 272 and the flags untouched. Without the flag the check
    // completes with both masks empty: flags 0, result 0.
    kAvailFailWithoutReply = 0x2u
};

// Where the walk stands when the locator is asked.
struct AvailabilityPosition {
    uint32_t   index;   // object position (kReadObjects) or occurrence index (kReadOccurrences)
    SXDOMNode* root;    // kReadObjects: the parsed reply; else null
    SXDOMNode* object;  // kReadObjects: the index-th DCStorageObject; else null
    ZCSXBuf*   buffer;  // kReadOccurrences: the wrapped reply; else null
};

// A locator's verdict on one position.
enum LocateResult : int32_t {
    kLocateMatch = 0,  // this is the object: read its masks (same position) and stop
    kLocateNext  = 1,  // not this one, look at the next position
    kLocateEnd   = 2   // no further objects: stop, masks stay empty
};

// Decides whether the object at a position is the one the user named.
// kReadObjects walks at most every DCStorageObject and stops by itself at
// the end; kReadOccurrences walks until the locator answers kLocateEnd.
using AvailabilityLocator = int32_t (*)(const AvailabilityPosition& at, const void* context);

struct AvailabilityQuery {
    const char*         operation;     // names the member in trace lines
    const char* const*  request;       // request elements, "CLI=true" included where taken
    uint32_t            requestCount;
    AvailabilityReading reading;
    AvailabilityLocator locate;
    const void*         context;       // handed to locate unchanged
    uint32_t            maskCapacity;  // bytes of each mask buffer, terminator included
                                       // (64 keeps 63 characters); at most 256
    uint32_t            options;       // AvailabilityOption bits
};

// Sends the request, locates the object, reads its two masks (each cut to
// maskCapacity - 1 characters; an absent mask reads as empty) and writes
// both flags with setAvailabilityFlags. Returns 0 when the flags were
// written (an object that was not found gives flags 0), or 272 as the
// options say, flags untouched. Every reply, buffer, DOM and list is
// released before it returns.
int32_t checkOperationAvailability(const AvailabilityQuery& query, uint32_t bit, uint32_t* supported,
                                   uint32_t* allowed);

// Ready-made locator: the object whose element equals wanted exactly
// (case-sensitive whole texts), the element's text being cut to capacity - 1
// characters before the comparison.
//   kReadObjects: an object without the element is passed over.
//   kReadOccurrences: the index-th occurrence of the element is compared;
//   no such occurrence ends the walk.
struct ElementMatch {
    const char* element;   // "GlobalNo", "LogicalDriveNum", "BatteryID", "Channel", ...
    const char* wanted;    // the user's identifier; null matches nothing
    uint32_t    capacity;  // bytes kept of the element, terminator included (at most 256)
};
int32_t locateByElement(const AvailabilityPosition& at, const void* elementMatch);

// Ready-made locator: the first object of the reply (storage object member).
int32_t locateFirstObject(const AvailabilityPosition& at, const void* unused);

}  // namespace kwsup

#endif
