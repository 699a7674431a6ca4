// A scriptable data agent for unit tests. While a TestAgent lives it is the
// agent registered under its prefix ("kwda" unless told otherwise) in the
// data bridge: it answers each request with the reply scripted for the
// request's command, records every request, and can be told to stay silent.
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
    // No reply (null) for that command.
    void silent(const std::string& command);
    // Fallback for anything unscripted; by default unscripted commands get no reply.
    void otherwise(std::function<std::optional<std::string>(const Request&)> fallback);

    const std::vector<Request>& requests() const { return requests_; }
    // The requests whose first element is "vexcmd=<command>".
    std::vector<Request> requestsFor(const std::string& command) const;
    void clearRequests() { requests_.clear(); }

    // Wraps objects into a reply document: each map is one DCStorageObject
    // with its child elements in the given order.
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
    std::function<std::optional<std::string>(const Request&)> fallback_;
    std::vector<Request> requests_;
};

}  // namespace kwtest
