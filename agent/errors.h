// How a request fails. Handlers throw AgentError; the C entry point turns it
// into a reply with status="N" and one <Error> naming the problem.
#pragma once

#include <stdexcept>
#include <string>

namespace kwda {

enum class Status : int {
    Ok = 0,
    BadRequest = 1,   // malformed request, unknown command, missing or invalid argument
    Refused = 2,      // the model cannot take it, or the object does not exist
    Unavailable = 3,  // the state cannot be opened, read or written
    Mismatch = 4,     // the profile named is not the one that seeded the existing state
};

class AgentError : public std::runtime_error {
public:
    AgentError(Status status, const std::string& reason) : std::runtime_error(reason), status_(status) {}
    Status status() const { return status_; }

private:
    Status status_;
};

[[noreturn]] inline void badRequest(const std::string& reason) { throw AgentError(Status::BadRequest, reason); }
[[noreturn]] inline void refuse(const std::string& reason) { throw AgentError(Status::Refused, reason); }
[[noreturn]] inline void unavailable(const std::string& reason) { throw AgentError(Status::Unavailable, reason); }

}  // namespace kwda
