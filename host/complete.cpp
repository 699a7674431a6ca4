#include "complete.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "cmdfw32.h"
#include "options.h"

namespace rkhost {
namespace {

// A word that is neither a parameter nor a usage word: the dispatcher
// refuses it and names what could stand in its place, without running
// any command.
constexpr const char* kProbeWord = "#";

bool startsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    if (prefix.size() > text.size()) return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && startsWithIgnoringCase(a, b);
}

std::vector<std::string> splitList(const std::string& text, const std::string& separator) {
    std::vector<std::string> items;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(separator, start);
        std::string item = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!item.empty()) items.push_back(item);
        if (end == std::string::npos) break;
        start = end + separator.size();
    }
    return items;
}

std::string trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

void addUnique(std::vector<std::string>& list, const std::string& item) {
    if (std::none_of(list.begin(), list.end(), [&](const std::string& s) { return equalsIgnoringCase(s, item); }))
        list.push_back(item);
}

std::vector<std::string>& choicesOf(UsageOffer& offer, const std::string& name) {
    for (auto& [n, words] : offer.choices)
        if (equalsIgnoringCase(n, name)) return words;
    offer.choices.emplace_back(name, std::vector<std::string>{});
    return offer.choices.back().second;
}

bool isUsageWord(const std::string& word) {
    return word == "-?" || equalsIgnoringCase(word, "-h") || equalsIgnoringCase(word, "help");
}

// "name=value" words of a synopsis line; a value is <placeholder> (which
// may hold blanks) or a literal word, which is a choice.
void readSynopsis(const std::string& line, UsageOffer& offer) {
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '[' || line[i] == ']')) ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '=' && line[i] != '[' && line[i] != ']') ++i;
        if (i >= line.size() || line[i] != '=' || i == start) {
            while (i < line.size() && line[i] != ' ') ++i;
            continue;
        }
        std::string name = line.substr(start, i - start);
        ++i;
        std::string value;
        if (i < line.size() && line[i] == '<') {
            size_t close = line.find('>', i);
            i = close == std::string::npos ? line.size() : close + 1;
        } else {
            size_t end = line.find_first_of(" ]", i);
            value = line.substr(i, end == std::string::npos ? std::string::npos : end - i);
            i = end == std::string::npos ? line.size() : end;
        }
        addUnique(offer.names, name);
        if (!value.empty()) addUnique(choicesOf(offer, name), value);
    }
}

// "  name=<placeholder>   required   one of: a, b, c" rows.
void readParameterRow(const std::string& line, UsageOffer& offer) {
    std::string row = trim(line);
    size_t equals = row.find('=');
    if (equals == std::string::npos || equals == 0) return;
    std::string name = row.substr(0, equals);
    addUnique(offer.names, name);
    const std::string marker = "one of: ";
    size_t at = row.find(marker);
    if (at == std::string::npos) return;
    std::string list = row.substr(at + marker.size());
    if (size_t cut = list.find(", at most"); cut != std::string::npos) list.resize(cut);
    auto& words = choicesOf(offer, name);
    for (const auto& word : splitList(list, ", ")) addUnique(words, trim(word));
}

std::vector<std::string> withPrefix(const std::vector<std::string>& candidates, const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& c : candidates)
        if (startsWithIgnoringCase(c, prefix)) addUnique(out, c);
    return out;
}

std::vector<std::string> hostOptions(const std::string& partial) {
    static const std::vector<std::string> kOptions = {"--format=", "--state=", "--profile=", "--system=", "--dry-run",
                                                      "--wait", "--help", "--version"};
    if (startsWithIgnoringCase(partial, "--format=")) {
        std::vector<std::string> formats;
        for (const auto& name : formatNames()) formats.push_back("--format=" + name);
        return withPrefix(formats, partial);
    }
    if (startsWithIgnoringCase(partial, "--system="))
        return withPrefix({"--system=local", "--system=simulated"}, partial);
    return withPrefix(kOptions, partial);
}

std::vector<std::string> line(const std::string& commandWord, const std::vector<std::string>& words,
                              const std::string& last) {
    std::vector<std::string> out{commandWord};
    out.insert(out.end(), words.begin(), words.end());
    out.push_back(last);
    return out;
}

// Parameter names and choice words at a parameter position.
std::vector<std::string> completeParameter(const std::string& commandWord, const std::vector<std::string>& path,
                                           const std::vector<std::string>& given, const std::string& partial,
                                           const Probe& probe) {
    std::vector<std::string> words = path;
    for (const auto& g : given)
        if (startsWithIgnoringCase(g, "action=")) words.push_back(g);
    ProbeAnswer answer = probe(line(commandWord, words, "-?"));
    if (answer.kind != CLPS_RESP_USAGE) return {};
    UsageOffer offer = readUsage(answer.text);

    size_t equals = partial.find('=');
    if (equals != std::string::npos) {
        std::string name = partial.substr(0, equals);
        std::vector<std::string> values;
        for (const auto& word : choicesOf(offer, name)) values.push_back(name + "=" + word);
        return withPrefix(values, partial);
    }
    std::vector<std::string> names;
    for (const auto& name : offer.names) {
        bool typed = std::any_of(given.begin(), given.end(),
                                 [&](const std::string& g) { return startsWithIgnoringCase(g, name + "="); });
        if (!typed) names.push_back(name + "=");
    }
    return withPrefix(names, partial);
}

}  // namespace

UsageOffer readUsage(const std::string& usage) {
    UsageOffer offer;
    std::istringstream in(usage);
    std::string row;
    enum { Synopsis, Actions, Parameters } section = Synopsis;
    while (std::getline(in, row)) {
        std::string text = trim(row);
        if (text == "Actions:") { section = Actions; continue; }
        if (text == "Parameters:") { section = Parameters; continue; }
        if (text.empty()) continue;
        if (section == Actions) {
            if (row.rfind("  ", 0) != 0) { section = Synopsis; continue; }  // the text after the list
            std::string action = text.substr(0, text.find(' '));
            addUnique(offer.names, "action");
            addUnique(choicesOf(offer, "action"), action);
        } else if (section == Parameters) {
            readParameterRow(row, offer);
        } else if (text.rfind("Usage:", 0) != 0 || text.size() > 6) {
            // Synopsis lines ("Usage: rkconfig storage vdisk action=blink <parameters>"
            // or the report lines after "Usage:"): the command path carries no '='.
            std::string synopsis = text.rfind("Usage:", 0) == 0 ? text.substr(6) : text;
            if (synopsis.find("action=<action>") != std::string::npos) continue;
            readSynopsis(synopsis, offer);
        }
    }
    return offer;
}

std::vector<std::string> complete(const std::string& commandWord, const std::vector<std::string>& typed,
                                  const Probe& probe) {
    if (typed.empty()) return {};
    const std::string& partial = typed.back();
    if (partial.rfind("--", 0) == 0) return hostOptions(partial);

    // Host options are not part of the command line the plug-in sees.
    std::vector<std::string> before;
    for (size_t i = 0; i + 1 < typed.size(); ++i)
        if (typed[i].rfind("--", 0) != 0) before.push_back(typed[i]);

    std::vector<std::string> path, given;
    for (const auto& word : before) {
        if (isUsageWord(word)) return {};
        (word.find('=') == std::string::npos && given.empty() ? path : given).push_back(word);
    }
    // Words after the parameters began cannot be completed.
    for (const auto& word : given)
        if (word.find('=') == std::string::npos) return {};

    if (given.empty() && partial.find('=') == std::string::npos) {
        ProbeAnswer answer = probe(line(commandWord, path, kProbeWord));
        if (answer.kind == CLPS_RESP_MESSAGE &&
            (answer.status == CLPS_ERR_UNKNOWN_COMMAND || answer.status == CLPS_ERR_UNKNOWN_OBJECT))
            return withPrefix(splitList(answer.arg2, ", "), partial);
        if (answer.kind != CLPS_RESP_MESSAGE || answer.status != CLPS_ERR_NOT_A_PARAMETER) return {};
        // The path is complete: parameters follow.
    }
    return completeParameter(commandWord, path, given, partial, probe);
}

}  // namespace rkhost
