// Which system a command sees is never a surprise: a new state says so, a
// profile that does not match the state is a command-line error (exit 2),
// and a user other than root sees what root changed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "host_runner.h"

namespace {

using kwtest::runProgram;
using kwtest::RunResult;

std::string program(const char* name) { return kwtest::buildPath(std::string("bin/") + name); }

TEST(StateChoice, ANewStateIsAnnouncedAndAnotherProfileIsACommandLineError) {
    kwtest::TempDir dir;
    const std::string state = dir.file("new/x.db");
    RunResult created = runProgram(program("rkreport"), {"--state=" + state, "storage", "controller"});
    EXPECT_EQ(created.exitCode, 0);
    EXPECT_EQ(created.err, "Created the storage state " + state + " from the built-in system.\n");
    EXPECT_EQ(runProgram(program("rkreport"), {"--state=" + state, "storage", "controller"}).err, "");

    const std::string profile = kwtest::profilePath("small.xml");
    RunResult mismatch =
        runProgram(program("rkreport"), {"--state=" + state, "--profile=" + profile, "storage", "controller"});
    EXPECT_EQ(mismatch.exitCode, 2);
    EXPECT_EQ(mismatch.out, "");
    for (const std::string& part : {state, profile, std::string("built-in system")})
        EXPECT_NE(mismatch.err.find(part), std::string::npos) << mismatch.err;
}

TEST(StateChoice, AnotherUserSeesWhatRootChanged) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run a command as another user";
    if (!std::filesystem::exists("/usr/bin/setpriv")) GTEST_SKIP() << "setpriv is not installed";
    kwtest::TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    const std::string state = dir.file("state.db");
    ASSERT_EQ(runProgram(program("rkconfig"), {"--state=" + state, "storage", "vdisk", "action=rename",
                                               "controller=0", "vdisk=1", "name=Archive"},
                         {{"KW_RIGHTS", "7"}})
                  .exitCode,
              0);
    RunResult seen = runProgram("/usr/bin/setpriv",
                                {"--reuid=nobody", "--regid=nogroup", "--clear-groups", program("rkreport"),
                                 "--state=" + state, "storage", "vdisk", "controller=0"},
                                {{"HOME", dir.path()}});
    EXPECT_EQ(seen.exitCode, 0) << seen.err;
    EXPECT_NE(seen.out.find("Archive"), std::string::npos) << seen.out;
}

}  // namespace
