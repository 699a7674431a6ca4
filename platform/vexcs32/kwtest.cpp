// Test counters shared by the four platform libraries: call counts per kind,
// live object counts, and failure injection driven by KWTEST_FAIL.
//
// Every counter is a plain atomic, so the libraries may count from any thread.
// The failure rule is read from the environment on first use and again on
// KWTestReset; reading it is guarded by a mutex so that two threads making
// their first counted call together parse it once.

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "vexcs32.h"

namespace {

constexpr std::array<const char*, KWTEST_KIND_COUNT> kKindNames = {"mem", "xbuf", "resp", "reply", "dom"};
constexpr std::array<const char*, KWLIVE_KIND_COUNT> kLiveNames = {"block", "xbuf", "xtext", "resp",
                                                                   "dom",   "domlist", "reply"};

// Exit status of KWTestFinish when something is still live.
constexpr int kLeakExitStatus = 70;

struct FailRule {
    int kind = -1;           // KWTestKind, or -1 for "nothing fails"
    long callNumber = 0;     // counted from 1
    bool persistent = false; // fail every call from callNumber on
};

std::array<std::atomic<long>, KWTEST_KIND_COUNT> g_calls{};
std::array<std::atomic<long>, KWLIVE_KIND_COUNT> g_live{};

std::atomic<bool> g_ruleLoaded{false};
std::atomic<int> g_failKind{-1};
std::atomic<long> g_failCall{0};
std::atomic<bool> g_failPersistent{false};
std::mutex g_ruleMutex;

bool validKind(int kind) { return kind >= 0 && kind < KWTEST_KIND_COUNT; }
bool validLive(int kind) { return kind >= 0 && kind < KWLIVE_KIND_COUNT; }

std::optional<int> kindByName(std::string_view name) {
    for (int i = 0; i < KWTEST_KIND_COUNT; ++i)
        if (name == kKindNames[i]) return i;
    return std::nullopt;
}

// A positive decimal number, nothing else.
std::optional<long> positiveNumber(std::string_view text) {
    if (text.empty() || text.size() > 18) return std::nullopt;
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < 1) return std::nullopt;
    return value;
}

// Parses "<kind>:<n>" or "<kind>:<n>:persistent".
std::optional<FailRule> parseRule(std::string_view text) {
    size_t first = text.find(':');
    if (first == std::string_view::npos) return std::nullopt;
    std::string_view kindText = text.substr(0, first);
    std::string_view rest = text.substr(first + 1);
    std::string_view numberText = rest;
    bool persistent = false;
    size_t second = rest.find(':');
    if (second != std::string_view::npos) {
        if (rest.substr(second + 1) != "persistent") return std::nullopt;
        numberText = rest.substr(0, second);
        persistent = true;
    }
    std::optional<int> kind = kindByName(kindText);
    std::optional<long> number = positiveNumber(numberText);
    if (!kind || !number) return std::nullopt;
    return FailRule{*kind, *number, persistent};
}

// Reads KWTEST_FAIL. An unset or empty variable means nothing fails; a
// malformed one is ignored after one warning line.
FailRule readRuleFromEnvironment() {
    const char* value = std::getenv("KWTEST_FAIL");
    if (value == nullptr || *value == '\0') return {};
    std::optional<FailRule> rule = parseRule(value);
    if (!rule) {
        std::fprintf(stderr, "kwtest: ignoring malformed KWTEST_FAIL=%s\n", value);
        return {};
    }
    return *rule;
}

void installRule(const FailRule& rule) {
    g_failKind.store(rule.kind);
    g_failCall.store(rule.callNumber);
    g_failPersistent.store(rule.persistent);
}

void loadRuleOnce() {
    if (g_ruleLoaded.load(std::memory_order_acquire)) return;
    std::lock_guard<std::mutex> lock(g_ruleMutex);
    if (g_ruleLoaded.load(std::memory_order_relaxed)) return;
    installRule(readRuleFromEnvironment());
    g_ruleLoaded.store(true, std::memory_order_release);
}

// A report is on for any value but empty or "0" (the documented value is 1).
bool flagSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

void printCounts() {
    std::string line = "kwtest:";
    for (int i = 0; i < KWTEST_KIND_COUNT; ++i)
        line += " " + std::string(kKindNames[i]) + "=" + std::to_string(g_calls[i].load());
    std::fprintf(stderr, "%s\n", line.c_str());
}

// Prints the kinds with live objects; true when there were any.
bool printLeaks() {
    std::string line = "kwtest: leaked";
    bool any = false;
    for (int i = 0; i < KWLIVE_KIND_COUNT; ++i) {
        long live = g_live[i].load();
        if (live <= 0) continue;
        line += " " + std::string(kLiveNames[i]) + "=" + std::to_string(live);
        any = true;
    }
    if (any) std::fprintf(stderr, "%s\n", line.c_str());
    return any;
}

}  // namespace

extern "C" {

int KWTestShouldFail(KWTestKind kind) {
    if (!validKind(kind)) return 0;
    loadRuleOnce();
    long call = g_calls[kind].fetch_add(1) + 1;
    if (g_failKind.load() != kind) return 0;
    long failAt = g_failCall.load();
    return (call == failAt || (g_failPersistent.load() && call > failAt)) ? 1 : 0;
}

void KWTestAcquired(KWTestLive kind) {
    if (validLive(kind)) g_live[kind].fetch_add(1);
}

void KWTestReleased(KWTestLive kind) {
    if (validLive(kind)) g_live[kind].fetch_sub(1);
}

long KWTestLiveCount(KWTestLive kind) { return validLive(kind) ? g_live[kind].load() : 0; }

long KWTestCallCount(KWTestKind kind) { return validKind(kind) ? g_calls[kind].load() : 0; }

void KWTestReset(void) {
    try {
        std::lock_guard<std::mutex> lock(g_ruleMutex);
        for (auto& c : g_calls) c.store(0);
        for (auto& l : g_live) l.store(0);
        installRule(readRuleFromEnvironment());
        g_ruleLoaded.store(true, std::memory_order_release);
    } catch (...) {
        // Taking the lock failed: the previous rule stays in force.
    }
}

int KWTestFinish(void) {
    try {
        if (flagSet("KWTEST_COUNTS")) printCounts();
        if (flagSet("KWTEST_LEAKS") && printLeaks()) return kLeakExitStatus;
    } catch (...) {
        // Out of memory while formatting the report: nothing more to say.
    }
    return 0;
}

}  // extern "C"
