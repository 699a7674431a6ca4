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

// Message arguments are written only where named (kSentinel: untouched,
// null: not checked); a size replaces the Length argument in place or is
// appended (after: the request as the callback left it, when given).
TEST_F(Callback, MessageArgumentsAndTheRequestAfterTheCall) {
    using Strings = std::vector<std::string>;
    const Strings common = {"GlobalNo=0", "LogicalDriveNum=0"};
    const Strings withLength = {"GlobalNo=0", "LogicalDriveNum=0", "Length=5", "adisk=0:0:5"};
    const Strings withDisk = {"GlobalNo=0", "LogicalDriveNum=0", "adisk=0:0:5"};
    const struct {
        Strings user;
        const Strings* request;
        int32_t status;
        const char* first;
        const char* second;
        Strings after;
    } cases[] = {
        {{"action=format", "controller=0", "vdisk=1"}, &common, 1614, "format", kSentinel, {}},
        {{"action=initialize", "controller=0", "vdisk=1"}, &common, 1615, "initialize", kSentinel, {}},
        {{"action=assigndedicatedhotspare", "controller=2", "vdisk=0", "adisk=0:0:1", "assign=yes"}, &common, 1615,
         "assigndedicatedhotspare assign=yes", kSentinel, {}},
        {{"action=assigndedicatedhotspare", "controller=0", "vdisk=0", "assign=yes"}, &common, 1667, kSentinel,
         kSentinel, {}},
        {{"action=rename", "controller=0", "vdisk=0", "name=Data"}, &common, 1639, "Data", kSentinel, {}},
        {{"action=rename", "controller=0", "vdisk=0"}, &common, 1630, "", "15", {}},  // no name: the empty name
        {{"action=reconfigure", "controller=0", "vdisk=0", "adisk=0:0:4"}, &common, 1627, "0:0:4", kSentinel, {}},
        {{"action=reconfigure", "controller=0", "vdisk=1", "adisk=0:0:5", "size=5"}, &common, 1665, kSentinel,
         kSentinel, {}},
        {{"action=reconfigure", "controller=0", "vdisk=0", "adisk=0:0:5", "size=x5"}, &common, 1606, kSentinel,
         kSentinel, {}},
        {{"action=reconfigure", "controller=0", "vdisk=0", "adisk=0:0:5", "size=5k"}, &common, 1607, kSentinel,
         kSentinel, {}},
        // A layout word the framework found no value for.
        {{"action=reconfigure", "controller=0", "vdisk=0", "raid=r5", "adisk=0:0:5"}, &withDisk, 1609, "r5",
         "r0, r1, r5, r10", {}},
        {{"action=blink", "controller=1", "vdisk=0"}, &common, 1622, "0", "1", {}},
        {{"action=reconfigure", "controller=0", "vdisk=0", "adisk=0:0:5", "size=5"}, &withLength, 1000, nullptr,
         nullptr, {"GlobalNo=0", "LogicalDriveNum=0", "Length=5368709120", "adisk=0:0:5"}},
        {{"action=reconfigure", "controller=0", "vdisk=0", "adisk=0:0:5", "size=1m"}, &withDisk, 1000, nullptr, nullptr,
         {"GlobalNo=0", "LogicalDriveNum=0", "adisk=0:0:5", "Length=1048576"}},
        // cancelformat has a method-mask bit but no rules of its own.
        {{"action=cancelformat", "controller=0", "vdisk=0"}, &common, 1000, nullptr, nullptr, {}},
        {{"controller=0", "vdisk=0"}, &common, 1614, "", nullptr, {}},
    };
    for (const auto& c : cases) {
        Call call(c.user, *c.request);
        EXPECT_EQ(call.run(), c.status) << c.user[0];
        if (c.first) EXPECT_EQ(call.first(), c.first) << c.user[0];
        if (c.second) EXPECT_EQ(call.second(), c.second) << c.user[0];
        if (!c.after.empty()) EXPECT_EQ(call.request(), c.after) << c.user[0];
    }
}

TEST_F(Callback, PolicyTakesPartOnlyWithItsRequestValue) {
    // An unsupported word without its request value is not looked at.
    Call call({"action=changepolicy", "controller=0", "vdisk=0", "readpolicy=ara"}, {"GlobalNo=0", "LogicalDriveNum=0"});
    EXPECT_EQ(call.run(), 1000);
    EXPECT_TRUE(agent.requestsFor("getController").empty());
}

}  // namespace
}  // namespace vdtest
