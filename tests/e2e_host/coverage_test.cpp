// Every status code and message id the plug-in and the framework can hand
// the host has a text in the shipped catalogue. The codes are read from the
// sources themselves, so a new code without a text fails here.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "catalogue.h"

namespace {

namespace fs = std::filesystem;

const std::string kSource = RK_SOURCE_DIR;

std::string readFile(const fs::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<fs::path> sourcesUnder(const std::string& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(kSource + "/" + folder))
        if (entry.is_regular_file() && (entry.path().extension() == ".cpp" || entry.path().extension() == ".h"))
            files.push_back(entry.path());
    return files;
}

// NAME = number pairs of an enum in a header.
std::map<std::string, long> enumValues(const std::string& header, const std::string& prefix) {
    std::map<std::string, long> values;
    std::string text = readFile(header);
    std::regex entry("\\b(" + prefix + "[A-Z0-9_]+)\\s*=\\s*(\\d+)");
    for (std::sregex_iterator it(text.begin(), text.end(), entry), end; it != end; ++it)
        values[(*it)[1]] = std::stol((*it)[2]);
    return values;
}

struct Found {
    std::set<long> ids;
    std::map<long, std::string> where;  // one place each id was seen
    void add(long id, const fs::path& file) {
        ids.insert(id);
        where.emplace(id, fs::relative(file, kSource).string());
    }
};

Found codesInPlugin() {
    const auto statusNames = enumValues(kSource + "/plugin/plugin/nvtable.h", "KW_STATUS_");
    EXPECT_GT(statusNames.size(), 60u);
    Found found;
    const std::regex named("\\bKW_STATUS_[A-Z0-9_]+\\b");
    // Codes and message ids written as numbers: a returned code, or a
    // message id handed to the framework.
    const std::regex returned("\\breturn\\s+\\(?\\s*(1[06][0-9][0-9])\\b");
    const std::regex messageId("\\b(6[0-9]{3})\\b");
    for (const auto& file : sourcesUnder("plugin")) {
        std::string text = readFile(file);
        for (std::sregex_iterator it(text.begin(), text.end(), named), end; it != end; ++it) {
            auto value = statusNames.find(it->str());
            EXPECT_NE(value, statusNames.end()) << it->str() << " in " << file;
            if (value != statusNames.end()) found.add(value->second, file);
        }
        for (std::sregex_iterator it(text.begin(), text.end(), returned), end; it != end; ++it)
            found.add(std::stol((*it)[1]), file);
        if (file.string().find("/commands/") != std::string::npos || file.filename() == "ccdt.cpp")
            for (std::sregex_iterator it(text.begin(), text.end(), messageId), end; it != end; ++it)
                found.add(std::stol((*it)[1]), file);
    }
    return found;
}

TEST(CatalogueCoverage, EveryCodeAndMessageIdHasAText) {
    rkhost::Catalogue catalogue;
    ASSERT_TRUE(catalogue.load(kSource + "/share/messages.cat"));

    Found found = codesInPlugin();
    for (const auto& [name, value] : enumValues(kSource + "/platform/include/cmdfw32.h", "CLPS_"))
        if (name.rfind("CLPS_ERR_", 0) == 0 || name == "CLPS_STATUS_OK") found.add(value, "platform/include/cmdfw32.h");
    for (const auto& [name, value] : enumValues(kSource + "/plugin/plugin/nvtable.h", "KW_STATUS_"))
        found.add(value, "plugin/plugin/nvtable.h");

    // What the plug-in's tables use, at the least.
    for (long id : {6000, 6001, 6011, 6021, 6022, 6031, 6042, 6051, 6061, 6062, 6951, 6971, 6972, 6981, 6982, 6991,
                    6992, 6997, 6998, 6941, 6942, 6952, 6963, 6964, 6994, 6995})
        EXPECT_TRUE(found.ids.count(id)) << "message id " << id << " no longer found in the plug-in sources";
    EXPECT_TRUE(found.ids.count(2100));

    for (long id : found.ids)
        EXPECT_TRUE(catalogue.has(id)) << "no catalogue text for " << id << " (used in " << found.where[id] << ")";

    // The id that heads both the system summary and the enclosure
    // configuration has a text of its own for each.
    rkhost::Catalogue config;
    ASSERT_TRUE(config.load(kSource + "/share/messages.cat"));
    config.setCommandWord("rkconfig");
    EXPECT_NE(config.format(6951, "", ""), catalogue.format(6951, "", ""));
}

}  // namespace
