// Completion against a scripted plug-in: what it offers at each position
// of a line, and how it reads the framework's usage texts.
#include <gtest/gtest.h>

#include <map>

#include "cmdfw32.h"
#include "complete.h"

namespace {

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

rkhost::ProbeAnswer refusal(int32_t status, const std::string& arg2) {
    return {CLPS_RESP_MESSAGE, status, "#", arg2, ""};
}
rkhost::ProbeAnswer usage(const std::string& text) { return {CLPS_RESP_USAGE, CLPS_STATUS_OK, "", "", text}; }

// A plug-in that answers known lines and refuses every other one.
const std::map<Words, rkhost::ProbeAnswer> kAnswers = {
    {{"rkreport", "#"}, refusal(CLPS_ERR_UNKNOWN_OBJECT, "storage, system, servermodule")},
    {{"rkreport", "storage", "#"}, refusal(CLPS_ERR_UNKNOWN_OBJECT, "adisk, pdisk, vdisk, enclosure")},
    {{"rkreport", "storage", "enclosure", "#"}, refusal(CLPS_ERR_NOT_A_PARAMETER, "name=value")},
    {{"rkreport", "storage", "enclosure", "-?"}, usage(kReportUsage)},
    {{"rkconfig", "storage", "vdisk", "#"}, refusal(CLPS_ERR_NOT_A_PARAMETER, "name=value")},
    {{"rkconfig", "storage", "vdisk", "-?"}, usage(kConfigUsage)},
    {{"rkconfig", "storage", "vdisk", "action=assigndedicatedhotspare", "-?"}, usage(kActionUsage)},
};

struct Case {
    Words typed;  // the command word first
    Words offered;
};

class Completion : public ::testing::TestWithParam<Case> {};

TEST_P(Completion, OffersWhatFitsThePosition) {
    Words typed = GetParam().typed;
    const std::string command = typed.front();
    typed.erase(typed.begin());
    int probes = 0;
    const Words offered = rkhost::complete(command, typed, [&](const Words& line) {
        ++probes;
        auto it = kAnswers.find(line);
        return it == kAnswers.end() ? refusal(CLPS_ERR_UNKNOWN_PARAM, "") : it->second;
    });
    EXPECT_EQ(offered, GetParam().offered);
    // Host options are the host's own: the plug-in is not asked about them.
    if (!typed.empty() && typed.back().rfind("--", 0) == 0) EXPECT_EQ(probes, 0);
}

const std::string kHotspare = "action=assigndedicatedhotspare";
INSTANTIATE_TEST_SUITE_P(Lines, Completion, ::testing::Values(
    Case{{"rkreport", ""}, {"storage", "system", "servermodule"}},
    Case{{"rkreport", "s"}, {"storage", "system", "servermodule"}},
    Case{{"rkreport", "sy"}, {"system"}},
    Case{{"rkreport", "storage", ""}, {"adisk", "pdisk", "vdisk", "enclosure"}},
    Case{{"rkreport", "storage", "VD"}, {"vdisk"}},
    Case{{"rkreport", "storage", "x"}, {}},
    Case{{"rkreport", "--format=json", "storage", "p"}, {"pdisk"}},
    Case{{"rkreport", "storage", "enclosure", ""}, {"controller=", "enclosure=", "info=", "index="}},
    Case{{"rkreport", "storage", "enclosure", "controller=0", "i"}, {"info=", "index="}},
    Case{{"rkreport", "storage", "enclosure", "info="}, {"info=temps", "info=fans"}},
    Case{{"rkreport", "storage", "enclosure", "info=f"}, {"info=fans"}},
    Case{{"rkreport", "storage", "enclosure", "controller="}, {}},
    Case{{"rkconfig", "storage", "vdisk", ""}, {"action="}},
    Case{{"rkconfig", "storage", "vdisk", "action="}, {"action=blink", kHotspare, "action=rename"}},
    Case{{"rkconfig", "storage", "vdisk", "action=r"}, {"action=rename"}},
    Case{{"rkconfig", "storage", "vdisk", kHotspare, ""}, {"controller=", "adisk=", "assign=", "force="}},
    Case{{"rkconfig", "storage", "vdisk", kHotspare, "controller=0", "assign=0"}, {}},
    Case{{"rkconfig", "storage", "vdisk", kHotspare, "assign="}, {"assign=yes", "assign=no"}},
    // A parameter already given is not offered again, whatever its case.
    Case{{"rkconfig", "storage", "vdisk", kHotspare, "Controller=0", "ASSIGN=yes", ""}, {"adisk=", "force="}},
    Case{{"rkreport", "--f"}, {"--format="}},
    Case{{"rkreport", "storage", "--format="}, {"--format=text", "--format=table", "--format=csv", "--format=json",
                                               "--format=xml", "--format=openmetrics"}},
    Case{{"rkreport", "--d"}, {"--dry-run"}},
    Case{{"rkconfig", "storage", "vdisk", "-?", ""}, {}},
    Case{{"rkconfig", "storage", "vdisk", "action=blink", "stray", ""}, {}},
    Case{{"rkconfig"}, {}}));

TEST(UsageText, OffersNamesAndChoices) {
    auto offer = rkhost::readUsage(kActionUsage);
    EXPECT_EQ(offer.names, (Words{"action", "controller", "adisk", "assign", "force"}));
    ASSERT_EQ(offer.choices.size(), 3u);
    EXPECT_EQ(offer.choices[0].second, (Words{"assigndedicatedhotspare"}));
    EXPECT_EQ(offer.choices[1].second, (Words{"yes", "no"}));
    EXPECT_EQ(offer.choices[2].second, (Words{"yes"}));
    offer = rkhost::readUsage(kReportUsage);
    EXPECT_EQ(offer.names, (Words{"controller", "enclosure", "info", "index"}));
    ASSERT_EQ(offer.choices.size(), 1u);
    EXPECT_EQ(offer.choices[0].second, (Words{"temps", "fans"}));
    EXPECT_TRUE(rkhost::readUsage("Usage: rkreport system alertlog\n\nThis command takes no parameters.\n").names.empty());
}

}  // namespace
