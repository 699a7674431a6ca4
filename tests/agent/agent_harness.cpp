#include "agent_harness.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace kwda_test {

namespace {

std::string textOf(const xmlChar* text) { return text ? reinterpret_cast<const char*>(text) : ""; }

std::string contentOf(xmlNode* node) {
    xmlChar* content = xmlNodeGetContent(node);
    std::string text = textOf(content);
    xmlFree(content);
    return text;
}

void parse(Reply& reply) {
    xmlDoc* doc = xmlReadMemory(reply.raw.data(), static_cast<int>(reply.raw.size()), "reply.xml", nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    ASSERT_NE(doc, nullptr) << "reply is not XML: " << reply.raw;
    xmlNode* root = xmlDocGetRootElement(doc);
    EXPECT_EQ(textOf(root->name), "Reply");
    xmlChar* status = xmlGetProp(root, reinterpret_cast<const xmlChar*>("status"));
    xmlChar* command = xmlGetProp(root, reinterpret_cast<const xmlChar*>("command"));
    reply.status = std::stoi(textOf(status));
    reply.command = textOf(command);
    xmlFree(status);
    xmlFree(command);
    for (xmlNode* child = root->children; child; child = child->next) {
        if (child->type != XML_ELEMENT_NODE) continue;
        std::string name = textOf(child->name);
        if (name == "Error") {
            reply.error = contentOf(child);
        } else if (name == "DCStorageObject") {
            Object object;
            for (xmlNode* element = child->children; element; element = element->next)
                if (element->type == XML_ELEMENT_NODE) object[textOf(element->name)] = contentOf(element);
            reply.objects.push_back(std::move(object));
        } else if (name == "Result" && reply.result.empty()) {
            for (xmlNode* element = child->children; element; element = element->next)
                if (element->type == XML_ELEMENT_NODE) reply.result[textOf(element->name)] = contentOf(element);
        } else {
            ADD_FAILURE() << "unexpected element " << name << " in " << reply.raw;
        }
    }
    xmlFreeDoc(doc);
}

// The value of a binary-digit mask.
uint32_t mask(const std::string& digits) {
    uint32_t value = 0;
    for (char c : digits) value = (value << 1) | (c == '1' ? 1u : 0u);
    return value;
}

// Whether the binary-digit mask in element has the bit.
bool hasBit(const Object& object, const std::string& element, uint32_t bit) {
    auto it = object.find(element);
    return it != object.end() && (mask(it->second) & bit) != 0;
}

}  // namespace

void clearAgentVariables() {
    for (const char* name : {"KWDA_STATE", "KWDA_PROFILE", "KWDA_LOG", "KWDA_TIME_SCALE", "KWDA_ALERT_LOG_LIMIT",
                             "KWDA_SYSTEM", "KWDA_SYSFS", "KWDA_PROC", "KWDA_PCI_IDS"})
        ::unsetenv(name);
}

Object Reply::only() const {
    EXPECT_EQ(objects.size(), 1u) << raw;
    return objects.empty() ? Object{} : objects.front();
}

Reply send(const std::vector<std::string>& elements) {
    std::vector<const char*> vector;
    for (const auto& element : elements) vector.push_back(element.c_str());
    char* raw = RKDBAgentSendCmd(static_cast<uint32_t>(vector.size()), vector.data());
    Reply reply;
    if (!raw) {
        ADD_FAILURE() << "no reply to " << elements.front();
        return reply;
    }
    reply.raw = raw;
    RKDBAgentFreeData(raw);
    parse(reply);
    return reply;
}

std::vector<std::string> split(const std::string& text, char by) {
    std::vector<std::string> out;
    std::string item;
    for (std::istringstream in(text); std::getline(in, item, by);)
        if (size_t start = item.find_first_not_of(' '); start != std::string::npos) out.push_back(item.substr(start));
    return out;
}

Reply run(const std::string& command) {
    std::vector<std::string> elements = split(command, ' ');
    elements.front() = "vexcmd=" + elements.front();
    return send(elements);
}

void steps(const std::string& commands) {
    for (const auto& command : split(commands, ';')) {
        if (command[0] == '@') {
            const size_t eq = command.find('=');
            ::setenv(command.substr(1, eq - 1).c_str(), command.substr(eq + 1).c_str(), 1);
            continue;
        }
        Reply done = run(command);
        ASSERT_EQ(done.status, 0) << command << ": " << done.raw;
    }
}

void expectFields(const Object& object, const std::string& fields) {
    for (const auto& field : split(fields, '|')) {
        if (field[0] == '-') {
            EXPECT_EQ(object.count(field.substr(1)), 0u) << field;
            continue;
        }
        const size_t at = field.find_first_of("=~&!#");
        ASSERT_NE(at, std::string::npos) << field;
        const std::string name = field.substr(0, at), value = field.substr(at + 1);
        const auto it = object.find(name);
        ASSERT_TRUE(it != object.end()) << name << " is missing";
        switch (field[at]) {
            case '=': EXPECT_EQ(it->second, value) << name; break;
            case '~': EXPECT_NE(it->second.find(value), std::string::npos) << name << ": " << it->second; break;
            case '#': EXPECT_EQ(mask(it->second), std::stoul(value, nullptr, 16)) << field; break;
            case '&': EXPECT_TRUE(hasBit(object, name, std::stoul(value, nullptr, 16))) << field; break;
            default: EXPECT_FALSE(hasBit(object, name, std::stoul(value, nullptr, 16))) << field;
        }
    }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

void AgentTest::SetUp() {
    clearAgentVariables();
    std::string pattern = (std::filesystem::temp_directory_path() / "kwda-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir = pattern;
    state = dir + "/state.db";
    ::setenv("KWDA_STATE", state.c_str(), 1);
}

void AgentTest::TearDown() {
    clearAgentVariables();
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

std::string AgentTest::useProfile(const std::string& xml, const std::string& name) {
    std::string path = dir + "/" + name;
    writeFile(path, xml);
    ::setenv("KWDA_PROFILE", path.c_str(), 1);
    return path;
}

}  // namespace kwda_test
