#include "options.h"

#include <cstddef>

namespace rkhost {
namespace {

bool takeValue(const std::string& word, const std::string& name, std::string& value) {
    const std::string prefix = "--" + name + "=";
    if (word.rfind(prefix, 0) != 0) return false;
    value = word.substr(prefix.size());
    return true;
}

}  // namespace

ParseResult parseOptions(const std::string& commandWord, const std::vector<std::string>& args) {
    ParseResult result;
    Options& o = result.options;
    o.words.push_back(commandWord);
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--complete") {
            // Shell completion: every later word is part of the line being
            // completed, host options included.
            o.complete = true;
            o.completeWords.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            return result;
        }
        if (word.rfind("--", 0) != 0) {
            o.words.push_back(word);
            continue;
        }
        std::string value;
        result.word = word;
        if (takeValue(word, "format", value)) {
            if (value == "text") o.format = Format::Text;
            else if (value == "xml") o.format = Format::Xml;
            else if (value == "json") o.format = Format::Json;
            else {
                result.error = "Unknown output format '" + value + "'. Use --format=text, --format=xml or --format=json.";
                return result;
            }
        } else if (takeValue(word, "state", value)) {
            if (value.empty()) { result.error = "--state needs a file name (--state=FILE)."; return result; }
            o.state = value;
        } else if (takeValue(word, "profile", value)) {
            if (value.empty()) { result.error = "--profile needs a file name (--profile=FILE)."; return result; }
            o.profile = value;
        } else if (takeValue(word, "system", value)) {
            if (value != "local" && value != "simulated") {
                result.error = "Unknown system '" + value + "'. Use --system=local for this machine's storage.";
                return result;
            }
            o.system = value;
        } else if (word == "--dry-run") {
            o.dryRun = true;
        } else if (word == "--help") {
            o.help = true;
        } else if (word == "--version") {
            o.version = true;
        } else {
            result.error = "Unknown option '" + word +
                           "'. Options: --format=text|xml|json, --state=FILE, --profile=FILE, "
                           "--system=local, --dry-run, --help, --version.";
            return result;
        }
    }
    result.word.clear();
    return result;
}

}  // namespace rkhost
