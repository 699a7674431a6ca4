// Shared set-up for the platform library tests: a clean test-counter state
// and environment for every test, and a check that each test released
// everything it obtained.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "vexcs32.h"

namespace platformtest {

// Sets or clears an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_.c_str(), old_->c_str(), 1);
        else
            unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override { KWTestReset(); }
    void TearDown() override {
        for (int kind = 0; kind < KWLIVE_KIND_COUNT; ++kind)
            EXPECT_EQ(KWTestLiveCount(static_cast<KWTestLive>(kind)), 0) << "live kind " << kind;
        KWTestReset();
    }

private:
    ScopedEnv fail_{"KWTEST_FAIL", nullptr};
    ScopedEnv counts_{"KWTEST_COUNTS", nullptr};
    ScopedEnv leaks_{"KWTEST_LEAKS", nullptr};
};

}  // namespace platformtest
