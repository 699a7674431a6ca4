// The steps the command validation callbacks share: reading the user's line
// and the request the chosen variant built, filling the two message
// arguments, changing request arguments, reading a size, and the identifier
// and availability checks that several commands make in exactly the same way.
// Internal to the plug-in.
#ifndef KWCLP_COMMANDS_CALLBACKS_H
#define KWCLP_COMMANDS_CALLBACKS_H

#include <stdint.h>

namespace kwcmd {

// ---- The user's line and the request -----------------------------------

// The user's value of a parameter (name compared ignoring case), or null
// when it was not given.
const char* userParam(uint32_t argc, char** argv, const char* name);

// The value the variant placed in the request under that name (compared
// ignoring case), or null when the request holds none or there is no request.
const char* requestValue(const uint32_t* reqCount, char** reqArgs, const char* name);

// Whether text is given and is word, ignoring case.
bool isWord(const char* text, const char* word);

// ---- Message arguments ---------------------------------------------------
// Texts are cut to the framework's CLPS_MSG_ARG_SIZE bytes; a null argument
// buffer is left alone. The framework hands both arguments over empty.

// Writes text into a message argument; a null text writes the empty text.
void setMessage(char* msgArg, const char* text);

// A rejection: writes first and second into the message arguments and
// returns status. A null text (a parameter that was not given) leaves its
// argument as it stands.
int32_t reject(int32_t status, char* msgArg1, const char* first, char* msgArg2 = nullptr,
               const char* second = nullptr);

// ---- Request arguments ---------------------------------------------------
// Each new argument is a 256-byte block of its own. Where an argument is
// replaced, the new block is had before the old one is released, so a
// failure leaves the request as it was. Each returns 1000, or 1655 when no
// block can be had.

// Appends "<name>=<number>" at the end of the request.
int32_t appendNumberArgument(uint32_t* reqCount, char** reqArgs, const char* name, int32_t number);

// Puts text in place of the first request element of that name (matched
// exactly); appends it when the request holds no such element.
int32_t replaceRequestArgument(uint32_t* reqCount, char** reqArgs, const char* name, const char* text);

// Replaces the element of that name ("MinWarning=") by the empty text, so
// that it carries nothing. An element the request does not hold needs no
// blanking: 1000 without a block.
int32_t blankRequestArgument(uint32_t* reqCount, char** reqArgs, const char* name);

// Puts "Length=<bytes>" in place of the request's Length element (appended
// when the request holds none).
int32_t setLengthArgument(uint32_t* reqCount, char** reqArgs, const char* bytes);

// ---- Sizes ------------------------------------------------------------------

// A size as the user writes it: a number with an optional unit letter b, m
// or g in either case, no letter meaning gigabytes. Returns 1000 with bytes
// (capacity of at least 256) holding the byte count as integer digits (the
// number as typed for b) and *value the byte count; 1606 when the number is
// not numeric, 1607 for any other unit letter.
int32_t sizeInBytes(const char* size, char* bytes, uint32_t capacity, double* value);

// ---- Checks several commands make alike ----------------------------------

// The controller must exist; a missing one is asked about too, and refused.
// 1600 with the identifier and the valid controllers (a 256-byte list).
int32_t checkController(const char* controller, char* msgArg1, char* msgArg2);

// The same for a controller that was given; a missing one passes unasked.
int32_t checkGivenController(const char* controller, char* msgArg1, char* msgArg2);

// The same through the check that lists the valid controllers in full
// (KWSUP_LIST_SIZE bytes).
int32_t checkGivenControllerFullList(const char* controller, char* msgArg1, char* msgArg2);

// A virtual disk that was given must exist: 1604 with the identifier and the
// valid virtual disks, or 1622 with the identifier and the controller (when
// given) when the controller has none.
int32_t checkGivenVirtualDisk(const char* vdisk, const char* controller, char* msgArg1, char* msgArg2);

// A connector that was given must exist: 1601 with the identifier and the
// valid connectors.
int32_t checkGivenConnector(const char* connector, const char* controller, char* msgArg1, char* msgArg2);

// An enclosure that was given must exist: 1605 with the identifier and the
// valid enclosures (a 256-byte list), or a "None" text when there are none.
int32_t checkGivenEnclosure(const char* enclosure, const char* controller, char* msgArg1, char* msgArg2);

// The disk must exist; a missing one is asked about too, and refused. 1602
// with the identifier and the valid disks, or noDisks when there are none.
int32_t checkDisk(const char* disk, const char* controller, const char* noDisks, char* msgArg1, char* msgArg2);

// The answer of an availability check: 1614 when the action is not
// supported, 1615 when it is not allowed now, each naming the action in the
// first message argument; 1000 otherwise.
int32_t availabilityStatus(uint32_t supported, uint32_t allowed, const char* action, char* msgArg1);

// A value the controller must offer: the user's word, the request value the
// variant made of it, the controller's check, and the rejection when the
// controller does not offer it (naming none when it offers nothing at all).
struct OfferedValueRule {
    const char* userParam;
    const char* requestName;
    int32_t (*check)(const char* controller, const char* value, char* list, uint32_t listSize);
    int32_t     status;
    const char* none;
};

// The rules in order, each only when both its word and its request value are
// present: the first value the controller does not offer is refused with the
// rule's status, the word and the offered values (a 128-byte list).
int32_t checkOfferedValues(const OfferedValueRule* rules, uint32_t count, const char* controller, uint32_t argc,
                           char** argv, const uint32_t* reqCount, char** reqArgs, char* msgArg1, char* msgArg2);

// "None" texts the checks name in place of an empty list.
extern const char kNoPhysicalDisks[];
extern const char kNoArrayDisks[];

}  // namespace kwcmd

#endif
