// The validation callback called directly: the cases of calls.txt, the notice
// of the relocated action, failures of the blocks it adds, and creation on a
// controller with 2048 disks.
#include "ctrl_fixture.h"

namespace ctrltest {
namespace {

using Callback = ControllerTest;

TEST_F(Callback, CasesOfTheCallFile) { runCallCases(CmdConfigControllerValidateFunc, "controller", agent); }

TEST_F(Callback, GlobalRescanPointsElsewhere) {
    CallbackCall call(CmdConfigControllerValidateFunc, {"action=globalrescan"}, {}, "");
    testing::internal::CaptureStdout();
    EXPECT_EQ(call.run(), 1000);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "This command is deprecated and will be discontinued in a subsequent release. Please use "
              "'rkconfig storage globalinfo action=globalrescan' instead.\n");
}

TEST_F(Callback, SilentControllerDescriptionLetsTheRateGo) {
    // The third query, after the controller and availability checks, is
    // the one for the current rate.
    for (const char* rate : {"setreconstructrate", "setrebuildrate"}) {
        failAt("reply", 3);
        CallbackCall call(CmdConfigControllerValidateFunc, {std::string("action=") + rate, "controller=0", "rate=30"},
                          {"GlobalNo=0", "Rate=30"}, "");
        EXPECT_EQ(call.run(), 1000) << rate;
        EXPECT_EQ(KWTestCallCount(KWTEST_REPLY), 3) << rate;
    }
}

TEST_F(Callback, NoBlockForAnAddedArgumentIs1655) {
    {
        failAt("mem", 2);  // the first block is the call's own GlobalNo
        CallbackCall appended(CmdConfigControllerValidateFunc, {"action=importforeignconfig", "controller=0"},
                              {"GlobalNo=0"}, "");
        EXPECT_EQ(appended.run(), 1655);
        EXPECT_EQ(appended.request().size(), 1u);
    }
    failAt("mem", 5);  // a new Length keeps the old one
    CallbackCall length(CmdConfigControllerValidateFunc,
                        {"action=createvdisk", "controller=0", "raid=r0", "size=1g", "adisk=0:0:1"},
                        {"GlobalNo=0", "adisk=0:0:1", "Length=1g", "Layout=2"}, "");
    EXPECT_EQ(length.run(), 1655);
    EXPECT_EQ(length.request()[2], "Length=1g");
}

TEST_F(Callback, LargeControllersKeepEveryDisk) {
    // 16 connectors of 128 disks each: identifiers "c:t", 2048 in all.
    std::vector<Object> connectors;
    std::string full;
    for (int c = 0; c < 16; ++c) {
        const std::string channel = std::to_string(c);
        connectors.push_back({{"ObjID", std::to_string(500 + c)}, {"Channel", channel}, {"BusProtocol", "1"}});
        std::vector<Object> disks;
        for (int t = 0; t < 128; ++t) {
            disks.push_back({{"ObjID", std::to_string(1000 + t)}, {"Channel", channel},
                             {"TargetID", std::to_string(t)}, {"AttributesMask", "0"}});
            full += (full.empty() ? "" : ", ") + channel + ":" + std::to_string(t);
        }
        agent.on("getArrayDisksForChannel", {"GlobalNo=0", "Channel=" + channel}, reply(disks));
    }
    agent.on("getChannelsForController", {"GlobalNo=0"}, reply(connectors));
    std::vector<std::string> line = {"action=createvdisk", "controller=0", "raid=r5", "size=1g", "adisk=15:126,15:127"};
    EXPECT_EQ(runCommand(line).status, 1636);  // every disk found, and too few for r5

    line.back() = "adisk=15:127,16:0";
    Outcome refused = runCommand(line);
    EXPECT_EQ(refused.status, 1602);
    EXPECT_EQ(refused.arg1, "16:0");
    // The list is cut to the message buffer after a whole identifier.
    ASSERT_LT(refused.arg2.size(), static_cast<size_t>(CLPS_MSG_ARG_SIZE));
    EXPECT_GT(refused.arg2.size(), 4000u);
    EXPECT_EQ(full.rfind(refused.arg2, 0), 0u);
    EXPECT_EQ(full.substr(refused.arg2.size(), 2), ", ");
}

}  // namespace
}  // namespace ctrltest
