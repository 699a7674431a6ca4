// Hostile command lines through the real binaries: values of 10,000 bytes,
// non-ASCII and control bytes, XML special characters, empty values,
// repeated parameters and words that are not parameters. Every line must
// be answered in every output format with a clear error or be carried out,
// never with a crash, a hang, a leak or an answer that does not parse; a
// refused line sends no write to the agent. Texts the agent stores (service
// tags) come back exactly, escaped, in every later reply.
#include <gtest/gtest.h>
#include <libxml/parser.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "../e2e_host/json_check.h"
#include "e2e.h"

namespace {

using Words = std::vector<std::string>;

const std::string kLongDigits(10000, '7');
const std::string kLongText(10000, 'a');

std::string repeated(const std::string& piece, size_t times, const std::string& separator = "") {
    std::string out;
    for (size_t i = 0; i < times; ++i) out += (i ? separator : "") + piece;
    return out;
}

bool wellFormedXml(const std::string& text, std::string& error) {
    xmlDocPtr doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), "reply.xml", nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc) {
        const xmlError* e = xmlGetLastError();
        error = e && e->message ? e->message : "not well-formed";
        return false;
    }
    xmlFreeDoc(doc);
    return true;
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
    void judge(const Words& line, const std::string& format, const kwtest::RunResult& r) {
        const std::string what = "line: " + describe(line) + " format=" + format + "\nstdout: " +
                                 r.out.substr(0, 400) + "\nstderr: " + r.err.substr(0, 400);
        ASSERT_EQ(r.signal, 0) << what;
        ASSERT_NE(r.exitCode, 137) << "hung (killed after 60 s)\n" << what;
        ASSERT_NE(r.exitCode, 70) << "objects left unreleased\n" << what;
        EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 1 || r.exitCode == 2) << what;
        EXPECT_EQ(r.err.find("runtime error:"), std::string::npos) << what;
        EXPECT_EQ(r.err.find("AddressSanitizer"), std::string::npos) << what;
        if (format == "json") {
            jsoncheck::Value value;
            std::string error;
            ASSERT_TRUE(jsoncheck::parse(r.out, value, error)) << error << "\n" << what;
            const jsoncheck::Value* status = value.member("status");
            ASSERT_TRUE(status && status->type == jsoncheck::Value::Number) << what;
            if (r.exitCode != 0) {
                const jsoncheck::Value* message = value.member("message");
                EXPECT_TRUE(message && !message->string.empty()) << "a refusal without a message\n" << what;
                // Only the agent itself may refuse a write it was sent.
                if (sentWrite()) {
                    EXPECT_EQ(status->number, 2100) << "a refused line sent a write\n" << what;
                }
            }
        } else if (format == "xml") {
            std::string error;
            if (!r.out.empty()) {
                EXPECT_TRUE(wellFormedXml(r.out, error)) << error << "\n" << what;
            }
        } else {
            if (r.exitCode != 0) {
                EXPECT_FALSE(r.err.empty()) << "a refusal that says nothing\n" << what;
            }
            // Text goes to a terminal: a typed escape sequence is shown, never sent.
            for (const std::string* stream : {&r.out, &r.err}) {
                for (unsigned char c : *stream) {
                    ASSERT_TRUE(c >= 0x20 ? c != 0x7f : c == '\n' || c == '\t')
                        << "control byte " << static_cast<int>(c) << " in text output\n" << what;
                }
            }
        }
    }

    void everyFormat(const Words& line) {
        for (const char* format : {"json", "xml", "text"}) {
            SCOPED_TRACE(describe(line));
            judge(line, format, run(line, format));
        }
    }

    // The same text in every parameter that carries free text or an identifier.
    void everyNamedValue(const std::string& t) {
        everyFormat({"rkconfig", "storage", "vdisk", "action=rename", "controller=0", "vdisk=1", "name=" + t});
        everyFormat({"rkconfig", "storage", "enclosure", "action=setassettag", "controller=0", "enclosure=0:0",
                     "assettag=" + t});
        everyFormat({"rkconfig", "storage", "enclosure", "action=setassetname", "controller=0", "enclosure=0:0",
                     "assetname=" + t});
        everyFormat({"rkreport", "storage", "vdisk", "controller=" + t});
        everyFormat({"rkconfig", "storage", "adisk", "action=blink", "controller=0", "adisk=" + t});
        everyFormat({"rkconfig", "storage", "controller", "action=" + t, "controller=0"});
        everyFormat({"rkreport", "storage", t});
    }

    static std::string describe(const Words& line) {
        std::string out;
        for (const auto& w : line) out += (out.empty() ? "" : " ") + (w.size() > 60 ? w.substr(0, 60) + "..." : w);
        return out;
    }

    kwtest::Cli cli_;
};

TEST_F(Hostile, ValuesOfTenThousandBytes) {
    const Words lines[] = {
        {"rkreport", "storage", "controller", "controller=" + kLongDigits},
        {"rkreport", "storage", "vdisk", "controller=0", "vdisk=" + kLongDigits},
        {"rkreport", "storage", "adisk", "controller=0", "adisk=0:0:" + kLongDigits},
        {"rkreport", "storage", "enclosure", "controller=0", "enclosure=0:0", "info=" + kLongText},
        {"rkreport", "storage", kLongText},
        {"rkreport", "storage", "controller", kLongText + "=1"},
        {"rkconfig", "storage", "vdisk", "action=" + kLongText, "controller=0", "vdisk=1"},
        {"rkconfig", "storage", "vdisk", "action=rename", "controller=0", "vdisk=1", "name=" + kLongText},
        {"rkconfig", "storage", "vdisk", "action=rename", "controller=0", "vdisk=1", "name=" + repeated("é", 5000)},
        {"rkconfig", "storage", "enclosure", "action=setassettag", "controller=0", "enclosure=0:0",
         "assettag=" + kLongText},
        {"rkconfig", "storage", "enclosure", "action=setservicetag", "controller=0", "enclosure=0:0",
         "servicetag=" + kLongText},
        {"rkconfig", "storage", "controller", "action=setrebuildrate", "controller=0", "rate=" + kLongDigits},
        {"rkconfig", "storage", "controller", "action=createvdisk", "controller=0", "raid=r5", "size=" + kLongDigits,
         "adisk=0:0:7,0:0:8,0:0:9"},
        {"rkconfig", "storage", "controller", "action=createvdisk", "controller=0", "raid=r5", "size=10g",
         "adisk=" + repeated("0:0:7", 1700, ",")},
        {"rkconfig", "storage", "battery", "action=delaylearn", "controller=0", "battery=0", "days=" + kLongDigits},
    };
    for (const auto& line : lines) everyFormat(line);
}

TEST_F(Hostile, AThousandParameters) {
    Words line{"rkreport", "storage", "controller"};
    for (int i = 0; i < 1000; ++i) line.push_back("p" + std::to_string(i) + "=" + std::to_string(i));
    everyFormat(line);
    Words config{"rkconfig", "storage", "vdisk", "action=blink", "controller=0", "vdisk=1"};
    for (int i = 0; i < 1000; ++i) config.push_back("vdisk=1");
    everyFormat(config);
}

TEST_F(Hostile, NonAsciiAndControlBytes) {
    const std::string texts[] = {"Grüße", "\x01\x02\x1b[31m", "a\tb\nc", "\x7f", "日本語", "٣"};
    for (const auto& t : texts) everyNamedValue(t);
}

// Bytes that are not UTF-8 are echoed in refusals; the xml and json answers
// must still be well-formed (such bytes are shown as U+FFFD).
TEST_F(Hostile, BytesThatAreNotUtf8) {
    for (const std::string t : {"\xc3\x28", "\xff\xfe", "abc\x80"}) everyNamedValue(t);
}

// A service tag is the one text the plug-in passes on without a character
// check: one that is not UTF-8 (or holds control characters) is refused by
// the agent with a message naming it, nothing is stored, and every later
// reply about the enclosure stays readable.
TEST_F(Hostile, ServiceTagThatIsNotUtf8LeavesTheEnclosureReadable) {
    const Words report{"rkreport", "storage", "enclosure", "controller=0", "enclosure=0:0"};
    const auto before = run(report, "json");
    const std::pair<std::string, const char*> tags[] = {{"\xff\xfe", "is not valid UTF-8 text"},
                                                        {"ab\xc3", "is not valid UTF-8 text"},
                                                        {"\xed\xa0\x80", "is not valid UTF-8 text"},
                                                        {"a\x01", "holds the control character 0x01"}};
    for (const auto& [tag, why] : tags) {
        const Words set{"rkconfig", "storage", "enclosure", "action=setservicetag", "controller=0", "enclosure=0:0",
                        "servicetag=" + tag};
        const auto refused = run(set, "json");
        judge(set, "json", refused);
        EXPECT_EQ(refused.exitCode, 1) << refused.out;
        jsoncheck::Value value;
        std::string error;
        ASSERT_TRUE(jsoncheck::parse(refused.out, value, error)) << error;
        const auto* message = value.member("message");
        ASSERT_TRUE(message) << refused.out;
        EXPECT_NE(message->string.find("service tag "), std::string::npos) << refused.out;
        const auto text = run(set, "text");
        EXPECT_NE(text.err.find(std::string("service tag ") + why), std::string::npos) << text.err;

        judge(report, "xml", run(report, "xml"));
        const auto after = run(report, "json");
        EXPECT_EQ(after.out, before.out) << "the refused tag was stored";
    }
    const auto blinked = run({"rkconfig", "storage", "enclosure", "action=blink", "controller=0", "enclosure=0:0"},
                             "json");
    EXPECT_EQ(blinked.exitCode, 0) << blinked.out;
}

TEST_F(Hostile, XmlSpecialCharactersInNamesAndTags) {
    const std::string texts[] = {"<a&b>", "\"'", "]]>", "&amp;", "<!--", "<?xml?>", "&#0;"};
    for (const auto& t : texts) {
        everyFormat({"rkconfig", "storage", "vdisk", "action=rename", "controller=0", "vdisk=1", "name=" + t});
        everyFormat({"rkconfig", "storage", "enclosure", "action=setassettag", "controller=0", "enclosure=0:0",
                     "assettag=" + t});
        everyFormat({"rkconfig", "storage", "enclosure", "action=setassetname", "controller=0", "enclosure=0:0",
                     "assetname=" + t});
        everyFormat({"rkconfig", "storage", "controller", "action=createvdisk", "controller=0", "raid=r1",
                     "size=1g", "adisk=0:0:7,0:0:8", "name=" + t});
        everyFormat({"rkreport", "storage", "controller", "controller=" + t});

        // The refusal names the value exactly as typed.
        const auto r = run({"rkconfig", "storage", "vdisk", "action=rename", "controller=0", "vdisk=1", "name=" + t},
                           "json");
        jsoncheck::Value value;
        std::string error;
        ASSERT_TRUE(jsoncheck::parse(r.out, value, error)) << error;
        const auto* args = value.member("args");
        ASSERT_TRUE(args && !args->items.empty()) << r.out;
        EXPECT_EQ(args->items[0].string, t);
    }
}

TEST_F(Hostile, EmptyValuesAndWordsThatAreNotParameters) {
    const Words lines[] = {
        {"rkreport", "storage", "controller", "controller="},
        {"rkreport", "storage", "adisk", "controller=0", "adisk="},
        {"rkreport", "storage", "controller", "="},
        {"rkreport", "storage", "controller", "=0"},
        {"rkreport", "storage", "controller", "controller==0"},
        {"rkreport", "storage", "controller", "controller=0=1"},
        {"rkreport", "storage", "controller", ""},
        {"rkreport", "", "controller"},
        {"rkconfig", "storage", "vdisk", "action=", "controller=0", "vdisk=1"},
        {"rkconfig", "storage", "vdisk", "action=rename", "controller=0", "vdisk=1", "name="},
        {"rkconfig", "storage", "enclosure", "action=setassettag", "controller=0", "enclosure=0:0", "assettag="},
        {"rkconfig", "storage", "enclosure", "action=setservicetag", "controller=0", "enclosure=0:0", "servicetag="},
        {"rkconfig", "storage", "controller", "action=createvdisk", "controller=0", "raid=r1", "size=",
         "adisk=0:0:7,0:0:8"},
        {"rkconfig", "storage", "controller", "action=createvdisk", "controller=0", "raid=r1", "size=1g", "adisk="},
        {"rkconfig", "storage", "battery", "action=delaylearn", "controller=0", "battery=0", "days=", "hours="},
        {"rkconfig", "storage", "controller", "action=setrebuildrate", "controller=0", "rate="},
        {"rkconfig", "storage", "enclosure", "action=settempprobes", "controller=0", "enclosure=0:0", "index=0",
         "minwarn=", "maxwarn="},
    };
    for (const auto& line : lines) everyFormat(line);
}

TEST_F(Hostile, RepeatedParametersAreRefused) {
    const Words lines[] = {
        {"rkreport", "storage", "controller", "controller=0", "controller=0"},
        {"rkreport", "storage", "controller", "controller=0", "CONTROLLER=1"},
        {"rkconfig", "storage", "vdisk", "action=blink", "action=unblink", "controller=0", "vdisk=1"},
        {"rkconfig", "storage", "vdisk", "action=rename", "controller=0", "vdisk=1", "name=a", "name=b"},
        {"rkconfig", "storage", "adisk", "action=assignglobalhotspare", "controller=0", "adisk=0:0:8", "assign=yes",
         "assign=no"},
        {"rkconfig", "storage", "controller", "action=createvdisk", "controller=0", "raid=r1", "raid=r5", "size=1g",
         "adisk=0:0:7,0:0:8"},
    };
    for (const auto& line : lines) {
        everyFormat(line);
        const auto r = run(line, "json");
        EXPECT_EQ(r.exitCode, 2) << describe(line) << "\n" << r.out;
        EXPECT_NE(r.out.find("\"status\": 2007"), std::string::npos) << describe(line) << "\n" << r.out;
    }
}

// A service tag is stored as typed (the agent checks only its length and
// that it is UTF-8 text without control characters): it must come back
// exactly in every format and leave every later reply about the enclosure
// readable, for the plug-in's own checks as much as for users.
TEST_F(Hostile, ServiceTagsWithXmlCharactersComeBackEscaped) {
    const std::string tags[] = {"<&>\"'", "]]>", "&amp;", "a<b", "é€"};
    for (const auto& tag : tags) {
        SCOPED_TRACE(tag);
        const Words set{"rkconfig", "storage", "enclosure", "action=setservicetag", "controller=0", "enclosure=0:0",
                        "servicetag=" + tag};
        const auto written = run(set, "json");
        judge(set, "json", written);
        ASSERT_EQ(written.exitCode, 0) << written.out << written.err;

        const Words report{"rkreport", "storage", "enclosure", "controller=0", "enclosure=0:0"};
        const auto json = run(report, "json");
        judge(report, "json", json);
        jsoncheck::Value value;
        std::string error;
        ASSERT_TRUE(jsoncheck::parse(json.out, value, error)) << error;
        const auto* objects = value.member("objects");
        ASSERT_TRUE(objects && objects->items.size() == 1) << json.out;
        const auto* shown = objects->items[0].member("ServiceTag");
        ASSERT_TRUE(shown) << json.out;
        EXPECT_EQ(shown->string, tag);

        const auto xml = run(report, "xml");
        judge(report, "xml", xml);
        judge(report, "text", run(report, "text"));
        // The plug-in reads the same replies in its checks: the enclosure is
        // still found by a configuration command.
        const Words blink{"rkconfig", "storage", "enclosure", "action=blink", "controller=0", "enclosure=0:0"};
        const auto blinked = run(blink, "json");
        EXPECT_EQ(blinked.exitCode, 0) << blinked.out;
        run({"rkconfig", "storage", "enclosure", "action=unblink", "controller=0", "enclosure=0:0"}, "json");
    }
}

}  // namespace
