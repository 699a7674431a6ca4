// rkconfig storage battery through its handler.
#include "devices_fixture.h"

namespace devtest {
namespace {

using Battery = DevicesTest;

TEST_F(Battery, EveryActionReachesTheAgent) {
    struct Case {
        const char* line;
        Strings request;
    } cases[] = {
        {"action=recondition controller=0 battery=0", {"vexcmd=setBatteryRecondition", "GlobalNo=0", "BatteryID=0"}},
        {"action=startlearn controller=0 battery=0", {"vexcmd=setBatteryStartLearn", "GlobalNo=0", "BatteryID=0"}},
        {"action=delaylearn controller=0 battery=0 days=7 hours=0",
         {"vexcmd=setBatteryDelayLearn", "GlobalNo=0", "BatteryID=0", "Days=7", "Hours=0"}},
        {"action=delaylearn controller=0 battery=0 hours=5",
         {"vexcmd=setBatteryDelayLearn", "GlobalNo=0", "BatteryID=0", "Hours=5"}},
    };
    for (const auto& c : cases) {
        Outcome out = run(CmdConfigBattery, "battery", c.line);
        EXPECT_EQ(out.status, 1000) << c.line << " " << out.arg1 << " " << out.arg2;
        EXPECT_EQ(out.request, c.request) << c.line;
    }
}

TEST_F(Battery, LearnDelayTexts) {
    struct Case {
        const char* maximum;
        const char* delay;
        const char* requested;
        const char* allowed;
    } cases[] = {
        {"168", "days=7 hours=1", "7 days 1 hours", "7 days"},
        {"30", "days=2", "2 days", "1 days 6 hours"},
        {"20", "hours=21", "21 hours", "20 hours"},
        {"168", "days=0 hours=0", "0 days 0 hours", "7 days"},
        {"168", "days=07 hours=23", "07 days 23 hours", "7 days"},
    };
    for (const auto& c : cases) {
        script("getBattery", reply({{{"BatteryID", "0"}, {"MaxLearnDelay", c.maximum}}}));
        Outcome out = run(CmdConfigBattery, "battery", std::string("action=delaylearn controller=0 battery=0 ") + c.delay);
        EXPECT_EQ(out.status, 1662) << c.delay;
        EXPECT_EQ(out.arg1, c.requested);
        EXPECT_EQ(out.arg2, c.allowed);
    }
    // A battery whose limit cannot be read refuses every delay; the limit shows as nothing.
    script("getBattery", reply({{{"BatteryID", "0"}}}));
    Outcome out = run(CmdConfigBattery, "battery", "action=delaylearn controller=0 battery=0 days=1");
    EXPECT_EQ(out.status, 1662);
    EXPECT_EQ(out.arg2, "0 hours");
    // Without days or hours the request is a delay of nothing.
    out = call(CmdConfigBatteryValidateFunc, "action=delaylearn controller=0 battery=0");
    EXPECT_EQ(out.status, 1662);
    EXPECT_EQ(out.arg1, "0 hours");
    EXPECT_TRUE(agent.requestsFor("setBatteryDelayLearn").empty());
}

TEST_F(Battery, Rejections) {
    script("getBatteriesForController", {"GlobalNo=0"},
             reply({{{"BatteryID", "0"}, {"MasterMethodMask", "011"}, {"CurrentMethodMask", "001"}},
                    {{"BatteryID", "1"}}}));
    const std::vector<Expected> cases = {
        {"action=recondition controller=3 battery=0", 1600, "3", "0, 1"},
        {"action=recondition controller=0 battery=2", 1620, "2", "0, 1"},
        {"action=recondition controller=1 battery=0", 1620, "0", "None - There are no batteries in this controller."},
        {"action=delaylearn controller=0 battery=0 days=1", 1614, "delaylearn", ""},
        {"action=startlearn controller=0 battery=0", 1615, "startlearn", ""},
        {"action=recondition controller=0 battery=1", 1614, "recondition", ""},
    };
    expectAll(cases, [&](const char* params) {
        return run(CmdConfigBattery, "battery", params);
    });
}

}  // namespace
}  // namespace devtest
