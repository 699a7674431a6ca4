// The validation callback called directly, for what no command line can
// reach (the framework requires raid, assign and name, and always places the
// Length argument) and for what it must leave alone.

#include "vdisk_fixture.h"

namespace vdtest {
namespace {

constexpr char kSentinel[] = "untouched";

// One direct call: the user's words, a request vector of 256-byte blocks
// as the framework would build it, and sentinel message buffers.
class Call : public kwtest::CallbackCall {
public:
    Call(std::vector<std::string> user, const std::vector<std::string>& request)
        : CallbackCall(CmdConfigVirtualDisksValidateFunc, std::move(user), request, kSentinel) {}
};

using Callback = VdiskTest;

TEST_F(Callback, ReconfigureWithoutRaidChecksNoLayout) {
    Call call({"action=reconfigure", "controller=0", "vdisk=0", "adisk=0:0:5"},
              {"GlobalNo=0", "LogicalDriveNum=0", "adisk=0:0:5"});
    EXPECT_EQ(call.run(), 1000);
    EXPECT_TRUE(agent.requestsFor("getController").size() == 1u);  // the disk check's own query only
}

TEST_F(Callback, RaidWordWithoutLayoutIsRefused) {
    Call call({"action=reconfigure", "controller=0", "vdisk=0", "raid=r5", "adisk=0:0:5"},
              {"GlobalNo=0", "LogicalDriveNum=0", "adisk=0:0:5"});
    EXPECT_EQ(call.run(), 1609);
    EXPECT_EQ(call.first(), "r5");
    EXPECT_EQ(call.second(), "r0, r1, r5, r10");
}

TEST_F(Callback, HotSpareWithoutAssignIsARelease) {
    Call release({"action=assigndedicatedhotspare", "controller=0", "vdisk=0", "adisk=0:0:3"},
                 {"GlobalNo=0", "LogicalDriveNum=0", "adisk=0:0:3"});
    EXPECT_EQ(release.run(), 1000);
    Call wrong({"action=assigndedicatedhotspare", "controller=0", "vdisk=0", "adisk=0:0:5"},
               {"GlobalNo=0", "LogicalDriveNum=0", "adisk=0:0:5"});
    EXPECT_EQ(wrong.run(), 1602);
    EXPECT_EQ(wrong.second(), "0:0:3");
    EXPECT_TRUE(agent.requestsFor("getCapsForDHS").empty());
}

TEST_F(Callback, RenameWithoutNameIsTheEmptyName) {
    Call call({"action=rename", "controller=0", "vdisk=0"}, {"GlobalNo=0", "LogicalDriveNum=0"});
    EXPECT_EQ(call.run(), 1630);
    EXPECT_EQ(call.first(), "");
    EXPECT_EQ(call.second(), "15");
}

TEST_F(Callback, SizeReplacesTheLengthArgumentInPlace) {
    Call call({"action=reconfigure", "controller=0", "vdisk=0", "adisk=0:0:5", "size=5"},
              {"GlobalNo=0", "LogicalDriveNum=0", "Length=5", "adisk=0:0:5"});
    EXPECT_EQ(call.run(), 1000);
    EXPECT_EQ(call.request(),
              (std::vector<std::string>{"GlobalNo=0", "LogicalDriveNum=0", "Length=5368709120", "adisk=0:0:5"}));
}

TEST_F(Callback, SizeWithoutLengthSlotIsAppended) {
    Call call({"action=reconfigure", "controller=0", "vdisk=0", "adisk=0:0:5", "size=1m"},
              {"GlobalNo=0", "LogicalDriveNum=0", "adisk=0:0:5"});
    EXPECT_EQ(call.run(), 1000);
    EXPECT_EQ(call.request(),
              (std::vector<std::string>{"GlobalNo=0", "LogicalDriveNum=0", "adisk=0:0:5", "Length=1048576"}));
}

TEST_F(Callback, NoBlockForTheSizeLeavesTheRequestAsItWas) {
    // The four blocks of the request come first; every block after them fails.
    setenv("KWTEST_FAIL", "mem:5:persistent", 1);
    KWTestReset();
    Call call({"action=reconfigure", "controller=0", "vdisk=0", "adisk=0:0:5", "size=5"},
              {"GlobalNo=0", "LogicalDriveNum=0", "Length=5", "adisk=0:0:5"});
    EXPECT_EQ(call.run(), 1655);
    EXPECT_EQ(call.request(), (std::vector<std::string>{"GlobalNo=0", "LogicalDriveNum=0", "Length=5", "adisk=0:0:5"}));
    EXPECT_EQ(call.first(), kSentinel);
    EXPECT_EQ(call.second(), kSentinel);
    unsetenv("KWTEST_FAIL");
}

TEST_F(Callback, MessageArgumentsAreWrittenOnlyWhereNamed) {
    const struct {
        std::vector<std::string> user;
        int32_t status;
        const char* first;   // null: untouched
        const char* second;  // null: untouched
    } cases[] = {
        {{"action=format", "controller=0", "vdisk=1"}, 1614, "format", nullptr},
        {{"action=initialize", "controller=0", "vdisk=1"}, 1615, "initialize", nullptr},
        {{"action=assigndedicatedhotspare", "controller=2", "vdisk=0", "adisk=0:0:1", "assign=yes"}, 1615,
         "assigndedicatedhotspare assign=yes", nullptr},
        {{"action=assigndedicatedhotspare", "controller=0", "vdisk=0", "assign=yes"}, 1667, nullptr, nullptr},
        {{"action=rename", "controller=0", "vdisk=0", "name=Data"}, 1639, "Data", nullptr},
        {{"action=reconfigure", "controller=0", "vdisk=0", "adisk=0:0:4"}, 1627, "0:0:4", nullptr},
        {{"action=reconfigure", "controller=0", "vdisk=1", "adisk=0:0:5", "size=5"}, 1665, nullptr, nullptr},
        {{"action=reconfigure", "controller=0", "vdisk=0", "adisk=0:0:5", "size=x5"}, 1606, nullptr, nullptr},
        {{"action=reconfigure", "controller=0", "vdisk=0", "adisk=0:0:5", "size=5k"}, 1607, nullptr, nullptr},
        {{"action=blink", "controller=1", "vdisk=0"}, 1622, "0", "1"},
    };
    for (const auto& c : cases) {
        Call call(c.user, {"GlobalNo=0", "LogicalDriveNum=0"});
        EXPECT_EQ(call.run(), c.status) << c.user[0];
        EXPECT_EQ(call.first(), c.first ? c.first : kSentinel) << c.user[0];
        EXPECT_EQ(call.second(), c.second ? c.second : kSentinel) << c.user[0];
    }
}

TEST_F(Callback, PolicyTakesPartOnlyWithItsRequestValue) {
    // An unsupported word without its request value is not looked at.
    Call call({"action=changepolicy", "controller=0", "vdisk=0", "readpolicy=ara"}, {"GlobalNo=0", "LogicalDriveNum=0"});
    EXPECT_EQ(call.run(), 1000);
    EXPECT_TRUE(agent.requestsFor("getController").empty());
}

TEST_F(Callback, ActionsWithoutOwnRulesNeedOnlyTheCommonChecks) {
    // cancelformat has a method-mask bit but no rules of its own.
    Call call({"action=cancelformat", "controller=0", "vdisk=0"}, {"GlobalNo=0", "LogicalDriveNum=0"});
    EXPECT_EQ(call.run(), 1000);
    Call none({"controller=0", "vdisk=0"}, {"GlobalNo=0", "LogicalDriveNum=0"});
    EXPECT_EQ(none.run(), 1614);
    EXPECT_EQ(none.first(), "");
}

}  // namespace
}  // namespace vdtest
