// Command lines as the tests write them: words separated by blanks.
#pragma once

#include <string>
#include <vector>

namespace kwtest {

// The words of a command line split at blanks.
inline std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < line.size()) {
        size_t end = line.find(' ', start);
        if (end == std::string::npos) end = line.size();
        if (end > start) out.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

}  // namespace kwtest
