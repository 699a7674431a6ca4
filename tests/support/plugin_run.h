// Running the plug-in's handlers and validation callbacks in unit tests, and a
// fixture that checks nothing counted stays live. Header only: the folders
// that use it link the plug-in.
#pragma once

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <utility>
#include <vector>

#include "case_file.h"
#include "cmdfw32.h"
#include "cmdline.h"
#include "testagent.h"
#include "vexcs32.h"

namespace kwtest {

// Words kept alive as an argument vector ending in a null entry.
class Argv {
public:
    explicit Argv(std::vector<std::string> words) : words_(std::move(words)) {
        for (auto& w : words_) pointers_.push_back(w.data());
        pointers_.push_back(nullptr);
    }
    explicit Argv(const std::string& line) : Argv(words(line)) {}
    Argv(const Argv&) = delete;
    Argv& operator=(const Argv&) = delete;
    int32_t argc() const { return static_cast<int32_t>(words_.size()); }
    char** argv() { return pointers_.data(); }

private:
    std::vector<std::string> words_;
    std::vector<char*> pointers_;
};

inline std::string str(const char* s) { return s ? s : ""; }

// The binary-digit text of a mask, most significant digit first.
inline std::string bits(uint32_t value) {
    if (value == 0) return "0";
    std::string out;
    for (; value != 0; value >>= 1) out.insert(out.begin(), static_cast<char>('0' + (value & 1)));
    return out;
}

inline std::string reply(const std::vector<TestAgent::Object>& objects) { return TestAgent::reply(objects); }

// What a command answered, copied out of its response record.
struct Outcome {
    bool answered = false;  // a record came back
    int32_t status = 0;
    uint32_t kind = 0;
    std::string arg1;
    std::string arg2;
    std::vector<std::string> request;  // the request the record names
};

using Handler = CLPSResponse* (*)(int32_t, char**);

// Runs the words through a command handler and releases its record.
inline Outcome runHandler(Handler handler, std::vector<std::string> line) {
    Argv argv(std::move(line));
    CLPSResponse* record = handler(argv.argc(), argv.argv());
    Outcome out;
    if (record == nullptr) return out;
    out.answered = true;
    out.status = record->status;
    out.kind = record->kind;
    out.arg1 = str(record->arg1);
    out.arg2 = str(record->arg2);
    for (uint32_t i = 0; i < record->requestCount; ++i) out.request.push_back(str(record->request[i]));
    CLPSFreeResponse(record);
    return out;
}

// "rkconfig storage <object>" followed by the parameters, through handler.
inline Outcome runConfig(Handler handler, const std::string& object, const std::vector<std::string>& parameters) {
    std::vector<std::string> line = {"rkconfig", "storage", object};
    line.insert(line.end(), parameters.begin(), parameters.end());
    return runHandler(handler, std::move(line));
}

// One direct call of a validation callback: the user's words, the request in
// 256-byte blocks as the framework builds it, message buffers preset.
class CallbackCall {
public:
    CallbackCall(NVValidateFunc callback, std::vector<std::string> user, const std::vector<std::string>& request,
                 const std::string& initialMessage)
        : callback_(callback), user_(std::move(user)), first_(CLPS_MSG_ARG_SIZE, '\0'),
          second_(CLPS_MSG_ARG_SIZE, '\0') {
        for (auto& w : user_) argv_.push_back(w.data());
        for (const auto& text : request) {
            char* block = static_cast<char*>(ZCSAllocMem(CLPS_BLOCK_SIZE));
            snprintf(block, CLPS_BLOCK_SIZE, "%s", text.c_str());
            slots_[count_++] = block;
        }
        snprintf(first_.data(), first_.size(), "%s", initialMessage.c_str());
        snprintf(second_.data(), second_.size(), "%s", initialMessage.c_str());
    }
    ~CallbackCall() {
        for (uint32_t i = 0; i < count_; ++i) ZCSFreeMem(slots_[i]);
    }
    CallbackCall(const CallbackCall&) = delete;
    CallbackCall& operator=(const CallbackCall&) = delete;

    int32_t run() {
        return callback_(nullptr, nullptr, static_cast<uint32_t>(argv_.size()), argv_.data(), &count_, slots_,
                         nullptr, nullptr, first_.data(), second_.data());
    }
    // The request as the callback left it.
    std::vector<std::string> request() const {
        std::vector<std::string> out;
        for (uint32_t i = 0; i < count_; ++i) out.push_back(str(slots_[i]));
        return out;
    }
    std::string first() const { return first_.data(); }
    std::string second() const { return second_.data(); }

private:
    NVValidateFunc callback_;
    std::vector<std::string> user_;
    std::vector<char*> argv_;
    char* slots_[64] = {};
    uint32_t count_ = 0;
    std::vector<char> first_;
    std::vector<char> second_;
};

// Calls the callback for every case of tests/<folder>/calls.txt: the user's
// words | the request as the framework built it | status | first message
// argument | second | the request after the call | a query never sent ("any":
// none at all). "untouched": the buffer kept its preset text; "*": not checked.
inline void runCallCases(NVValidateFunc callback, const std::string& folder, TestAgent& agent) {
    for (const CaseLine& c : readCases(folder, "calls.txt", 7)) {
        SCOPED_TRACE(c.where);
        agent.clearRequests();
        CallbackCall call(callback, split(c.fields[0], ';'), split(c.fields[1], ';'), "untouched");
        EXPECT_EQ(call.run(), std::stoi(c.fields[2]));
        EXPECT_EQ(c.fields[3] == "*" ? "*" : call.first(), c.fields[3]);
        EXPECT_EQ(c.fields[4] == "*" ? "*" : call.second(), c.fields[4]);
        EXPECT_EQ(call.request(), split(c.fields[5], ';'));
        EXPECT_TRUE(c.fields[6] != "any" || agent.requests().empty());
        EXPECT_TRUE(c.fields[6].empty() || c.fields[6] == "any" || agent.requestsFor(c.fields[6]).empty());
    }
}

// A test against a test agent: no injected failures at the start, nothing
// counted live at the end.
class CountedTest : public ::testing::Test {
protected:
    void SetUp() override { clearFailures(); }
    void TearDown() override {
        expectNothingLive();
        clearFailures();
    }

    // No counted object (block, XML buffer, text, record, DOM, reply) is live.
    static void expectNothingLive() {
        for (int kind = 0; kind < KWLIVE_KIND_COUNT; ++kind)
            EXPECT_EQ(KWTestLiveCount(static_cast<KWTestLive>(kind)), 0) << "live objects of kind " << kind;
    }
    // The n-th call from now of a kind ("mem", "xbuf", "resp", "reply", "dom") fails.
    static void failAt(const std::string& kind, int n) {
        setenv("KWTEST_FAIL", (kind + ":" + std::to_string(n)).c_str(), 1);
        KWTestReset();
    }
    // No injected failure, every counter zero.
    static void clearFailures() {
        unsetenv("KWTEST_FAIL");
        KWTestReset();
    }

    TestAgent agent;
};

}  // namespace kwtest
