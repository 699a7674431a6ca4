#include "e2e.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "cmdline.h"

extern char** environ;

namespace kwtest {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "rk-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string buildPath(const std::string& relative) { return std::string(RK_BUILD_DIR) + "/" + relative; }
std::string profilePath(const std::string& name) { return std::string(RK_TEST_PROFILES) + "/" + name; }

namespace {

void drain(int outFd, int errFd, std::string& out, std::string& err) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    int open = 2;
    char buf[65536];
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                (i == 0 ? out : err).append(buf, static_cast<size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

}  // namespace

RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::map<std::string, std::string>& env) {
    std::map<std::string, std::string> merged;
    for (char** e = environ; *e; ++e) {
        const char* eq = std::strchr(*e, '=');
        if (eq) merged[std::string(static_cast<const char*>(*e), eq)] = eq + 1;
    }
    for (const auto& [k, v] : env) merged[k] = v;
    std::vector<std::string> envStrings;
    for (const auto& [k, v] : merged) envStrings.push_back(k + "=" + v);
    std::vector<char*> envp;
    for (auto& s : envStrings) envp.push_back(s.data());
    envp.push_back(nullptr);

    std::vector<std::string> argStrings{program};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& s : argStrings) argv.push_back(s.data());
    argv.push_back(nullptr);

    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    RunResult result;
    if (rc != 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        result.err = "cannot start " + program + ": " + std::strerror(rc);
        return result;
    }
    drain(outPipe[0], errPipe[0], result.out, result.err);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

Cli::Cli(std::string profile) : state_(dir_.file("state.db")), profile_(std::move(profile)) {}

RunResult Cli::run(const std::string& command, const std::vector<std::string>& args,
                   const std::map<std::string, std::string>& env) const {
    std::vector<std::string> all{"--state=" + state_};
    if (!profile_.empty()) all.push_back("--profile=" + profile_);
    all.insert(all.end(), args.begin(), args.end());
    std::map<std::string, std::string> fullEnv{{"KWCLP_TRACE_DIR", dir_.path()}, {"KW_RIGHTS", "7"}};
    for (const auto& [k, v] : env) fullEnv[k] = v;
    return runProgram(buildPath("bin/" + command), all, fullEnv);
}

RunResult Cli::line(const std::string& text, const std::map<std::string, std::string>& env) const {
    std::vector<std::string> args = words(text);
    if (args.empty()) return {};
    std::string command = args.front();
    args.erase(args.begin());
    return run(command, args, env);
}

}  // namespace kwtest
