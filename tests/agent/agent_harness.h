// Drives the real agent through its C entry points, each test with its own
// state file in a fresh folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

extern "C" char* RKDBAgentSendCmd(uint32_t count, const char* const* vector);
extern "C" void RKDBAgentFreeData(char* reply);

namespace kwda_test {

using Object = std::map<std::string, std::string>;

struct Reply {
    std::string raw;
    std::string command;
    int status = -1;
    std::string error;
    std::vector<Object> objects;
    Object result;  // the facts of a write's <Result>, if any

    // The single object of the reply (fails the test otherwise).
    Object only() const;
};

// Sends one request ("vexcmd=..." first) and parses the reply.
Reply send(const std::vector<std::string>& elements);
// "getController GlobalNo=0" as a request (elements apart by blanks).
Reply run(const std::string& command);
// Runs commands apart by ';', failing the test on a refusal; "@NAME=value"
// sets an environment variable instead.
void steps(const std::string& commands);
// Checks "A=value|B~part|-C|D&hex|E!hex|F#hex" against an object: equals,
// holds, is absent, has the mask bit set, has it clear, is the mask.
void expectFields(const Object& object, const std::string& fields);
// The items apart by `by`, leading blanks dropped, empty ones skipped.
std::vector<std::string> split(const std::string& text, char by);

// Unsets every KWDA_* variable the agent reads.
void clearAgentVariables();
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);
std::vector<std::string> lines(const std::string& text);

// A fresh folder and state file per test; KWDA_* variables cleared.
class AgentTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a profile into the test folder and points KWDA_PROFILE at it.
    std::string useProfile(const std::string& xml, const std::string& name = "profile.xml");
    std::string alertLog() const { return dir + "/state.alert.log"; }

    std::string dir;
    std::string state;
};

}  // namespace kwda_test
