#include "options.h"

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
    for (const auto& word : args) {
        if (word.rfind("--", 0) != 0) {
            o.words.push_back(word);
            continue;
        }
        std::string value;
        if (takeValue(word, "format", value)) {
            if (value == "text") o.format = Format::Text;
            else if (value == "xml") o.format = Format::Xml;
            else if (value == "json") o.format = Format::Json;
            else {
                result.error = "unknown format '" + value + "'; use text, xml or json";
                return result;
            }
        } else if (takeValue(word, "state", value)) {
            if (value.empty()) { result.error = "--state needs a file name"; return result; }
            o.state = value;
        } else if (takeValue(word, "profile", value)) {
            if (value.empty()) { result.error = "--profile needs a file name"; return result; }
            o.profile = value;
        } else if (word == "--dry-run") {
            o.dryRun = true;
        } else if (word == "--help") {
            o.help = true;
        } else if (word == "--version") {
            o.version = true;
        } else {
            result.error = "unknown option '" + word +
                           "'; options are --format=text|xml|json, --state=FILE, --profile=FILE, "
                           "--dry-run, --help, --version";
            return result;
        }
    }
    return result;
}

}  // namespace rkhost
