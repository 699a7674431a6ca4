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

struct LookupCase {
    std::vector<const char*> entries;
    const char* name;
    uint32_t ignoreCase;
    int32_t index;       // expected index, -1 for none
    const char* value;   // expected value, null for none
};

void PrintTo(const LookupCase& c, std::ostream* os) {
    *os << "name \"" << c.name << "\" in {";
    for (const char* e : c.entries) *os << (e ? e : "(null)") << ";";
    *os << "} ignoreCase " << c.ignoreCase;
}

class NameLookup : public CommonServices, public ::testing::WithParamInterface<LookupCase> {};

TEST_P(NameLookup, FindsIndexAndValue) {
    const LookupCase& c = GetParam();
    std::vector<char*> vector;
    for (const char* e : c.entries) vector.push_back(const_cast<char*>(e));
    uint32_t count = static_cast<uint32_t>(vector.size());
    EXPECT_EQ(ZCSGetParamIndexByAStrName(count, vector.data(), c.name, c.ignoreCase), c.index);
    char* value = ZCSGetAStrParamValueByAStrName(count, vector.data(), c.name, c.ignoreCase);
    if (c.value == nullptr) {
        EXPECT_EQ(value, nullptr);
    } else {
        ASSERT_NE(value, nullptr);
        EXPECT_STREQ(value, c.value);
        EXPECT_EQ(value, vector[c.index] + (std::strlen(vector[c.index]) - std::strlen(c.value)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Variants, NameLookup,
    ::testing::Values(
        LookupCase{{"GlobalNo=0", "MinWarning=5"}, "MinWarning=", 0, 1, "5"},
        LookupCase{{"GlobalNo=0", "Length=5"}, "Length", 0, 1, "5"},
        LookupCase{{"Lengthy=1", "Length=7"}, "Length", 0, 1, "7"},
        LookupCase{{"Lengthy=1"}, "Length=", 0, -1, nullptr},
        LookupCase{{"Len=1"}, "Length", 0, -1, nullptr},
        LookupCase{{"Length"}, "Length", 0, -1, nullptr},
        LookupCase{{"length=3"}, "Length", 0, -1, nullptr},
        LookupCase{{"length=3"}, "Length", 1, 0, "3"},
        LookupCase{{nullptr, "Size=", "Size=2"}, "Size", 0, 1, ""},
        LookupCase{{"a=1", "a=2"}, "a", 0, 0, "1"},
        LookupCase{{"Key=x=y"}, "Key", 0, 0, "x=y"},
        LookupCase{{"=5"}, "=", 0, -1, nullptr},
        LookupCase{{}, "Length", 0, -1, nullptr}));

TEST_F(CommonServices, LookupRejectsNullArguments) {
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

TEST_F(CommonServices, CatNodeEscapesCharacterData) {
    EXPECT_EQ(catNode("V", nullptr, 0, "a&b<c>d\"e'f"), "<V>a&amp;b&lt;c&gt;d&quot;e&apos;f</V>");
    EXPECT_EQ(catNode("V", "id=\"1\"", 0, "x"), "<V id=\"1\">x</V>");
    EXPECT_EQ(catNode("V", nullptr, 0, nullptr), "<V></V>");
}

TEST_F(CommonServices, CatNodeEmbedsMarkupWithoutDeclaration) {
    EXPECT_EQ(catNode("ROOT", nullptr, 1, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<R a=\"1\">&amp;</R>\n"),
              "<ROOT><R a=\"1\">&amp;</R>\n</ROOT>");
    EXPECT_EQ(catNode("ROOT", nullptr, 1, "<R/>"), "<ROOT><R/></ROOT>");
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
