// The alert log: one line per event, "time<TAB>severity<TAB>object<TAB>text",
// time in ISO-8601 UTC. Every write appends at least one event.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kwda {

struct Event {
    std::string severity;  // "Info", "Warning" or "Critical"
    std::string object;    // "Controller 0", "Physical Disk 0:0:3 on Controller 0", ...
    std::string text;
};

// The log of a state: `configured` (the profile's AlertLog Path; relative
// to the state file's folder) or, without one, "<state file stem>.alert.log"
// beside the state file. Always absolute.
std::string alertLogPath(const std::string& statePath, const std::optional<std::string>& configured);

// Appends the events (one write per line). A log that grows past `limit`
// bytes keeps its newest events, about half the limit, behind a first event
// saying that older ones were dropped; writers of the same log take turns
// (an exclusive lock on the file), so none loses its events to another's
// trimming. Returns false when the file cannot be written.
bool appendEvents(const std::string& path, double time, const std::vector<Event>& events, uint64_t limit);

}  // namespace kwda
