// Checks and effects that several write commands share.
#pragma once

#include <map>
#include <optional>
#include <vector>
#include <string>

#include "layouts.h"
#include "request.h"
#include "session.h"

namespace kwda {

// Refuses a write whose arguments hold text that could not be stored and
// answered again: bytes that are not UTF-8, or control characters other than
// tab ("service tag is not valid UTF-8 text (byte 1)").
void checkArgumentTexts(const Request& request);

// How a refusal names a disk's hot-spare role: "a global hot spare",
// "a hot spare of virtual disk 1".
std::string hotSpareRole(Session& session, const HotSpare& spare);

// Refuses a size larger than the layout can hold on the disks, naming the
// disk whose free space limits it.
void checkCapacity(Session& session, const LayoutRule& rule, const std::vector<Object>& disks, int span,
                   int64_t length, const std::map<int64_t, int64_t>& alreadyGiven = {});

// Refuses a disk that cannot give space to a new virtual disk, naming why
// ("disk 0:0:3 is a member of virtual disk 1 and has no free space left").
void checkDiskForNewVirtualDisk(Session& session, const Object& disk);

// Refuses a virtual disk name with characters outside [A-Za-z0-9 _-], with a
// blank at either end, empty, or longer than the controller's MaxNameLength.
void checkVirtualDiskName(const Object& controller, const std::string& name);

// A policy or stripe-size argument: one bit that the controller's mask (when
// it states one) supports. nullopt when the argument is absent.
std::optional<std::string> policyArgument(const Request& request, const Object& controller, const char* argument,
                                          const char* maskElement);

// The lowest virtual disk number not in use on the controller.
std::string lowestFreeVirtualDiskNumber(Session& session, const Object& controller);

// Refuses an action that destroys what a virtual disk holds when the disk is
// in use (its InUse says by what) and the request does not say Force=yes.
// `doing` names the action ("deleting it"), `force` how to force it.
void requireForceWhenInUse(const Request& request, const Object& vd, const std::string& doing,
                           const std::string& action);

// Deletes a virtual disk: frees its members' space, releases its dedicated
// hot spares, drops its task.
void deleteVirtualDisk(Session& session, const Object& vd);

// A decimal byte count; digits with an optional fraction (which is dropped).
int64_t byteCount(const Request& request, const char* argument);

// Sets an element, refusing when it already has that value.
void setToggle(Session& session, Object& object, const char* element, const std::string& value,
               const std::string& already, const std::string& event);

}  // namespace kwda
