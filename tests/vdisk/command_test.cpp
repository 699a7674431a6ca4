// rkconfig storage vdisk through its handler: the cases of commands.txt (each
// action's exact request, each rejection's code and arguments with nothing
// written), and the order in which the checks ask the agent.
#include "vdisk_fixture.h"

namespace vdtest {
namespace {

using Command = VdiskTest;

TEST_F(Command, CasesOfTheTranscript) {
    for (const CaseLine& c : readCases("commands.txt", 5)) {
        SCOPED_TRACE(c.where);
        agent.clearRequests();
        Outcome out = runCommand(split(c.fields[0], ';'));
        ASSERT_TRUE(out.answered);
        EXPECT_EQ(out.status, std::stoi(c.fields[1]));
        EXPECT_EQ(out.kind, static_cast<uint32_t>(out.status == 1000 ? CLPS_RESP_REPLY : CLPS_RESP_MESSAGE));
        EXPECT_EQ(out.arg1, c.fields[2]);
        EXPECT_EQ(out.arg2, c.fields[3]);
        const Request request = split(c.fields[4], ';');
        EXPECT_EQ(writes(), request.empty() ? std::vector<Request>{} : std::vector<Request>{request});
        EXPECT_TRUE(request.empty() || out.request == request);
    }
}

TEST_F(Command, ControllerWithoutArrayDisksNamesTheWholeList) {
    agent.on("getController", {"GlobalNo=2"}, reply({{{"GlobalNo", "2"}, {"RAIDLevelsMask", bits(4)}}}));
    Outcome out = runCommand({"action=reconfigure", "controller=2", "vdisk=0", "raid=r1", "adisk=0:0:5,0:0:6"});
    EXPECT_EQ(out.status, 1602);
    EXPECT_EQ(out.arg1, "0:0:5,0:0:6");
    EXPECT_EQ(out.arg2, "None - There are no array disks on this controller.");
}

TEST_F(Command, ChecksStopAtTheFirstRejection) {
    const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
        {{"action=blink", "controller=9", "vdisk=0"}, {"getControllerList"}},
        // A bad name asks nothing beyond the common checks.
        {{"action=rename", "controller=0", "vdisk=0", "name=a.b"},
         {"getControllerList", "getVirtualDisksForController", "getVirtualDisksForController"}},
    };
    for (const auto& [line, expected] : cases) {
        agent.clearRequests();
        runCommand(line);
        std::vector<std::string> asked;
        for (const auto& r : agent.requests()) asked.push_back(r[0].substr(7));
        EXPECT_EQ(asked, expected) << line[0];
    }
}

}  // namespace
}  // namespace vdtest
