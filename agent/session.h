// One request's working context: the state, the clock, the environment and
// the events a write produces (appended to the alert log after it commits),
// plus the model rules that writes and task completions share.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "alertlog.h"
#include "environment.h"
#include "layouts.h"
#include "store.h"

namespace kwda {

class Session {
public:
    Session(Store& store, const Environment& env, double now) : store(store), env(env), now(now) {}

    Store& store;
    const Environment& env;
    const double now;
    std::vector<Event> events;

    void note(const Object& object, const std::string& text, const char* severity = "Info");

    // The alert log of this state.
    std::string alertLogFile();

    // Space on a disk taken by virtual disks, and what is left.
    int64_t usedBytes(const Object& disk);
    int64_t freeBytes(const Object& disk);
    std::vector<Member> memberships(const Object& disk) { return store.membershipsOf(disk.id); }
    bool isMember(const Object& disk) { return !memberships(disk).empty(); }

    // The layout rule of a virtual disk (refuses an unknown layout).
    const LayoutRule& ruleOf(const Object& vd);
    int spanOf(const Object& vd);

    // Recomputes a virtual disk's state from its members' states and notes
    // a change; and the same for every virtual disk a disk belongs to.
    void refreshVirtualDisk(int64_t vd);
    void refreshVirtualDisksOf(const Object& disk);

    // A disk no longer in any virtual disk becomes Ready again.
    void releaseIfUnused(int64_t disk);

    // Re-reads an object after a change.
    Object reload(const Object& object);
};

}  // namespace kwda
