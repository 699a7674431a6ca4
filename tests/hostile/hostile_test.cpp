// Hostile command lines through the real programs: values of 10,000 bytes, non-ASCII, control and
// non-UTF-8 bytes, XML special characters, empty and repeated parameters. Every line is answered in
// every format, clearly refused or carried out: no crash, hang or leak, an answer that parses, no
// control byte on a terminal, no write sent for a refused line. Stored service tags come back exactly.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "../e2e_host/host_runner.h"

namespace {

using Words = std::vector<std::string>;

const std::string kLongDigits(10000, '7');
const std::string kLongText(10000, 'a');

std::string repeated(const std::string& piece, size_t times, const std::string& separator = "") {
    std::string out;
    for (size_t i = 0; i < times; ++i) out += (i ? separator : "") + piece;
    return out;
}

std::string describe(const Words& line) {
    std::string out;
    for (const auto& w : line) out += (out.empty() ? "" : " ") + (w.size() > 60 ? w.substr(0, 60) + "..." : w);
    return out;
}

// One system of the test's own, run with a time limit and the leak check.
class Hostile : public ::testing::Test {
protected:
    kwtest::RunResult run(const Words& line, const std::string& format) {
        Words args{"-s", "KILL", "60", kwtest::buildPath("bin/" + line.front()), "--state=" + cli_.statePath(),
                   "--format=" + format};
        args.insert(args.end(), line.begin() + 1, line.end());
        std::remove(agentLog().c_str());
        return kwtest::runProgram("/usr/bin/timeout", args,
                                  {{"KWCLP_TRACE_DIR", cli_.dir().path()}, {"KW_RIGHTS", "7"}, {"KWTEST_LEAKS", "1"},
                                   {"KWDA_LOG", agentLog()}, {"KWTEST_FAIL", ""}});
    }

    std::string agentLog() const { return cli_.dir().file("agent.log"); }

    bool sentWrite() const {
        std::ifstream in(agentLog());
        for (std::string l; std::getline(in, l);)
            if (l.rfind("vexcmd=set", 0) == 0) return true;
        return false;
    }

    // The checks every answer must pass, in the format it was asked in.
    kwtest::RunResult judged(const Words& line, const std::string& format) {
        const auto r = run(line, format);
        const std::string what = "line: " + describe(line) + " format=" + format + "\nstdout: " +
                                 r.out.substr(0, 400) + "\nstderr: " + r.err.substr(0, 400);
        // Exit 137 is a hang (killed after 60 s), 70 objects left unreleased, -1 a signal.
        EXPECT_LE(static_cast<unsigned>(r.exitCode), 2u) << what;
        EXPECT_EQ(r.err.find("runtime error:"), std::string::npos) << what;
        EXPECT_EQ(r.err.find("AddressSanitizer"), std::string::npos) << what;
        if (format == "json") {
            const auto value = hosttest::parsedJson(what, r);
            const jsoncheck::Value* status = value.member("status");
            EXPECT_TRUE(status && status->type == jsoncheck::Value::Number) << what;
            const jsoncheck::Value* message = value.member("message");
            EXPECT_TRUE(r.exitCode == 0 || (message && !message->string.empty())) << "a silent refusal\n" << what;
            // Only the agent itself may refuse a write it was sent.
            EXPECT_FALSE(r.exitCode != 0 && sentWrite() && status && status->number != 2100)
                << "a refused line sent a write\n" << what;
        } else if (format == "xml") {
            hosttest::checkXml(what, r);
        } else {
            EXPECT_TRUE(r.exitCode == 0 || !r.err.empty()) << "a refusal that says nothing\n" << what;
            // Text goes to a terminal: a typed escape sequence is shown, never sent.
            for (unsigned char c : r.out + r.err)
                EXPECT_TRUE(c >= 0x20 ? c != 0x7f : c == '\n' || c == '\t') << "control byte " << int{c} << what;
        }
        return r;
    }

    void everyFormat(const Words& line) {
        for (const char* format : {"json", "xml", "text"}) judged(line, format);
    }

    kwtest::Cli cli_;
};

// A command line with "@" in a word standing for the text.
Words with(const std::string& line, const std::string& text) {
    Words words = kwtest::words(line);
    for (auto& word : words)
        if (const size_t at = word.find('@'); at != std::string::npos) word.replace(at, 1, text);
    return words;
}

// Values of 10,000 bytes, a thousand parameters, empty values and words that are not parameters.
TEST_F(Hostile, LongEmptyAndStrayValues) {
    Words many = with("rkreport storage controller", ""), twice = with("rkconfig storage vdisk action=blink", "");
    for (int i = 0; i < 1000; ++i) {
        many.push_back("p" + std::to_string(i) + "=" + std::to_string(i));
        twice.push_back(i ? "vdisk=1" : "controller=0");
    }
    for (const Words& line : {many, twice, Words{"rkreport", "storage", "controller", ""}, Words{"rkreport", "", "x"}})
        everyFormat(line);
    const std::pair<const char*, std::string> lines[] = {
        {"rkreport storage vdisk controller=0 vdisk=@", kLongDigits},
        {"rkreport storage adisk controller=0 adisk=0:0:@", kLongDigits},
        {"rkconfig storage controller action=setrebuildrate controller=0 rate=@", kLongDigits},
        {"rkconfig storage controller action=createvdisk controller=0 raid=r5 size=@ adisk=0:0:7", kLongDigits},
        {"rkconfig storage battery action=delaylearn controller=0 battery=0 days=@", kLongDigits},
        {"rkreport storage enclosure controller=0 enclosure=0:0 info=@", kLongText},
        {"rkreport storage controller @=1", kLongText},
        {"rkconfig storage vdisk action=rename controller=0 vdisk=1 name=@", repeated("é", 5000)},
        {"rkconfig storage controller action=createvdisk raid=r5 size=10g adisk=@", repeated("0:0:7", 1700, ",")},
        {"rkreport storage adisk controller=0 adisk=", ""},
        {"rkreport storage controller =", ""},
        {"rkreport storage controller =0", ""},
        {"rkreport storage controller controller==0", ""},
        {"rkreport storage controller controller=0=1", ""},
        {"rkconfig storage controller action=createvdisk controller=0 raid=r1 size= adisk=", ""},
        {"rkconfig storage battery action=delaylearn controller=0 battery=0 days= hours=", ""},
        {"rkconfig storage enclosure action=settempprobes controller=0 enclosure=0:0 minwarn=", ""},
    };
    for (const auto& [line, text] : lines) everyFormat(with(line, text));
}

// Every parameter that carries free text or an identifier, with texts that are not plain: a value
// with XML's special characters is echoed in a refusal exactly as typed.
TEST_F(Hostile, OddTextsInEveryNamedValue) {
    const std::pair<std::string, bool> texts[] = {
        {"", false},       {"Grüße", false},  {"\x01\x02\x1b[31m", false}, {"a\tb\nc", false}, {"\x7f", false},
        {"日本語", false}, {"\xc3\x28", false}, {"\xff\xfe", false},         {"abc\x80", false}, {kLongText, false},
        {"<a&b>", true},   {"\"'", true},     {"]]>", true},               {"&amp;", true},    {"<!--", true},
        {"<?xml?>", true}, {"&#0;", true},
    };
    const char* const lines[] = {
        "rkconfig storage vdisk action=rename controller=0 vdisk=1 name=@",
        "rkconfig storage enclosure action=setassettag controller=0 enclosure=0:0 assettag=@",
        "rkconfig storage enclosure action=setassetname controller=0 enclosure=0:0 assetname=@",
        "rkconfig storage enclosure action=setservicetag controller=0 enclosure=0:0 servicetag=@",
        "rkconfig storage controller action=createvdisk controller=0 raid=r1 size=1g adisk=0:0:7,0:0:8 name=@",
        "rkreport storage vdisk controller=@",
        "rkconfig storage adisk action=blink controller=0 adisk=@",
        "rkconfig storage controller action=@ controller=0",
        "rkreport storage @",
    };
    for (const auto& [t, echoed] : texts) {
        for (const char* line : lines) everyFormat(with(line, t));
        if (!echoed) continue;
        const jsoncheck::Value reply = hosttest::parsedJson(t, run(with(lines[0], t), "json"));
        const auto* args = reply.member("args");
        ASSERT_TRUE(args && !args->items.empty()) << t;
        EXPECT_EQ(args->items[0].string, t);
    }
}

// A parameter given twice (in any case) is a command-line error (exit 2, status 2007).
TEST_F(Hostile, RepeatedParameters) {
    for (const char* line : {"rkreport storage controller controller=0 controller=0",
                             "rkreport storage controller controller=0 CONTROLLER=1",
                             "rkconfig storage vdisk action=blink action=unblink controller=0 vdisk=1",
                             "rkconfig storage vdisk action=rename controller=0 vdisk=1 name=a name=b",
                             "rkconfig storage adisk action=assignglobalhotspare controller=0 assign=yes assign=no",
                             "rkconfig storage controller action=createvdisk controller=0 raid=r1 raid=r5 size=1g"}) {
        everyFormat(with(line, ""));
        const auto r = run(with(line, ""), "json");
        EXPECT_EQ(r.exitCode, 2) << line << "\n" << r.out;
        EXPECT_NE(r.out.find("\"status\": 2007"), std::string::npos) << line << "\n" << r.out;
    }
}

// A service tag is stored as typed when it is UTF-8 text without control characters, and then comes
// back exactly, escaped, in every later reply; any other is refused by the agent, naming why, and
// nothing is stored. Either way the plug-in, which reads the same replies, still finds the enclosure.
TEST_F(Hostile, ServiceTagsAreStoredExactlyOrRefused) {
    const std::pair<std::string, const char*> tags[] = {
        {"<&>\"'", nullptr}, {"]]>", nullptr}, {"&amp;", nullptr}, {"é€", nullptr},
        {"\xff\xfe", "is not valid UTF-8 text"}, {"ab\xc3", "is not valid UTF-8 text"},
        {"\xed\xa0\x80", "is not valid UTF-8 text"}, {"a\x01", "holds the control character 0x01"},
    };
    const Words enclosure = with("rkreport storage enclosure controller=0 enclosure=0:0", "");
    for (const auto& [tag, why] : tags) {
        const Words set = with("rkconfig storage enclosure action=setservicetag controller=0 enclosure=0:0 "
                               "servicetag=@", tag);
        const auto before = judged(enclosure, "json");
        EXPECT_EQ(judged(set, "json").exitCode, why ? 1 : 0) << tag;
        if (why) {
            EXPECT_NE(judged(set, "text").err.find(std::string("service tag ") + why), std::string::npos) << tag;
        }
        const auto after = judged(enclosure, "json");
        const jsoncheck::Value reply = hosttest::parsedJson(tag, after);
        const auto* objects = reply.member("objects");
        ASSERT_TRUE(objects && objects->items.size() == 1) << after.out;
        const auto* shown = objects->items[0].member("ServiceTag");
        if (why) {
            EXPECT_EQ(after.out, before.out) << "the refused tag was stored";
        } else {
            EXPECT_TRUE(shown && shown->string == tag) << after.out;
        }
        judged(enclosure, "xml");
        judged(enclosure, "text");
        for (const char* action : {"blink", "unblink"})
            EXPECT_EQ(judged(with("rkconfig storage enclosure controller=0 enclosure=0:0 action=@", action), "json")
                          .exitCode, 0);
    }
}

}  // namespace
