// The corpus reaches every command path of the dispatch table and every
// action of every configuration table, read from the built plug-in itself,
// so an action added to a table without a corpus line fails here.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>

#include "cmdfw32.h"
#include "harness.h"

namespace faults {
namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

class CorpusCoverage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static kwtest::TempDir trace;
        setenv("KWCLP_TRACE_DIR", trace.path().c_str(), 1);
        plugin_ = dlopen(kwtest::buildPath("lib/libkwclp32.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        corpus_ = readCorpus(corpusPath());
    }
    static void TearDownTestSuite() {
        if (plugin_) dlclose(plugin_);
    }
    template <typename T>
    static const T* symbol(const char* name) {
        return plugin_ ? static_cast<const T*>(dlsym(plugin_, name)) : nullptr;
    }
    // Whether some line starts with these words and carries name=value
    // (value compared ignoring case, as the framework does).
    static bool covered(const std::string& path, const std::string& name, const std::string& value) {
        for (const auto& line : corpus_) {
            std::string text;
            for (const auto& w : line.words) text += (text.empty() ? "" : " ") + w;
            if (text.rfind(path + " ", 0) != 0 && text != path) continue;
            if (name.empty()) return true;
            for (const auto& w : line.words)
                if (lower(w) == lower(name + "=" + value)) return true;
        }
        return false;
    }
    static inline void* plugin_ = nullptr;
    static inline std::vector<CorpusLine> corpus_;
};

TEST_F(CorpusCoverage, HasEnoughLinesOfBothKinds) {
    EXPECT_GE(corpus_.size(), 150u);
    const auto writes = std::count_if(corpus_.begin(), corpus_.end(), [](const CorpusLine& l) { return l.write; });
    EXPECT_GE(writes, 75);
    EXPECT_GE(static_cast<long>(corpus_.size()) - writes, 50);
}

TEST_F(CorpusCoverage, ReachesEveryCommandPath) {
    ASSERT_NE(plugin_, nullptr) << dlerror();
    const auto* ccdt = symbol<CCDTEntry>("CCDT");
    const auto* count = symbol<uint32_t>("ccdtCount");
    ASSERT_TRUE(ccdt && count);
    for (uint32_t i = 0; i < *count; ++i) {
        const std::string path = std::string(ccdt[i].commandWords) + " " + ccdt[i].objectWord;
        EXPECT_TRUE(covered(path, "", "")) << "no corpus line for " << path;
    }
}

TEST_F(CorpusCoverage, ReachesEveryActionAndSelectorOfEveryTable) {
    ASSERT_NE(plugin_, nullptr) << dlerror();
    struct Table {
        const char* path;
        const char* symbol;
        uint32_t rows;
    };
    const Table tables[] = {
        {"rkconfig storage controller", "NVCmdConfigController", 19},
        {"rkconfig storage vdisk", "NVCommandConfigVDs", 20},
        {"rkconfig storage adisk", "NVCommandConfigArrayDisks", 12},
        {"rkconfig storage pdisk", "NVCommandConfigPhysicalDisks", 12},
        {"rkconfig storage battery", "NVCommandConfigBattery", 3},
        {"rkconfig storage enclosure", "NVCmdConfigEnclosure", 11},
        {"rkconfig storage connector", "NVCmdConfigChannels", 1},
        {"rkconfig storage globalinfo", "NVCmdConfigGlobalInfo", 4},
        {"rkconfig storage globalinfo", "NVCmdServiceRequest", 1},
        {"rkconfig storage globalinfo", "NVCmdServiceReq_MissingDisk", 1},
        {"rkconfig storage globalinfo", "NVCmdServiceReq_PatrolReadRate", 1},
        {"rkconfig storage globalinfo", "NVCmdServiceReq_DumpStore", 1},
        {"rkreport storage controller", "NVCmdReportController", 4},
        {"rkreport storage enclosure", "NVCmdReportEnclosure", 7},
    };
    int selectors = 0;
    for (const Table& t : tables) {
        const auto* rows = symbol<NVCmdRow>(t.symbol);
        if (!rows) {
            ADD_FAILURE() << t.symbol << " is not exported by the plug-in";
            continue;
        }
        for (uint32_t i = 0; i < t.rows; ++i) {
            if (!rows[i].selectorParam || !rows[i].selectorValue) continue;
            ++selectors;
            EXPECT_TRUE(covered(t.path, rows[i].selectorParam, rows[i].selectorValue))
                << t.path << ": no corpus line with " << rows[i].selectorParam << "=" << rows[i].selectorValue;
        }
    }
    EXPECT_GE(selectors, 90);
}

}  // namespace
}  // namespace faults
