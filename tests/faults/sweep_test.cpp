// Every corpus line under every failure point: each kind of counted call
// (memory blocks, XML buffers, response records, agent replies, DOMs) is made
// to fail at its first, second, ... call, once and from then on, up to the
// number of such calls the line makes without failures (KWTEST_COUNTS).
// Every run must end without a crash, a leak or an undocumented exit code,
// must not send a write after a check refused the line, must send what a
// clean run sends if it goes through, and must end with the status the
// corpus names for it; a silent agent on the final request must show as one.
//
// Workers run lines in parallel, each in a sandbox of its own holding a copy
// of one seeded state. KW_FAULTS_WORKERS (default 3) and KW_FAULTS_BUDGET
// (seconds, default 300, 780 in sanitizer builds) bound the work; KW_FAULTS_ONLY=text sweeps only the
// lines containing text; KW_FAULTS_CORPUS=file sweeps another corpus;
// KW_FAULTS_DUMP=file writes one line a run (corpus line, failure point,
// exit code, status, write sent).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "harness.h"

namespace faults {
namespace {

using Clock = std::chrono::steady_clock;

long envNumber(const char* name, long fallback) {
    const char* value = std::getenv(name);
    if (!value || !*value) return fallback;
    char* end = nullptr;
    long n = std::strtol(value, &end, 10);
    return end && *end == '\0' && n > 0 ? n : fallback;
}

// What sweeping one line found.
struct LineReport {
    long runs = 0;
    Counts points{};                 // failure points that were hit, per kind
    long same = 0;                   // persistent points equal to their single-failure run
    long silent = 0;                 // runs that printed nothing and exited 0 where a clean run answers
    bool cut = false;                // the time budget ran out during this line
    std::optional<int> clean;        // its status without failures
    std::vector<std::string> problems;
    std::vector<std::string> trail;  // one line a run, for KW_FAULTS_DUMP
};

class LineSweep {
public:
    LineSweep(const CorpusLine& line, Sandbox& box, Clock::time_point deadline, bool dump)
        : line_(line), box_(box), deadline_(deadline), dump_(dump) {}

    LineReport run() {
        if (!cleanRun()) return report_;
        for (int kind = 0; kind < static_cast<int>(kKinds.size()); ++kind)
            if (!sweepKind(kind)) return report_;
        if (available_)
            for (size_t i = 0; i < line_.expectations.size(); ++i)
                if (!matched_[i]) problem(nullptr, clean_, "an expectation's failure point was never reached");
        return report_;
    }

private:
    void problem(const FailurePoint* point, const Outcome& o, const std::string& what) {
        report_.problems.push_back(what + "\n  " + describe(line_, point, o));
    }

    void judge(const FailurePoint* point, const Outcome& o) {
        for (const auto& p : universalProblems(o)) problem(point, o, p);
        if (!line_.write)
            for (const auto& request : o.agentLog)
                if (isWriteRequest(request)) problem(point, o, "a report line sent a write: " + request);
    }

    // The clean run: its counts bound the sweep, its request is the one any
    // run that goes through must send.
    bool cleanRun() {
        clean_ = box_.run(line_, nullptr);
        ++report_.runs;
        report_.clean = clean_.status;
        judge(nullptr, clean_);
        if (!clean_.countsSeen) return false;
        available_ = clean_.status != kNotAvailable;
        if (available_ && line_.clean && clean_.status != line_.clean)
            problem(nullptr, clean_, "expected status " + std::to_string(*line_.clean) + " without failures");
        for (const auto& request : clean_.agentLog)
            if (isWriteRequest(request)) cleanWrite_ = request;
        if (line_.write && available_ && clean_.status == 1000 && cleanWrite_.empty())
            problem(nullptr, clean_, "a write line went through without sending a write");
        matched_.assign(line_.expectations.size(), false);
        return true;
    }

    // n = 1, 2, ... up to the clean run's count: the first n - 1 calls of a
    // run are those of the clean run, so beyond its count no call fails.
    // A persistent failure differs from a single one only when the run goes
    // on to make more calls of that kind; where it does not, the two runs
    // are the same and the persistent one is not repeated.
    bool sweepKind(int kind) {
        const size_t k = static_cast<size_t>(kind);
        const long calls = clean_.counts[k];
        std::vector<long> callsAfter(static_cast<size_t>(calls) + 1, 0);
        std::vector<Outcome> single(static_cast<size_t>(calls) + 1);
        for (bool persistent : {false, true})
            for (long n = 1; n <= calls; ++n) {
                if (persistent && callsAfter[static_cast<size_t>(n)] <= n) {
                    ++report_.same;
                    if (available_) checkExpectations({kind, n, true}, single[static_cast<size_t>(n)]);
                    continue;
                }
                if (Clock::now() > deadline_) {
                    report_.cut = true;
                    return false;
                }
                const FailurePoint point{kind, n, persistent};
                Outcome o = box_.run(line_, &point);
                ++report_.runs;
                judge(&point, o);
                if (!persistent) {
                    callsAfter[static_cast<size_t>(n)] = o.countsSeen ? o.counts[k] : calls;
                    single[static_cast<size_t>(n)] = o;
                }
                if (o.countsSeen && o.counts[k] < n) {
                    problem(&point, o, "the run did not reach the failure point its clean run reaches");
                    continue;
                }
                ++report_.points[k];
                checkOutcome(point, o);
                record(point, o);
            }
        return true;
    }

    void record(const FailurePoint& point, const Outcome& o) {
        std::string sent = "-";
        for (const auto& request : o.agentLog)
            if (isWriteRequest(request)) sent = request.substr(0, request.find('\t'));
        if (o.run.exitCode == 0 && o.run.out.empty() && !clean_.run.out.empty()) {
            // A failure never passes for success: whatever it cost, the
            // user is told (and a script sees a non-zero exit).
            ++report_.silent;
            problem(&point, o, "printed nothing and exited 0 where the clean run answers");
        }
        if (dump_)
            report_.trail.push_back(std::to_string(line_.lineNo) + "\t" + point.env() + "\t" +
                                    std::to_string(o.run.exitCode) + "\t" +
                                    (o.status ? std::to_string(*o.status) : "-") + "\t" + sent + "\t" + line_.text);
    }

    // The corpus's expectations for this point; a persistent point that was
    // not rerun is judged by its single-failure run.
    void checkExpectations(const FailurePoint& point, const Outcome& o) {
        const size_t kind = static_cast<size_t>(point.kind);
        for (size_t i = 0; i < line_.expectations.size(); ++i) {
            const Expectation& e = line_.expectations[i];
            const long n = e.n == 0 ? clean_.counts[kind] : e.n;
            if (e.kind != point.kind || n != point.n || e.persistent != point.persistent) continue;
            matched_[i] = true;
            if (o.status != e.status) problem(&point, o, "expected status " + std::to_string(e.status));
        }
    }

    void checkOutcome(const FailurePoint& point, const Outcome& o) {
        if (!available_) return;
        const size_t kind = static_cast<size_t>(point.kind);
        checkExpectations(point, o);
        // The request that goes out after every check passed gets no reply:
        // the host reports a silent agent.
        const bool wentThrough = clean_.status == 1000 && clean_.run.exitCode == 0 && !line_.noReply;
        if (wentThrough && point.kind == kindIndex("reply") && !point.persistent &&
            point.n == clean_.counts[kind] && (o.status != kNoAgent || o.run.exitCode != 4))
            problem(&point, o, "a silent agent on the final request must end with 2101 and exit 4");
        // A run that went through despite a failure sends what a clean run sends.
        if (o.status == 1000 && !cleanWrite_.empty()) {
            std::string sent;
            for (const auto& request : o.agentLog)
                if (isWriteRequest(request)) sent = request;
            if (!sent.empty() && sent != cleanWrite_)
                problem(&point, o, "went through with another request: " + sent + " instead of " + cleanWrite_);
        }
    }

    const CorpusLine& line_;
    Sandbox& box_;
    Clock::time_point deadline_;
    bool dump_;
    LineReport report_;
    Outcome clean_;
    bool available_ = true;
    std::string cleanWrite_;
    std::vector<bool> matched_;
};

TEST(FaultSweep, EveryFailurePointOfEveryCorpusLine) {
    auto corpus = readCorpus(corpusPath());
    if (const char* only = std::getenv("KW_FAULTS_ONLY"); only && *only)
        std::erase_if(corpus, [only](const CorpusLine& l) { return l.text.find(only) == std::string::npos; });
    ASSERT_FALSE(corpus.empty());

    kwtest::TempDir seedDir;
    const std::string seed = seedDir.file("seed.db");
    seedState(seed);

    const auto started = Clock::now();
    // Sanitized binaries start several times slower; their sweep gets most
    // of the test's time limit.
    const long budget = envNumber("KW_FAULTS_BUDGET", RK_SANITIZE_BUILD ? 780 : 300);
    const auto deadline = started + std::chrono::seconds(budget);
    const long workers = envNumber("KW_FAULTS_WORKERS", 3);
    const char* dump = std::getenv("KW_FAULTS_DUMP");
    if (dump && !*dump) dump = nullptr;
    std::vector<LineReport> reports(corpus.size());
    std::atomic<size_t> next{0};
    std::vector<std::thread> pool;
    for (long w = 0; w < workers; ++w)
        pool.emplace_back([&] {
            Sandbox box(seed);
            for (size_t i; (i = next.fetch_add(1)) < corpus.size();) {
                if (Clock::now() > deadline) reports[i].cut = true;
                else reports[i] = LineSweep(corpus[i], box, deadline, dump != nullptr).run();
            }
        });
    for (auto& t : pool) t.join();

    long runs = 0, cut = 0, shown = 0, silent = 0, same = 0;
    std::ofstream trail;
    if (dump) trail.open(dump);
    Counts points{};
    for (size_t i = 0; i < corpus.size(); ++i) {
        runs += reports[i].runs;
        cut += reports[i].cut ? 1 : 0;
        silent += reports[i].silent;
        same += reports[i].same;
        for (const auto& t : reports[i].trail) trail << t << "\n";
        for (size_t k = 0; k < kKinds.size(); ++k) points[k] += reports[i].points[k];
        for (const auto& p : reports[i].problems)
            if (++shown <= 40) ADD_FAILURE() << p;
    }
    if (shown > 40) ADD_FAILURE() << shown - 40 << " more problems not shown";

    long total = 0;
    std::string perKind;
    for (size_t k = 0; k < kKinds.size(); ++k) {
        total += points[k];
        perKind += std::string(k ? ", " : "") + kKinds[k] + " " + std::to_string(points[k]);
    }
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - started).count();
    std::printf("fault sweep: %zu lines, %ld runs, %ld failure points exercised (%s), %ld workers, %lld s\n",
                corpus.size(), runs, total, perKind.c_str(), workers, static_cast<long long>(seconds));
    std::printf("fault sweep: %ld further persistent failure points behave as their single failure (not rerun); "
                "%ld failure points in all\n",
                same, total + same);
    if (silent > 0)
        std::printf("fault sweep: %ld runs printed nothing and exited 0 where the clean run answers\n", silent);
    if (cut > 0)
        std::printf("fault sweep: time budget reached, %ld lines not swept to the end (raise KW_FAULTS_BUDGET)\n",
                    cut);
    RecordProperty("failure_points", static_cast<int>(total));
}

}  // namespace
}  // namespace faults
