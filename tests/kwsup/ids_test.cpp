// Identifier checks against a scripted agent: results, valid-identifier
// lists (order, separators, bounds), counts, identifier forms, the requests
// sent, and the outcome when the agent is silent or no buffer can be had.
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "kwsup/kwsup.h"
#include "kwsup_fixture.h"

namespace kwsuptest {
namespace {

const char* const kInEnclosure = "10000000000";  // the enclosure bit, 0x400

Object ctl(const std::string& number) { return {{"GlobalNo", number}}; }

Object connector(const std::string& channel, const std::string& protocol) {
    Object o{{"ObjID", "1" + channel}, {"Channel", channel}};
    if (!protocol.empty()) o.push_back({"BusProtocol", protocol});
    return o;
}

Object enclosure(const std::string& channel, const std::string& id) {
    return {{"ObjID", "30"}, {"Channel", channel}, {"EnclosureID", id}};
}

Object disk(const std::string& channel, const std::string& enclosure, const std::string& target,
            const std::string& mask) {
    return {{"ObjID", "40"}, {"Channel", channel}, {"EnclosureID", enclosure}, {"TargetID", target},
            {"AttributesMask", mask}};
}

TEST_F(AgentTest, ControllerIdsStopAtTheFirstMatchAndAreBounded) {
    agent.on("getControllerList", reply({ctl("0"), ctl("1"), ctl("2")}));
    struct Case { const char* id; int32_t result; const char* list; };
    const Case cases[] = {
        {"1", 0, "0, 1"},
        {"0", 0, "0"},
        {"7", -1, "0, 1, 2"},
        {"01", -1, "0, 1, 2"},
        {"", -1, "0, 1, 2"},
        {nullptr, -1, "0, 1, 2"},
    };
    for (const Case& c : cases) {
        char list[2048] = "";
        EXPECT_EQ(IsUserControllerIdValid(c.id, list), c.result) << (c.id ? c.id : "(null)");
        EXPECT_STREQ(list, c.list);
        char sized[256] = "";
        EXPECT_EQ(IsUserControllerIdValidWithSize(c.id, sized, sizeof sized), c.result);
        EXPECT_STREQ(sized, c.list);
    }
    for (const Request& r : agent.requests()) EXPECT_EQ(r, Request{"vexcmd=getControllerList"});

    agent.on("getControllerList", reply({ctl("10"), ctl("11"), ctl("12")}));
    struct Bound { uint32_t size; const char* list; };
    for (const Bound& b : {Bound{8, "10, 11,"}, Bound{7, "10, 11"}, Bound{3, "10"}, Bound{2, "1"}, Bound{1, ""}}) {
        char list[64] = "";
        EXPECT_EQ(IsUserControllerIdValidWithSize("7", list, b.size), -1);
        EXPECT_STREQ(list, b.list) << "size " << b.size;
    }

    agent.silent("getControllerList");
    char list[2048] = "as given";
    EXPECT_EQ(IsUserControllerIdValid("0", list), -1);
    EXPECT_STREQ(list, "as given");
    failBufferAllocation(1);
    EXPECT_EQ(IsUserControllerIdValid("0", list), KWSUP_NO_BUFFER);
    EXPECT_STREQ(list, "as given");
}

TEST_F(AgentTest, VirtualDisksWithAParentAreLeftOut) {
    // The object without LogicalDriveNum ends the enumeration.
    agent.on("getVirtualDisksForController", reply({{{"LogicalDriveNum", "0"}}, {{"Name", "no number"}},
                                                    {{"LogicalDriveNum", "2"}}}));
    char list[2048] = "";
    EXPECT_EQ(IsUserVirtualDiskIdValid("2", "0", list), -1);
    EXPECT_STREQ(list, "0");
    agent.on("getVirtualDisksForController",
             reply({{{"LogicalDriveNum", "0"}}, {{"LogicalDriveNum", "1"}, {"ParentVDID", "0"}},
                    {{"LogicalDriveNum", "2"}}}));
    for (const char* id : {"1", "0"}) {
        list[0] = '\0';
        EXPECT_EQ(IsUserVirtualDiskIdValid(id, "0", list), *id == '1' ? -1 : 0) << id;
        EXPECT_STREQ(list, "0, 2");
    }
    EXPECT_EQ(agent.requests()[0], (Request{"vexcmd=getVirtualDisksForController", "GlobalNo=0", "CLI=true"}));
}

TEST_F(AgentTest, ComponentIndexChecks) {
    using Check = int32_t (*)(const char*, const char*, const char*, char*);
    struct Case { Check check; const char* command; };
    const Case cases[] = {
        {IsUserFanIndexValid, "getEnclosureFans"},
        {IsUserPwrSupplyIndexValid, "getEnclosurePowerSupplies"},
        {IsUserEmmIndexValid, "getEnclosureEMMs"},
        {IsUserTempProbesIndexValid, "getEnclosureTemperatureProbes"},
    };
    for (const Case& c : cases) {
        agent.on(c.command, reply({{{"Index", "0"}}, {{"Index", "1"}}}));
        agent.clearRequests();
        char list[2048] = "left over";
        EXPECT_EQ(c.check("0", "1:2", "3", list), 0) << c.command;
        EXPECT_STREQ(list, "0, 1");  // emptied first, complete after the match
        EXPECT_EQ(c.check("2", "1:2", "3", list), -1);
        EXPECT_STREQ(list, "0, 1");
        ASSERT_EQ(agent.requests().size(), 2u);
        EXPECT_EQ(agent.requests()[0],
                  (Request{std::string("vexcmd=") + c.command, "GlobalNo=3", "Enclosure=1:2", "CLI=true"}));
        agent.silent(c.command);
        strcpy(list, "left over");
        EXPECT_EQ(c.check("0", "1:2", "3", list), -1);
        EXPECT_STREQ(list, "");
    }
}

TEST_F(AgentTest, EnclosureFormFollowsTheConnectorProtocol) {
    struct Case { const char* protocol; const char* id; int32_t result; const char* list; uint32_t count; };
    const Case cases[] = {
        {"8", "1:2", 0, "1:2", 0},
        {"8", "1", -1, "1:2", 1},
        {"7", "1", 0, "1", 0},
        {"7", "1:2", -1, "1", 1},
        {"", "1", 0, "1", 0},  // no BusProtocol: connector form
    };
    for (const Case& c : cases) {
        agent.on("getChannelsForController", reply({connector("1", c.protocol)}));
        agent.on("getEnclosuresForChannel", reply({enclosure("1", "2")}));
        char list[256] = "";
        uint32_t count = 99;
        EXPECT_EQ(IsUserEnclosureIdValidWithSize(c.id, "0", list, sizeof list, &count), c.result)
            << c.protocol << " " << c.id;
        EXPECT_STREQ(list, c.list);
        EXPECT_EQ(count, c.count);
    }
}

TEST_F(AgentTest, EnclosuresOfEveryConnectorAreAskedByPosition) {
    // Connector Channel values 4 and 6 sit at positions 0 and 1.
    agent.on("getChannelsForController", reply({connector("4", "8"), connector("6", "8")}));
    agent.on("getEnclosuresForChannel", {"Channel=0"}, reply({enclosure("4", "0"), enclosure("4", "1")}));
    agent.on("getEnclosuresForChannel", {"Channel=1"}, reply({enclosure("6", "0")}));
    char list[256] = "";
    uint32_t count = 0;
    EXPECT_EQ(IsUserEnclosureIdValidWithSize("9", "2", list, sizeof list, &count), -1);
    EXPECT_STREQ(list, "4:0, 4:1, 6:0");
    EXPECT_EQ(count, 3u);
    const std::vector<Request> expected{
        {"vexcmd=getChannelsForController", "GlobalNo=2", "CLI=true"},
        {"vexcmd=getEnclosuresForChannel", "GlobalNo=2", "Channel=0", "CLI=true"},
        {"vexcmd=getEnclosuresForChannel", "GlobalNo=2", "Channel=1", "CLI=true"},
    };
    EXPECT_EQ(agent.requests(), expected);
    // A match ends the search: the second connector is not asked.
    agent.clearRequests();
    list[0] = '\0';
    EXPECT_EQ(IsUserEnclosureIdValidWithSize("4:1", "2", list, sizeof list, &count), 0);
    EXPECT_STREQ(list, "4:0, 4:1");
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(agent.requests().size(), 2u);
    char small[10] = "";
    EXPECT_EQ(IsUserEnclosureIdValidWithSize("9", "2", small, sizeof small, &count), -1);
    EXPECT_STREQ(small, "4:0, 4:1,");
    EXPECT_EQ(count, 3u);
}

TEST_F(AgentTest, EnclosureCheckSkipsASilentConnectorAndFailsWithoutConnectors) {
    agent.on("getChannelsForController", reply({connector("0", "7"), connector("1", "7")}));
    agent.on("getEnclosuresForChannel", {"Channel=1"}, reply({enclosure("1", "0")}));
    char list[256] = "";
    uint32_t count = 0;
    EXPECT_EQ(IsUserEnclosureIdValidWithSize("1", "0", list, sizeof list, &count), 0);
    EXPECT_STREQ(list, "1");
    agent.silent("getChannelsForController");
    count = 5;
    EXPECT_EQ(IsUserEnclosureIdValidWithSize("0", "0", list, sizeof list, &count), -1);
    EXPECT_EQ(count, 0u);
}

class ArrayDisks : public AgentTest {
protected:
    void script(const char* protocol, const std::vector<Object>& disks) {
        agent.on("getController", reply({ctl("0")}));
        agent.on("getChannelsForController", reply({connector("1", protocol)}));
        agent.on("getArrayDisksForChannel", {"Channel=0"}, reply(disks));
    }
    char list[2048] = "";
    uint32_t count = 99;
};

TEST_F(ArrayDisks, IdentifierFormFollowsProtocolAndEnclosureBit) {
    script("8", {disk("1", "2", "15", kInEnclosure), disk("1", "2", "16", "0")});
    EXPECT_EQ(IsUserArrayDiskIdValid("1:15", "0", list, 0, &count), -1);
    EXPECT_STREQ(list, "1:2:15, 1:16");
    EXPECT_EQ(count, 2u);
    list[0] = '\0';
    EXPECT_EQ(IsUserArrayDiskIdValid("1:2:15", "0", list, 0, &count), 0);
    EXPECT_STREQ(list, "1:2:15");
    EXPECT_EQ(count, 0u);

    // Protocol 7 keeps the connector form, but the hot-spare list does not.
    script("7", {disk("1", "2", "15", kInEnclosure)});
    list[0] = '\0';
    EXPECT_EQ(IsUserArrayDiskIdValid("1:15", "0", list, 0, &count), 0);
    EXPECT_STREQ(list, "1:15");
    agent.on("getCapsForDHS", reply({{{"Channel", "1"}, {"BusProtocol", "7"}, {"TargetID", "15"},
                                      {"AttributesMask", kInEnclosure}, {"EnclosureID", "2"}}}));
    char dhs[2048] = "";
    EXPECT_EQ(IsUserArrayDiskIdValidDHS("1:2:15", "0", "3", dhs, &count), 0);
    EXPECT_STREQ(dhs, "1:2:15");
    EXPECT_EQ(count, 1u);

    // Values are read within their widths: 15 characters of Channel survive.
    script("7", {disk("12345678901234567890", "0", "15", "0")});
    list[0] = '\0';
    EXPECT_EQ(IsUserArrayDiskIdValid("x", "0", list, 0, &count), -1);
    EXPECT_STREQ(list, "123456789012345:15");
}

TEST_F(ArrayDisks, ReconfigureRefusesDisksWithBit80Or100) {
    struct Case { const char* mask; uint32_t reconfigure; int32_t result; };
    const Case cases[] = {
        {"10000000", 1, -2},  // 0x80
        {"10000000", 0, 0},
        {"100000000", 1, -2},  // 0x100
        {"1000000", 1, 0},     // 0x40
        {"0", 1, 0},
    };
    for (const Case& c : cases) {
        script("7", {disk("0", "0", "3", c.mask)});
        list[0] = '\0';
        EXPECT_EQ(IsUserArrayDiskIdValid("0:3", "0", list, c.reconfigure, &count), c.result)
            << c.mask << " " << c.reconfigure;
        EXPECT_EQ(count, 0u);
    }
}

TEST_F(ArrayDisks, DisksOfEveryConnectorAreAskedByPositionSkippingSilentOnes) {
    agent.on("getController", reply({ctl("1")}));
    agent.on("getChannelsForController", reply({connector("4", "7"), connector("6", "7")}));
    agent.on("getArrayDisksForChannel", {"GlobalNo=1", "Channel=0"},
             reply({disk("4", "0", "0", "0"), disk("4", "0", "1", "0")}));
    agent.on("getArrayDisksForChannel", {"GlobalNo=1", "Channel=1"}, reply({disk("6", "0", "2", "0")}));
    EXPECT_EQ(IsUserArrayDiskIdValid("6:2", "1", list, 0, &count), 0);
    EXPECT_STREQ(list, "4:0, 4:1, 6:2");
    const std::vector<Request> expected{
        {"vexcmd=getController", "GlobalNo=1", "CLI=true"},
        {"vexcmd=getChannelsForController", "GlobalNo=1", "CLI=true"},
        {"vexcmd=getArrayDisksForChannel", "GlobalNo=1", "Channel=0", "CLI=true"},
        {"vexcmd=getArrayDisksForChannel", "GlobalNo=1", "Channel=1", "CLI=true"},
    };
    EXPECT_EQ(agent.requests(), expected);
    char small[8] = "";
    EXPECT_EQ(IsUserArrayDiskIdValidWithSize("100", "1", small, sizeof small, 0, &count), -1);
    EXPECT_STREQ(small, "4:0, 4:");
    EXPECT_EQ(count, 3u);

    agent.silent("getArrayDisksForChannel");
    agent.on("getArrayDisksForChannel", {"Channel=1"}, reply({disk("6", "0", "5", "0")}));
    list[0] = '\0';
    EXPECT_EQ(IsUserArrayDiskIdValid("9:9", "0", list, 0, &count), -1);
    EXPECT_STREQ(list, "6:5");
    EXPECT_EQ(count, 1u);
}

TEST_F(ArrayDisks, NoReplyFromTheControllerOrItsConnectors) {
    for (const char* silent : {"getController", "getChannelsForController"}) {
        agent.on("getController", reply({ctl("0")}));
        agent.silent(silent);
        agent.clearRequests();
        count = 4;
        EXPECT_EQ(IsUserArrayDiskIdValid("0:0", "0", list, 0, &count), -1);
        EXPECT_EQ(count, 0u);
        EXPECT_EQ(agent.requests().back()[0], std::string("vexcmd=") + silent);
    }
    EXPECT_STREQ(list, "");
}

TEST_F(AgentTest, AllDisksInConnectorFormSeparatedByCommaAlone) {
    agent.on("getArrayDisksForController",
             reply({disk("0", "2", "1", kInEnclosure), disk("123456789012345", "0", "678", "0")}));
    char list[2048] = "left over";
    EXPECT_EQ(GetValidUserArrayDiskIds("0", list), 0);
    EXPECT_STREQ(list, "0:1,123456789012345:67");  // the second identifier is cut at 18 characters
    EXPECT_EQ(agent.requests()[0], (Request{"vexcmd=getArrayDisksForController", "GlobalNo=0", "CLI=true"}));
    agent.silent("getArrayDisksForController");
    strcpy(list, "left over");
    EXPECT_EQ(GetValidUserArrayDiskIds("0", list), 0);
    EXPECT_STREQ(list, "");
}

// Every check, with every reply buffer it obtains failing in turn: 272, the
// expected requests sent so far, and nothing left unreleased.
TEST_F(AgentTest, EveryBufferFailureGives272AndLeaksNothing) {
    // Two objects carrying what every check reads, so that loops go round twice.
    auto object = [](const std::string& n) {
        return Object{{"GlobalNo", n},        {"MaxNameLength", "15"}, {"ObjID", "1" + n},
                      {"Channel", n},         {"BusProtocol", "8"},    {"EnclosureID", "0"},
                      {"TargetID", "1"},      {"AttributesMask", "0"}, {"LogicalDriveNum", n},
                      {"BatteryID", n},       {"Index", n}};
    };
    const std::string all = reply({object("0"), object("1")});
    agent.otherwise([&](const Request&) { return all; });
    char list[2048];
    uint32_t count;
    char maxLength[8];
    struct Run {
        const char* name;
        std::function<int32_t()> check;
        int32_t unfailed;          // result when no buffer fails
        bool bufferBeforeSending;  // the first failure sends nothing
    };
    const Run runs[] = {
        {"controller", [&] { return IsUserControllerIdValid("0", list); }, 0, true},
        {"controller sized", [&] { return IsUserControllerIdValidWithSize("0", list, 64); }, 0, true},
        {"connector", [&] { return IsUserChannelIdValid("0", "0", list); }, 0, true},
        {"enclosure", [&] { return IsUserEnclosureIdValidWithSize("9", "0", list, 64, &count); }, -1, false},
        {"virtual disk", [&] { return IsUserVirtualDiskIdValid("0", "0", list); }, 0, true},
        {"battery", [&] { return IsUserBatteryIdValidWithSize("0", "0", list, 64, &count); }, 0, true},
        {"all disks", [&] { return GetValidUserArrayDiskIds("0", list); }, 0, true},
        {"disk", [&] { return IsUserArrayDiskIdValid("9:9", "0", list, 0, &count); }, -1, false},
        {"hot spare", [&] { return IsUserArrayDiskIdValidDHS("0:1", "0", "0", list, &count); }, 0, false},
        {"fan", [&] { return IsUserFanIndexValid("0", "0", "0", list); }, 0, true},
        {"power supply", [&] { return IsUserPwrSupplyIndexValid("0", "0", "0", list); }, 0, true},
        {"emm", [&] { return IsUserEmmIndexValid("0", "0", "0", list); }, 0, true},
        {"probe", [&] { return IsUserTempProbesIndexValid("0", "0", "0", list); }, 0, true},
        {"name length", [&] { return IsNameCorrectLength("vd", "0", maxLength, sizeof maxLength); }, 0, false},
    };
    for (const Run& run : runs) {
        for (int n = 1;; ++n) {
            failBufferAllocation(n);
            agent.clearRequests();
            list[0] = '\0';
            memset(maxLength, 0, sizeof maxLength);
            const int32_t result = run.check();
            if (KWTestCallCount(KWTEST_XBUF) < n) {  // nothing failed this time
                EXPECT_EQ(result, run.unfailed) << run.name;
                break;
            }
            EXPECT_EQ(result, KWSUP_NO_BUFFER) << run.name << " failing buffer " << n;
            if (n == 1) {
                EXPECT_EQ(agent.requests().empty(), run.bufferBeforeSending) << run.name;
            }
            for (int kind = 0; kind < KWLIVE_KIND_COUNT; ++kind)
                EXPECT_EQ(KWTestLiveCount(static_cast<KWTestLive>(kind)), 0) << run.name << " kind " << kind;
        }
    }
}

}  // namespace
}  // namespace kwsuptest
