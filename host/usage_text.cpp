#include "usage_text.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>
#include <vector>

namespace rkhost {
namespace {

constexpr size_t kDescriptionIndent = 6;
constexpr size_t kMinimumWidth = 40;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// "  size=<text>   required   any text" as its three columns.
struct ParameterRow {
    std::string word, presence, kind;
};

bool readRow(const std::string& line, ParameterRow& row) {
    if (line.size() < 3 || line.compare(0, 2, "  ") != 0 || line[2] == ' ') return false;
    const size_t gap = line.find("   ", 2);
    if (gap == std::string::npos) return false;
    row.word = line.substr(2, gap - 2);
    std::string rest = line.substr(line.find_first_not_of(' ', gap));
    const size_t next = rest.find("   ");
    row.presence = rest.substr(0, next);
    row.kind = next == std::string::npos ? "" : rest.substr(rest.find_first_not_of(' ', next));
    return row.word.find('=') != std::string::npos;
}

std::string nameOf(const std::string& word) {
    const size_t start = word.find_first_not_of("[");
    return word.substr(start, word.find('=') - start);
}

// The names of name=value words in a synopsis or action line, in order.
void collectNames(const std::string& line, std::vector<std::string>& names) {
    std::istringstream in(line);
    for (std::string word; in >> word;) {
        if (word.find('=') == std::string::npos || word.rfind("<", 0) == 0) continue;
        const std::string name = nameOf(word);
        if (name.empty() || name == "parameter" || std::find(names.begin(), names.end(), name) != names.end()) continue;
        names.push_back(name);
    }
}

std::string described(const std::string& text, size_t width) {
    return std::string(kDescriptionIndent, ' ') + wrapText(text, width, kDescriptionIndent, kDescriptionIndent) + "\n";
}

// A line of a synopsis or action list: continuation lines line up under
// the second column (an action's parameters) or under the command.
std::string wrappedLine(const std::string& line, size_t width) {
    if (line.size() <= width) return line + "\n";
    const size_t first = line.find_first_not_of(' ');
    size_t indent = first == std::string::npos ? 0 : first + 4;
    if (const size_t gap = line.find("  ", first); gap != std::string::npos)
        indent = std::min(line.find_first_not_of(' ', gap), width / 2);
    return std::string(line, 0, first) + wrapText(line.substr(first), width, indent, first) + "\n";
}

}  // namespace

std::string wrapText(const std::string& text, size_t width, size_t indent, size_t column) {
    width = std::max(width, indent + kMinimumWidth / 2);
    std::string out;
    bool first = true;
    std::istringstream in(text);
    for (std::string word; in >> word;) {
        if (!first && column + 1 + word.size() > width) {
            out += "\n" + std::string(indent, ' ');
            column = indent;
        } else if (!first) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        first = false;
    }
    return out;
}

size_t outputWidth() {
    winsize size{};
    if (isatty(STDOUT_FILENO) && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return std::max<size_t>(size.ws_col, kMinimumWidth);
    return 80;
}

std::string explainUsage(const std::string& usage, const std::string& object, const ParameterText& describe,
                         size_t width) {
    width = std::max(width, kMinimumWidth);
    std::string out;
    std::vector<std::string> listed;  // names used by synopsis or action lines
    std::string pending;              // the closing hint, kept for the end
    bool inParameters = false;
    for (const std::string& line : linesOf(usage)) {
        ParameterRow row;
        if (line == "Parameters:") inParameters = true;
        else if (line.empty()) inParameters = false;
        if (inParameters && readRow(line, row)) {
            const std::string meaning = describe(object, nameOf(row.word));
            out += "  " + row.word + "   " + row.presence + "\n";
            out += described(meaning.empty() ? row.kind : meaning, width);
            continue;
        }
        if (line.rfind("For the parameters", 0) == 0) {
            pending = line;
            continue;
        }
        if (line.rfind("  ", 0) == 0) collectNames(line, listed);
        out += wrappedLine(line, width);
    }
    if (!listed.empty()) {
        std::string block;
        for (const auto& name : listed)
            if (const std::string meaning = describe(object, name); !meaning.empty())
                block += "  " + name + "=\n" + described(meaning, width);
        if (!block.empty()) {
            while (out.size() > 1 && out.compare(out.size() - 2, 2, "\n\n") == 0) out.pop_back();
            out += "\nParameters:\n" + block;
        }
    }
    if (!pending.empty()) out += "\n" + wrappedLine(pending, width);
    return out;
}

}  // namespace rkhost
