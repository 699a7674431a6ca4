#include "harness.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "../e2e_host/json_check.h"

namespace faults {

namespace fs = std::filesystem;

int kindIndex(const std::string& kind) {
    for (size_t i = 0; i < kKinds.size(); ++i)
        if (kind == kKinds[i]) return static_cast<int>(i);
    return -1;
}

std::string FailurePoint::env() const {
    return std::string(kKinds[static_cast<size_t>(kind)]) + ":" + std::to_string(n) + (persistent ? ":persistent" : "");
}

std::string corpusPath() {
    const char* other = std::getenv("KW_FAULTS_CORPUS");
    return other && *other ? other : std::string(RK_SOURCE_DIR) + "/tests/faults/corpus.txt";
}

namespace {

std::string trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> split(const std::string& s, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(s);
    while (std::getline(in, part, separator)) parts.push_back(part);
    if (!s.empty() && s.back() == separator) parts.emplace_back();
    return parts;
}

std::vector<std::string> words(const std::string& s) {
    std::vector<std::string> out;
    std::istringstream in(s);
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

[[noreturn]] void malformed(int lineNo, const std::string& why) {
    throw std::runtime_error("corpus line " + std::to_string(lineNo) + ": " + why);
}

// "reply:1:p=1600" or "reply:last=2101".
Expectation parseExpectation(const std::string& token, int lineNo) {
    const auto eq = token.find('=');
    if (eq == std::string::npos) malformed(lineNo, "expectation without '=': " + token);
    const auto fields = split(token.substr(0, eq), ':');
    if (fields.size() < 2 || fields.size() > 3) malformed(lineNo, "bad failure point: " + token);
    Expectation e;
    e.kind = kindIndex(fields[0]);
    if (e.kind < 0) malformed(lineNo, "unknown kind: " + token);
    e.n = fields[1] == "last" ? 0 : std::stol(fields[1]);
    if (fields.size() == 3) {
        if (fields[2] != "p") malformed(lineNo, "only ':p' may follow the number: " + token);
        e.persistent = true;
    }
    e.status = std::stoi(token.substr(eq + 1));
    return e;
}

void parseAnnotations(const std::string& text, CorpusLine& line) {
    for (const auto& token : words(text)) {
        if (token == "noreply") line.noReply = true;
        else if (token == "vg") line.valgrind = true;
        else if (token.rfind("clean=", 0) == 0) line.clean = std::stoi(token.substr(6));
        else line.expectations.push_back(parseExpectation(token, line.lineNo));
    }
}

}  // namespace

std::vector<CorpusLine> readCorpus(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::vector<CorpusLine> corpus;
    int lineNo = 0;
    for (std::string raw; std::getline(in, raw);) {
        ++lineNo;
        const std::string text = trim(raw);
        if (text.empty() || text[0] == '#') continue;
        const auto parts = split(text, '|');
        if (parts.size() < 2) malformed(lineNo, "expected 'TAG | command line'");
        CorpusLine line;
        line.lineNo = lineNo;
        const std::string tag = trim(parts[0]);
        if (tag != "R" && tag != "W") malformed(lineNo, "tag must be R or W");
        line.write = tag == "W";
        line.text = trim(parts[1]);
        line.words = words(line.text);
        if (line.words.empty() || (line.words[0] != "rkreport" && line.words[0] != "rkconfig"))
            malformed(lineNo, "a line starts with rkreport or rkconfig");
        for (size_t i = 2; i < parts.size(); ++i) parseAnnotations(parts[i], line);
        corpus.push_back(std::move(line));
    }
    return corpus;
}

void seedState(const std::string& path) {
    kwtest::TempDir trace;
    auto r = kwtest::runProgram(kwtest::buildPath("bin/rkreport"), {"--state=" + path, "storage", "controller"},
                                {{"KWCLP_TRACE_DIR", trace.path()}, {"KWTEST_FAIL", ""}});
    if (r.exitCode != 0 || !fs::exists(path))
        throw std::runtime_error("cannot seed a state at " + path + ": " + r.err);
}

Sandbox::Sandbox(const std::string& seededState)
    : seed_(seededState), state_(dir_.file("state.db")), log_(dir_.file("agent.log")) {}

void Sandbox::restore() {
    for (const char* suffix : {"-wal", "-shm", "-journal"}) fs::remove(state_ + suffix);
    fs::remove(dir_.file("state.alert.log"));
    fs::copy_file(seed_, state_, fs::copy_options::overwrite_existing);
    dirty_ = false;
}

namespace {

void parseCounts(const std::string& err, Outcome& outcome) {
    outcome.counts.fill(-1);
    const auto at = err.rfind("kwtest: mem=");
    if (at == std::string::npos) return;
    std::istringstream in(err.substr(at + 8, err.find('\n', at) - at - 8));
    for (std::string field; in >> field;) {
        const auto eq = field.find('=');
        const int kind = eq == std::string::npos ? -1 : kindIndex(field.substr(0, eq));
        if (kind >= 0) outcome.counts[static_cast<size_t>(kind)] = std::stol(field.substr(eq + 1));
    }
    outcome.countsSeen = true;
}

std::optional<int> parseStatus(const std::string& out) {
    const auto at = out.find("\"status\": ");
    if (at == std::string::npos) return std::nullopt;
    try {
        return std::stoi(out.substr(at + 10));
    } catch (...) {
        return std::nullopt;
    }
}

std::vector<std::string> readLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

}  // namespace

Outcome Sandbox::run(const CorpusLine& line, const FailurePoint* point, const std::string& wrapper) {
    if (dirty_) restore();
    fs::remove(log_);
    std::vector<std::string> args;
    std::string program = kwtest::buildPath("bin/" + line.words[0]);
    if (!wrapper.empty()) {
        args = words(wrapper);
        program = args.front();
        args.erase(args.begin());
        args.push_back(kwtest::buildPath("bin/" + line.words[0]));
    }
    args.push_back("--state=" + state_);
    args.push_back("--format=json");
    args.insert(args.end(), line.words.begin() + 1, line.words.end());
    const std::map<std::string, std::string> env{
        {"KWTEST_LEAKS", "1"},      {"KWTEST_COUNTS", "1"}, {"KWTEST_FAIL", point ? point->env() : ""},
        {"KWDA_LOG", log_},         {"KWCLP_TRACE_DIR", dir_.path()}, {"KW_RIGHTS", "7"},
    };
    Outcome outcome;
    outcome.run = kwtest::runProgram(program, args, env);
    if (line.write) dirty_ = true;
    parseCounts(outcome.run.err, outcome);
    outcome.status = parseStatus(outcome.run.out);
    outcome.agentLog = readLines(log_);
    for (const auto& request : outcome.agentLog)
        if (isWriteRequest(request)) dirty_ = true;
    return outcome;
}

bool isWriteRequest(const std::string& logLine) {
    if (logLine.rfind("vexcmd=set", 0) == 0) return true;
    // The pass-through form writes when it switches debugging or dumps the store.
    return logLine.rfind("vexcmd=sendPassThruCmdToDCSIF", 0) == 0 &&
           (logLine.find("\tparam0=debug") != std::string::npos || logLine.find("\tparam0=dump2") != std::string::npos);
}

std::vector<std::string> universalProblems(const Outcome& o) {
    std::vector<std::string> problems;
    const auto& r = o.run;
    if (r.signal != 0) problems.push_back("killed by signal " + std::to_string(r.signal));
    if (r.exitCode == 70) problems.push_back("objects left unreleased (KWTEST_LEAKS)");
    for (const char* marker : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:"})
        if (r.err.find(marker) != std::string::npos) problems.push_back(std::string("sanitizer report: ") + marker);
    if (r.signal == 0 && r.exitCode != 0 && r.exitCode != 1 && r.exitCode != 2 && r.exitCode != 4 && r.exitCode != 70)
        problems.push_back("exit code " + std::to_string(r.exitCode));
    if (!o.countsSeen && r.signal == 0) problems.push_back("no KWTEST_COUNTS line");
    const bool refusedBeforeSending = (o.status && isCheckRejection(*o.status)) || r.exitCode == 2;
    if (refusedBeforeSending)
        for (const auto& request : o.agentLog)
            if (isWriteRequest(request)) problems.push_back("write request after a failed check: " + request);
    if (!trim(r.out).empty()) {
        jsoncheck::Value value;
        std::string error;
        if (!jsoncheck::parse(r.out, value, error)) problems.push_back("json output does not parse: " + error);
    }
    return problems;
}

std::string describe(const CorpusLine& line, const FailurePoint* point, const Outcome& o) {
    std::ostringstream s;
    s << "corpus line " << line.lineNo << ": " << line.text;
    if (point) s << "  [KWTEST_FAIL=" << point->env() << "]";
    s << "\n  exit=" << o.run.exitCode << " signal=" << o.run.signal;
    if (o.status) s << " status=" << *o.status;
    s << "\n  stdout: " << o.run.out.substr(0, 300) << "\n  stderr: " << o.run.err.substr(0, 600);
    return s.str();
}

}  // namespace faults
