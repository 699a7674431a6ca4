// Where the agent finds its state and profile, where it logs requests and
// how fast its clock runs: KWDA_STATE, KWDA_PROFILE, KWDA_LOG and
// KWDA_TIME_SCALE.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kwda {

struct Environment {
    std::string statePath;                   // KWDA_STATE or the default below
    std::optional<std::string> profilePath;  // KWDA_PROFILE: seeds a new state
    std::optional<std::string> logPath;      // KWDA_LOG: every request, one line each
    double timeScale = 1.0;                  // KWDA_TIME_SCALE: task speed factor; 0 finishes at once

    // Reads the process environment; an unusable KWDA_TIME_SCALE is an
    // error (AgentError BadRequest) naming it.
    static Environment fromProcess();
};

// $XDG_STATE_HOME/kwda/state.db, else ~/.local/state/kwda/state.db;
// /var/lib/kwda/state.db for root.
std::string defaultStatePath();

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
