// Helpers for the framework's unit tests: command lines as argv, owned
// records, and a fixture that starts every test with clean counters and ends
// it by checking that nothing the framework handed out is still live.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cmdfw32.h"
#include "testagent.h"
#include "vexcs32.h"

namespace fwtest {

// A command line split at blanks, kept alive as an argv.
class Argv {
public:
    explicit Argv(const std::string& line) {
        size_t pos = 0;
        while (pos < line.size()) {
            size_t end = line.find(' ', pos);
            if (end == std::string::npos) end = line.size();
            if (end > pos) words_.push_back(line.substr(pos, end - pos));
            pos = end + 1;
        }
        init();
    }
    explicit Argv(std::vector<std::string> words) : words_(std::move(words)) { init(); }
    int32_t argc() const { return static_cast<int32_t>(words_.size()); }
    char** argv() { return pointers_.data(); }

private:
    void init() {
        for (auto& w : words_) pointers_.push_back(w.data());
        pointers_.push_back(nullptr);
    }
    std::vector<std::string> words_;
    std::vector<char*> pointers_;
};

struct Free {
    void operator()(CLPSResponse* r) const { CLPSFreeResponse(r); }
};
using Record = std::unique_ptr<CLPSResponse, Free>;

inline std::vector<std::string> requestOf(const CLPSResponse* r) {
    std::vector<std::string> out;
    for (uint32_t i = 0; r && i < r->requestCount; ++i) out.emplace_back(r->request[i]);
    return out;
}

inline std::string str(const char* s) { return s ? s : "<null>"; }

// What rewritingCallback answers once it has changed the vector.
inline int32_t g_callbackStatus = CLPS_STATUS_OK;

// Appends Property=13, replaces Rate with Rate=50 and blanks Days: the three
// ways a callback may change the vector, each with a block of its own (1655
// when one cannot be had, as the plug-in's callbacks answer).
inline int32_t rewritingCallback(void*, void*, uint32_t, char**, uint32_t* count, char** vector, void*, void*, char*,
                                 char*) {
    for (auto [name, text] : {std::pair{"", "Property=13"}, std::pair{"Rate", "Rate=50"}, std::pair{"Days=", ""}}) {
        const int32_t index = *name ? ZCSGetParamIndexByAStrName(*count, vector, name, 0) : -1;
        if (*name && index < 0) continue;
        char* block = static_cast<char*>(ZCSAllocMem(CLPS_BLOCK_SIZE));
        if (!block) return 1655;
        std::snprintf(block, CLPS_BLOCK_SIZE, "%s", text);
        if (index < 0) {
            vector[(*count)++] = block;
        } else {
            ZCSFreeMem(vector[index]);
            vector[index] = block;
        }
    }
    return g_callbackStatus;
}

class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_callbackStatus = CLPS_STATUS_OK;
        unsetenv("KWTEST_FAIL");
        KWTestReset();
        CLPSSetDryRun(0);
    }
    void TearDown() override {
        CLPSSetDryRun(0);
        unsetenv("KWTEST_FAIL");
        EXPECT_EQ(KWTestLiveCount(KWLIVE_RESP), 0) << "response records leaked";
        EXPECT_EQ(KWTestLiveCount(KWLIVE_BLOCK), 0) << "256-byte blocks leaked";
        EXPECT_EQ(KWTestLiveCount(KWLIVE_REPLY), 0) << "agent replies leaked";
        KWTestReset();
    }
    // Makes the n-th call of a kind fail from now on (counters restart).
    static void failCall(const std::string& rule) {
        setenv("KWTEST_FAIL", rule.c_str(), 1);
        KWTestReset();
    }
};

// Expects a message record with these status and arguments.
inline void expectMessage(const CLPSResponse* r, int32_t status, const std::string& arg1, const std::string& arg2) {
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->kind, static_cast<uint32_t>(CLPS_RESP_MESSAGE));
    EXPECT_EQ(r->status, status);
    EXPECT_EQ(str(r->arg1), arg1);
    EXPECT_EQ(str(r->arg2), arg2);
}

}  // namespace fwtest
