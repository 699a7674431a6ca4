// The validation callback called directly, for the actions and parameter
// combinations no command line can reach (actions without a row, required
// parameters left out, a request without "Length"), and creation on a
// controller with 2048 disks.
#include "ctrl_fixture.h"

namespace ctrltest {
namespace {

using Callback = ControllerTest;

TEST_F(Callback, GlobalRescanPointsElsewhereAndAsksNothing) {
    Call call({"action=GlobalRescan"}, {});
    testing::internal::CaptureStdout();
    EXPECT_EQ(call.run(), 1000);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "This command is deprecated and will be discontinued in a subsequent release. Please use "
              "'rkconfig storage globalinfo action=globalrescan' instead.\n");
    EXPECT_TRUE(agent.requests().empty());
    EXPECT_EQ(call.first(), kSentinel);
}

TEST_F(Callback, DebugNeedsNoController) {
    Call call({"action=DEBUG"}, {"NumDCSIFArgs=1", "param0=debug"});
    EXPECT_EQ(call.run(), 1000);
    EXPECT_TRUE(agent.requests().empty());
    EXPECT_EQ(call.request(), (std::vector<std::string>{"NumDCSIFArgs=1", "param0=debug"}));
}

// Each row: the user's words, the request as the framework built it, the
// status, both message arguments (null: not checked) and the request after.
TEST_F(Callback, DirectCallsAnswerAndAdjustTheRequest) {
    using Strings = std::vector<std::string>;
    const struct {
        Strings user;
        Strings request;
        int32_t status;
        const char* first;
        const char* second;
        Strings after;
    } cases[] = {
        // Actions without a row of their own are still handled.
        {{"action=dumpevents", "controller=0"}, {"GlobalNo=0"}, 1000, kSentinel, kSentinel, {"GlobalNo=0", "Property=5"}},
        {{"action=setpatrolreadrate", "controller=0", "rate=30"}, {"GlobalNo=0", "Rate=30"}, 1657, kSentinel, kSentinel,
         {"GlobalNo=0", "Rate=30"}},
        {{"action=setpatrolreadrate", "controller=0", "rate=31"}, {"GlobalNo=0", "Rate=31"}, 1000, nullptr, nullptr,
         {"GlobalNo=0", "Rate=31", "AttribType=2"}},
        {{"action=pauseio", "controller=0"}, {"GlobalNo=0"}, 1000, nullptr, nullptr, {"GlobalNo=0"}},
        // Rate actions without a rate ask for no current rate.
        {{"action=setbgirate", "controller=0"}, {"GlobalNo=0"}, 1000, nullptr, nullptr, {"GlobalNo=0", "AttribType=1"}},
        {{"action=setrebuildrate", "controller=0"}, {"GlobalNo=0"}, 1000, nullptr, nullptr, {"GlobalNo=0"}},
        {{"controller=0"}, {"GlobalNo=0"}, 1614, "", nullptr, {"GlobalNo=0"}},  // no action
        {{"action=rescan"}, {}, 1600, "", "0, 1, 2, 3", {}},                     // no controller
        // Creation without its layout or size.
        {{"action=createvdisk", "controller=0", "size=1g", "adisk=0:0:1"}, {"GlobalNo=0", "adisk=0:0:1", "Length=1g"},
         1609, kSentinel, nullptr, {"GlobalNo=0", "adisk=0:0:1", "Length=1g"}},
        {{"action=createvdisk", "controller=0", "raid=r5", "size=1g", "adisk=0:0:1"},
         {"GlobalNo=0", "adisk=0:0:1", "Length=1g"}, 1609, nullptr, nullptr, {"GlobalNo=0", "adisk=0:0:1", "Length=1g"}},
        {{"action=createvdisk", "controller=0", "raid=r0", "adisk=0:0:1"}, {"GlobalNo=0", "adisk=0:0:1", "Layout=2"},
         1606, nullptr, nullptr, {"GlobalNo=0", "adisk=0:0:1", "Layout=2"}},
        // Length is added when the request lacks it.
        {{"action=createvdisk", "controller=0", "raid=r0", "size=min", "adisk=0:0:1"},
         {"GlobalNo=0", "adisk=0:0:1", "Layout=2"}, 1000, nullptr, nullptr,
         {"GlobalNo=0", "adisk=0:0:1", "Layout=2", "Length=1"}},
    };
    for (const auto& c : cases) {
        agent.clearRequests();
        Call call(c.user, c.request);
        EXPECT_EQ(call.run(), c.status) << c.user[0];
        if (c.first) EXPECT_EQ(call.first(), c.first) << c.user[0];
        if (c.second) EXPECT_EQ(call.second(), c.second) << c.user[0];
        EXPECT_EQ(call.request(), c.after) << c.user[0];
        if (c.user[0] == "action=setbgirate" || c.user[0] == "action=setrebuildrate")
            EXPECT_TRUE(agent.requestsFor("getController").empty()) << c.user[0];
    }
}

TEST_F(Callback, SilentControllerDescriptionLetsTheRateGo) {
    // The third query, after the controller and availability checks, is
    // the one for the current rate.
    failAt("reply", 3);
    {
        Call call({"action=setreconstructrate", "controller=0", "rate=30"}, {"GlobalNo=0", "Rate=30"});
        EXPECT_EQ(call.run(), 1000);
        EXPECT_EQ(call.request().back(), "AttribType=3");
        EXPECT_EQ(KWTestCallCount(KWTEST_REPLY), 3);
    }
    failAt("reply", 3);
    Call rebuild({"action=setrebuildrate", "controller=0", "rate=30"}, {"GlobalNo=0", "RebuildRate=30"});
    EXPECT_EQ(rebuild.run(), 1000);
}

TEST_F(Callback, NoBlockForTheAppendedArgumentIs1655) {
    failAt("mem", 2);  // the first block is the call's own GlobalNo
    Call call({"action=importforeignconfig", "controller=0"}, {"GlobalNo=0"});
    EXPECT_EQ(call.run(), 1655);
    EXPECT_EQ(call.request().size(), 1u);
}

TEST_F(Callback, NoBlockForTheNewLengthKeepsTheOldOne) {
    failAt("mem", 5);
    Call call({"action=createvdisk", "controller=0", "raid=r0", "size=1g", "adisk=0:0:1"},
              {"GlobalNo=0", "adisk=0:0:1", "Length=1g", "Layout=2"});
    EXPECT_EQ(call.run(), 1655);
    EXPECT_EQ(call.request()[2], "Length=1g");
}

// 16 connectors of 128 disks each: identifiers "c:t", 2048 in all.
void scriptLargeController(kwtest::TestAgent& agent) {
    std::vector<Object> connectors;
    for (int c = 0; c < 16; ++c) {
        connectors.push_back({{"ObjID", std::to_string(500 + c)}, {"Channel", std::to_string(c)}, {"BusProtocol", "1"}});
        std::vector<Object> disks;
        for (int t = 0; t < 128; ++t)
            disks.push_back({{"ObjID", std::to_string(1000 + t)}, {"Channel", std::to_string(c)},
                             {"TargetID", std::to_string(t)}, {"AttributesMask", "0"}});
        agent.on("getArrayDisksForChannel", {"GlobalNo=0", "Channel=" + std::to_string(c)}, reply(disks));
    }
    agent.on("getChannelsForController", {"GlobalNo=0"}, reply(connectors));
}

TEST_F(Callback, LargeControllersKeepEveryDisk) {
    scriptLargeController(agent);
    Outcome out = runCommand({"action=createvdisk", "controller=0", "raid=r5", "size=1g", "adisk=15:125,15:126,15:127"});
    EXPECT_EQ(out.status, 1000) << out.arg1;

    Outcome refused = runCommand({"action=createvdisk", "controller=0", "raid=r5", "size=1g", "adisk=15:127,16:0"});
    EXPECT_EQ(refused.status, 1602);
    EXPECT_EQ(refused.arg1, "16:0");
    // The list is cut to the message buffer after a whole identifier.
    ASSERT_LT(refused.arg2.size(), static_cast<size_t>(CLPS_MSG_ARG_SIZE));
    EXPECT_GT(refused.arg2.size(), 4000u);
    EXPECT_EQ(refused.arg2.rfind("0:0, 0:1, 0:2", 0), 0u);
    std::string full;
    for (int c = 0; c < 16; ++c)
        for (int t = 0; t < 128; ++t) full += (full.empty() ? "" : ", ") + std::to_string(c) + ":" + std::to_string(t);
    EXPECT_EQ(full.rfind(refused.arg2, 0), 0u);
    EXPECT_EQ(full.substr(refused.arg2.size(), 2), ", ");
}

}  // namespace
}  // namespace ctrltest
