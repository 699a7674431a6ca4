// Plays the request transcripts of cases/*.txt against the real agent; the
// grammar of a transcript heads cases/model.txt.
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "agent_harness.h"
#include "machine.h"

namespace kwda_test {
namespace {

namespace fs = std::filesystem;

class Transcript : public AgentTest, public ::testing::WithParamInterface<const char*> {
protected:
    // "\xHH" stands for a byte, "$DIR" for the case's folder, "$MACHINE" for the test machine.
    std::string decode(std::string text) const {
        for (const auto& [name, value] : {std::pair<std::string, std::string>{"$DIR", folder_}, {"$MACHINE", machine_}})
            for (size_t at; (at = text.find(name)) != std::string::npos;) text.replace(at, name.size(), value);
        std::string out;
        for (size_t i = 0; i < text.size(); ++i) {
            const bool byte = text.compare(i, 2, "\\x") == 0 && i + 3 < text.size();
            out += byte ? static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16)) : text[i];
            i += byte ? 3 : 0;
        }
        return out;
    }

    void startCase() {
        clearAgentVariables();
        folder_ = dir + "/case" + std::to_string(++cases_);
        fs::create_directory(folder_);
        ::setenv("KWDA_STATE", (folder_ + "/state.db").c_str(), 1);
    }

    size_t events() const { return lines(readFile(folder_ + "/state.alert.log")).size(); }

    // "Name@=a,b": the element of every object in turn; the rest on the last object and the result.
    void expectObjects(const Reply& reply, const std::string& fields) {
        std::string each;
        for (const auto& field : split(fields, '|')) {
            const size_t at = field.find("@=");
            if (at == std::string::npos) {
                each += (each.empty() ? "" : "|") + field;
                continue;
            }
            std::string column;
            for (size_t i = 0; i < reply.objects.size(); ++i) {
                const auto it = reply.objects[i].find(field.substr(0, at));
                column += (i ? "," : "") + (it == reply.objects[i].end() ? "-" : it->second);
            }
            EXPECT_EQ(column, field.substr(at + 2)) << field;
        }
        Object last = reply.objects.empty() ? Object{} : reply.objects.back();
        last.insert(reply.result.begin(), reply.result.end());
        if (!each.empty()) expectFields(last, each);
    }

    // A request and what its reply holds: nothing said means success; "!N parts" a refusal with status N
    // whose error holds each part and which logs no event; "#N" the number of objects, then their fields.
    void request(const std::string& line) {
        const size_t arrow = line.find(" -> ");
        std::vector<std::string> elements;
        for (const auto& word : split(line.substr(0, arrow), ' ')) elements.push_back(decode(word));
        if (elements.front().find('=') == std::string::npos) elements.front() = "vexcmd=" + elements.front();
        const size_t before = events();
        const Reply reply = send(elements);
        std::string expected = arrow == std::string::npos ? "" : decode(line.substr(arrow + 4));
        if (expected[0] == '!') {
            const size_t blank = expected.find(' ');
            EXPECT_EQ(reply.status, std::stoi(expected.substr(1, blank))) << reply.raw;
            for (const auto& part : split(expected.substr(blank + 1), '|'))
                EXPECT_NE(reply.error.find(part), std::string::npos) << reply.error;
            EXPECT_TRUE(reply.objects.empty());
            EXPECT_TRUE(!before || events() == before) << "a refusal logged an event";
            return;
        }
        ASSERT_EQ(reply.status, 0) << reply.raw;
        EXPECT_EQ("vexcmd=" + reply.command, elements.front());
        if (expected[0] == '#') {
            const size_t bar = expected.find('|');
            EXPECT_EQ(reply.objects.size(), std::stoul(expected.substr(1, bar - 1)));
            expected = bar == std::string::npos ? "" : expected.substr(bar + 1);
        }
        if (!expected.empty()) expectObjects(reply, expected);
    }

    void play(const std::string& file) {
        std::ifstream in(std::string(AGENT_CASES) + "/" + file);
        ASSERT_TRUE(in) << file;
        int number = 0;
        for (std::string line; std::getline(in, line);) {
            SCOPED_TRACE(file + ":" + std::to_string(++number) + ": " + line);
            if (line.empty() || line[0] == '#') continue;
            if (line.rfind("== ", 0) == 0) {
                startCase();
            } else if (line[0] == '@') {
                const size_t eq = line.find('=');
                if (eq == std::string::npos) ::unsetenv(line.c_str() + 1);
                else ::setenv(line.substr(1, eq - 1).c_str(), decode(line.substr(eq + 1)).c_str(), 1);
            } else if (line.rfind("profile", 0) == 0) {
                const std::string path = folder_ + "/" + (line.size() > 8 ? line.substr(8) : "profile.xml");
                std::string xml;
                while (std::getline(in, line) && line != "end" && ++number) xml += line + "\n";
                ++number;
                writeFile(path, xml);
                ::setenv("KWDA_PROFILE", path.c_str(), 1);
            } else if (line.rfind("write ", 0) == 0) {
                const auto words = split(line.substr(6), ' ');
                writeFile(decode(words[0]), words.size() > 1 ? decode(words[1]) : "");
            } else if (line.rfind("file ", 0) == 0) {
                const size_t arrow = line.find(" -> ");
                const std::string content = readFile(decode(line.substr(5, arrow - 5)));
                const std::string expected = decode(line.substr(arrow + 4));
                const bool holds = expected[0] == '~' && content.find(expected.substr(1)) != std::string::npos;
                EXPECT_TRUE(holds || content == expected) << content;
            } else if (line == "machine") {
                machine_ = folder_ + "/machine";
                ASSERT_TRUE(kwtest::makeMachine(machine_));
                for (const auto& [name, value] : kwtest::machineEnvironment(machine_))
                    ::setenv(name.c_str(), value.c_str(), 1);
            } else if (line == "nostate") {
                for (const auto& entry : fs::directory_iterator(folder_))
                    EXPECT_EQ(entry.path().extension(), ".xml") << entry.path() << " was left";
            } else {
                request(line);
            }
        }
    }

    std::string machine_, folder_;
    int cases_ = 0;
};

TEST_P(Transcript, Plays) { play(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Cases, Transcript,
                         ::testing::Values("model.txt", "refusals.txt", "profiles.txt", "reads.txt", "local.txt"),
                         [](const auto& info) { return std::string(info.param, std::strchr(info.param, '.')); });

}  // namespace
}  // namespace kwda_test
