// Every platform test starts and ends with clean counters and no test variables
// set, and must release everything it obtained.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include "vexcs32.h"

namespace platformtest {

class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override {
        for (int kind = 0; kind < KWLIVE_KIND_COUNT; ++kind)
            EXPECT_EQ(KWTestLiveCount(static_cast<KWTestLive>(kind)), 0) << "live kind " << kind;
        reset();
    }
    // Sets one test variable and rereads the counters' settings.
    static void set(const char* name, const char* value) {
        setenv(name, value, 1);
        KWTestReset();
    }

private:
    static void reset() {
        for (const char* name : {"KWTEST_FAIL", "KWTEST_COUNTS", "KWTEST_LEAKS", "RKDB_PLUGIN_PATH"}) unsetenv(name);
        KWTestReset();
    }
};

}  // namespace platformtest
