#include "options.h"

#include <getopt.h>
#include <strings.h>

#include <cstddef>

namespace rkhost {
namespace {

struct FormatName {
    const char* name;
    Format format;
};

constexpr FormatName kFormats[] = {
    {"text",        Format::Text},
    {"table",       Format::Table},
    {"csv",         Format::Csv},
    {"json",        Format::Json},
    {"xml",         Format::Xml},
    {"openmetrics", Format::OpenMetrics},
};

constexpr const char* kSystems[] = {"simulated", "local"};

enum OptionCode { kFormat = 256, kState, kProfile, kSystem, kDryRun, kWait, kHelp, kVersion, kComplete };

constexpr option kLongOptions[] = {
    {"format",   required_argument, nullptr, kFormat},
    {"state",    required_argument, nullptr, kState},
    {"profile",  required_argument, nullptr, kProfile},
    {"system",   required_argument, nullptr, kSystem},
    {"dry-run",  no_argument,       nullptr, kDryRun},
    {"wait",     no_argument,       nullptr, kWait},
    {"help",     no_argument,       nullptr, kHelp},
    {"version",  no_argument,       nullptr, kVersion},
    {"complete", no_argument,       nullptr, kComplete},
    {nullptr,    0,                 nullptr, 0},
};

const std::string kKnownOptions =
    "Options: --format=text|table|csv|json|xml|openmetrics, --state=FILE, --profile=FILE, --system=local, "
    "--dry-run, --wait, --help, --version.";

bool setFormat(const std::string& value, Options& o) {
    for (const auto& f : kFormats) {
        if (strcasecmp(value.c_str(), f.name) == 0) {
            o.format = f.format;
            return true;
        }
    }
    return false;
}

bool setSystem(const std::string& value, Options& o) {
    for (const char* name : kSystems) {
        if (strcasecmp(value.c_str(), name) == 0) {
            o.system = name;
            return true;
        }
    }
    return false;
}

// Words that begin with a single dash ("-?", "-h", "-5") belong to the
// command, never to getopt: they are handed to it under a neutral stand-in
// and given back as typed.
constexpr char kStandIn[] = "\x01";

}  // namespace

const std::vector<std::string>& formatNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const auto& f : kFormats) out.emplace_back(f.name);
        return out;
    }();
    return names;
}

ParseResult parseOptions(const std::string& commandWord, const std::vector<std::string>& args) {
    ParseResult result;
    Options& o = result.options;
    o.words.push_back(commandWord);

    std::vector<std::string> copies;
    copies.reserve(args.size() + 1);
    copies.push_back(commandWord);
    for (const auto& word : args) {
        const bool singleDash = word.size() > 1 && word[0] == '-' && word[1] != '-';
        copies.push_back(singleDash ? kStandIn + word : word);
    }
    std::vector<char*> argv;
    for (auto& c : copies) argv.push_back(c.data());
    argv.push_back(nullptr);

    // getopt keeps its position in globals: start afresh every time, keep
    // the words in order ("-" mode) and report errors here, not on stderr.
    optind = 0;
    opterr = 0;
    const int argc = static_cast<int>(copies.size());
    auto typed = [&](int index) { return index > 0 && index <= static_cast<int>(args.size()) ? args[index - 1] : ""; };
    for (;;) {
        const int before = optind == 0 ? 1 : optind;
        const int code = getopt_long(argc, argv.data(), "-:", kLongOptions, nullptr);
        if (code == -1) break;
        std::string value = optarg ? optarg : "";
        if (value.rfind(kStandIn, 0) == 0) value.erase(0, 1);
        switch (code) {
            case 1:  // a word of the command
                o.words.push_back(value);
                break;
            case kFormat:
                if (!setFormat(value, o)) {
                    result.word = typed(optind - 1);
                    result.error = "Unknown output format '" + value + "'. Use --format=text, table, csv, json, xml "
                                   "or openmetrics.";
                    return result;
                }
                break;
            case kState:
            case kProfile:
                if (value.empty()) {
                    result.word = typed(optind - 1);
                    result.error = std::string(code == kState ? "--state" : "--profile") +
                                   " needs a file name (" + (code == kState ? "--state" : "--profile") + "=FILE).";
                    return result;
                }
                (code == kState ? o.state : o.profile) = value;
                break;
            case kSystem:
                if (!setSystem(value, o)) {
                    result.word = typed(optind - 1);
                    result.error = "Unknown system '" + value + "'. Use --system=local (this machine's storage) "
                                   "or --system=simulated (the default).";
                    return result;
                }
                break;
            case kDryRun: o.dryRun = true; break;
            case kWait: o.wait = true; break;
            case kHelp: o.help = true; break;
            case kVersion: o.version = true; break;
            case kComplete:
                // Shell completion: every later word is part of the line
                // being completed, host options included.
                o.complete = true;
                o.completeWords.assign(args.begin() + (optind - 1), args.end());
                return result;
            case ':':
                result.word = typed(before);
                result.error = "The option '" + result.word + "' needs a value (" + result.word + "=VALUE).";
                return result;
            default:
                result.word = typed(before);
                // getopt names the option in optopt when only its value is wrong.
                result.error = optopt != 0 ? "The option '" + result.word.substr(0, result.word.find('=')) +
                                                 "' takes no value."
                                           : "Unknown option '" + result.word + "'. " + kKnownOptions;
                return result;
        }
    }
    // "--" ends the options: what follows belongs to the command as typed.
    for (int i = optind; i < argc; ++i) o.words.push_back(args[i - 1]);
    return result;
}

}  // namespace rkhost
