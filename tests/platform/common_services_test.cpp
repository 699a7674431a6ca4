#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "platform_fixture.h"
#include "vexcs32.h"

namespace {

using platformtest::PlatformTest;

class CommonServices : public PlatformTest {};

TEST_F(CommonServices, BlocksAreZeroedAndCounted) {
    auto* block = static_cast<unsigned char*>(ZCSAllocMem(256));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(block[i], 0) << "byte " << i;
    EXPECT_EQ(KWTestLiveCount(KWLIVE_BLOCK), 1);
    ZCSFreeMem(block);
    ZCSFreeMem(nullptr);
    EXPECT_EQ(KWTestCallCount(KWTEST_MEM), 1);
}

TEST_F(CommonServices, ParametersAreFoundByNameWithTheirValues) {
    struct Case {
        std::vector<const char*> entries;
        const char* name;
        uint32_t ignoreCase;
        int32_t index;      // -1 for none
        const char* value;  // null for none
    };
    const Case cases[] = {
        {{"GlobalNo=0", "MinWarning=5"}, "MinWarning=", 0, 1, "5"},
        {{"Lengthy=1", "Length=7"}, "Length", 0, 1, "7"},
        {{"Lengthy=1"}, "Length=", 0, -1, nullptr},
        {{"Len=1"}, "Length", 0, -1, nullptr},
        {{"Length"}, "Length", 0, -1, nullptr},
        {{"length=3"}, "Length", 0, -1, nullptr},
        {{"length=3"}, "Length", 1, 0, "3"},
        {{nullptr, "Size=", "Size=2"}, "Size", 0, 1, ""},
        {{"a=1", "a=2"}, "a", 0, 0, "1"},
        {{"Key=x=y"}, "Key", 0, 0, "x=y"},
        {{"=5"}, "=", 0, -1, nullptr},
        {{}, "Length", 0, -1, nullptr},
    };
    for (const Case& c : cases) {
        std::vector<char*> vector;
        for (const char* e : c.entries) vector.push_back(const_cast<char*>(e));
        const auto count = static_cast<uint32_t>(vector.size());
        EXPECT_EQ(ZCSGetParamIndexByAStrName(count, vector.data(), c.name, c.ignoreCase), c.index) << c.name;
        char* value = ZCSGetAStrParamValueByAStrName(count, vector.data(), c.name, c.ignoreCase);
        if (c.value == nullptr) {
            EXPECT_EQ(value, nullptr) << c.name;
        } else {
            ASSERT_NE(value, nullptr) << c.name;
            EXPECT_EQ(value, vector[c.index] + (std::strlen(vector[c.index]) - std::strlen(c.value))) << c.name;
        }
    }
    char entry[] = "a=1";
    char* vector[] = {entry};
    EXPECT_EQ(ZCSGetParamIndexByAStrName(1, nullptr, "a", 0), -1);
    EXPECT_EQ(ZCSGetAStrParamValueByAStrName(1, vector, nullptr, 0), nullptr);
}

std::string catNode(const char* name, const char* attributes, uint32_t isMarkup, const char* text) {
    ZCSXBuf* buf = ZCSXAllocBuf(0, 0);
    EXPECT_NE(buf, nullptr);
    if (buf == nullptr) return "";
    EXPECT_EQ(ZCSXBufCatNode(buf, name, attributes, isMarkup, text), 0);
    std::string out = buf->text;
    EXPECT_EQ(buf->length, out.size());
    ZCSXFreeBuf(buf);
    return out;
}

TEST_F(CommonServices, CatNodeEscapesTextAndEmbedsMarkupWithoutDeclaration) {
    EXPECT_EQ(catNode("V", nullptr, 0, "a&b<c>d\"e'f"), "<V>a&amp;b&lt;c&gt;d&quot;e&apos;f</V>");
    EXPECT_EQ(catNode("V", "id=\"1\"", 0, "x"), "<V id=\"1\">x</V>");
    EXPECT_EQ(catNode("V", nullptr, 0, nullptr), "<V></V>");
    EXPECT_EQ(catNode("ROOT", nullptr, 1, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<R a=\"1\">&amp;</R>\n"),
              "<ROOT><R a=\"1\">&amp;</R>\n</ROOT>");
    // Only the declaration goes: other processing instructions are content.
    EXPECT_EQ(catNode("ROOT", nullptr, 1, "<?xml-stylesheet href=\"s\"?><R/>"),
              "<ROOT><?xml-stylesheet href=\"s\"?><R/></ROOT>");
}

TEST_F(CommonServices, BufferGrowsAcrossManyAppends) {
    ZCSXBuf* buf = ZCSXAllocBuf(0, 1);
    ASSERT_NE(buf, nullptr);
    EXPECT_STREQ(buf->text, "");
    std::string expected;
    std::string value(300, 'v');
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(ZCSXBufCatNode(buf, "N", nullptr, 0, value.c_str()), 0);
        expected += "<N>" + value + "</N>";
    }
    EXPECT_EQ(buf->length, expected.size());
    EXPECT_GT(buf->capacity, buf->length);
    EXPECT_EQ(std::string(buf->text), expected);
    EXPECT_EQ(ZCSXBufCatNode(nullptr, "N", nullptr, 0, "x"), -1);
    EXPECT_EQ(ZCSXBufCatNode(buf, nullptr, nullptr, 0, "x"), -1);
    EXPECT_EQ(buf->length, expected.size());
    ZCSXFreeBuf(buf);
}

TEST_F(CommonServices, ContentOutlivesItsBuffer) {
    ZCSXBuf* buf = ZCSXAllocBuf(0, 1);
    ASSERT_NE(buf, nullptr);
    ASSERT_EQ(ZCSXBufCatNode(buf, "VEX", nullptr, 1, "<Path>/x</Path>"), 0);
    char* content = ZCSXFreeBufGetContent(buf);
    EXPECT_EQ(KWTestLiveCount(KWLIVE_XBUF), 0);
    EXPECT_EQ(KWTestLiveCount(KWLIVE_XTEXT), 1);
    EXPECT_STREQ(content, "<VEX><Path>/x</Path></VEX>");
    ZCSXFreeBufContent(content);
    ZCSXFreeBufContent(nullptr);
    ZCSXFreeBuf(nullptr);
}

TEST_F(CommonServices, ExportContextSavesAndRestores) {
    uint32_t start = 0;
    ZCSGetExportContext(&start);
    uint32_t mine = start + 41;
    uint32_t saved = 0;
    ZCSSetExportContext(&saved, &mine);
    EXPECT_EQ(saved, start);
    uint32_t now = 0;
    ZCSGetExportContext(&now);
    EXPECT_EQ(now, mine);
    ZCSResetExportContext(&saved);
    ZCSGetExportContext(&now);
    EXPECT_EQ(now, start);
}

}  // namespace
