#include "testagent.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "vexdb32.h"

namespace kwtest {
namespace {

TestAgent* g_current = nullptr;

char* sendCmd(uint32_t count, const char* const* vector) {
    if (!g_current) return nullptr;
    Request request;
    for (uint32_t i = 0; i < count; ++i) request.emplace_back(vector[i] ? vector[i] : "");
    auto reply = g_current->answer(request);
    if (!reply) return nullptr;
    return strdup(reply->c_str());
}

void freeData(char* reply) { std::free(reply); }

std::string escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            default: out += c;
        }
    }
    return out;
}

}  // namespace

TestAgent::TestAgent(std::string prefix) : prefix_(std::move(prefix)) {
    g_current = this;
    RKDBPluginRegister(prefix_.c_str(), sendCmd, freeData);
}

TestAgent::~TestAgent() {
    RKDBPluginUnregister(prefix_.c_str());
    if (g_current == this) g_current = nullptr;
}

void TestAgent::on(const std::string& command, const std::string& reply) { on(command, {}, reply); }

void TestAgent::on(const std::string& command, const std::vector<std::string>& args, const std::string& reply) {
    scripts_.push_back({command, args, reply});
}

void TestAgent::silent(const std::string& command) { scripts_.push_back({command, {}, std::nullopt}); }

void TestAgent::otherwise(std::function<std::optional<std::string>(const Request&)> fallback) {
    fallback_ = std::move(fallback);
}

std::vector<Request> TestAgent::requestsFor(const std::string& command) const {
    std::vector<Request> out;
    for (const auto& r : requests_)
        if (!r.empty() && r[0] == "vexcmd=" + command) out.push_back(r);
    return out;
}

std::optional<std::string> TestAgent::answer(const Request& request) {
    requests_.push_back(request);
    if (request.empty()) return std::nullopt;
    for (const auto& m : muted_)
        if (request[0] == "vexcmd=" + m) return std::nullopt;
    const Script* best = nullptr;
    for (const auto& s : scripts_) {
        if (request[0] != "vexcmd=" + s.command) continue;
        bool all = std::all_of(s.args.begin(), s.args.end(), [&](const std::string& a) {
            return std::find(request.begin(), request.end(), a) != request.end();
        });
        // Later scripts override earlier ones of the same specificity.
        if (all && (!best || s.args.size() >= best->args.size())) best = &s;
    }
    if (best) return best->reply;
    if (fallback_) return fallback_(request);
    return std::nullopt;
}

std::string TestAgent::reply(const std::vector<Object>& objects) {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Reply status=\"0\">";
    for (const auto& object : objects) {
        out += "<DCStorageObject>";
        for (const auto& [name, value] : object) out += "<" + name + ">" + escape(value) + "</" + name + ">";
        out += "</DCStorageObject>";
    }
    out += "</Reply>\n";
    return out;
}

}  // namespace kwtest
