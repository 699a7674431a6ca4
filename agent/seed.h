// Turns a parsed profile into the stored model of a new state: identifiers
// derived where not stated and checked for collisions, member disks and
// their space, hot spares, initial states and tasks.
#pragma once

#include <vector>

#include "alertlog.h"
#include "environment.h"
#include "profile.h"
#include "store.h"

namespace kwda {

// Seeds an empty state (inside its creating transaction). Throws
// AgentError(Unavailable) "<source>:<line>: ..." when the profile is
// inconsistent. Events worth logging are appended to `events`.
void seedState(Store& store, const Profile& profile, const Environment& env, double now, std::vector<Event>& events);

// A fresh object identifier for an object created later.
std::string allocateObjId(Store& store);

}  // namespace kwda
