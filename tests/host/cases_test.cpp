// The host's small functions over a reviewed transcript, cases.txt
// (RK_UPDATE_GOLDEN=1 rewrites it): each "$ verb | argument | ..." line is
// followed by its result. \xNN, \n, \t and \\ stand for bytes in both.
// Completion runs against a scripted plug-in that refuses every line it was
// not given, naming what would fit as the real one does.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "../e2e_host/json_check.h"
#include "catalogue.h"
#include "cmdfw32.h"
#include "complete.h"
#include "json.h"
#include "options.h"
#include "render.h"
#include "usage_text.h"

namespace {

using Words = std::vector<std::string>;

const char* kConfigUsage =
    "Usage: rkconfig storage vdisk action=<action> [parameter=value ...]\n\n"
    "Actions:\n"
    "  blink                     controller=<number> vdisk=<number>\n"
    "  assigndedicatedhotspare   controller=<number> vdisk=<number> [adisk=<disk list>] assign=<yes|no>\n"
    "  rename                    controller=<number> vdisk=<number> name=<text>\n"
    "\nFor the parameters of one action: rkconfig storage vdisk action=<action> -?\n";
const char* kActionUsage =
    "Usage: rkconfig storage vdisk action=assigndedicatedhotspare <parameters>\n\n"
    "Parameters:\n"
    "  controller=<number>    required   a decimal integer\n"
    "  adisk=<disk list>      optional   a comma-separated list of disk identifiers such as 3:15,1:2:15\n"
    "  assign=<yes|no>        required   one of: yes, no\n"
    "  force=<yes>            optional   one of: yes\n";
const char* kReportUsage =
    "Usage:\n"
    "  rkreport storage enclosure controller=<number> enclosure=<enclosure> info=temps [index=<number>]\n"
    "  rkreport storage enclosure controller=<number> enclosure=<enclosure> info=fans [index=<number>]\n"
    "  rkreport storage enclosure\n"
    "  rkreport storage enclosure controller=<number>\n";

rkhost::ProbeAnswer refusal(int32_t status, const std::string& arg2) {
    return {CLPS_RESP_MESSAGE, status, "#", arg2, ""};
}
rkhost::ProbeAnswer usage(const std::string& text) { return {CLPS_RESP_USAGE, CLPS_STATUS_OK, "", "", text}; }

const std::map<Words, rkhost::ProbeAnswer> kAnswers = {
    {{"rkreport", "#"}, refusal(CLPS_ERR_UNKNOWN_OBJECT, "storage, system, servermodule")},
    {{"rkreport", "storage", "#"}, refusal(CLPS_ERR_UNKNOWN_OBJECT, "adisk, pdisk, vdisk, enclosure")},
    {{"rkreport", "storage", "enclosure", "#"}, refusal(CLPS_ERR_NOT_A_PARAMETER, "name=value")},
    {{"rkreport", "storage", "enclosure", "-?"}, usage(kReportUsage)},
    {{"rkreport", "system", "alertlog", "-?"}, usage("Usage: rkreport system alertlog\n\nIt takes no parameters.\n")},
    {{"rkconfig", "storage", "vdisk", "#"}, refusal(CLPS_ERR_NOT_A_PARAMETER, "name=value")},
    {{"rkconfig", "storage", "vdisk", "-?"}, usage(kConfigUsage)},
    {{"rkconfig", "storage", "vdisk", "action=assigndedicatedhotspare", "-?"}, usage(kActionUsage)},
};

// Meanings of parameters, one of them the object's own.
std::string describe(const std::string& object, const std::string& name) {
    if (name == "controller") return "The controller's number.";
    if (name != "pdisk") return "";
    return object == "pdisk" ? "One disk." : "Disks, comma-separated.";
}

std::string unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
        } else if (text[++i] == 'x') {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i] == 'n' ? '\n' : text[i] == 't' ? '\t' : text[i];
        }
    }
    return out;
}

std::string escape(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", c);
        const bool plain = c >= 0x20 && c < 0x7F && c != '\\';
        out += plain ? std::string(1, c) : c == '\\' ? "\\\\" : c == '\n' ? "\\n" : c == '\t' ? "\\t" : hex;
    }
    return out;
}

std::string joined(const Words& words) {
    std::string out;
    for (const auto& word : words) out += (out.empty() ? "" : " | ") + word;
    return out;
}

const char* const kFormats[] = {"text", "xml", "json", "table", "csv", "openmetrics"};

std::string parsed(const Words& args) {
    const auto r = rkhost::parseOptions("rkconfig", args);
    if (!r.error.empty()) return "refused " + r.word + ": " + r.error;
    const auto& o = r.options;
    std::ostringstream out;
    out << joined(o.words) << "; format " << kFormats[static_cast<size_t>(o.format)]
        << (o.dryRun ? ", dry run" : "") << (o.wait ? ", wait" : "") << (o.help ? ", help" : "")
        << (o.version ? ", version" : "") << ", state " << o.state.value_or("-") << ", profile "
        << o.profile.value_or("-") << ", system " << o.system.value_or("-");
    if (o.complete) out << "; complete " << joined(o.completeWords);
    return out.str();
}

std::string run(const std::string& verb, const Words& args) {
    Words padded = args;
    padded.resize(std::max<size_t>(args.size(), 3));
    if (verb == "expand") return rkhost::expandMessage(padded[0], {padded[1], padded[2]});
    if (verb == "visible") return rkhost::visibleControls(padded[0], false);
    if (verb == "explain") return rkhost::explainUsage(padded[0], padded[1], describe, 80);
    if (verb == "options") return parsed(args);
    if (verb == "json") {
        jsoncheck::Value value;
        std::string error;
        const std::string json = rkhost::jsonString(padded[0]);
        EXPECT_TRUE(jsoncheck::parse(json, value, error)) << error << " in " << json;
        return json;
    }
    if (verb != "complete" || args.empty()) return "unknown case";
    int asked = 0;
    const auto probe = [&asked](const Words& line) {
        ++asked;
        auto it = kAnswers.find(line);
        return it == kAnswers.end() ? refusal(CLPS_ERR_UNKNOWN_PARAM, "") : it->second;
    };
    const std::string offered = joined(rkhost::complete(padded[0], Words(args.begin() + 1, args.end()), probe));
    return (offered.empty() ? "(nothing)" : offered) + (asked ? "" : " (the plug-in not asked)");
}

TEST(Cases, RunAsReviewed) {
    const std::string path = std::string(RK_SOURCE_DIR) + "/tests/host/cases.txt";
    std::ostringstream expected, out;
    expected << std::ifstream(path).rdbuf();
    std::istringstream in(expected.str());
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("$ ", 0) != 0) {
            if (line.empty() || line[0] == '#') out << line << "\n";
            continue;
        }
        Words words;
        for (size_t start = 2, end; start <= line.size(); start = end + 3) {
            end = std::min(line.find(" | ", start), line.size());
            words.push_back(unescape(line.substr(start, end - start)));
        }
        const std::string verb = words.front();
        const std::string result = escape(run(verb, Words(words.begin() + 1, words.end())));
        out << line << "\n" << (result.empty() ? "(nothing)" : result) << "\n";
    }
    if (const char* update = std::getenv("RK_UPDATE_GOLDEN"); update && *update) std::ofstream(path) << out.str();
    EXPECT_EQ(out.str(), expected.str());
}

}  // namespace
