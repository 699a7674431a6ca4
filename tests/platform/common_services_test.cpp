// Request parameters, XML buffers and memory blocks of the common services, and
// the test counters: injected failures, call counts and the leak report.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform_fixture.h"

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

}  // namespace
