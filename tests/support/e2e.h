// Runs the real binaries (build/bin/rkreport, rkconfig) as child processes
// against a state of the test's own, and captures what they print.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace kwtest {

struct RunResult {
    int exitCode = -1;      // -1 when the process did not exit normally
    int signal = 0;         // the signal that ended it, if any
    std::string out;        // standard output
    std::string err;        // standard error
};

// A fresh temporary folder, removed with everything in it when the object dies.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// One system under test: a state file in its own folder, seeded from a
// profile (empty = the built-in default system).
class Cli {
public:
    explicit Cli(std::string profile = "");
    // Runs "<build>/bin/<command> --state=... [--profile=...] args..." with
    // extra environment entries; args are passed as separate words.
    RunResult run(const std::string& command, const std::vector<std::string>& args,
                  const std::map<std::string, std::string>& env = {}) const;
    // Splits line at blanks: "rkreport storage vdisk controller=0".
    RunResult line(const std::string& line, const std::map<std::string, std::string>& env = {}) const;
    const std::string& statePath() const { return state_; }
    const TempDir& dir() const { return dir_; }

private:
    TempDir dir_;
    std::string state_;
    std::string profile_;
};

// Runs any program with arguments and environment additions.
RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::map<std::string, std::string>& env = {});

// Paths of the build tree and the test profiles.
std::string buildPath(const std::string& relative);
std::string profilePath(const std::string& name);

}  // namespace kwtest
