// The installed programs: "cmake --install" into a temporary prefix, the prefix moved elsewhere (the
// tools find everything relative to themselves), then a report, a configuration and shell
// completion from there.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "host_runner.h"

namespace {

namespace fs = std::filesystem;
using kwtest::runProgram;

TEST(Installed, ReportsConfiguresAndCompletesFromAMovedPrefix) {
    kwtest::TempDir dir;
    const std::string staged = dir.file("staged"), prefix = dir.file("moved");
    const auto installed = runProgram(RK_CMAKE_COMMAND, {"--install", RK_BUILD_DIR, "--prefix", staged});
    ASSERT_EQ(installed.exitCode, 0) << installed.out << installed.err;
    fs::rename(staged, prefix);
    EXPECT_TRUE(fs::is_symlink(prefix + "/bin/rkconfig"));
    for (const char* file : {"share/man/man1/rkconfig.1", "share/rk/prometheus/rk.rules.yml",
                             "lib/rk/rk-metrics-textfile", "lib/systemd/system/rk-metrics.timer"})
        EXPECT_TRUE(fs::exists(prefix + "/" + file)) << file;
    const auto run = [&](const std::string& line) {
        auto words = hosttest::split(line);
        words.insert(words.begin() + 1, "--state=" + dir.file("state.db"));
        return runProgram(prefix + "/bin/" + words.front(), {words.begin() + 1, words.end()},
                          {{"KWCLP_TRACE_DIR", dir.path()}, {"KW_RIGHTS", "7"}});
    };
    const std::tuple<const char*, const char*, int> lines[] = {
        {"rkreport storage controller", "Controller 1\n", 0},
        {"rkconfig storage vdisk action=blink controller=0 vdisk=1", "Virtual disk command completed", 0},
        {"rkreport storage vdisk controller=0 vdisk=1", "Blinking", 0},
        {"rkconfig storage vdisk action=blink controller=0 vdisk=7", "Virtual disk 7 does not exist", 1},
        {"rkreport --complete storage vd", "vdisk\n", 0},
        {"rkconfig --complete storage vdisk action=unb", "action=unblink\n", 0},
    };
    for (const auto& [line, shown, exit] : lines) {
        const auto r = run(line);
        EXPECT_EQ(r.exitCode, exit) << line;
        EXPECT_NE((r.out + r.err).find(shown), std::string::npos) << line << "\n" << r.out << r.err;
    }
    // The installed bash completion, as bash runs it.
    const auto bash =
        runProgram("/bin/bash",
                   {"-c", "source '" + prefix +
                              "/share/bash-completion/completions/rkconfig'; "
                              "COMP_WORDBREAKS=$' \\t\\n\"\\'><=;|&(:'; "
                              "COMP_LINE='rkconfig storage controller action=setpatrolreadmode controller=0 mode=m'; "
                              "COMP_POINT=${#COMP_LINE}; _rk_complete rkconfig; printf '%s\\n' \"${COMPREPLY[@]}\""},
                   {{"PATH", prefix + "/bin:/usr/bin:/bin"}});
    EXPECT_EQ(bash.out, "manual\n") << bash.err;
}

}  // namespace
