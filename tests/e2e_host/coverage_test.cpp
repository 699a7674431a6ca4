// Every status code the plug-in and the framework can hand the host, as their headers number them,
// has a text in the shipped catalogue: a new code without a text fails here.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "catalogue.h"

namespace {

TEST(CatalogueCoverage, EveryStatusCodeHasAText) {
    rkhost::Catalogue catalogue, config;
    ASSERT_TRUE(catalogue.load(std::string(RK_SOURCE_DIR) + "/share/messages.cat"));
    int codes = 0;
    for (const char* header : {"plugin/plugin/nvtable.h", "platform/include/cmdfw32.h"}) {
        std::ostringstream text;
        text << std::ifstream(std::string(RK_SOURCE_DIR) + "/" + header).rdbuf();
        const std::string source = text.str();
        const std::regex entry("\\b(KW_STATUS_[A-Z0-9_]+|CLPS_ERR_[A-Z0-9_]+|CLPS_STATUS_OK)\\s*=\\s*(\\d+)");
        for (std::sregex_iterator it(source.begin(), source.end(), entry), end; it != end; ++it, ++codes)
            EXPECT_TRUE(catalogue.has(std::stol((*it)[2]))) << "no catalogue text for " << (*it)[1] << " in " << header;
    }
    EXPECT_GT(codes, 60);
    // The id that heads both the system summary and the enclosure configuration has a text for each.
    ASSERT_TRUE(config.load(std::string(RK_SOURCE_DIR) + "/share/messages.cat"));
    config.setCommandWord("rkconfig");
    EXPECT_NE(config.format(6951, "", ""), catalogue.format(6951, "", ""));
}

}  // namespace
