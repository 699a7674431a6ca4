// Runs corpus lines through the real binaries under injected failures and
// judges each run: no crash, no leak, an exit code the host documents, no
// write request after a failed check, and the outcome a line expects.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "e2e.h"

namespace faults {

inline constexpr std::array<const char*, 5> kKinds = {"mem", "xbuf", "resp", "reply", "dom"};
using Counts = std::array<long, kKinds.size()>;
int kindIndex(const std::string& kind);  // -1 when unknown

// One injected failure: the n-th call of a kind fails once, or from then on.
struct FailurePoint {
    int kind = 0;
    long n = 0;
    bool persistent = false;
    std::string env() const;  // the KWTEST_FAIL value
};

// "reply:1:p=1600": the status a run must end with under one failure point;
// n == 0 stands for "last" (the last call of the kind on a clean run).
struct Expectation {
    int kind = 0;
    long n = 0;
    bool persistent = false;
    int status = 0;
};

struct CorpusLine {
    int lineNo = 0;
    bool write = false;
    std::string text;                // the command line as written
    std::vector<std::string> words;  // command word first
    std::optional<int> clean;        // expected status without failures
    bool noReply = false;            // a clean run ends without a reply record
    bool valgrind = false;           // one of the lines also run under valgrind
    std::vector<Expectation> expectations;
};

// Reads the corpus; throws std::runtime_error naming a malformed line.
std::vector<CorpusLine> readCorpus(const std::string& path);
std::string corpusPath();

// What one run of a line showed.
struct Outcome {
    kwtest::RunResult run;
    std::optional<int> status;   // json "status", when the host printed one
    Counts counts{};             // KWTEST_COUNTS line; all -1 when missing
    bool countsSeen = false;
    std::vector<std::string> agentLog;  // KWDA_LOG lines of this run
};

// A private folder with a state file that is put back to the seeded state
// before each run that needs it (copying the seeded file is much cheaper
// than seeding again).
class Sandbox {
public:
    explicit Sandbox(const std::string& seededState);
    // Runs line with the failure point (none when null), behind wrapper
    // (a program and its options, such as valgrind) when one is given;
    // restores the state first when the previous run may have changed it.
    Outcome run(const CorpusLine& line, const FailurePoint* point, const std::string& wrapper = "");

private:
    void restore();
    std::string seed_;
    kwtest::TempDir dir_;
    std::string state_;
    std::string log_;
    bool dirty_ = true;
};

// Makes a seeded state file at path (one report run against the default system).
void seedState(const std::string& path);

// The problems a run shows, empty when it is clean. Every rule that holds
// for any run of any line under any failure point.
std::vector<std::string> universalProblems(const Outcome& outcome);

// Whether a logged agent request changes the state.
bool isWriteRequest(const std::string& logLine);
// Plug-in rejection codes (a check refused the line).
inline bool isCheckRejection(int status) { return status >= 1600 && status <= 1699; }
// Framework codes: a command path not built yet; no answer from the agent.
inline constexpr int kNotAvailable = 2020;
inline constexpr int kNoAgent = 2101;

// A short description of a run for failure messages.
std::string describe(const CorpusLine& line, const FailurePoint* point, const Outcome& outcome);

}  // namespace faults
