// A scripted agent, no injected failure unless a test asks for one, and every
// counted object obtained during a test released by its end.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "testagent.h"
#include "vexcs32.h"

namespace kwsuptest {

using Object = kwtest::TestAgent::Object;
using kwtest::Request;

class AgentTest : public ::testing::Test {
protected:
    void SetUp() override { failBufferAllocation(0); }
    void TearDown() override {
        for (int kind = 0; kind < KWLIVE_KIND_COUNT; ++kind)
            EXPECT_EQ(KWTestLiveCount(static_cast<KWTestLive>(kind)), 0) << "live objects of kind " << kind;
        failBufferAllocation(0);
    }
    // Makes the n-th XML buffer allocation from now on fail (none for 0).
    static void failBufferAllocation(int n) {
        n > 0 ? setenv("KWTEST_FAIL", ("xbuf:" + std::to_string(n)).c_str(), 1) : unsetenv("KWTEST_FAIL");
        KWTestReset();
    }
    static std::string reply(const std::vector<Object>& objects) { return kwtest::TestAgent::reply(objects); }

    kwtest::TestAgent agent;
};

}  // namespace kwsuptest
