// --wait follows a task to its end, with the agent's clock sped up: a line per 10 % step when
// standard output is a file, a bar redrawn in place on a pseudo-terminal.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include "host_runner.h"

namespace {

// Check consistency of the default system's 2 TB virtual disk: about two seconds at this scale.
const std::vector<std::string> kCheck = {"storage", "vdisk", "action=checkconsistency", "controller=0", "vdisk=1",
                                         "--wait"};

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(Wait, FollowsTheTaskLineByLineWhenNotATerminal) {
    hosttest::Cli cli;
    auto r = cli.run("rkconfig", kCheck, {{"KWDA_TIME_SCALE", "20000"}});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_GE(count(r.out, "Check Consistency: "), 3u) << r.out;
    EXPECT_NE(r.out.find("Check Consistency: 100%"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Check Consistency completed.\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find('\r'), std::string::npos) << r.out;
    // The task is over: the disk shows no task any more.
    r = cli.line("rkreport storage vdisk controller=0 vdisk=1 --format=xml");
    EXPECT_EQ(r.out.find("<Task>"), std::string::npos) << r.out;
}

TEST(Wait, RedrawsABarInPlaceOnATerminal) {
    hosttest::Cli cli;
    std::vector<std::string> args = {kwtest::buildPath("bin/rkconfig"), "--state=" + cli.statePath()};
    args.insert(args.end(), kCheck.begin(), kCheck.end());
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setenv("KWDA_TIME_SCALE", "20000", 1);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    std::string out;
    char buffer[4096];
    for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<size_t>(n));
    int status = 0;
    waitpid(pid, &status, 0);
    close(master);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;
    EXPECT_GE(count(out, "\r\x1b[KCheck Consistency ["), 3u) << out;
    EXPECT_NE(out.find("[##############################] 100%"), std::string::npos) << out;
    EXPECT_EQ(count(out, "% ("), 0u) << "no step lines on a terminal\n" << out;
    EXPECT_NE(out.find("Check Consistency completed."), std::string::npos) << out;
}

}  // namespace
