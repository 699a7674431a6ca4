// The common services (parameters, XML buffers, memory blocks), the test
// counters (injected failures, call counts, leak report), and XML documents: the
// element lookup agrees with the DOM, refuses bad input quietly, and never
// answers a text that changed (even in place, same length) from an older parse.
#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform_fixture.h"
#include "xdoc32.h"

namespace {

using CommonServices = platformtest::PlatformTest;

TEST_F(CommonServices, ParametersAreFoundByWholeNameFirstMatchFirst) {
    const char* entries[] = {nullptr,  "GlobalNo=0", "Lengthy=1", "length=3", "Length",
                             "Length=7", "Size=",    "Key=x=y",   "Key=2",    "=5"};
    char** vector = const_cast<char**>(entries);
    struct Case { const char* name; uint32_t ignoreCase; int32_t index; };
    const Case cases[] = {
        {"Length", 0, 5}, {"Length=", 0, 5}, {"Length", 1, 3}, {"Len", 0, -1}, {"Size", 0, 6},
        {"Key", 0, 7},    {"=", 0, -1},      {"Missing", 1, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ZCSGetParamIndexByAStrName(10, vector, c.name, c.ignoreCase), c.index) << c.name;
        // The value is the text after the entry's first '='.
        const char* value = c.index < 0 ? nullptr : std::strchr(entries[c.index], '=') + 1;
        EXPECT_EQ(ZCSGetAStrParamValueByAStrName(10, vector, c.name, c.ignoreCase), value) << c.name;
    }
}

TEST_F(CommonServices, XmlBufferEscapesTextEmbedsMarkupAndGrows) {
    struct Case { const char* name; const char* attributes; uint32_t isMarkup; const char* text; const char* xml; };
    const Case cases[] = {
        {"V", nullptr, 0, "a&b<c>d\"e'f", "<V>a&amp;b&lt;c&gt;d&quot;e&apos;f</V>"},
        {"V", "id=\"1\"", 0, nullptr, "<V id=\"1\"></V>"},
        {"R", nullptr, 1, "<?xml version=\"1.0\"?>\n<A a=\"1\">&amp;</A>\n", "<R><A a=\"1\">&amp;</A>\n</R>"},
        {"R", nullptr, 1, "<?xml-stylesheet href=\"s\"?><A/>", "<R><?xml-stylesheet href=\"s\"?><A/></R>"},
    };
    ZCSXBuf* buf = ZCSXAllocBuf(0, 1);
    std::string expected;
    for (int i = 0; i < 400; ++i) {
        const Case& c = cases[i % 4];
        ASSERT_EQ(ZCSXBufCatNode(buf, c.name, c.attributes, c.isMarkup, c.text), 0) << i;
        expected += c.xml;
    }
    EXPECT_EQ(ZCSXBufCatNode(nullptr, "N", nullptr, 0, "x"), -1);
    EXPECT_EQ(ZCSXBufCatNode(buf, nullptr, nullptr, 0, "x"), -1);
    EXPECT_EQ(buf->length, expected.size());
    char* content = ZCSXFreeBufGetContent(buf);
    EXPECT_EQ(KWTestLiveCount(KWLIVE_XBUF), 0);
    EXPECT_EQ(KWTestLiveCount(KWLIVE_XTEXT), 1) << "the content outlives its buffer";
    EXPECT_EQ(content, expected);
    ZCSXFreeBufContent(content);
}

TEST_F(CommonServices, FailRulesHitTheirKindFromTheNthCallAndBadOnesWarnOnce) {
    struct Case { const char* rule; const char* failed; bool warns; };  // x: that call failed
    const Case cases[] = {
        {"mem", "----", true},    {"mem:0", "----", true},        {"mem:x", "----", true}, {"disk:1", "----", true},
        {"mem:-1", "----", true}, {"mem:1:always", "----", true}, {":1", "----", true},
        {"mem:2", "-x--", false}, {"mem:2:persistent", "-xxx", false}, {"xbuf:1:persistent", "----", false},
    };
    for (const Case& c : cases) {
        setenv("KWTEST_FAIL", c.rule, 1);
        ::testing::internal::CaptureStderr();
        KWTestReset();
        std::string failed;
        for (int i = 0; i < 4; ++i) {
            void* block = ZCSAllocMem(256);
            failed += block ? '-' : 'x';
            ZCSFreeMem(block);
        }
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(failed, c.failed) << c.rule;
        EXPECT_EQ(KWTestCallCount(KWTEST_MEM), 4);
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), c.warns ? 1 : 0) << c.rule;
        EXPECT_EQ(err.find(c.rule) != std::string::npos, c.warns) << c.rule;
    }
    EXPECT_EQ(ZCSXAllocBuf(0, 0), nullptr) << "xbuf fails from its first call on";
}

TEST_F(CommonServices, FinishReportsCountsAndLeaksOnlyWhenAsked) {
    auto* block = static_cast<unsigned char*>(ZCSAllocMem(256));
    for (int i = 0; i < 256; ++i) ASSERT_EQ(block[i], 0) << "blocks come zeroed; byte " << i;
    ZCSXFreeBuf(ZCSXAllocBuf(0, 0));
    KWTestShouldFail(KWTEST_REPLY);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(KWTestFinish(), 0);
    setenv("KWTEST_COUNTS", "1", 1);
    EXPECT_EQ(KWTestFinish(), 0);
    unsetenv("KWTEST_COUNTS");
    setenv("KWTEST_LEAKS", "1", 1);
    char* text = ZCSXFreeBufGetContent(ZCSXAllocBuf(0, 0));
    EXPECT_EQ(KWTestFinish(), 70);
    ZCSFreeMem(block);
    ZCSFreeMem(nullptr);
    ZCSXFreeBufContent(text);
    EXPECT_EQ(KWTestFinish(), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "kwtest: mem=1 xbuf=1 resp=0 reply=1 dom=0\nkwtest: leaked block=1 xtext=1\n");
}

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

TEST_F(CommonServices, LookupAgreesWithTheDomOnEveryElement) {
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

TEST_F(CommonServices, BadInputIsRefusedQuietly) {
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

TEST_F(CommonServices, NeitherLookupNorDomAnswersFromAnOutdatedText) {
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

TEST_F(CommonServices, DomsOfOneTextAreCountedOneByOneAndEachCanFail) {
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
