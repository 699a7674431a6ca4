// A scriptable data agent, registered in the data bridge while it lives: it
// answers each request with the reply scripted for its command and records it.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kwtest {

using Request = std::vector<std::string>;

class TestAgent {
public:
    explicit TestAgent(std::string prefix = "kwda");
    ~TestAgent();
    TestAgent(const TestAgent&) = delete;
    TestAgent& operator=(const TestAgent&) = delete;

    // Reply for every request whose first element is "vexcmd=<command>".
    void on(const std::string& command, const std::string& reply);
    // Reply for requests of that command that also carry every listed
    // argument ("GlobalNo=0", "Channel=1"); more specific scripts win.
    void on(const std::string& command, const std::vector<std::string>& args, const std::string& reply);
    // No reply (null) for that command; scripts given later win as usual.
    void silent(const std::string& command);
    // No reply for that command whatever its scripts, until unmute().
    void mute(const std::string& command) { muted_.push_back(command); }
    void unmute() { muted_.clear(); }
    // Fallback for anything unscripted; by default unscripted commands get no reply.
    void otherwise(std::function<std::optional<std::string>(const Request&)> fallback);

    const std::vector<Request>& requests() const { return requests_; }
    // The requests whose first element is "vexcmd=<command>".
    std::vector<Request> requestsFor(const std::string& command) const;
    void clearRequests() { requests_.clear(); }

    // A reply document: one DCStorageObject per object, elements in order.
    using Object = std::vector<std::pair<std::string, std::string>>;
    static std::string reply(const std::vector<Object>& objects);

    // Used by the C entry points.
    std::optional<std::string> answer(const Request& request);

private:
    struct Script {
        std::string command;
        std::vector<std::string> args;
        std::optional<std::string> reply;
    };
    std::string prefix_;
    std::vector<Script> scripts_;
    std::vector<std::string> muted_;
    std::function<std::optional<std::string>(const Request&)> fallback_;
    std::vector<Request> requests_;
};

}  // namespace kwtest
