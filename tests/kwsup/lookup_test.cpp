// The five reply lookups: by element name and occurrence over the whole
// reply buffer, and by element name inside the index-th storage object.
#include <string.h>

#include <string>

#include "kwsup/kwsup.h"
#include "kwsup_fixture.h"

namespace kwsuptest {
namespace {

class Lookup : public AgentTest {
protected:
    // A reply buffer holding the reply as the checks wrap it.
    ZCSXBuf* wrap(const std::string& text) {
        buffer_ = ZCSXAllocBuf(0, 0);
        EXPECT_NE(buffer_, nullptr);
        EXPECT_EQ(ZCSXBufCatNode(buffer_, "ROOT", nullptr, 1, text.c_str()), 0);
        return buffer_;
    }
    SXDOMNode* parse(const std::string& text) {
        text_ = text;
        dom_ = SXDOMCreate(text_.c_str(), static_cast<uint32_t>(text_.size()), 1);
        EXPECT_NE(dom_, nullptr);
        return dom_;
    }
    void TearDown() override {
        ZCSXFreeBuf(buffer_);
        SXDOMDestroy(dom_);
        AgentTest::TearDown();
    }

    // Two connectors; the first lacks BusProtocol and carries Name twice.
    const std::string twoObjects = reply({
        {{"ObjID", "11"}, {"Channel", "0"}, {"Name", "first"}, {"Name", "second"}},
        {{"ObjID", "12"}, {"Channel", "1"}, {"BusProtocol", "8"}},
    });

private:
    ZCSXBuf* buffer_ = nullptr;
    SXDOMNode* dom_ = nullptr;
    std::string text_;
};

TEST_F(Lookup, NodeNameValueCountsOccurrencesAndEndsPastTheLast) {
    ZCSXBuf* buffer = wrap(twoObjects);
    char value[256] = "";
    EXPECT_EQ(QueryNodeNameValue("Channel", value, 1, buffer), 0);
    EXPECT_STREQ(value, "1");
    // Occurrences count over the whole reply: the only BusProtocol is index 0.
    EXPECT_EQ(QueryNodeNameValue("BusProtocol", value, 0, buffer), 0);
    EXPECT_STREQ(value, "8");
    strcpy(value, "kept");
    EXPECT_NE(QueryNodeNameValue("Channel", value, 2, buffer), 0);
    EXPECT_NE(QueryNodeNameValue("BusProtocol", value, 1, buffer), 0);
    EXPECT_STREQ(value, "kept");
    char bounded[11];
    memset(bounded, 'X', sizeof bounded);
    EXPECT_EQ(QueryNodeNameValueWithSize("Name", bounded, 3, 1, buffer), 0);
    EXPECT_STREQ(bounded, "se");
}

TEST_F(Lookup, NthObjectElementAnswersPerObject) {
    ZCSXBuf* buffer = wrap(twoObjects);
    char value[256] = "";
    // The first object lacks the element; the second has it.
    EXPECT_EQ(QueryNthDCStorObjElement("BusProtocol", value, 0, buffer), -1);
    EXPECT_EQ(QueryNthDCStorObjElement("BusProtocol", value, 1, buffer), 0);
    EXPECT_STREQ(value, "8");
    // Index equal to the number of objects.
    EXPECT_EQ(QueryNthDCStorObjElement("Channel", value, 2, buffer), -1);
    // Names are compared exactly.
    EXPECT_EQ(QueryNthDCStorObjElement("channel", value, 0, buffer), -1);
    // Of two children with one name, the first in document order.
    EXPECT_EQ(QueryNthDCStorObjElement("Name", value, 0, buffer), 0);
    EXPECT_STREQ(value, "first");
}

TEST_F(Lookup, GiveRootNodeCutsWithoutTerminator) {
    SXDOMNode* root = parse(reply({{{"LogicalDriveNum", "123456789012"}}}));
    char value[16];
    memset(value, 'X', sizeof value);
    EXPECT_EQ(QueryNthDCStorObjElementGiveRootNode(root, "LogicalDriveNum", value, 10, 0), 0);
    EXPECT_EQ(std::string(value, 11), "1234567890X");
}

TEST_F(Lookup, GiveRootNodePadsAShortValueAndLeavesTheRootAlive) {
    SXDOMNode* root = parse(twoObjects);
    char value[8];
    memset(value, 'X', sizeof value);
    EXPECT_EQ(QueryNthDCStorObjElementGiveRootNode(root, "ObjID", value, 6, 1), 0);
    EXPECT_EQ(std::string(value, 8), std::string("12\0\0\0\0XX", 8));
    EXPECT_EQ(QueryNthDCStorObjElementGiveRootNode(root, "ObjID", value, 6, 2), -1);
    // The root is still the caller's and still usable.
    EXPECT_EQ(GetDCStorObjElemNodeCount(root), 2);
}

TEST_F(Lookup, NullRootAndAReplyWithoutObjects) {
    char value[8] = "";
    EXPECT_EQ(QueryNthDCStorObjElementGiveRootNode(nullptr, "ObjID", value, 6, 0), -1);
    EXPECT_EQ(GetDCStorObjElemNodeCount(nullptr), 0);
    EXPECT_EQ(GetDCStorObjElemNodeCount(parse(reply({}))), 0);
    ZCSXBuf* buffer = wrap(reply({}));
    EXPECT_EQ(QueryNthDCStorObjElement("Channel", value, 0, buffer), -1);
    EXPECT_NE(QueryNodeNameValue("Channel", value, 0, buffer), 0);
}

}  // namespace
}  // namespace kwsuptest
