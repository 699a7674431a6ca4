// The installed programs: "cmake --install" into a temporary prefix, the
// prefix moved elsewhere (the tools find everything relative to themselves),
// then a report, a configuration command and shell completion from there.
#include <gtest/gtest.h>

#include <filesystem>

#include "host_runner.h"

namespace {

namespace fs = std::filesystem;
using kwtest::runProgram;
using kwtest::TempDir;

class Installed : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir();
        const std::string staged = dir_->file("staged");
        auto r = runProgram(RK_CMAKE_COMMAND, {"--install", RK_BUILD_DIR, "--prefix", staged});
        ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
        // Installed trees are relocatable: nothing may point back at the prefix.
        prefix_ = dir_->file("moved");
        fs::rename(staged, prefix_);
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    // Runs an installed program with a state of the test's own.
    kwtest::RunResult run(const std::string& program, std::vector<std::string> args) {
        args.insert(args.begin(), "--state=" + state_.file("state.db"));
        return runProgram(prefix_ + "/bin/" + program, args, {{"KWCLP_TRACE_DIR", state_.path()}, {"KW_RIGHTS", "7"}});
    }
    static TempDir* dir_;
    static std::string prefix_;
    TempDir state_;
};

TempDir* Installed::dir_ = nullptr;
std::string Installed::prefix_;

TEST_F(Installed, EveryPieceIsInItsPlace) {
    for (const char* file : {"bin/rkreport", "bin/rkconfig", "lib/rk/libkwclp32.so", "lib/rk/libcmdfw32.so",
                             "lib/rk/libvexcs32.so", "lib/rk/libxdoc32.so", "lib/rk/libvexdb32.so", "lib/rk/libkwda.so",
                             "share/rk/messages.cat", "share/rk/xsl/kwclp.xsl", "share/rk/xsl/sysrep.xsl",
                             "share/rk/xsl/vw/cli/common.xsl", "share/rk/xsl/vw/cli/RptCntrl.xsl",
                             "share/rk/xsl/vw/cli/RptVer.xsl", "share/man/man1/rkreport.1", "share/man/man1/rkconfig.1",
                             "share/bash-completion/completions/rkreport",
                             "share/bash-completion/completions/rkconfig", "share/rk/prometheus/rk.rules.yml",
                             "lib/rk/rk-metrics-textfile", "lib/systemd/system/rk-metrics.service",
                             "lib/systemd/system/rk-metrics.timer"})
        EXPECT_TRUE(fs::exists(prefix_ + "/" + file)) << file;
    EXPECT_TRUE(fs::is_symlink(prefix_ + "/bin/rkconfig"));
}

TEST_F(Installed, ReportsAndConfiguresFromTheInstalledTree) {
    auto report = run("rkreport", {"storage", "controller"});
    EXPECT_EQ(report.exitCode, 0) << report.err;
    EXPECT_NE(report.out.find("Controller 0\n"), std::string::npos) << report.out;
    EXPECT_NE(report.out.find("Controller 1\n"), std::string::npos) << report.out;

    auto config = run("rkconfig", {"storage", "vdisk", "action=blink", "controller=0", "vdisk=1"});
    EXPECT_EQ(config.exitCode, 0) << config.err;
    EXPECT_EQ(config.out, "Virtual disk command completed successfully.\n");

    auto after = run("rkreport", {"storage", "vdisk", "controller=0", "vdisk=1"});
    EXPECT_NE(after.out.find("Blinking"), std::string::npos) << after.out;

    auto refused = run("rkconfig", {"storage", "vdisk", "action=blink", "controller=0", "vdisk=7"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("Virtual disk 7 does not exist"), std::string::npos) << refused.err;
}

TEST_F(Installed, CompletesAPartialCommandLine) {
    auto words = run("rkreport", {"--complete", "storage", "vd"});
    EXPECT_EQ(words.out, "vdisk\n");
    auto actions = run("rkconfig", {"--complete", "storage", "vdisk", "action=unb"});
    EXPECT_EQ(actions.out, "action=unblink\n");

    // The installed bash completion, as bash runs it.
    const std::string script = prefix_ + "/share/bash-completion/completions/rkconfig";
    auto bash = runProgram("/bin/bash",
                           {"-c", "source '" + script + "'; COMP_WORDBREAKS=$' \\t\\n\"\\'><=;|&(:'; "
                                  "COMP_LINE='rkconfig storage controller action=setpatrolreadmode controller=0 mode=m'; "
                                  "COMP_POINT=${#COMP_LINE}; _rk_complete rkconfig; printf '%s\\n' \"${COMPREPLY[@]}\""},
                           {{"PATH", prefix_ + "/bin:/usr/bin:/bin"}});
    EXPECT_EQ(bash.exitCode, 0) << bash.err;
    EXPECT_EQ(bash.out, "manual\n");
}

}  // namespace
