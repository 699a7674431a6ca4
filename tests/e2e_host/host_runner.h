// Runs a command line of the real programs in text, json and xml, checks that each form is what
// scripts may rely on, and keeps the text for golden comparisons.
#pragma once

#include <gtest/gtest.h>
#include <libxml/parser.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "cmdline.h"
#include "e2e.h"
#include "json_check.h"

namespace hosttest {

using kwtest::Cli;
using kwtest::RunResult;

// The words of a command line (the shared splitter of the tests).
inline std::vector<std::string> split(const std::string& line) { return kwtest::words(line); }

// What a line printed, with what changes from run to run (the test's folder, the checkout's, times)
// replaced by fixed marks.
inline std::string stable(const std::string& text, const Cli& cli) {
    std::string out = text;
    for (const auto& [folder, mark] : {std::pair<std::string, std::string>{cli.dir().path(), "<dir>"},
                                       std::pair<std::string, std::string>{RK_SOURCE_DIR, "<source>"}})
        for (size_t at = out.find(folder); at != std::string::npos; at = out.find(folder, at))
            out.replace(at, folder.size(), mark);
    out = std::regex_replace(out, std::regex("\\d{4}-\\d\\d-\\d\\d(T| )\\d\\d:\\d\\d:\\d\\d(Z| UTC)"), "<time>");
    return out;
}

inline jsoncheck::Value parsedJson(const std::string& line, const RunResult& r) {
    jsoncheck::Value value;
    std::string error;
    EXPECT_TRUE(jsoncheck::parse(r.out, value, error)) << line << " --format=json: " << error << "\n" << r.out;
    return value;
}

inline bool isStringArray(const jsoncheck::Value* v) {
    if (!v || v->type != jsoncheck::Value::Array) return false;
    for (const auto& item : v->items)
        if (item.type != jsoncheck::Value::String) return false;
    return true;
}

// The json answer carries what its kind of answer promises.
inline void checkJson(const std::string& line, const RunResult& text, const RunResult& json) {
    using jsoncheck::Value;
    Value v = parsedJson(line, json);
    const Value* status = v.member("status");
    ASSERT_TRUE(status && status->type == Value::Number) << line << ": no status\n" << json.out;
    EXPECT_EQ(json.exitCode, text.exitCode) << line;
    const bool isConfig = line.rfind("rkconfig", 0) == 0;
    if (json.exitCode == 0) {
        EXPECT_EQ(status->number, 1000) << line;
        if (v.has("usage")) {
            EXPECT_EQ(v.member("usage")->type, Value::String) << line;
        } else if (v.has("events")) {
            EXPECT_EQ(v.member("path")->type, Value::String) << line;
            EXPECT_EQ(v.member("events")->type, Value::Array) << line;
        } else if (v.has("dryRun")) {
            EXPECT_TRUE(isStringArray(v.member("request"))) << line;
        } else if (isConfig && !v.has("message")) {
            ADD_FAILURE() << line << ": a configuration answer without a message\n" << json.out;
        } else if (isConfig) {
            ASSERT_TRUE(isStringArray(v.member("request"))) << line << "\n" << json.out;
            EXPECT_EQ(v.member("request")->items.at(0).string.rfind("vexcmd=", 0), 0u) << line;
        } else if (v.has("objects")) {
            for (const auto& object : v.member("objects")->items) {
                ASSERT_EQ(object.type, Value::Object) << line;
                for (const auto& [name, member] : object.members) EXPECT_EQ(member.type, Value::String) << line << name;
            }
        } else {
            EXPECT_TRUE(v.has("message")) << line << "\n" << json.out;
        }
    } else if (json.exitCode == 1 || json.exitCode == 2 || json.exitCode == 4) {
        ASSERT_TRUE(v.has("message")) << line << "\n" << json.out;
        const Value* args = v.member("args");
        ASSERT_TRUE(isStringArray(args)) << line << "\n" << json.out;
        EXPECT_EQ(args->items.size(), 2u) << line;
        // The message is the one text form shows.
        EXPECT_NE(text.err.find(v.member("message")->string), std::string::npos) << line;
    }
}

inline void checkXml(const std::string& line, const RunResult& xml) {
    if (xml.out.empty()) return;
    xmlDocPtr doc = xmlReadMemory(xml.out.data(), static_cast<int>(xml.out.size()), "out.xml", nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    EXPECT_NE(doc, nullptr) << line << " --format=xml is not well-formed:\n" << xml.out;
    xmlFreeDoc(doc);
}

// Standard error without the line that says a new state was created.
inline std::string withoutCreationNote(const std::string& err) {
    return std::regex_replace(err, std::regex("^Created the storage state [^\n]*\n?"), "");
}

// Text form: answers on standard output, refusals on standard error only (and the note of a state's
// creation).
inline void checkText(const std::string& line, const RunResult& r) {
    EXPECT_EQ(r.signal, 0) << line;
    if (r.exitCode == 0) {
        EXPECT_EQ(withoutCreationNote(r.err), "") << line;
    } else {
        EXPECT_EQ(r.out, "") << line;
        EXPECT_NE(r.err, "") << line;
    }
}

// Runs the line (its first word the program) in all three forms. Commands that change the state run
// once per form, each seeing the state the previous one left.
inline void runChecked(const Cli& cli, const std::string& line, const std::map<std::string, std::string>& env) {
    auto words = split(line);
    const std::string program = words.front();
    words.front() = "--format=json";
    const RunResult text = cli.run(program, {words.begin() + 1, words.end()}, env);
    checkText(line, text);
    checkJson(line, text, cli.run(program, words, env));
    words.front() = "--format=xml";
    checkXml(line, cli.run(program, words, env));
}

// Compares with tests/e2e_host/golden/<name>, or rewrites it when RK_UPDATE_GOLDEN is set (review
// the change by eye before keeping it).
inline void expectGolden(const std::string& name, const std::string& actual) {
    const std::string path = std::string(RK_SOURCE_DIR) + "/tests/e2e_host/golden/" + name;
    if (const char* update = std::getenv("RK_UPDATE_GOLDEN"); update && *update) std::ofstream(path) << actual;
    std::ostringstream expected;
    expected << std::ifstream(path).rdbuf();
    EXPECT_EQ(expected.str(), actual) << name << " differs (RK_UPDATE_GOLDEN=1 rewrites it)";
}

// "$ line", what it printed (standard error marked, without the note of a state's creation), and a
// non-zero exit.
inline std::string transcript(const Cli& cli, const std::string& line, const RunResult& r) {
    std::string out = "$ " + line + "\n" + stable(r.out, cli);
    const std::string err = withoutCreationNote(r.err);
    if (!err.empty()) out += "[stderr] " + stable(err, cli);
    if (r.exitCode != 0) out += "[exit " + std::to_string(r.exitCode) + "]\n";
    return out + "\n";
}

}  // namespace hosttest
