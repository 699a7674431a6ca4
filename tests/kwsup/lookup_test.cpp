// Reply lookups: by element name and occurrence over the whole reply, and by
// element name inside the index-th storage object.
#include <string.h>

#include <string>

#include "kwsup/kwsup.h"
#include "kwsup_fixture.h"

namespace kwsuptest {
namespace {

TEST_F(AgentTest, LookupsCountOccurrencesOverTheReplyOrWithinTheNthObject) {
    // The first connector lacks BusProtocol and carries Name twice.
    const std::string text = reply({{{"ObjID", "11"}, {"Channel", "0"}, {"Name", "first"}, {"Name", "second"}},
                                    {{"ObjID", "12"}, {"Channel", "1"}, {"BusProtocol", "8"}}});
    ZCSXBuf* buffer = ZCSXAllocBuf(0, 0);
    ASSERT_EQ(ZCSXBufCatNode(buffer, "ROOT", nullptr, 1, text.c_str()), 0);
    char value[256] = "";
    EXPECT_EQ(QueryNodeNameValue("BusProtocol", value, 0, buffer), 0);
    EXPECT_STREQ(value, "8");
    strcpy(value, "kept");
    EXPECT_NE(QueryNodeNameValue("Channel", value, 2, buffer), 0);
    EXPECT_STREQ(value, "kept");
    char bounded[11] = "XXXXXXXXXX";
    EXPECT_EQ(QueryNodeNameValueWithSize("Name", bounded, 3, 1, buffer), 0);
    EXPECT_STREQ(bounded, "se");
    EXPECT_EQ(QueryNthDCStorObjElement("BusProtocol", value, 0, buffer), -1);
    EXPECT_EQ(QueryNthDCStorObjElement("BusProtocol", value, 1, buffer), 0);
    EXPECT_STREQ(value, "8");
    EXPECT_EQ(QueryNthDCStorObjElement("Channel", value, 2, buffer), -1);
    EXPECT_EQ(QueryNthDCStorObjElement("channel", value, 0, buffer), -1);
    EXPECT_EQ(QueryNthDCStorObjElement("Name", value, 0, buffer), 0);
    EXPECT_STREQ(value, "first");
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
    EXPECT_EQ(QueryNthDCStorObjElementGiveRootNode(nullptr, "ObjID", fixed, 6, 0), -1);
    EXPECT_EQ(GetDCStorObjElemNodeCount(nullptr), 0);
}

}  // namespace
}  // namespace kwsuptest
