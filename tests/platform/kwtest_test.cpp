#include <algorithm>
#include <string>
#include <vector>

#include "platform_fixture.h"
#include "vexcs32.h"

namespace {

using platformtest::PlatformTest;
using platformtest::ScopedEnv;

class TestCounters : public PlatformTest {
protected:
    // Which of calls 1..n of ZCSAllocMem failed.
    std::vector<bool> allocationFailures(int n) {
        std::vector<bool> failed;
        for (int i = 0; i < n; ++i) {
            void* block = ZCSAllocMem(256);
            failed.push_back(block == nullptr);
            ZCSFreeMem(block);
        }
        return failed;
    }
};

TEST_F(TestCounters, FailRulesHitTheirKindFromTheNthCall) {
    struct Case { const char* rule; std::vector<bool> failed; };
    const Case cases[] = {
        {"mem:2", {false, true, false, false}},
        {"mem:2:persistent", {false, true, true, true}},
        {"xbuf:1:persistent", {false, false, false, false}},
    };
    for (const Case& c : cases) {
        ScopedEnv fail("KWTEST_FAIL", c.rule);
        KWTestReset();
        EXPECT_EQ(allocationFailures(4), c.failed) << c.rule;
        EXPECT_EQ(KWTestCallCount(KWTEST_MEM), 4);
    }
    EXPECT_EQ(ZCSXAllocBuf(0, 0), nullptr) << "xbuf fails from its first call on";
    EXPECT_EQ(KWTestLiveCount(KWLIVE_XBUF), 0);
}

TEST_F(TestCounters, MalformedRuleIsIgnoredWithOneWarning) {
    for (const char* rule : {"mem", "mem:0", "mem:x", "disk:1", "mem:1:always", "mem:-1", ":1"}) {
        ScopedEnv fail("KWTEST_FAIL", rule);
        ::testing::internal::CaptureStderr();
        KWTestReset();
        std::vector<bool> failures = allocationFailures(2);
        std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(failures, (std::vector<bool>{false, false})) << rule;
        EXPECT_NE(err.find(rule), std::string::npos) << rule;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << rule;
    }
}

TEST_F(TestCounters, FinishPrintsCountsWhenAsked) {
    ScopedEnv counts("KWTEST_COUNTS", "1");
    allocationFailures(3);
    ZCSXFreeBuf(ZCSXAllocBuf(0, 0));
    KWTestShouldFail(KWTEST_REPLY);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(KWTestFinish(), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "kwtest: mem=3 xbuf=1 resp=0 reply=1 dom=0\n");
}

TEST_F(TestCounters, FinishReportsWhatIsStillLive) {
    ScopedEnv leaks("KWTEST_LEAKS", "1");
    void* block = ZCSAllocMem(256);
    ZCSXBuf* buf = ZCSXAllocBuf(0, 0);
    char* text = ZCSXFreeBufGetContent(ZCSXAllocBuf(0, 0));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(KWTestFinish(), 70);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "kwtest: leaked block=1 xbuf=1 xtext=1\n");
    ZCSFreeMem(block);
    ZCSXFreeBuf(buf);
    ZCSXFreeBufContent(text);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(KWTestFinish(), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST_F(TestCounters, NothingIsReportedUnlessAsked) {
    void* block = ZCSAllocMem(256);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(KWTestFinish(), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    ZCSFreeMem(block);
}

}  // namespace
