// When the plug-in could not build a response at all, the host says so and
// exits 4. (A state the agent cannot use: the outcomes transcript.)
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "host_runner.h"

namespace {

using hosttest::RunResult;

const std::string kNoAnswer = "The storage command plug-in gave no answer";

// How many response records the line makes without failures.
long responseRecords(const kwtest::Cli& cli, const std::vector<std::string>& line) {
    const RunResult r = cli.run(line.front(), {line.begin() + 1, line.end()}, {{"KWTEST_COUNTS", "1"}});
    const auto at = r.err.rfind(" resp=");
    return at == std::string::npos ? -1 : std::stol(r.err.substr(at + 6));
}

std::string jsonMessage(const RunResult& r, double& status) {
    jsoncheck::Value value;
    std::string error;
    if (!jsoncheck::parse(r.out, value, error)) return "(not json) " + r.out;
    const auto* s = value.member("status");
    const auto* message = value.member("message");
    status = s ? s->number : 0;
    return message ? message->string : "";
}

// Every response record of the line is made to fail in turn: whichever
// failure leaves the plug-in without an answer, the host says so (exit 4,
// json status -1) and never ends silently with 0.
TEST(NoAnswer, APlugInWithoutAResponseIsReportedNeverSilent) {
    kwtest::Cli cli;
    const std::vector<std::vector<std::string>> lines = {
        {"rkreport", "storage", "vdisk", "controller=0"},
        {"rkreport", "storage", "controller", "-?"},
        {"rkconfig", "storage", "vdisk", "action=blink", "controller=0", "vdisk=0"},
    };
    for (const auto& line : lines) {
        SCOPED_TRACE(line[2] + " " + line[3]);
        const long records = responseRecords(cli, line);
        ASSERT_GT(records, 0);
        int withoutAnswer = 0;
        for (long n = 1; n <= records; ++n) {
            const std::map<std::string, std::string> env{{"KWTEST_FAIL", "resp:" + std::to_string(n)}};
            std::vector<std::string> args{"--format=json"};
            args.insert(args.end(), line.begin() + 1, line.end());
            const RunResult json = cli.run(line.front(), args, env);
            const RunResult text = cli.run(line.front(), {line.begin() + 1, line.end()}, env);
            EXPECT_FALSE(json.exitCode == 0 && json.out.empty()) << "silent with resp:" << n;
            EXPECT_FALSE(text.exitCode == 0 && text.out.empty() && text.err.empty()) << "silent with resp:" << n;
            double status = 0;
            if (jsonMessage(json, status).rfind(kNoAnswer, 0) != 0) continue;
            ++withoutAnswer;
            EXPECT_EQ(status, -1);
            EXPECT_EQ(json.exitCode, 4);
            EXPECT_EQ(text.exitCode, 4);
            EXPECT_EQ(text.out, "");
            EXPECT_EQ(text.err.rfind("Error: " + kNoAnswer, 0), 0u) << text.err;
        }
        EXPECT_GT(withoutAnswer, 0) << "no failure point left the plug-in without an answer";
    }
}

}  // namespace
