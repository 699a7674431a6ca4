// Reply lookups, and identifier checks against a scripted agent: the result, the
// list of valid identifiers (order, separators, bound), the requests sent, and
// the outcome when the agent is silent or no buffer can be had.
#include <string.h>

#include <string>
#include <vector>

#include "kwsup/kwsup.h"
#include "kwsup_fixture.h"

namespace kwsuptest {
namespace {

const char* const kInEnclosure = "10000000000";  // the enclosure bit, 0x400

Object connector(const std::string& channel, const std::string& protocol) {
    return {{"ObjID", "1" + channel}, {"Channel", channel}, {"BusProtocol", protocol}};
}

Object enclosure(const std::string& channel, const std::string& id) {
    return {{"ObjID", "30"}, {"Channel", channel}, {"EnclosureID", id}};
}

Object disk(const std::string& channel, const std::string& target, const std::string& mask = "0") {
    return {{"ObjID", "4"}, {"Channel", channel}, {"EnclosureID", "2"}, {"TargetID", target}, {"AttributesMask", mask}};
}

TEST_F(AgentTest, LookupsCountOccurrencesOverTheReplyOrWithinTheNthObject) {
    // The first object lacks BusProtocol and carries Name twice.
    const std::string text = reply({{{"ObjID", "11"}, {"Name", "first"}, {"Name", "second"}},
                                    {{"ObjID", "12"}, {"BusProtocol", "8"}}});
    ZCSXBuf* buffer = ZCSXAllocBuf(0, 0);
    ASSERT_EQ(ZCSXBufCatNode(buffer, "ROOT", nullptr, 1, text.c_str()), 0);
    char value[11] = "kept";
    EXPECT_NE(QueryNodeNameValue("ObjID", value, 2, buffer), 0);
    EXPECT_STREQ(value, "kept");
    EXPECT_EQ(QueryNodeNameValueWithSize("Name", value, 3, 1, buffer), 0);
    EXPECT_STREQ(value, "se");
    struct Case { const char* name; uint32_t index; int32_t result; const char* value; };
    const Case cases[] = {{"BusProtocol", 0, -1, "se"}, {"BusProtocol", 1, 0, "8"}, {"ObjID", 2, -1, "8"},
                          {"objid", 0, -1, "8"},        {"Name", 0, 0, "first"}};
    for (const Case& c : cases) {
        EXPECT_EQ(QueryNthDCStorObjElement(c.name, value, c.index, buffer), c.result) << c.name << " " << c.index;
        EXPECT_STREQ(value, c.value) << c.name << " " << c.index;
    }
    ZCSXFreeBuf(buffer);

    SXDOMNode* root = SXDOMCreate(text.c_str(), static_cast<uint32_t>(text.size()), 1);
    char fixed[8] = "XXXXXXX";
    EXPECT_EQ(QueryNthDCStorObjElementGiveRootNode(root, "Name", fixed, 3, 0), 0);
    EXPECT_EQ(std::string(fixed, 4), "firX") << "cut without a terminator";
    EXPECT_EQ(QueryNthDCStorObjElementGiveRootNode(root, "ObjID", fixed, 6, 1), 0);
    EXPECT_EQ(std::string(fixed, 8), std::string("12\0\0\0\0X\0", 8)) << "padded to the size given";
    EXPECT_EQ(QueryNthDCStorObjElementGiveRootNode(root, "ObjID", fixed, 6, 2), -1);
    EXPECT_EQ(GetDCStorObjElemNodeCount(root), 2) << "the root stays the caller's";
    SXDOMDestroy(root);
    EXPECT_EQ(GetDCStorObjElemNodeCount(nullptr), 0);
}

TEST_F(AgentTest, ControllerIdsStopAtTheFirstMatchAndAreBounded) {
    agent.on("getControllerList", reply({{{"GlobalNo", "10"}}, {{"GlobalNo", "11"}}, {{"GlobalNo", "12"}}}));
    struct Case { const char* id; uint32_t size; int32_t result; const char* list; };
    const Case cases[] = {
        {"11", 256, 0, "10, 11"}, {"10", 256, 0, "10"},  {"7", 256, -1, "10, 11, 12"}, {"010", 256, -1, "10, 11, 12"},
        {nullptr, 256, -1, "10, 11, 12"}, {"7", 8, -1, "10, 11,"}, {"7", 3, -1, "10"}, {"7", 1, -1, ""},
    };
    for (const Case& c : cases) {
        char list[256] = "";
        EXPECT_EQ(IsUserControllerIdValidWithSize(c.id, list, c.size), c.result) << (c.id ? c.id : "(null)");
        EXPECT_STREQ(list, c.list) << "size " << c.size;
    }
    for (const Request& r : agent.requests()) EXPECT_EQ(r, Request{"vexcmd=getControllerList"});
    agent.silent("getControllerList");
    char list[2048] = "as given";
    EXPECT_EQ(IsUserControllerIdValid("0", list), -1);
    EXPECT_STREQ(list, "as given");
    failBufferAllocation(1);
    EXPECT_EQ(IsUserControllerIdValid("0", list), KWSUP_NO_BUFFER);
    EXPECT_STREQ(list, "as given");
}

// Protocol 8 names an enclosure by connector and enclosure, other protocols by the connector alone.
TEST_F(AgentTest, EnclosuresOfEveryConnectorAreAskedByPositionUntilAMatch) {
    agent.on("getChannelsForController", reply({connector("4", "8"), connector("5", "8"), connector("6", "7")}));
    agent.on("getEnclosuresForChannel", {"Channel=0"}, reply({enclosure("4", "0"), enclosure("4", "1")}));
    agent.on("getEnclosuresForChannel", {"Channel=2"}, reply({enclosure("6", "0")}));
    struct Case { const char* id; uint32_t size; int32_t result; const char* list; uint32_t count; size_t requests; };
    const Case cases[] = {
        {"4:1", 256, 0, "4:0, 4:1", 0, 2}, {"6", 256, 0, "4:0, 4:1, 6", 0, 4}, {"6:0", 256, -1, "4:0, 4:1, 6", 3, 4},
        {"4", 256, -1, "4:0, 4:1, 6", 3, 4}, {"9", 10, -1, "4:0, 4:1,", 3, 4},
    };
    for (const Case& c : cases) {
        agent.clearRequests();
        char list[256] = "";
        uint32_t count = 99;
        EXPECT_EQ(IsUserEnclosureIdValidWithSize(c.id, "2", list, c.size, &count), c.result) << c.id;
        EXPECT_STREQ(list, c.list) << c.id;
        EXPECT_EQ(count, c.count) << c.id;
        EXPECT_EQ(agent.requests().size(), c.requests) << c.id;
    }
    const Request last{"vexcmd=getEnclosuresForChannel", "GlobalNo=2", "Channel=2", "CLI=true"};
    EXPECT_EQ(agent.requests().back(), last);
}

class ArrayDisks : public AgentTest {
protected:
    void script(const char* protocol, const std::vector<Object>& disks) {
        agent.on("getController", reply({{{"GlobalNo", "0"}}}));
        agent.on("getChannelsForController", reply({connector("1", protocol)}));
        agent.on("getArrayDisksForChannel", {"Channel=0"}, reply(disks));
        list[0] = '\0';
    }
    char list[2048] = "";
    uint32_t count = 99;
};

TEST_F(ArrayDisks, IdentifierFormFollowsProtocolEnclosureBitAndReconfigureMask) {
    struct Case { const char* protocol; const char* mask; uint32_t reconfigure; const char* id; int32_t result;
                  const char* list; };
    const Case cases[] = {
        {"8", kInEnclosure, 0, "1:2:15", 0, "1:2:15"}, {"8", kInEnclosure, 0, "1:15", -1, "1:2:15"},
        {"8", "0", 0, "1:15", 0, "1:15"},              {"7", kInEnclosure, 0, "1:15", 0, "1:15"},
        {"7", "10000000", 1, "1:15", -2, "1:15"},      {"7", "10000000", 0, "1:15", 0, "1:15"},
        {"7", "100000000", 1, "1:15", -2, "1:15"},     {"7", "1000000", 1, "1:15", 0, "1:15"},
        // Only the first 32 digits of a longer mask are read: here 0x200, no enclosure bit.
        {"8", "000000000000000000000010000000000", 0, "1:15", 0, "1:15"},
    };
    for (const Case& c : cases) {
        script(c.protocol, {disk("1", "15", c.mask)});
        EXPECT_EQ(IsUserArrayDiskIdValid(c.id, "0", list, c.reconfigure, &count), c.result) << "row " << &c - cases;
        EXPECT_STREQ(list, c.list) << "row " << &c - cases;
        EXPECT_EQ(count, c.result == 0 || c.result == -2 ? 0u : 1u) << "row " << &c - cases;
    }
    // The hot-spare list takes the enclosure form whatever the protocol.
    agent.on("getCapsForDHS", reply({{{"BusProtocol", "7"}, {"Channel", "1"}, {"EnclosureID", "2"}, {"TargetID", "15"},
                                      {"AttributesMask", kInEnclosure}}}));
    list[0] = '\0';
    EXPECT_EQ(IsUserArrayDiskIdValidDHS("1:2:15", "0", "3", list, &count), 0);
    EXPECT_STREQ(list, "1:2:15");
}

TEST_F(ArrayDisks, DisksOfEveryConnectorAreAskedByPositionSkippingSilentOnes) {
    agent.on("getController", reply({{{"GlobalNo", "1"}}}));
    agent.on("getChannelsForController", reply({connector("4", "7"), connector("5", "7"), connector("6", "7")}));
    agent.on("getArrayDisksForChannel", {"Channel=0"}, reply({disk("4", "0"), disk("4", "1")}));
    agent.on("getArrayDisksForChannel", {"GlobalNo=1", "Channel=2"}, reply({disk("6", "2")}));
    EXPECT_EQ(IsUserArrayDiskIdValid("6:2", "1", list, 0, &count), 0);
    EXPECT_STREQ(list, "4:0, 4:1, 6:2");
    EXPECT_EQ(agent.requests()[1], (Request{"vexcmd=getChannelsForController", "GlobalNo=1", "CLI=true"}));
    char small[8] = "";
    EXPECT_EQ(IsUserArrayDiskIdValidWithSize("100", "1", small, sizeof small, 0, &count), -1);
    EXPECT_STREQ(small, "4:0, 4:");
    EXPECT_EQ(count, 3u);
    agent.silent("getChannelsForController");
    EXPECT_EQ(IsUserArrayDiskIdValid("0:0", "0", list, 0, &count), -1);
    EXPECT_EQ(count, 0u);
}

TEST_F(AgentTest, AllDisksInConnectorFormSeparatedByCommaAlone) {
    agent.on("getArrayDisksForController", reply({disk("0", "1", kInEnclosure), disk("123456789012345", "678")}));
    char list[2048] = "left over";
    EXPECT_EQ(GetValidUserArrayDiskIds("0", list), 0);
    EXPECT_STREQ(list, "0:1,123456789012345:67") << "each identifier cut at 18 characters";
    EXPECT_EQ(agent.requests()[0], (Request{"vexcmd=getArrayDisksForController", "GlobalNo=0", "CLI=true"}));
    agent.silent("getArrayDisksForController");
    EXPECT_EQ(GetValidUserArrayDiskIds("0", list), 0);
    EXPECT_STREQ(list, "");
}

}  // namespace
}  // namespace kwsuptest
