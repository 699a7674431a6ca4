// Every report through the real binaries against small systems: what each
// line shows, every identifier rejection with its code and both message
// arguments, and fault injection with no crash and no leak.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "e2e.h"

namespace kwtest {
namespace {

int statusOf(const RunResult& r) {
    std::smatch m;
    if (std::regex_search(r.out, m, std::regex("\"status\": (-?[0-9]+)"))) return std::stoi(m[1]);
    return -1;
}

std::string argsOf(const RunResult& r) {
    std::smatch m;
    if (std::regex_search(r.out, m, std::regex("\"args\": (\\[[^\\]]*\\])"))) return m[1];
    return "";
}

size_t countOf(const std::string& text, const std::string& needle) {
    size_t n = 0;
    for (size_t pos = text.find(needle); pos != std::string::npos; pos = text.find(needle, pos + 1)) ++n;
    return n;
}

class ReportsE2E : public ::testing::Test {
protected:
    Cli small{profilePath("small.xml")};
    Cli bare{profilePath("empty-controller.xml")};

    RunResult json(const Cli& cli, const std::string& line) { return cli.line(line + " --format=json", {{"KWTEST_LEAKS", "1"}}); }
};

TEST_F(ReportsE2E, EveryVariantAnswersWithItsObjects) {
    const struct {
        const char* line;
        const char* member;  // a member every object of the answer carries
        size_t objects;
    } cases[] = {
        {"rkreport storage controller", "\"GlobalNo\"", 2},
        {"rkreport storage controller controller=1", "\"GlobalNo\"", 1},
        {"rkreport storage controller dump=all", "\"ObjType\"", 0},
        {"rkreport storage pdisk controller=0", "\"TargetID\"", 2},
        {"rkreport storage adisk controller=1", "\"TargetID\"", 2},
        {"rkreport storage adisk controller=0 adisk=0:0:1", "\"TargetID\"", 1},
        {"rkreport storage pdisk controller=1 connector=1", "\"TargetID\"", 1},
        {"rkreport storage pdisk controller=0 vdisk=0", "\"TargetID\"", 2},
        {"rkreport storage vdisk", "\"LogicalDriveNum\"", 1},
        {"rkreport storage vdisk controller=0", "\"LogicalDriveNum\"", 1},
        {"rkreport storage vdisk controller=0 vdisk=0", "\"LogicalDriveNum\"", 1},
        {"rkreport storage connector controller=1", "\"Channel\"", 2},
        {"rkreport storage connector controller=1 connector=1", "\"Channel\"", 1},
        {"rkreport storage enclosure", "\"EnclosureID\"", 1},
        {"rkreport storage enclosure controller=0", "\"EnclosureID\"", 1},
        {"rkreport storage enclosure controller=0 enclosure=0:0", "\"EnclosureID\"", 1},
        {"rkreport storage enclosure controller=0 enclosure=0:0 info=temps", "\"Index\"", 1},
        {"rkreport storage enclosure controller=0 enclosure=0:0 info=fans index=0", "\"Index\"", 1},
        {"rkreport storage enclosure controller=0 enclosure=0:0 info=pwrsupplies", "\"Index\"", 1},
        {"rkreport storage enclosure controller=0 enclosure=0:0 info=emms", "\"Index\"", 1},
        {"rkreport storage battery", "\"BatteryID\"", 1},
        {"rkreport storage battery controller=0", "\"BatteryID\"", 1},
        {"rkreport storage battery controller=0 battery=0", "\"BatteryID\"", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        RunResult r = json(small, c.line);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(statusOf(r), 1000);
        if (c.objects) {
            EXPECT_EQ(countOf(r.out, c.member), c.objects) << r.out;
        }
        RunResult text = small.line(c.line);
        EXPECT_EQ(text.exitCode, 0) << text.err;
        EXPECT_FALSE(text.out.empty());
    }
}

TEST_F(ReportsE2E, SystemReportsAndGlobalInformation) {
    for (const char* line : {"rkreport system summary", "rkreport servermodule summary", "rkreport system version",
                             "rkreport servermodule version", "rkreport storage globalinfo",
                             "rkreport system alertlog", "rkreport servermodule alertlog"}) {
        SCOPED_TRACE(line);
        RunResult r = json(small, line);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(statusOf(r), 1000) << r.out;
    }
}

TEST_F(ReportsE2E, AlertLogShowsWhatConfigurationDid) {
    ASSERT_EQ(small.line("rkconfig storage vdisk action=blink controller=0 vdisk=0").exitCode, 0);
    RunResult r = json(small, "rkreport system alertlog");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\"path\""), std::string::npos);
    EXPECT_NE(r.out.find("\"events\""), std::string::npos);
    EXPECT_NE(r.out.find("link"), std::string::npos) << "the blink event is in the log: " << r.out;
}

TEST_F(ReportsE2E, EveryIdentifierRejectionNamesTheValueAndTheAlternatives) {
    const struct {
        const Cli* cli;
        const char* line;
        int status;
        const char* args;
    } cases[] = {
        {&small, "rkreport storage controller controller=5", 1600, "[\"5\", \"0, 1\"]"},
        {&small, "rkreport storage vdisk controller=01", 1600, "[\"01\", \"0, 1\"]"},
        {&small, "rkreport storage connector controller=1 connector=2", 1601, "[\"2\", \"0, 1\"]"},
        {&small, "rkreport storage pdisk controller=0 pdisk=0:1", 1602, "[\"0:1\", \"0:0:0, 0:0:1\"]"},
        {&small, "rkreport storage pdisk controller=1 pdisk=0:0:0", 1602, "[\"0:0:0\", \"0:0, 1:0\"]"},
        {&bare, "rkreport storage pdisk controller=0 pdisk=0:0", 1602,
         "[\"0:0\", \"None - There are no physical disks on this controller.\"]"},
        {&small, "rkreport storage vdisk controller=0 vdisk=3", 1604, "[\"3\", \"0\"]"},
        {&small, "rkreport storage vdisk controller=1 vdisk=0", 1622, "[\"0\", \"1\"]"},
        {&small, "rkreport storage enclosure controller=0 enclosure=0", 1605, "[\"0\", \"0:0\"]"},
        {&small, "rkreport storage enclosure controller=1 enclosure=0", 1605,
         "[\"0\", \"None - There are no enclosures on this controller.\"]"},
        {&small, "rkreport storage enclosure controller=0 enclosure=0:0 info=fans index=1", 1616, "[\"1\", \"0\"]"},
        {&small, "rkreport storage enclosure controller=0 enclosure=0:0 info=temps index=1", 1617, "[\"1\", \"0\"]"},
        {&small, "rkreport storage enclosure controller=0 enclosure=0:0 info=pwrsupplies index=1", 1618,
         "[\"1\", \"0\"]"},
        {&small, "rkreport storage enclosure controller=0 enclosure=0:0 info=emms index=1", 1619, "[\"1\", \"0\"]"},
        {&small, "rkreport storage battery controller=0 battery=1", 1620, "[\"1\", \"0\"]"},
        {&small, "rkreport storage battery controller=1 battery=0", 1628, "[\"\", \"\"]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        RunResult r = json(*c.cli, c.line);
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_EQ(statusOf(r), c.status) << r.out;
        EXPECT_EQ(argsOf(r), c.args) << r.out;
        RunResult text = c.cli->line(c.line);
        EXPECT_EQ(text.exitCode, 1);
        EXPECT_TRUE(text.out.empty()) << "a refusal goes to standard error";
        EXPECT_FALSE(text.err.empty());
    }
}

TEST_F(ReportsE2E, CommandLineMistakesAreUsageErrors) {
    for (const char* line : {"rkreport storage controller dump=all controller=0", "rkreport storage disks",
                             "rkreport storage vdisk controller=x", "rkreport storage vdisk volume=1",
                             "rkreport storage vdisk controller=0 controller=0"}) {
        SCOPED_TRACE(line);
        RunResult r = small.line(line);
        EXPECT_EQ(r.exitCode, 2) << r.out << r.err;
        EXPECT_FALSE(r.err.empty());
    }
}

TEST_F(ReportsE2E, ConfigurationNeedsAdministratorRights) {
    RunResult r = small.line("rkconfig storage vdisk action=blink controller=0 vdisk=0", {{"KW_RIGHTS", "1"}});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(small.line("rkreport storage vdisk", {{"KW_RIGHTS", "1"}}).exitCode, 0);
}

TEST_F(ReportsE2E, UsageAndBareCommands) {
    RunResult usage = small.line("rkreport storage -?");
    EXPECT_EQ(usage.exitCode, 0);
    EXPECT_FALSE(usage.out.empty());
    RunResult bareStorage = small.line("rkreport storage");
    EXPECT_EQ(bareStorage.exitCode, 2);
    EXPECT_TRUE(bareStorage.out.empty());
    EXPECT_NE(bareStorage.err.find("vdisk"), std::string::npos) << bareStorage.err;
}

// Every failure point of every kind, once and from then on, over a set of
// report lines: the tool never crashes, never leaks, and ends in one of its
// documented outcomes.
TEST_F(ReportsE2E, FaultInjectionNeverCrashesOrLeaks) {
    const char* lines[] = {
        "rkreport storage controller controller=0",
        "rkreport storage pdisk controller=0 pdisk=0:0:1",
        "rkreport storage vdisk controller=0 vdisk=0",
        "rkreport storage enclosure controller=0 enclosure=0:0 info=temps index=0",
        "rkreport storage battery controller=0 battery=0",
        "rkreport storage connector controller=1 connector=1",
        "rkreport system alertlog",
    };
    int points = 0;
    for (const char* line : lines) {
        RunResult counts = small.line(line, {{"KWTEST_COUNTS", "1"}});
        ASSERT_EQ(counts.exitCode, 0) << line << counts.err;
        for (const char* kind : {"mem", "xbuf", "resp", "reply", "dom"}) {
            std::smatch m;
            ASSERT_TRUE(std::regex_search(counts.err, m, std::regex(std::string(kind) + "=([0-9]+)"))) << counts.err;
            const int calls = std::stoi(m[1]);
            for (int n = 1; n <= calls; ++n) {
                for (const char* mode : {"", ":persistent"}) {
                    const std::string fail = std::string(kind) + ":" + std::to_string(n) + mode;
                    SCOPED_TRACE(std::string(line) + " with " + fail);
                    RunResult r = small.line(line, {{"KWTEST_FAIL", fail}, {"KWTEST_LEAKS", "1"}});
                    EXPECT_EQ(r.signal, 0);
                    EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 1 || r.exitCode == 2 || r.exitCode == 4)
                        << "exit " << r.exitCode << ": " << r.err;
                    ++points;
                }
            }
        }
    }
    EXPECT_GT(points, 50);
}

// A silent agent shows as the object's own rejection, never as acceptance.
TEST_F(ReportsE2E, AgentWithoutAnswerRejectsTheIdentifier) {
    RunResult r = small.line("rkreport storage vdisk controller=0 --format=json", {{"KWTEST_FAIL", "reply:1"}});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(statusOf(r), 1600);
    RunResult battery =
        small.line("rkreport storage battery controller=0 battery=0 --format=json", {{"KWTEST_FAIL", "reply:2"}});
    EXPECT_EQ(statusOf(battery), 1628);
}

}  // namespace
}  // namespace kwtest
