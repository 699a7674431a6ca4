// Where the agent finds its state and profile, where it logs requests and
// how fast its clock runs: KWDA_STATE, KWDA_PROFILE, KWDA_LOG and
// KWDA_TIME_SCALE.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kwda {

inline constexpr uint64_t kDefaultAlertLogLimit = 1048576;
inline constexpr uint64_t kSmallestAlertLogLimit = 1024;

// The value of an environment variable; nullopt when it is unset or empty.
std::optional<std::string> variable(const char* name);

struct Environment {
    std::string statePath;                   // KWDA_STATE or the default below
    std::optional<std::string> profilePath;  // KWDA_PROFILE: seeds a new state
    std::optional<std::string> logPath;      // KWDA_LOG: every request, one line each
    double timeScale = 1.0;                  // KWDA_TIME_SCALE: task speed factor; 0 finishes at once
    uint64_t alertLogLimit = kDefaultAlertLogLimit;  // KWDA_ALERT_LOG_LIMIT: bytes the alert log may reach

    // Reads the process environment; an unusable KWDA_TIME_SCALE or
    // KWDA_ALERT_LOG_LIMIT is an error (AgentError BadRequest) naming it.
    static Environment fromProcess();
};

// The system's state, /var/lib/kwda/state.db: root's, and every other
// user's while it exists (read as it is by those who cannot write it).
// A user other than root without one gets $XDG_STATE_HOME/kwda/state.db,
// else ~/.local/state/kwda/state.db.
std::string defaultStatePath();
// The same choice for a given user and system state file.
std::string defaultStatePath(bool root, const std::string& systemState);
inline constexpr const char* kSystemStatePath = "/var/lib/kwda/state.db";

// Appends the request's elements joined by tabs as one line (newlines in an
// element are written as "\n"). Failures are ignored: the log is a debugging
// aid and never stops a request.
void logRequest(const std::string& path, const std::vector<std::string>& elements);

// Wall clock, seconds since the epoch.
double nowSeconds();
// "2024-05-01T12:00:00Z".
std::string isoTime(double seconds);
std::optional<double> parseIsoTime(const std::string& text);

}  // namespace kwda
