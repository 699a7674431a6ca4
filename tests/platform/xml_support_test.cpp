#include <cstring>
#include <string>
#include <vector>

#include "platform_fixture.h"
#include "vexcs32.h"
#include "xdoc32.h"

namespace {

using platformtest::PlatformTest;
using platformtest::ScopedEnv;

const std::string kReply =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Reply command=\"getControllerList\" status=\"0\">"
    "<DCStorageObject><GlobalNo>0</GlobalNo><Name>Kestrel &amp; Co</Name><Empty/></DCStorageObject>"
    "<DCStorageObject><GlobalNo>1</GlobalNo><Name>two<![CDATA[<x>]]>parts</Name>"
    "<Nested><GlobalNo>9</GlobalNo></Nested></DCStorageObject>"
    "</Reply>\n";

class XmlSupport : public PlatformTest {};

std::vector<std::string> names(const SXDOMList* list) {
    std::vector<std::string> out;
    for (uint32_t i = 0; i < list->count; ++i) out.emplace_back(SXDOMGetName(list->items[i]));
    return out;
}

std::vector<std::string> values(const SXDOMList* list) {
    std::vector<std::string> out;
    for (uint32_t i = 0; i < list->count; ++i) out.emplace_back(SXDOMGetValue(list->items[i]));
    return out;
}

TEST_F(XmlSupport, DomSelectsDescendantsInDocumentOrder) {
    SXDOMNode* root = SXDOMCreate(kReply.c_str(), static_cast<uint32_t>(kReply.size()), 1);
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(SXDOMGetName(root), "Reply");

    SXDOMList* objects = SXDOMSelect(root, "DCStorageObject", 0, 0, 1);
    ASSERT_NE(objects, nullptr);
    ASSERT_EQ(objects->count, 2u);
    SXDOMList* numbers = SXDOMSelect(root, "GlobalNo", 0, 0, 1);
    EXPECT_EQ(values(numbers), (std::vector<std::string>{"0", "1", "9"}));
    SXDOMList* none = SXDOMSelect(root, "globalno", 0, 0, 1);
    EXPECT_EQ(none->count, 0u);
    EXPECT_EQ(SXDOMSelect(root, nullptr, 0, 0, 1), nullptr);

    SXDOMList* first = SXDOMGetChildList(objects->items[0]);
    EXPECT_EQ(names(first), (std::vector<std::string>{"GlobalNo", "Name", "Empty"}));
    EXPECT_EQ(values(first), (std::vector<std::string>{"0", "Kestrel & Co", ""}));
    SXDOMList* second = SXDOMGetChildList(objects->items[1]);
    EXPECT_EQ(values(second), (std::vector<std::string>{"1", "two<x>parts", "9"}));

    // A value stays valid after its list is gone and is the same text on
    // every call.
    const char* name = SXDOMGetValue(first->items[1]);
    for (SXDOMList* list : {objects, numbers, none, first, second}) SXDOMFreeGenericList(list);
    EXPECT_STREQ(name, "Kestrel & Co");
    SXDOMList* again = SXDOMSelect(root, "Name", 0, 0, 1);
    EXPECT_EQ(SXDOMGetValue(again->items[0]), name);
    SXDOMFreeGenericList(again);
    SXDOMDestroy(root);
}

TEST_F(XmlSupport, DomRefusesBadInputAndCountsCreations) {
    const char bad[] = "<Reply><A></Reply>";
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(SXDOMCreate(bad, sizeof bad - 1, 1), nullptr);
    EXPECT_EQ(SXDOMCreate(nullptr, 5, 1), nullptr);
    EXPECT_EQ(SXDOMCreate("", 0, 1), nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "parse errors must stay silent";

    const char withNul[] = "<A>x</A>";
    SXDOMNode* root = SXDOMCreate(withNul, sizeof withNul, 1);  // length counts the NUL
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(SXDOMGetValue(root), "x");
    SXDOMDestroy(root);
    SXDOMDestroy(nullptr);
    EXPECT_EQ(SXDOMGetChildList(nullptr), nullptr);
    EXPECT_EQ(SXDOMGetValue(nullptr), nullptr);
    EXPECT_EQ(KWTestCallCount(KWTEST_DOM), 4);

    const std::string external = "<!DOCTYPE A [<!ENTITY ext SYSTEM \"file:///etc/hostname\">]><A>[&ext;]</A>";
    root = SXDOMCreate(external.c_str(), static_cast<uint32_t>(external.size()), 1);
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(SXDOMGetValue(root), "[]") << "external entities are never fetched";
    SXDOMDestroy(root);
}

// Looks up the index-th element through XMLSupGetXMLMemData.
int32_t lookup(const std::string& text, const char* name, uint32_t index, std::string* value,
               uint32_t capacity = 256) {
    std::vector<char> out(capacity + 1, '#');
    uint32_t cap = capacity;
    int32_t rc = XMLSupGetXMLMemData(0, name, 1, index, 1, &cap, out.data(), 0, nullptr, text.c_str(),
                                     static_cast<uint32_t>(text.size() + 1));
    if (out[capacity] != '#') ADD_FAILURE() << "wrote past the capacity";
    if (value) *value = rc == 0 ? std::string(out.data()) : std::string(1, out[0]);
    return rc;
}

TEST_F(XmlSupport, LookupByIndexOverTheWholeText) {
    std::string value;
    EXPECT_EQ(lookup(kReply, "GlobalNo", 0, &value), 0);
    EXPECT_EQ(value, "0");
    EXPECT_EQ(lookup(kReply, "GlobalNo", 2, &value), 0);
    EXPECT_EQ(value, "9");
    EXPECT_EQ(lookup(kReply, "GlobalNo", 3, &value), 1);
    EXPECT_EQ(value, "#") << "output untouched when not found";
    EXPECT_EQ(lookup(kReply, "Name", 1, &value), 0);
    EXPECT_EQ(value, "two<x>parts");
    EXPECT_EQ(lookup(kReply, "Empty", 0, &value), 0);
    EXPECT_EQ(value, "");
    EXPECT_EQ(lookup(kReply, "Name", 0, &value, 8), 0);
    EXPECT_EQ(value, "Kestrel") << "cut to capacity - 1 and terminated";
    EXPECT_EQ(lookup(kReply, "Name", 0, &value, 13), 0);
    EXPECT_EQ(value, "Kestrel & Co");
}

TEST_F(XmlSupport, LookupRefusesBadInput) {
    char out[8] = "keep";
    uint32_t cap = sizeof out;
    uint32_t zero = 0;
    const char text[] = "<A><B>1</B></A>";
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(XMLSupGetXMLMemData(0, "B", 1, 0, 1, &cap, out, 0, nullptr, "<A><B>", 6), -1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(XMLSupGetXMLMemData(0, nullptr, 1, 0, 1, &cap, out, 0, nullptr, text, sizeof text), -1);
    EXPECT_EQ(XMLSupGetXMLMemData(0, "B", 1, 0, 1, nullptr, out, 0, nullptr, text, sizeof text), -1);
    EXPECT_EQ(XMLSupGetXMLMemData(0, "B", 1, 0, 1, &cap, nullptr, 0, nullptr, text, sizeof text), -1);
    EXPECT_EQ(XMLSupGetXMLMemData(0, "B", 1, 0, 1, &cap, out, 0, nullptr, nullptr, 5), -1);
    EXPECT_EQ(XMLSupGetXMLMemData(0, "B", 1, 0, 1, &zero, out, 0, nullptr, text, sizeof text), -1);
    EXPECT_STREQ(out, "keep");
}

TEST_F(XmlSupport, LookupNeverAnswersFromAnOutdatedText) {
    // Plain memory (no buffer of ours), rewritten in place with texts of the same length.
    std::vector<char> buffer(64, '\0');
    auto fill = [&](const char* text) {
        std::fill(buffer.begin(), buffer.end(), '\0');
        std::memcpy(buffer.data(), text, std::strlen(text));
    };
    auto read = [&](const char* name, uint32_t index) {
        char out[16] = "";
        uint32_t cap = sizeof out;
        int32_t rc = XMLSupGetXMLMemData(0, name, 1, index, 1, &cap, out, 0, nullptr, buffer.data(),
                                         static_cast<uint32_t>(std::strlen(buffer.data())));
        return rc == 0 ? std::string(out) : "rc=" + std::to_string(rc);
    };
    fill("<R><V>1</V><V>2</V></R>");
    EXPECT_EQ(read("V", 1), "2");
    fill("<R><V>3</V><V>4</V></R>");
    EXPECT_EQ(read("V", 1), "4");
    fill("<R><V>5</V><W>6</W></R>");
    EXPECT_EQ(read("V", 1), "rc=1");
    EXPECT_EQ(read("W", 0), "6");
    fill("<R><V>5</V><W>6</W><R>");
    EXPECT_EQ(read("W", 0), "rc=-1");
}

}  // namespace
