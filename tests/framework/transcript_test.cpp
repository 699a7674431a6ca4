// Command lines through dispatch and the variant engine over the tables of
// tables.h: the rights and usage word of each line, the record it gives and
// whether the agent got it, compared with the reviewed transcript.txt
// (RK_UPDATE_GOLDEN=1 rewrites it). A line with '|' is split there, not at
// blanks; "dry-run" before a line runs it as a dry run. Usage lines start with '|'.
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "fwtest.h"
#include "tables.h"

using namespace fwtest;

namespace {

template <const NVCmdRow* Table, uint32_t Rows, NVValidateFunc Callback>
CLPSResponse* engine(int32_t argc, char** argv) {
    return CLPSNVCmdConfigFunc(argc, argv, 100, 101, Table, Rows, "kwclp.xsl", Callback);
}
template <uint32_t Id>
CLPSResponse* message(int32_t, char**) {
    return CLPSNVSetupMsgRespObj(Id, 0, 0, 0, 0, 0, "other.xsl");
}

// Deliberately out of order: the framework sorts it.
CCDTEntry g_table[] = {
    {"rkreport storage", "gadget",  engine<kGadget, kGadgetRows, nullptr>,           1, 0},
    {"rkconfig storage", "widget",  engine<kWidget, kWidgetRows, nullptr>,           7, 0},
    {"rkconfig storage", "retuned", engine<kWidget, kWidgetRows, rewritingCallback>, 7, 0},
    {"rkreport system",  "version", message<6001>,                                   1, 0},
    {"rkreport",         "storage", message<6002>,                                   1, 0},
    {"rkreport storage", "battery", nullptr,                                         1, 0},
};
constexpr uint32_t kRows = sizeof(g_table) / sizeof(g_table[0]);

const char* kindName(uint32_t kind) {
    switch (kind) {
        case CLPS_RESP_REPLY: return "reply";
        case CLPS_RESP_MESSAGE: return "message";
        case CLPS_RESP_USAGE: return "usage";
        case CLPS_RESP_DRYRUN: return "dry run";
        default: return "other";
    }
}

std::string describe(const CLPSResponse* r) {
    if (!r) return "no record\n";
    std::ostringstream out;
    out << kindName(r->kind) << ' ' << r->status << ", message " << r->messageId << ", sheet " << str(r->styleSheet)
        << ", agent " << str(r->agentPrefix) << "\n";
    if (r->arg1 || r->arg2) out << "  [" << str(r->arg1) << "] [" << str(r->arg2) << "]\n";
    if (r->requestCount) out << "  request:";
    for (const auto& word : requestOf(r)) out << " " << word;
    if (r->requestCount) out << "\n";
    EXPECT_EQ(r->length, r->text ? std::string(r->text).size() : 0u);
    std::istringstream usage(r->kind == CLPS_RESP_USAGE ? r->text : "");
    for (std::string line; std::getline(usage, line);) out << "|" << (line.empty() ? "" : " ") << line << "\n";
    return out.str();
}

class Transcript : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        ASSERT_EQ(CLPSSortCCDT(g_table, kRows, &sorted_), 0);
        // Label=refuse draws a refusal and Rate=13 no reply; the rest succeeds.
        agent.otherwise([](const kwtest::Request& request) -> std::optional<std::string> {
            auto has = [&](const char* w) { return std::find(request.begin(), request.end(), w) != request.end(); };
            if (has("Rate=13")) return std::nullopt;
            if (!has("Label=refuse")) return kwtest::TestAgent::reply({{{"Name", "x"}}});
            return "<?xml version=\"1.0\"?>\n<!-- note -->\n<Reply status=\"2\"><Error>disk 0:0:3 is &lt;busy&gt; "
                   "&amp; &#x41;</Error></Reply>";
        });
    }
    std::string run(std::string line) {
        const bool dryRun = line.rfind("dry-run ", 0) == 0;
        if (dryRun) line.erase(0, 8);
        std::vector<std::string> words;
        std::istringstream in(line);
        const char separator = line.find('|') == std::string::npos ? ' ' : '|';
        for (std::string word; std::getline(in, word, separator);)
            if (!word.empty() || separator == '|') words.push_back(word);
        Argv argv(words);
        std::ostringstream out;
        out << "rights " << CLPSGetRequiredUserRights(argv.argc(), argv.argv(), g_table, kRows, &sorted_)
            << ", usage word " << (CLPSIsUsageHelp(argv.argc(), argv.argv()) & 0xFFFF) << "\n";
        CLPSSetDryRun(dryRun);
        agent.clearRequests();
        Record r(CLPSSendRequest(argv.argc(), argv.argv(), g_table, kRows, &sorted_));
        out << describe(r.get());
        if (!agent.requests().empty())
            out << (agent.requests().back() == requestOf(r.get()) ? "  sent\n" : "  other sent\n");
        return out.str();
    }
    kwtest::TestAgent agent;
    uint16_t sorted_ = 0;
};

TEST_F(Transcript, RunsAsReviewed) {
    const std::string path = std::string(RK_SOURCE_DIR) + "/tests/framework/transcript.txt";
    std::ifstream file(path);
    std::ostringstream expected, out;
    expected << file.rdbuf();
    std::istringstream in(expected.str());
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("$ ", 0) == 0) out << line << "\n" << run(line.substr(2));
        else if (line.empty() || line[0] == '#') out << line << "\n";
    }
    if (const char* update = std::getenv("RK_UPDATE_GOLDEN"); update && *update) std::ofstream(path) << out.str();
    EXPECT_EQ(out.str(), expected.str());
}

TEST_F(Transcript, SortOrdersByWordsKeepingEqualRowsInPlace) {
    CCDTEntry rows[] = {
        {"rkreport storage", "vdisk", nullptr, 1, 1},
        {"RKREPORT", "storage", nullptr, 1, 2},
        {"rkreport storage", "VDISK", nullptr, 1, 3},
        {"rkconfig storage", "vdisk", nullptr, 7, 4},
    };
    uint16_t sorted = 0;
    ASSERT_EQ(CLPSSortCCDT(rows, 4, &sorted), 0);
    EXPECT_EQ(sorted, 1);
    std::vector<uint32_t> order;
    for (const auto& row : rows) order.push_back(row.reserved);
    EXPECT_EQ(order, (std::vector<uint32_t>{4, 2, 1, 3}));
    EXPECT_NE(CLPSSortCCDT(nullptr, 3, &sorted), 0);
}

}  // namespace
