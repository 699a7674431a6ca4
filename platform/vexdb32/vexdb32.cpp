// Data bridge: the registry of data-agent plug-ins by prefix and the
// transport of one request to one agent.
//
// An agent registered in-process wins over one loaded from disk. Otherwise
// lib<prefix>.so is loaded from the folders of RKDB_PLUGIN_PATH, then from the
// folder this library lives in. A prefix keeps its id for the life of the
// process, whichever agent currently answers for it.
//
// Loaded agents are never unloaded: a reply may still be live, and an agent
// may hold a database open that must not vanish under an exit handler.
// Every reply is remembered with the release function of the agent that made
// it, so it is released correctly even if the prefix changed hands meanwhile.
//
// A refusal because the agent's state is unavailable (status="3") is easy to
// misread further up ("controller 0 does not exist" when no state could be
// read at all): its reason is kept until the next request, for the caller
// to show.

#include <dlfcn.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "reply_text.h"
#include "vexcs32.h"
#include "vexdb32.h"

namespace {

struct AgentFunctions {
    RKDBAgentSendFn send = nullptr;
    RKDBAgentFreeFn release = nullptr;
};

struct Slot {
    std::string prefix;
    std::optional<AgentFunctions> registered;  // in-process agent
    std::optional<AgentFunctions> loaded;      // agent loaded from disk
    const AgentFunctions* active() const {
        if (registered) return &*registered;
        if (loaded) return &*loaded;
        return nullptr;
    }
};

// ---- locating agents on disk -----------------------------------------------

// A prefix names a file inside a folder: nothing that could leave it.
bool usablePrefix(std::string_view prefix) {
    return !prefix.empty() && prefix.find('/') == std::string_view::npos && prefix != "." && prefix != "..";
}

std::vector<std::string> pluginPathFolders() {
    std::vector<std::string> folders;
    const char* path = std::getenv("RKDB_PLUGIN_PATH");
    if (path == nullptr) return folders;
    std::string_view rest(path);
    while (!rest.empty()) {
        size_t colon = rest.find(':');
        std::string_view folder = rest.substr(0, colon);
        if (!folder.empty()) folders.emplace_back(folder);
        if (colon == std::string_view::npos) break;
        rest.remove_prefix(colon + 1);
    }
    return folders;
}

std::optional<std::string> ownFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&RKDBPluginGetIDByPrefix), &info) == 0 || info.dli_fname == nullptr)
        return std::nullopt;
    std::string file(info.dli_fname);
    size_t slash = file.rfind('/');
    if (slash == std::string::npos) return std::nullopt;
    return file.substr(0, slash);
}

// Opens one candidate file; an agent that lacks either entry point is closed
// again at once (nothing of it can be in use yet).
std::optional<AgentFunctions> openAgent(const std::string& file) {
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return std::nullopt;
    AgentFunctions functions;
    functions.send = reinterpret_cast<RKDBAgentSendFn>(dlsym(handle, "RKDBAgentSendCmd"));
    functions.release = reinterpret_cast<RKDBAgentFreeFn>(dlsym(handle, "RKDBAgentFreeData"));
    if (functions.send == nullptr || functions.release == nullptr) {
        dlclose(handle);
        return std::nullopt;
    }
    return functions;
}

std::optional<AgentFunctions> loadAgent(const std::string& prefix) {
    if (!usablePrefix(prefix)) return std::nullopt;
    std::vector<std::string> folders = pluginPathFolders();
    if (std::optional<std::string> own = ownFolder()) folders.push_back(*own);
    std::string fileName = "lib" + prefix + ".so";
    for (const std::string& folder : folders) {
        if (std::optional<AgentFunctions> agent = openAgent(folder + "/" + fileName)) return agent;
    }
    return std::nullopt;
}

// ---- registry ----------------------------------------------------------------

class Registry {
public:
    // The id of the prefix's agent, loading it if need be; 0 when none.
    // Loading runs outside the lock: an agent's initialisation may itself
    // call into the bridge.
    uint32_t idFor(const std::string& prefix) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            Slot* slot = slotOf(prefix);
            if (slot != nullptr && slot->active() != nullptr) return idOf(prefix);
        }
        std::optional<AgentFunctions> loaded = loadAgent(prefix);
        if (!loaded) return 0;
        std::lock_guard<std::mutex> lock(mutex_);
        uint32_t id = ensureSlot(prefix);
        slots_[id - 1].loaded = loaded;
        return id;
    }

    uint32_t registerAgent(const std::string& prefix, AgentFunctions functions) {
        std::lock_guard<std::mutex> lock(mutex_);
        uint32_t id = ensureSlot(prefix);
        slots_[id - 1].registered = functions;
        return id;
    }

    void unregisterAgent(const std::string& prefix) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (Slot* slot = slotOf(prefix)) slot->registered.reset();
    }

    // The functions currently answering for id, if any. An id whose
    // in-process agent was unregistered falls back to one on disk.
    std::optional<AgentFunctions> agentFor(uint32_t id) {
        std::string prefix;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (id == 0 || id > slots_.size()) return std::nullopt;
            if (const AgentFunctions* active = slots_[id - 1].active()) return *active;
            prefix = slots_[id - 1].prefix;
        }
        return idFor(prefix) == id ? agentFor(id) : std::nullopt;
    }

    void rememberReply(char* reply, RKDBAgentFreeFn release) {
        std::lock_guard<std::mutex> lock(mutex_);
        liveReplies_.emplace(reply, release);
    }

    // The release function of a reply this bridge handed out, forgetting it;
    // null for anything else.
    RKDBAgentFreeFn takeReply(char* reply) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = liveReplies_.find(reply);
        if (it == liveReplies_.end()) return nullptr;
        RKDBAgentFreeFn release = it->second;
        liveReplies_.erase(it);
        return release;
    }

private:
    Slot* slotOf(const std::string& prefix) {
        auto it = ids_.find(prefix);
        return it == ids_.end() ? nullptr : &slots_[it->second - 1];
    }

    uint32_t idOf(const std::string& prefix) const { return ids_.at(prefix); }

    // Ids count from 1 in the order prefixes first get an agent.
    uint32_t ensureSlot(const std::string& prefix) {
        auto it = ids_.find(prefix);
        if (it != ids_.end()) return it->second;
        slots_.push_back(Slot{prefix, std::nullopt, std::nullopt});
        uint32_t id = static_cast<uint32_t>(slots_.size());
        ids_.emplace(prefix, id);
        return id;
    }

    std::mutex mutex_;
    std::map<std::string, uint32_t> ids_;
    std::vector<Slot> slots_;  // slot of id n at n - 1
    std::unordered_map<char*, RKDBAgentFreeFn> liveReplies_;
};

// Never destroyed: agents stay loaded to the end and replies may be released
// from other libraries' exit handlers.
Registry& registry() {
    static Registry* instance = new Registry();
    return *instance;
}

// ---- the reason of the last "state unavailable" refusal ---------------------

constexpr int32_t kStateUnavailable = 3;
constexpr int32_t kStateMismatch = 4;

// The reason of a reply that refuses a request because the agent's state is
// unavailable or does not match the profile named (<Reply ... status="3">
// <Error>reason</Error>); nullopt for any other reply.
std::optional<std::string> unavailableReason(std::string_view reply, int32_t& status) {
    std::string reason;
    if (!rkreply::readRefusal(reply, status, reason) || (status != kStateUnavailable && status != kStateMismatch))
        return std::nullopt;
    if (reason.empty()) return std::string("the agent gave no reason");
    return reason;
}

// What RKDBLastUnavailableReason answers: set or cleared by every request.
class LastUnavailable {
public:
    void remember(const char* reply) {
        int32_t status = 0;
        std::optional<std::string> reason = reply ? unavailableReason(reply, status) : std::nullopt;
        std::lock_guard<std::mutex> lock(mutex_);
        present_ = reason.has_value();
        status_ = present_ ? status : 0;
        text_ = reason.value_or("");
    }
    void forget() {
        std::lock_guard<std::mutex> lock(mutex_);
        present_ = false;
        status_ = 0;
        text_.clear();
    }
    int32_t status() {
        std::lock_guard<std::mutex> lock(mutex_);
        return status_;
    }
    const char* reason() {
        std::lock_guard<std::mutex> lock(mutex_);
        return present_ ? text_.c_str() : nullptr;
    }

private:
    std::mutex mutex_;
    bool present_ = false;
    int32_t status_ = 0;
    std::string text_;
};

// Never destroyed, like the registry.
LastUnavailable& lastUnavailable() {
    static LastUnavailable* instance = new LastUnavailable();
    return *instance;
}

std::atomic<uint32_t> unanswered{0};  // requests that got no reply

// Sends through the agent; an agent that throws (an in-process one may)
// counts as no reply.
char* callAgent(const AgentFunctions& agent, uint32_t count, const char* const* vector) {
    try {
        return agent.send(count, vector);
    } catch (...) {
        return nullptr;
    }
}

// One request: the agent's reply, or null when there is none.
char* sendToAgent(uint32_t id, uint32_t count, const char* const* vector) {
    try {
        lastUnavailable().forget();
        std::optional<AgentFunctions> agent = registry().agentFor(id);
        if (!agent) return nullptr;
        if (KWTestShouldFail(KWTEST_REPLY)) return nullptr;
        char* reply = callAgent(*agent, count, vector);
        if (reply == nullptr) return nullptr;
        try {
            lastUnavailable().remember(reply);
            registry().rememberReply(reply, agent->release);
        } catch (...) {
            lastUnavailable().forget();
            agent->release(reply);
            return nullptr;
        }
        KWTestAcquired(KWLIVE_REPLY);
        return reply;
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

extern "C" {

uint32_t RKDBPluginInstalledByPrefix(const char* prefix) {
    return RKDBPluginGetIDByPrefix(prefix) != 0 ? 1 : 0;
}

uint32_t RKDBPluginGetIDByPrefix(const char* prefix) {
    uint32_t id = 0;
    try {
        if (prefix != nullptr) id = registry().idFor(prefix);
    } catch (...) {
        id = 0;
    }
    if (id == 0) ++unanswered;  // no agent: nothing asked of it can be answered
    return id;
}

char* RKDBPluginSendCmd(uint32_t id, uint32_t count, const char* const* vector) {
    char* reply = sendToAgent(id, count, vector);
    if (reply == nullptr) ++unanswered;
    return reply;
}

uint32_t RKDBUnansweredRequests(void) { return unanswered.load(); }

void RKDBPluginFreeData(uint32_t id, char* reply) {
    if (reply == nullptr) return;
    try {
        // A pointer this bridge did not hand out is left alone: releasing it
        // with a guessed function could only corrupt memory.
        RKDBAgentFreeFn release = registry().takeReply(reply);
        if (release == nullptr) return;
        KWTestReleased(KWLIVE_REPLY);
        release(reply);
    } catch (...) {
        // An in-process agent's release threw; the reply is forgotten.
    }
}

const char* RKDBLastUnavailableReason(void) {
    try {
        return lastUnavailable().reason();
    } catch (...) {
        return nullptr;
    }
}

int32_t RKDBLastUnavailableStatus(void) {
    try {
        return lastUnavailable().status();
    } catch (...) {
        return 0;
    }
}

uint32_t RKDBPluginRegister(const char* prefix, RKDBAgentSendFn send, RKDBAgentFreeFn release) {
    if (prefix == nullptr || *prefix == '\0' || send == nullptr || release == nullptr) return 0;
    try {
        return registry().registerAgent(prefix, AgentFunctions{send, release});
    } catch (...) {
        return 0;
    }
}

void RKDBPluginUnregister(const char* prefix) {
    if (prefix == nullptr) return;
    try {
        registry().unregisterAgent(prefix);
    } catch (...) {
        // Nothing was changed.
    }
}

}  // extern "C"
