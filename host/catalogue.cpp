#include "catalogue.h"

#include <cstdlib>
#include <fstream>

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

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size()))
        text.replace(pos, from.size(), to);
}

}  // namespace

bool Catalogue::load(const std::string& path) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        char* end = nullptr;
        long id = std::strtol(line.c_str(), &end, 10);
        if (end == line.c_str()) continue;
        std::string text(end);
        size_t start = text.find_first_not_of(" \t");
        texts_[id] = start == std::string::npos ? std::string() : unescape(text.substr(start));
    }
    return true;
}

std::string Catalogue::format(long id, const std::string& arg1, const std::string& arg2) const {
    auto it = texts_.find(id);
    std::string text;
    if (it == texts_.end()) {
        text = "Message " + std::to_string(id);
        if (!arg1.empty()) text += ": {1}";
        if (!arg2.empty()) text += " ({2})";
    } else {
        text = it->second;
    }
    replaceAll(text, "{1}", arg1);
    replaceAll(text, "{2}", arg2);
    return text;
}

}  // namespace rkhost
