// Every status code and message id the plug-in and the framework can hand the host has a text in the
// shipped catalogue. The codes are read from the sources themselves, so a new code without a text
// fails here.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "catalogue.h"

namespace {

namespace fs = std::filesystem;

const std::string kSource = RK_SOURCE_DIR;

std::string readFile(const fs::path& path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

// NAME = number pairs of an enum in a header.
std::map<std::string, long> enumValues(const std::string& header, const std::string& prefix) {
    std::map<std::string, long> values;
    const std::string text = readFile(kSource + "/" + header);
    const std::regex entry("\\b(" + prefix + "[A-Z0-9_]+)\\s*=\\s*(\\d+)");
    for (std::sregex_iterator it(text.begin(), text.end(), entry), end; it != end; ++it)
        values[(*it)[1]] = std::stol((*it)[2]);
    return values;
}

// Every id to the first place it was seen: the plug-in's and the framework's status enums, codes the
// plug-in returns as numbers and message ids its commands hand the framework.
std::map<long, std::string> idsInSources() {
    std::map<long, std::string> found;
    const auto statuses = enumValues("plugin/plugin/nvtable.h", "KW_STATUS_");
    for (const auto& [name, value] : statuses) found.emplace(value, "plugin/plugin/nvtable.h");
    for (const auto& [name, value] : enumValues("platform/include/cmdfw32.h", "CLPS_"))
        if (name.rfind("CLPS_ERR_", 0) == 0 || name == "CLPS_STATUS_OK") found.emplace(value, "cmdfw32.h");
    const std::regex named("\\bKW_STATUS_[A-Z0-9_]+\\b"), returned("\\breturn\\s+\\(?\\s*(1[06][0-9][0-9])\\b"),
        messageId("\\b(6[0-9]{3})\\b");
    for (const auto& entry : fs::recursive_directory_iterator(kSource + "/plugin")) {
        const fs::path& file = entry.path();
        if (file.extension() != ".cpp" && file.extension() != ".h") continue;
        const std::string text = readFile(file), where = fs::relative(file, kSource).string();
        for (std::sregex_iterator it(text.begin(), text.end(), named), end; it != end; ++it)
            EXPECT_TRUE(statuses.count(it->str())) << it->str() << " in " << where;
        const bool messages = where.find("/commands/") != std::string::npos || file.filename() == "ccdt.cpp";
        for (const auto* pattern : {&returned, messages ? &messageId : &returned})
            for (std::sregex_iterator it(text.begin(), text.end(), *pattern), end; it != end; ++it)
                found.emplace(std::stol((*it)[1]), where);
    }
    return found;
}

TEST(CatalogueCoverage, EveryCodeAndMessageIdHasAText) {
    rkhost::Catalogue catalogue, config;
    ASSERT_TRUE(catalogue.load(kSource + "/share/messages.cat"));
    const auto found = idsInSources();
    EXPECT_TRUE(found.count(6951) && found.count(6998) && found.count(2100)) << "the sources were not read";
    for (const auto& [id, where] : found)
        EXPECT_TRUE(catalogue.has(id)) << "no catalogue text for " << id << " (used in " << where << ")";
    // The id that heads both the system summary and the enclosure configuration has a text for each.
    ASSERT_TRUE(config.load(kSource + "/share/messages.cat"));
    config.setCommandWord("rkconfig");
    EXPECT_NE(config.format(6951, "", ""), catalogue.format(6951, "", ""));
}

}  // namespace
