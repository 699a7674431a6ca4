// Shared set-up for the validation library tests: a scripted agent, no
// injected failures unless a test asks for one, and a check that every
// counted object (blocks, XML buffers, replies, DOMs, DOM lists) obtained
// during the test was released again.
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
    void SetUp() override {
        unsetenv("KWTEST_FAIL");
        KWTestReset();
    }
    void TearDown() override {
        for (int kind = 0; kind < KWLIVE_KIND_COUNT; ++kind)
            EXPECT_EQ(KWTestLiveCount(static_cast<KWTestLive>(kind)), 0) << "live objects of kind " << kind;
        unsetenv("KWTEST_FAIL");
        KWTestReset();
    }
    // Makes the n-th XML buffer allocation from now on fail.
    static void failBufferAllocation(int n) {
        setenv("KWTEST_FAIL", ("xbuf:" + std::to_string(n)).c_str(), 1);
        KWTestReset();
    }
    static std::string reply(const std::vector<Object>& objects) { return kwtest::TestAgent::reply(objects); }

    kwtest::TestAgent agent;
};

}  // namespace kwsuptest
