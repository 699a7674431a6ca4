// Usage text, generated from the variant tables so that it always says what
// the engine accepts: the actions of a configuration command, the parameters
// of one action, or the parameter combinations of a report.

#include <algorithm>

#include "internal.h"

namespace cmdfw {
namespace {

constexpr const char* kActionPlaceholder = "action=<action>";

// Two columns, the first padded to the widest entry.
std::string columns(const std::vector<std::pair<std::string, std::string>>& rows) {
    size_t width = 0;
    for (const auto& row : rows) width = std::max(width, row.first.size());
    std::string out;
    for (const auto& [left, right] : rows) {
        out += "  " + left;
        if (!right.empty()) out += std::string(width - left.size() + 3, ' ') + right;
        out += '\n';
    }
    return out;
}

bool listedInSynopsis(const NVCmdRow& row, const ParamSpec& rule) {
    if (rule.isFixed()) return false;
    // A configuration variant's action word stands in its own column.
    return !(row.kind == NV_KIND_CONFIG && rule.selectorValue);
}

std::string specWord(const ParamSpec& rule) {
    std::string name(rule.name);
    if (rule.selectorValue) return name + "=" + rule.selectorValue;
    std::string word = name + "=" + rule.placeholder();
    return rule.required || rule.condition ? word : "[" + word + "]";
}

std::string specDetail(const ParamSpec& rule) {
    std::string detail = rule.required || rule.condition ? "required   " : "optional   ";
    detail += rule.description();
    if (rule.maxLength != 0) detail += ", at most " + std::to_string(rule.maxLength) + " characters";
    return detail;
}

std::string configUsage(const Line& line, const NVCmdRow* table, uint32_t rowCount) {
    std::string path = line.pathText();
    std::string out = "Usage: " + path + " " + kActionPlaceholder + " [parameter=value ...]\n\nActions:\n";
    std::vector<std::pair<std::string, std::string>> rows;
    for (uint32_t i = 0; i < rowCount; ++i) {
        const NVCmdRow& row = table[i];
        if (row.kind != NV_KIND_CONFIG || isServiceVariant(row) || !row.selectorValue) continue;
        rows.emplace_back(row.selectorValue, variantSynopsis(row));
    }
    out += columns(rows);
    out += "\nFor the parameters of one action: " + path + " " + kActionPlaceholder + " -?\n";
    return out;
}

std::string reportUsage(const Line& line, const NVCmdRow* table, uint32_t rowCount) {
    std::string path = line.pathText();
    std::string out = "Usage:\n";
    for (uint32_t i = 0; i < rowCount; ++i) {
        const NVCmdRow& row = table[i];
        if (isServiceVariant(row)) continue;
        std::string synopsis = variantSynopsis(row);
        out += "  " + path + (synopsis.empty() ? "" : " " + synopsis) + "\n";
    }
    return out;
}

}  // namespace

bool isServiceVariant(const NVCmdRow& row) { return (row.flags & NV_FLAG_SERVICE) != 0; }

bool isConfigTable(const NVCmdRow* table, uint32_t rowCount) {
    for (uint32_t i = 0; table && i < rowCount; ++i)
        if (table[i].kind == NV_KIND_CONFIG) return true;
    return false;
}

std::vector<std::string> listedActions(const NVCmdRow* table, uint32_t rowCount) {
    std::vector<std::string> actions;
    for (uint32_t i = 0; table && i < rowCount; ++i) {
        const NVCmdRow& row = table[i];
        if (row.kind == NV_KIND_CONFIG && !isServiceVariant(row) && row.selectorValue)
            actions.emplace_back(row.selectorValue);
    }
    return actions;
}

std::string variantSynopsis(const NVCmdRow& row) {
    std::vector<std::string> words;
    for (const auto& rule : describeVariant(row))
        if (listedInSynopsis(row, rule)) words.push_back(specWord(rule));
    return join(words, " ");
}

std::string tableUsage(const Line& line, const NVCmdRow* table, uint32_t rowCount) {
    return isConfigTable(table, rowCount) ? configUsage(line, table, rowCount) : reportUsage(line, table, rowCount);
}

std::string actionUsage(const Line& line, const NVCmdRow& row) {
    std::string out = "Usage: " + line.pathText() + " action=" + (row.selectorValue ? row.selectorValue : "");
    std::vector<std::pair<std::string, std::string>> rows;
    for (const auto& rule : describeVariant(row)) {
        if (!listedInSynopsis(row, rule)) continue;
        rows.emplace_back(std::string(rule.name) + "=" + rule.placeholder(), specDetail(rule));
    }
    if (rows.empty()) return out + "\n\nThis action takes no parameters.\n";
    return out + " <parameters>\n\nParameters:\n" + columns(rows);
}

std::string plainUsage(const Line& line) {
    return "Usage: " + line.pathText() + "\n\nThis command takes no parameters.\n";
}

}  // namespace cmdfw
