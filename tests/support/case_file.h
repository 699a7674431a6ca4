// Case tables kept in a data file beside their suite: one case a line, its
// fields apart by '|'; blank lines and '#' comments are skipped, and a line
// "== name" starts the section of that name.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "testagent.h"

namespace kwtest {

// The parts of text between separators; an empty text has none.
inline std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    if (text.empty()) return parts;
    size_t start = 0;
    for (size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

struct CaseLine {
    std::string where;  // file:line, for failure messages
    std::vector<std::string> fields;
};

struct CaseOptions {
    std::string section;   // only the lines of this section; empty: every line
    bool trimmed = false;  // blanks around each field dropped
};

// The cases of tests/<folder>/<file>, each with exactly `fields` fields.
inline std::vector<CaseLine> readCases(const std::string& folder, const std::string& file, size_t fields,
                                       const CaseOptions& options = {}) {
    std::ifstream in(std::string(RK_SOURCE_DIR) + "/tests/" + folder + "/" + file);
    EXPECT_TRUE(in.good()) << folder << "/" << file;
    std::vector<CaseLine> cases;
    bool inSection = options.section.empty();
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.rfind("== ", 0) == 0) inSection = options.section.empty() || line.substr(3) == options.section;
        if (!inSection || line.empty() || line[0] == '#' || line[0] == '=') continue;
        cases.push_back({file + ":" + std::to_string(number), split(line, '|')});
        for (std::string& field : cases.back().fields) {
            if (!options.trimmed) break;
            field.erase(0, field.find_first_not_of(' '));
            field.erase(field.find_last_not_of(' ') + 1);
        }
        EXPECT_EQ(cases.back().fields.size(), fields) << cases.back().where;
        cases.back().fields.resize(fields);
    }
    EXPECT_FALSE(cases.empty()) << folder << "/" << file << " " << options.section;
    return cases;
}

// The agent reply of objects written "Name=Value,Name=Value;Name=Value,...".
inline std::string replyOf(const std::string& text) {
    std::vector<TestAgent::Object> objects;
    for (const std::string& object : split(text, ';')) {
        objects.emplace_back();
        for (const std::string& element : split(object, ','))
            objects.back().push_back({element.substr(0, element.find('=')), element.substr(element.find('=') + 1)});
    }
    return TestAgent::reply(objects);
}

}  // namespace kwtest
