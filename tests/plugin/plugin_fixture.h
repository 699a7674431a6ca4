// Runs command lines through the plug-in's host entry points against a
// scripted agent, and checks that nothing counted stays live afterwards.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "cmdfw32.h"
#include "testagent.h"
#include "vexcs32.h"

extern "C" {
CLPSResponse* kwclp32_sendRequest(int32_t argc, char** argv);
void kwclp32_freeResponse(CLPSResponse* response);
uint32_t kwclp32_getRequiredUserRights(int32_t argc, char** argv);
}

namespace kwtest {

struct ResponseDeleter {
    void operator()(CLPSResponse* r) const { kwclp32_freeResponse(r); }
};
using Response = std::unique_ptr<CLPSResponse, ResponseDeleter>;

// Splits "rkreport storage vdisk controller=0" into words and runs it.
inline std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < line.size()) {
        size_t end = line.find(' ', start);
        if (end == std::string::npos) end = line.size();
        if (end > start) out.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

inline Response run(const std::string& line) {
    auto w = words(line);
    std::vector<char*> argv;
    for (auto& s : w) argv.push_back(s.data());
    argv.push_back(nullptr);
    return Response(kwclp32_sendRequest(static_cast<int32_t>(w.size()), argv.data()));
}

inline uint32_t rights(const std::string& line) {
    auto w = words(line);
    std::vector<char*> argv;
    for (auto& s : w) argv.push_back(s.data());
    argv.push_back(nullptr);
    return kwclp32_getRequiredUserRights(static_cast<int32_t>(w.size()), argv.data());
}

inline std::string str(const char* s) { return s ? s : ""; }

inline std::vector<std::string> request(const CLPSResponse* r) {
    std::vector<std::string> out;
    for (uint32_t i = 0; r && i < r->requestCount; ++i) out.push_back(str(r->request[i]));
    return out;
}

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("KWTEST_FAIL");
        KWTestReset();
    }
    void TearDown() override {
        for (int kind = 0; kind < KWLIVE_KIND_COUNT; ++kind)
            EXPECT_EQ(KWTestLiveCount(static_cast<KWTestLive>(kind)), 0) << "live objects of kind " << kind;
    }
    TestAgent agent;
};

}  // namespace kwtest
