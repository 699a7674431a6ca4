// rkconfig storage controller through its handler: the cases of commands.txt
// (each action's exact request, each refusal's code and arguments with nothing
// written), and the lists of what nothing offers.
#include <set>

#include "ctrl_fixture.h"

namespace ctrltest {
namespace {

using Command = ControllerTest;

TEST_F(Command, CasesOfTheTranscript) {
    std::set<std::string> sent;
    for (const CaseLine& c : readCases("commands.txt", 5)) {
        SCOPED_TRACE(c.where);
        agent.clearRequests();
        Outcome out = runCommand(split(c.fields[0], ';'));
        EXPECT_EQ(out.status, std::stoi(c.fields[1]));
        EXPECT_EQ(out.arg1, c.fields[2]);
        EXPECT_EQ(out.arg2, c.fields[3]);
        const Request request = split(c.fields[4], ';');
        EXPECT_EQ(writes(), request.empty() ? std::vector<Request>{} : std::vector<Request>{request});
        if (request.empty()) continue;
        EXPECT_EQ(out.request, request);
        std::string action = c.fields[0].substr(7, c.fields[0].find(';') - 7);
        for (auto& ch : action) ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
        sent.insert(action);
    }
    for (const NVCmdRow& row : NVCmdConfigController) EXPECT_TRUE(sent.count(row.selectorValue)) << row.selectorValue;
}

const std::vector<std::string> kRaid5 = {"action=createvdisk", "controller=0", "raid=r5", "size=1g",
                                         "adisk=0:0:1,0:0:2,0:0:3"};

TEST_F(Command, PoliciesAndDisksNobodyOffersSayNone) {
    agent.on("getController", {"GlobalNo=0"}, reply({{{"MaxNameLength", "15"}, {"RAIDLevelsMask", bits(64)}}}));
    const std::pair<std::string, const char*> cases[] = {
        {"readpolicy=rc", "None - No valid read policies found"},
        {"writepolicy=wb", "None - No valid write policies found"},
        {"cachepolicy=d", "None - No valid cache policies found"},
        {"stripesize=64kb", "None - No valid stripe size values found"},
    };
    for (const auto& [option, second] : cases) {
        std::vector<std::string> line = kRaid5;
        line.push_back(option);
        EXPECT_EQ(runCommand(line).arg2, second);
    }
    agent.on("getChannelsForController", {"GlobalNo=0"}, reply({}));  // no disks at all
    EXPECT_EQ(runCommand(kRaid5).arg2, "None - no valid adisks found");
    EXPECT_TRUE(writes().empty());
}

TEST_F(Command, NoSizeRangeForTheLayoutIs1623) {
    for (const char* layout : {"64", "128"}) {  // r5 without a minimum, or not offered at all
        agent.on("sendPassThruCmdToDCSIF", reply({{{"Layout", "2"}, {"MinimumLength", "1"}, {"Length", "9"}},
                                                  {{"Layout", layout}, {"Length", "9"}}}));
        Outcome out = runCommand(kRaid5);
        EXPECT_EQ(out.status, 1623) << layout;
        EXPECT_EQ(out.arg1, "");
    }
    EXPECT_TRUE(writes().empty());
}

}  // namespace
}  // namespace ctrltest
