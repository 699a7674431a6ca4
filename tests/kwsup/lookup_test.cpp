// Reply lookups: by element name and occurrence over the whole reply, and by
// element name inside the index-th storage object.
#include <string.h>

#include <string>

#include "kwsup/kwsup.h"
#include "kwsup_fixture.h"

namespace kwsuptest {
namespace {

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

}  // namespace
}  // namespace kwsuptest
