// Helpers for the framework's unit tests: command lines as argv, owned
// records, and a fixture that ends each test by checking nothing leaked.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
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
    explicit Argv(const std::string& line) : Argv(split(line)) {}
    explicit Argv(std::vector<std::string> words) : words_(std::move(words)) {
        for (auto& w : words_) pointers_.push_back(w.data());
        pointers_.push_back(nullptr);
    }
    int32_t argc() const { return static_cast<int32_t>(words_.size()); }
    char** argv() { return pointers_.data(); }

private:
    static std::vector<std::string> split(const std::string& line) {
        std::vector<std::string> words;
        for (size_t pos = 0, end = 0; pos < line.size(); pos = end + 1) {
            end = std::min(line.find(' ', pos), line.size());
            if (end > pos) words.push_back(line.substr(pos, end - pos));
        }
        return words;
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
// ways a callback may change the vector, each with a block of its own.
inline int32_t rewritingCallback(void*, void*, uint32_t, char**, uint32_t* count, char** vector, void*, void*, char*,
                                 char*) {
    for (auto [name, text] : {std::pair{"", "Property=13"}, std::pair{"Rate", "Rate=50"}, std::pair{"Days=", ""}}) {
        const int32_t index = *name ? ZCSGetParamIndexByAStrName(*count, vector, name, 0) : -1;
        if (*name && index < 0) continue;
        char* block = static_cast<char*>(ZCSAllocMem(CLPS_BLOCK_SIZE));
        if (!block) return 1655;  // as the plug-in's callbacks answer
        std::snprintf(block, CLPS_BLOCK_SIZE, "%s", text);
        if (index >= 0) ZCSFreeMem(vector[index]);
        vector[index < 0 ? (*count)++ : index] = block;
    }
    return g_callbackStatus;
}

class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_callbackStatus = CLPS_STATUS_OK;
        KWTestReset();
        CLPSSetDryRun(0);
    }
    void TearDown() override {
        CLPSSetDryRun(0);
        EXPECT_EQ(KWTestLiveCount(KWLIVE_RESP), 0) << "response records leaked";
        EXPECT_EQ(KWTestLiveCount(KWLIVE_BLOCK), 0) << "256-byte blocks leaked";
        EXPECT_EQ(KWTestLiveCount(KWLIVE_REPLY), 0) << "agent replies leaked";
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
