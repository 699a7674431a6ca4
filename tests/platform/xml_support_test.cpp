// The DOM and the element lookup: the lookup agrees with the DOM on every
// element, bad input is refused quietly, and a text that changed (even in
// place, at the same length) is never answered from an older parse.
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform_fixture.h"
#include "xdoc32.h"

namespace {

using XmlSupport = platformtest::PlatformTest;

// The index-th element called name, cut to fit cap bytes, or "rc=<result>".
std::string lookup(const char* text, uint32_t length, const char* name, uint32_t index, uint32_t cap = 128) {
    std::vector<char> out(cap + 1, '#');
    const int32_t rc = XMLSupGetXMLMemData(0, name, 1, index, 1, &cap, out.data(), 0, nullptr, text, length);
    EXPECT_EQ(out.back(), '#') << "wrote past the capacity";
    EXPECT_TRUE(rc == 0 || out[0] == '#') << "output touched on failure";
    return rc == 0 ? std::string(out.data()) : "rc=" + std::to_string(rc);
}

std::string lookup(const std::string& text, const char* name, uint32_t index, uint32_t cap = 128) {
    return lookup(text.c_str(), static_cast<uint32_t>(text.size()), name, index, cap);
}

SXDOMNode* dom(const std::string& text) { return SXDOMCreate(text.c_str(), static_cast<uint32_t>(text.size()), 1); }

std::vector<std::string> values(SXDOMList* list) {
    std::vector<std::string> out;
    for (uint32_t i = 0; list && i < list->count; ++i) out.emplace_back(SXDOMGetValue(list->items[i]));
    SXDOMFreeGenericList(list);
    return out;
}

// Checks the node and every element below it, in document order, against the lookup.
void expectLookupAgrees(const std::string& doc, SXDOMNode* node, std::map<std::string, uint32_t>& seen) {
    const char* name = SXDOMGetName(node);
    const uint32_t index = seen[name]++;
    EXPECT_EQ(lookup(doc, name, index), std::string(SXDOMGetValue(node)).substr(0, 127)) << name << " #" << index;
    SXDOMList* children = SXDOMGetChildList(node);
    for (uint32_t i = 0; children && i < children->count; ++i) expectLookupAgrees(doc, children->items[i], seen);
    SXDOMFreeGenericList(children);
}

TEST_F(XmlSupport, LookupAgreesWithTheDomOnEveryElement) {
    for (const std::string doc : {
             "<R><O><A>1</A><B>2</B></O><O><A>3</A><C/></O></R>",
             "<?xml version=\"1.0\"?>\n<!-- c --><R> <O><A>a &amp; b &#65;</A><?pi x?>"
             "<A><![CDATA[<raw>]]>!</A></O></R>",
             "<R xmlns:p=\"urn:p\"><p:A>ns</p:A><A>plain</A><p:B><A>deep</A></p:B></R>",
             "<R><A>x<!-- inside -->y</A><A></A><A/></R>",
             "<!DOCTYPE R [<!ENTITY e \"xy\"><!ENTITY n \"<A>in</A>\">]><R><A>a&e;b</A><B>&n;</B></R>",
         }) {
        SXDOMNode* root = dom(doc);
        ASSERT_NE(root, nullptr) << doc;
        std::map<std::string, uint32_t> seen;
        expectLookupAgrees(doc, root, seen);
        for (const auto& [name, count] : seen) EXPECT_EQ(lookup(doc, name.c_str(), count), "rc=1") << name;
        SXDOMDestroy(root);
    }
}

TEST_F(XmlSupport, BadInputIsRefusedQuietly) {
    const std::string text = "<A><B>1</B><B>two words</B></A>";
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(SXDOMCreate("<A><B></A>", 10, 1), nullptr);
    EXPECT_EQ(SXDOMCreate(nullptr, 5, 1), nullptr);
    EXPECT_EQ(lookup("<A><B>", 6, "B", 0), "rc=-1");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "parse errors stay silent";
    EXPECT_EQ(lookup(text, nullptr, 0), "rc=-1");
    EXPECT_EQ(lookup(nullptr, 5, "B", 0), "rc=-1");
    EXPECT_EQ(lookup(text, "B", 0, 0), "rc=-1");
    EXPECT_EQ(lookup(text, "B", 1, 4), "two") << "cut to capacity - 1 and terminated";
    EXPECT_EQ(lookup(text.c_str(), static_cast<uint32_t>(text.size() + 1), "B", 1), "two words") << "NUL counted";
    SXDOMDestroy(nullptr);
    EXPECT_EQ(SXDOMGetValue(nullptr), nullptr);
    SXDOMNode* root = dom("<!DOCTYPE A [<!ENTITY x SYSTEM \"file:///etc/hostname\">]><A>[&x;]</A>");
    EXPECT_STREQ(SXDOMGetValue(root), "[]") << "external entities are never fetched";
    SXDOMDestroy(root);
}

TEST_F(XmlSupport, NeitherLookupNorDomAnswersFromAnOutdatedText) {
    std::vector<char> memory(64, '\0');  // rewritten in place: same address, same length
    struct Step { const char* text; const char* name; uint32_t index; const char* value; const char* all; };
    const Step steps[] = {
        {"<R><V>1</V><V>2</V></R>", "V", 1, "2", "12"},    {"<R><V>3</V><V>4</V></R>", "V", 1, "4", "34"},
        {"<R><V>5</V><W>6</W></R>", "V", 1, "rc=1", "56"}, {"<R><V>5</V><W>7</W></R>", "W", 0, "7", "57"},
        {"<R><V>5</V><W>7</W><R>", "W", 0, "rc=-1", "(none)"},
    };
    for (const Step& s : steps) {
        std::fill(memory.begin(), memory.end(), '\0');
        std::memcpy(memory.data(), s.text, std::strlen(s.text));
        EXPECT_EQ(lookup(memory.data(), std::strlen(s.text), s.name, s.index), s.value) << s.text;
        SXDOMNode* root = SXDOMCreate(memory.data(), std::strlen(s.text), 1);
        EXPECT_STREQ(root ? SXDOMGetValue(root) : "(none)", s.all) << s.text;
        SXDOMDestroy(root);
    }
}

TEST_F(XmlSupport, DomsOfOneTextAreCountedOneByOneAndEachCanFail) {
    const std::string doc = "<R><O><N>0</N></O><O><P><N>1</N></P></O></R>";
    set("KWTEST_FAIL", "dom:2");
    SXDOMNode* first = dom(doc);
    EXPECT_EQ(dom(doc), nullptr) << "even with the parse at hand";
    SXDOMNode* second = dom(doc);
    EXPECT_EQ(KWTestLiveCount(KWLIVE_DOM), 2);
    SXDOMList* objects = SXDOMSelect(first, "O", 0, 0, 1);
    SXDOMNode* object = objects->items[1];
    SXDOMFreeGenericList(objects);
    SXDOMDestroy(first);
    EXPECT_STREQ(SXDOMGetValue(object), "1") << "the other handle keeps the DOM";
    EXPECT_EQ(values(SXDOMSelect(second, "N", 0, 0, 1)), (std::vector<std::string>{"0", "1"}));
    EXPECT_EQ(SXDOMSelect(second, nullptr, 0, 0, 1), nullptr);
    SXDOMDestroy(second);
}

}  // namespace
