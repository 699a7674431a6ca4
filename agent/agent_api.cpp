// The two entry points the data bridge calls. Nothing thrown inside ever
// leaves them: every failure becomes a reply with a non-zero status and an
// <Error> that names the problem.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include "commands.h"
#include "environment.h"
#include "errors.h"
#include "local_system.h"
#include "profile.h"
#include "reply.h"
#include "request.h"
#include "seed.h"
#include "session.h"
#include "store.h"
#include "tasks.h"
#include "write_support.h"

#define KWDA_EXPORT extern "C" __attribute__((visibility("default")))

namespace kwda {

namespace {

// One connection per process and state file. A child process made by fork()
// never touches its parent's connection (SQLite connections must not cross
// fork); it opens its own.
struct Connection {
    pid_t owner = 0;
    std::string path;
    std::optional<std::string> profile;  // the profile named when it was opened (and checked)
    std::unique_ptr<Store> store;

    ~Connection() {
        if (owner != ::getpid()) (void)store.release();
    }
};

std::mutex& connectionLock() {
    static std::mutex lock;
    return lock;
}

Connection& cachedConnection() {
    static Connection connection;
    return connection;
}

char* copyOut(const std::string& text) {
    char* reply = static_cast<char*>(std::malloc(text.size() + 1));
    if (reply) std::memcpy(reply, text.c_str(), text.size() + 1);
    return reply;
}

// Never throws: when even the error reply cannot be built there is no reply.
char* failureReply(const std::string& command, Status status, const char* reason) noexcept {
    try {
        return copyOut(errorReply(command, status, reason));
    } catch (...) {
        return nullptr;
    }
}

char* failureReply(const std::string& command, Status status, const std::string& reason) noexcept {
    return failureReply(command, status, reason.c_str());
}

void flushEvents(Session& session) {
    // The write is committed: a log that cannot be written must not turn
    // it into a failure, so the result is not reported.
    appendEvents(session.alertLogFile(), session.now, session.events, session.env.alertLogLimit);
    session.events.clear();
}

// A profile named for a state that exists must be the one that seeded it
// (the same text; it may lie elsewhere): otherwise the caller would see a
// system other than the one they described. States from before the seed
// was recorded are taken as they are.
void checkSeededBy(Store& store, const std::string& profilePath) {
    std::optional<std::string> source, hash;
    store.read([&] {
        source = store.meta("source");
        hash = store.meta("sourcehash");
    });
    if (!hash || contentHash(readProfileFile(profilePath)) == *hash) return;
    std::string seeder = !source ? "another profile"
                         : *source == kEmbeddedProfileSource ? "the built-in system"
                                                             : "the profile " + *source;
    std::string fault =
        source == profilePath
            ? "the profile " + profilePath + " has changed since it created state file " + store.path()
            : "state file " + store.path() + " was created from " + seeder + ", not from the profile " + profilePath +
                  " given now";
    throw AgentError(Status::Mismatch, fault + "; to start afresh from " + profilePath +
                                           ", name a new state file (--state) or remove " + store.path());
}

Store& openState(const Environment& env, double now) {
    Connection& connection = cachedConnection();
    // A state opened for reading only is opened again for each request, so
    // one that became writable meanwhile takes writes at once.
    if (connection.store && connection.owner == ::getpid() && connection.path == env.statePath &&
        connection.profile == env.profilePath && !connection.store->readOnly() && connection.store->stillCurrent())
        return *connection.store;
    if (connection.owner != ::getpid()) (void)connection.store.release();
    connection.store.reset();
    std::vector<Event> seedEvents;
    std::string seededFrom;
    auto seed = [&](Store& store) {
        Profile profile = env.profilePath ? loadProfileFile(*env.profilePath) : defaultProfile();
        seedState(store, profile, env, now, seedEvents);
        seededFrom = profile.source;
        seedEvents.insert(seedEvents.begin(),
                          Event{"Info", "Storage", "storage state created from " + profile.source});
    };
    auto store = std::make_unique<Store>(env.statePath, seed);
    if (store->created())
        std::fprintf(stderr, "Created the storage state %s from the %s.\n", env.statePath.c_str(),
                     env.profilePath ? ("profile " + seededFrom).c_str() : "built-in system");
    else if (env.profilePath)
        checkSeededBy(*store, *env.profilePath);
    connection.owner = ::getpid();
    connection.path = env.statePath;
    connection.profile = env.profilePath;
    connection.store = std::move(store);
    if (connection.store->created() && !seedEvents.empty()) {
        Session session(*connection.store, env, now);
        session.events = std::move(seedEvents);
        flushEvents(session);
    }
    return *connection.store;
}

std::string handle(uint32_t count, const char* const* vector, std::string& command) {
    if (const char* log = std::getenv("KWDA_LOG"); log && *log) {
        std::vector<std::string> elements;
        for (uint32_t i = 0; vector && i < count; ++i) elements.emplace_back(vector[i] ? vector[i] : "");
        logRequest(log, elements);
    }
    Request request = Request::parse(count, vector);
    command = request.command();
    const Command* entry = findCommand(command);
    if (!entry) badRequest("unknown command " + command);
    bool writes = entry->access == Access::Write ||
                  (entry->access == Access::PassThrough && passThroughWrites(request));
    // Checked before the state is opened: a text that is refused never
    // reaches it.
    if (writes) checkArgumentTexts(request);
    Environment env = Environment::fromProcess();
    std::optional<LocalPaths> local = localSystemFromEnvironment();
    double now = nowSeconds();

    std::lock_guard<std::mutex> guard(connectionLock());
    // The machine's own storage is read afresh for every request; a
    // simulated system lives in its state file.
    Store* machine = local ? &openLocalModel(*local, env, now) : nullptr;
    Store& store = machine ? *machine : openState(env, now);
    Session session(store, env, now);
    // With a time scale of 0 every running task is due at once. A state
    // opened for reading only keeps its due tasks: reports show them at
    // their progress, and the next writer settles them. The machine's
    // tasks are the kernel's and finish when it says so.
    double dueBy = env.timeScale <= 0 ? 1e300 : now;
    if (!machine && !store.readOnly() && store.anyTaskDue(dueBy)) {
        store.write([&] { settleDueTasks(session, dueBy); });
        flushEvents(session);
    }
    ReplyBuilder out(command);
    if (writes) {
        store.write([&] {
            std::optional<MachineWrite> effect;
            if (machine) effect.emplace(store);
            entry->handler(session, request, out);
            if (effect) effect->apply(store, request);
        });
        flushEvents(session);
        if (machine) forgetLocalModel();  // last: the session still used it
    } else {
        store.read([&] { entry->handler(session, request, out); });
    }
    return out.finish();
}

}  // namespace

}  // namespace kwda

KWDA_EXPORT char* RKDBAgentSendCmd(uint32_t count, const char* const* vector) {
    using namespace kwda;
    std::string command;
    try {
        command = "unknown";
        return copyOut(handle(count, vector, command));
    } catch (const AgentError& e) {
        return failureReply(command, e.status(), e.what());
    } catch (const std::bad_alloc&) {
        return failureReply(command, Status::Unavailable, "out of memory");
    } catch (const std::exception& e) {
        return failureReply(command, Status::Unavailable, std::string("internal error: ") + e.what());
    } catch (...) {
        return failureReply(command, Status::Unavailable, "internal error");
    }
}

KWDA_EXPORT void RKDBAgentFreeData(char* reply) { std::free(reply); }
