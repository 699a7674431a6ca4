// Steps the device configuration callbacks share: reading a user parameter,
// writing a message argument, and appending or blanking one request argument.
// Internal to the plug-in.
#ifndef KWCLP_DEVICE_CALLBACKS_H
#define KWCLP_DEVICE_CALLBACKS_H

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "cmdfw32.h"
#include "vexcs32.h"

namespace devicecfg {

// The user's value of a parameter (name compared ignoring case), or null
// when it was not given.
inline const char* userParameter(uint32_t argc, char** argv, const char* name) {
    return ZCSGetAStrParamValueByAStrName(argc, argv, name, 1);
}

// Copies text into a message argument. A parameter that was not given (null)
// leaves the argument as the framework prepared it. Values are at most 255
// bytes and lists at most 2048, well within the framework's buffers.
inline void setMessage(char* message, const char* text) {
    if (message != nullptr && text != nullptr) strcpy(message, text);
}

// Appends "name=number" in a new 256-byte block at the end of the request.
// False, with the request unchanged, when no block can be had.
inline bool appendNumberArgument(uint32_t* count, char** vector, const char* name, int32_t number) {
    char* block = static_cast<char*>(ZCSAllocMem(CLPS_BLOCK_SIZE));
    if (block == nullptr) return false;
    snprintf(block, CLPS_BLOCK_SIZE, "%s=%d", name, number);
    vector[*count] = block;
    ++*count;
    return true;
}

// Replaces the request argument named name ("MinWarning=") by a block
// holding the empty text, so that the argument carries nothing. The new
// block is had before the old one is released, so a failure leaves the
// request intact. False only when no block can be had; an argument that is
// not in the request needs no blanking.
inline bool blankArgument(uint32_t count, char** vector, const char* name) {
    int32_t index = ZCSGetParamIndexByAStrName(count, vector, name, 0);
    if (index < 0) return true;
    char* block = static_cast<char*>(ZCSAllocMem(CLPS_BLOCK_SIZE));
    if (block == nullptr) return false;
    block[0] = '\0';
    ZCSFreeMem(vector[index]);
    vector[index] = block;
    return true;
}

}  // namespace devicecfg

#endif
