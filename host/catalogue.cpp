#include "catalogue.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace rkhost {
namespace {

std::string unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Index of the '}' that closes the brace opened before `from`, or npos.
size_t closingBrace(const std::string& text, size_t from) {
    int depth = 1;
    for (size_t i = from; i < text.size(); ++i) {
        if (text[i] == '{') ++depth;
        else if (text[i] == '}' && --depth == 0) return i;
    }
    return std::string::npos;
}

// 0 or 1 for "1" or "2" at text[i], -1 otherwise.
int argumentIndex(const std::string& text, size_t i) {
    if (i >= text.size()) return -1;
    if (text[i] == '1') return 0;
    if (text[i] == '2') return 1;
    return -1;
}

}  // namespace

std::string humanSize(const std::string& bytes) {
    if (bytes.empty() || bytes.size() > 19 || bytes.find_first_not_of("0123456789") != std::string::npos) return bytes;
    const double value = std::strtod(bytes.c_str(), nullptr);
    static const char* const kUnits[] = {"KB", "MB", "GB", "TB", "PB"};
    if (value < 1024) return bytes + " bytes";
    double scaled = value / 1024;
    size_t unit = 0;
    while (scaled >= 1024 && unit + 1 < std::size(kUnits)) {
        scaled /= 1024;
        ++unit;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %s", scaled, kUnits[unit]);
    return std::string(text) + " (" + bytes + " bytes)";
}

std::string expandMessage(const std::string& text, const std::array<std::string, 2>& args) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '{') {
            out += text[i++];
            continue;
        }
        // {1} or {2}, or {1:size} and {2:size}
        if (int n = argumentIndex(text, i + 1); n >= 0 && i + 2 < text.size()) {
            size_t length = text[i + 2] == '}' ? 3 : text.compare(i + 2, 6, ":size}") == 0 ? 8 : 0;
            if (length != 0) {
                const std::string arg = length == 3 ? args[n] : humanSize(args[n]);
                out += arg;
                i += length;
                if (!arg.empty() && arg.back() == '.' && i < text.size() && text[i] == '.') ++i;
                continue;
            }
        }
        // {?1:...} or {!1:...}
        if (i + 3 < text.size() && (text[i + 1] == '?' || text[i + 1] == '!') && text[i + 3] == ':') {
            int n = argumentIndex(text, i + 2);
            size_t close = n >= 0 ? closingBrace(text, i + 4) : std::string::npos;
            if (close != std::string::npos) {
                const bool wantPresent = text[i + 1] == '?';
                std::string part;
                if (args[n].empty() != wantPresent) part = expandMessage(text.substr(i + 4, close - i - 4), args);
                out += part;
                i = close + 1;
                if (!part.empty() && part.back() == '.' && i < text.size() && text[i] == '.') ++i;
                continue;
            }
        }
        out += text[i++];
    }
    return out;
}

// Most commands show a reply and never a message, so the file is only read
// when the first text is looked up.
bool Catalogue::load(const std::string& path) {
    path_ = path;
    read_ = false;
    texts_.clear();
    commandTexts_.clear();
    namedTexts_.clear();
    return access(path.c_str(), R_OK) == 0;
}

void Catalogue::read() const {
    if (read_) return;
    read_ = true;
    std::ifstream in(path_);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        char* end = nullptr;
        long id = std::strtol(line.c_str(), &end, 10);
        if (end == line.c_str()) {
            const size_t space = line.find_first_of(" \t");
            const size_t start = space == std::string::npos ? space : line.find_first_not_of(" \t", space);
            if (space != std::string::npos && start != std::string::npos)
                namedTexts_[line.substr(0, space)] = unescape(line.substr(start));
            continue;
        }
        std::string rest(end);
        std::string command;
        if (!rest.empty() && rest[0] == '@') {
            size_t space = rest.find_first_of(" \t");
            command = rest.substr(1, space == std::string::npos ? std::string::npos : space - 1);
            rest = space == std::string::npos ? std::string() : rest.substr(space);
        }
        size_t start = rest.find_first_not_of(" \t");
        std::string text = start == std::string::npos ? std::string() : unescape(rest.substr(start));
        if (command.empty()) texts_[id] = std::move(text);
        else commandTexts_[{id, command}] = std::move(text);
    }
}

const std::string* Catalogue::find(long id) const {
    read();
    if (auto it = commandTexts_.find({id, commandWord_}); it != commandTexts_.end()) return &it->second;
    if (auto it = texts_.find(id); it != texts_.end()) return &it->second;
    return nullptr;
}

bool Catalogue::has(long id) const { return find(id) != nullptr; }

std::string Catalogue::named(const std::string& key) const {
    read();
    auto it = namedTexts_.find(key);
    return it == namedTexts_.end() ? std::string() : it->second;
}

std::string Catalogue::format(long id, const std::string& arg1, const std::string& arg2) const {
    if (const std::string* text = find(id)) return expandMessage(*text, {arg1, arg2});
    // An id without a text still shows everything the command returned.
    return expandMessage("Message " + std::to_string(id) + "{?1:: {1}}{?2: ({2})}", {arg1, arg2});
}

}  // namespace rkhost
