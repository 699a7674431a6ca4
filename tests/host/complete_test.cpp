// Completion against a scripted plug-in: what it offers at each position
// of a line, and how it reads the framework's usage texts.
#include <gtest/gtest.h>

#include <map>

#include "cmdfw32.h"
#include "complete.h"

namespace {

using rkhost::complete;
using rkhost::ProbeAnswer;
using rkhost::readUsage;

using Words = std::vector<std::string>;

const char* kConfigUsage =
    "Usage: rkconfig storage vdisk action=<action> [parameter=value ...]\n\n"
    "Actions:\n"
    "  blink                     controller=<number> vdisk=<number>\n"
    "  assigndedicatedhotspare   controller=<number> vdisk=<number> [adisk=<disk list>] assign=<yes|no>\n"
    "  rename                    controller=<number> vdisk=<number> name=<text>\n"
    "\nFor the parameters of one action: rkconfig storage vdisk action=<action> -?\n";

const char* kActionUsage =
    "Usage: rkconfig storage vdisk action=assigndedicatedhotspare <parameters>\n\n"
    "Parameters:\n"
    "  controller=<number>    required   a decimal integer\n"
    "  adisk=<disk list>      optional   a comma-separated list of disk identifiers such as 3:15,1:2:15\n"
    "  assign=<yes|no>        required   one of: yes, no\n"
    "  force=<yes>            optional   one of: yes\n";

const char* kReportUsage =
    "Usage:\n"
    "  rkreport storage enclosure controller=<number> enclosure=<enclosure> info=temps [index=<number>]\n"
    "  rkreport storage enclosure controller=<number> enclosure=<enclosure> info=fans [index=<number>]\n"
    "  rkreport storage enclosure\n"
    "  rkreport storage enclosure controller=<number>\n";

// A plug-in that answers known lines and refuses every other one.
class FakePlugin {
public:
    void on(const Words& line, ProbeAnswer answer) { answers_[line] = std::move(answer); }
    ProbeAnswer operator()(const Words& line) {
        asked.push_back(line);
        auto it = answers_.find(line);
        return it == answers_.end() ? ProbeAnswer{CLPS_RESP_MESSAGE, CLPS_ERR_UNKNOWN_PARAM, "", "", ""} : it->second;
    }
    std::vector<Words> asked;

private:
    std::map<Words, ProbeAnswer> answers_;
};

ProbeAnswer refusal(int32_t status, const std::string& arg2) { return {CLPS_RESP_MESSAGE, status, "#", arg2, ""}; }
ProbeAnswer usage(const std::string& text) { return {CLPS_RESP_USAGE, CLPS_STATUS_OK, "", "", text}; }

class Completion : public ::testing::Test {
protected:
    void SetUp() override {
        plugin_.on({"rkreport", "#"}, refusal(CLPS_ERR_UNKNOWN_OBJECT, "storage, system, servermodule"));
        plugin_.on({"rkreport", "storage", "#"}, refusal(CLPS_ERR_UNKNOWN_OBJECT, "adisk, pdisk, vdisk, enclosure"));
        plugin_.on({"rkreport", "storage", "enclosure", "#"}, refusal(CLPS_ERR_NOT_A_PARAMETER, "name=value"));
        plugin_.on({"rkreport", "storage", "enclosure", "-?"}, usage(kReportUsage));
        plugin_.on({"rkconfig", "storage", "vdisk", "#"}, refusal(CLPS_ERR_NOT_A_PARAMETER, "name=value"));
        plugin_.on({"rkconfig", "storage", "vdisk", "-?"}, usage(kConfigUsage));
        plugin_.on({"rkconfig", "storage", "vdisk", "action=assigndedicatedhotspare", "-?"}, usage(kActionUsage));
    }
    Words run(const std::string& command, const Words& typed) {
        return complete(command, typed, [this](const Words& line) { return plugin_(line); });
    }
    FakePlugin plugin_;
};

TEST_F(Completion, CommandAndObjectWords) {
    EXPECT_EQ(run("rkreport", {""}), (Words{"storage", "system", "servermodule"}));
    EXPECT_EQ(run("rkreport", {"s"}), (Words{"storage", "system", "servermodule"}));
    EXPECT_EQ(run("rkreport", {"sy"}), (Words{"system"}));
    EXPECT_EQ(run("rkreport", {"storage", ""}), (Words{"adisk", "pdisk", "vdisk", "enclosure"}));
    EXPECT_EQ(run("rkreport", {"storage", "VD"}), (Words{"vdisk"}));
    EXPECT_EQ(run("rkreport", {"storage", "x"}), Words{});
    // Host options in the line are not sent to the plug-in.
    EXPECT_EQ(run("rkreport", {"--format=json", "storage", "p"}), (Words{"pdisk"}));
}

TEST_F(Completion, ReportParametersAndSelectorWords) {
    EXPECT_EQ(run("rkreport", {"storage", "enclosure", ""}), (Words{"controller=", "enclosure=", "info=", "index="}));
    EXPECT_EQ(run("rkreport", {"storage", "enclosure", "controller=0", "i"}), (Words{"info=", "index="}));
    EXPECT_EQ(run("rkreport", {"storage", "enclosure", "info="}), (Words{"info=temps", "info=fans"}));
    EXPECT_EQ(run("rkreport", {"storage", "enclosure", "info=f"}), (Words{"info=fans"}));
    EXPECT_EQ(run("rkreport", {"storage", "enclosure", "controller="}), Words{});
}

TEST_F(Completion, ActionsThenTheParametersOfTheAction) {
    EXPECT_EQ(run("rkconfig", {"storage", "vdisk", ""}), (Words{"action="}));
    EXPECT_EQ(run("rkconfig", {"storage", "vdisk", "action="}),
              (Words{"action=blink", "action=assigndedicatedhotspare", "action=rename"}));
    EXPECT_EQ(run("rkconfig", {"storage", "vdisk", "action=r"}), (Words{"action=rename"}));
    EXPECT_EQ(run("rkconfig", {"storage", "vdisk", "action=assigndedicatedhotspare", ""}),
              (Words{"controller=", "adisk=", "assign=", "force="}));
    EXPECT_EQ(run("rkconfig", {"storage", "vdisk", "action=assigndedicatedhotspare", "controller=0", "assign=0"}),
              Words{});
    EXPECT_EQ(run("rkconfig", {"storage", "vdisk", "action=assigndedicatedhotspare", "assign="}),
              (Words{"assign=yes", "assign=no"}));
    // A parameter already given is not offered again, whatever its case.
    EXPECT_EQ(run("rkconfig", {"storage", "vdisk", "action=assigndedicatedhotspare", "Controller=0", "ASSIGN=yes", ""}),
              (Words{"adisk=", "force="}));
}

TEST_F(Completion, HostOptions) {
    EXPECT_EQ(run("rkreport", {"--f"}), (Words{"--format="}));
    EXPECT_EQ(run("rkreport", {"storage", "--format="}), (Words{"--format=text", "--format=table", "--format=csv", "--format=json", "--format=xml",
                                                                  "--format=openmetrics"}));
    EXPECT_EQ(run("rkreport", {"--d"}), (Words{"--dry-run"}));
    EXPECT_TRUE(plugin_.asked.empty());
}

TEST_F(Completion, NothingAfterUsageWordsOrStrayWords) {
    EXPECT_EQ(run("rkconfig", {"storage", "vdisk", "-?", ""}), Words{});
    EXPECT_EQ(run("rkconfig", {"storage", "vdisk", "action=blink", "stray", ""}), Words{});
    EXPECT_EQ(run("rkconfig", {}), Words{});
}

TEST(UsageText, OffersNamesAndChoices) {
    auto offer = readUsage(kActionUsage);
    EXPECT_EQ(offer.names, (Words{"action", "controller", "adisk", "assign", "force"}));
    ASSERT_EQ(offer.choices.size(), 3u);
    EXPECT_EQ(offer.choices[0].second, (Words{"assigndedicatedhotspare"}));
    EXPECT_EQ(offer.choices[1].second, (Words{"yes", "no"}));
    EXPECT_EQ(offer.choices[2].second, (Words{"yes"}));

    offer = readUsage(kReportUsage);
    EXPECT_EQ(offer.names, (Words{"controller", "enclosure", "info", "index"}));
    ASSERT_EQ(offer.choices.size(), 1u);
    EXPECT_EQ(offer.choices[0].second, (Words{"temps", "fans"}));

    offer = readUsage("Usage: rkreport system alertlog\n\nThis command takes no parameters.\n");
    EXPECT_TRUE(offer.names.empty());
}

}  // namespace
