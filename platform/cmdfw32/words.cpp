// The words of a command line: parameters, usage words and the command path,
// and the three calls that look at a line without a variant table.

#include <cctype>

#include "internal.h"

namespace cmdfw {

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool isUsageWord(std::string_view word) {
    return word == "-?" || equalsIgnoreCase(word, "-h") || equalsIgnoreCase(word, "help");
}

bool isParameterWord(std::string_view word) {
    size_t equals = word.find('=');
    return equals != std::string_view::npos && equals > 0;
}

std::string_view wordAt(char** argv, int32_t index) {
    if (!argv || !argv[index]) return {};
    return argv[index];
}

std::string join(const std::vector<std::string>& items, std::string_view separator) {
    std::string out;
    for (const auto& item : items) {
        if (!out.empty()) out += separator;
        out += item;
    }
    return out;
}

const Parameter* Line::find(std::string_view name) const {
    for (const auto& parameter : parameters)
        if (equalsIgnoreCase(parameter.name, name)) return &parameter;
    return nullptr;
}

std::string Line::pathText() const {
    std::string out;
    for (auto word : path) {
        if (!out.empty()) out += ' ';
        out += word;
    }
    return out;
}

Line parseLine(int32_t argc, char** argv) {
    Line line;
    bool inPath = true;
    for (int32_t i = 0; i < argc; ++i) {
        std::string_view word = wordAt(argv, i);
        if (i > 0 && isUsageWord(word)) {
            line.usage = true;
            inPath = false;
        } else if (i > 0 && word.find('=') != std::string_view::npos) {
            size_t equals = word.find('=');
            line.parameters.push_back({word.substr(0, equals), word.substr(equals + 1), word});
            inPath = false;
        } else if (inPath) {
            line.path.push_back(word);
        }
        // Any other word after the parameters began was refused by the
        // dispatcher already; the engine has nothing to take from it.
    }
    return line;
}

}  // namespace cmdfw

using namespace cmdfw;

extern "C" {

CLPS_API uint32_t CLPSIsUsageHelp(int32_t argc, char** argv) {
    for (int32_t i = 1; i < argc; ++i)
        if (isUsageWord(wordAt(argv, i))) return 1;
    return 0;
}

CLPS_API CLPSResponse* CLPSNVCheckExtraParams(int32_t argc, char** argv, const char* styleSheet) {
    try {
        Line line = parseLine(argc, argv);
        if (line.parameters.empty()) return nullptr;
        const Parameter& first = line.parameters.front();
        std::string_view named = first.name.empty() ? first.word : first.name;
        // Null here reads as "no parameters" to the caller: only a record
        // that cannot be had at all lets such a line through.
        return makeMessage(CLPS_ERR_UNKNOWN_PARAM, named, "none", styleSheet);
    } catch (...) {
        return makeMessage(CLPS_ERR_NO_MEMORY, {}, {}, styleSheet);
    }
}

CLPS_API CLPSResponse* CLPSSetRespObjUsageXML(int32_t argc, char** argv, uint32_t w3, uint32_t w4,
                                              const char* styleSheet) {
    Record record = newRecord();
    if (!record) return nullptr;
    try {
        Line line = parseLine(argc, argv);
        record->kind = CLPS_RESP_USAGE;
        record->status = CLPS_STATUS_OK;
        record->styleSheet = styleSheet;
        if (!setText(record.get(), plainUsage(line))) fillMessage(record.get(), CLPS_ERR_NO_MEMORY, {}, {}, styleSheet);
    } catch (...) {
        fillMessage(record.get(), CLPS_ERR_NO_MEMORY, {}, {}, styleSheet);
    }
    return record.release();
}

}  // extern "C"
