// Parameter rules: what each row's value flags and kind accept, and the
// per-variant description of every parameter that the engine and the usage
// generator share.

#include <algorithm>
#include <cctype>

#include "internal.h"

namespace cmdfw {
namespace {

// Every value, and every request text plus value, fits one request block.
constexpr size_t kLongestValue = CLPS_BLOCK_SIZE - 1;

bool isDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool isDecimalInteger(std::string_view s) {
    if (!s.empty() && s.front() == '-') s.remove_prefix(1);
    return isDigits(s);
}

// A digit string (leading zeros allowed) no larger than bound.
bool digitsAtMost(std::string_view digits, unsigned long long bound) {
    if (!isDigits(digits)) return false;
    size_t first = digits.find_first_not_of('0');
    if (first == std::string_view::npos) return true;
    digits.remove_prefix(first);
    if (digits.size() > 19) return false;
    unsigned long long value = 0;
    for (char c : digits) value = value * 10 + static_cast<unsigned long long>(c - '0');
    return value <= bound;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

bool isColonDigits(std::string_view text, size_t minParts, size_t maxParts) {
    auto parts = split(text, ':');
    if (parts.size() < minParts || parts.size() > maxParts) return false;
    return std::all_of(parts.begin(), parts.end(), isDigits);
}

bool isEnclosureId(std::string_view text) { return isColonDigits(text, 1, 2); }
bool isDiskId(std::string_view text) { return isColonDigits(text, 2, 3); }

std::string_view trimBlanks(std::string_view text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// Blanks around an item are allowed (and stay in the value as typed).
bool isDiskList(std::string_view text) {
    auto items = split(text, ',');
    return std::all_of(items.begin(), items.end(), [](std::string_view item) { return isDiskId(trimBlanks(item)); });
}

// The bound of a kind-5 row; false when its extra text is not a number.
bool rowBound(const NVLstRow& row, unsigned long long& bound) {
    std::string_view extra = row.extraText ? row.extraText : "";
    if (!isDigits(extra) || extra.size() > 19) return false;
    bound = 0;
    for (char c : extra) bound = bound * 10 + static_cast<unsigned long long>(c - '0');
    return true;
}

// "3:15 or 1:2:15" from the row's example text "3:15,1:2:15".
std::string examples(const NVLstRow& row, const char* fallback) {
    std::string_view extra = row.extraText ? row.extraText : fallback;
    std::string out;
    for (auto item : split(extra, ',')) {
        if (!out.empty()) out += " or ";
        out += item;
    }
    return out;
}

std::string_view requestName(const char* requestText) {
    std::string_view text = requestText ? requestText : "";
    return text.substr(0, text.find('='));
}

}  // namespace

bool isChoiceKind(uint32_t kind) {
    return kind == NVP_CHOICE || kind == NVP_CHOICE_POLICY || kind == NVP_CHOICE_REQUIRED;
}
bool isValueKind(uint32_t kind) { return kind == NVP_OPTIONAL || kind == NVP_VALUE || kind == NVP_BOUNDED; }
bool isFixedKind(uint32_t kind) { return kind == NVP_FIXED || kind == NVP_FIXED_HIDDEN; }

bool valueMeetsRule(const NVLstRow& row, std::string_view value) {
    if (row.kind == NVP_BOUNDED) {
        unsigned long long bound = 0;
        return rowBound(row, bound) ? digitsAtMost(value, bound) : isDigits(value);
    }
    switch (row.valueFlags) {
        case NVF_NUMBER:
        case NVF_CONNECTOR: return isDecimalInteger(value);
        case NVF_PERCENT: return digitsAtMost(value, 100);
        case NVF_ENCLOSURE: return isEnclosureId(value);
        case NVF_DISK: return isDiskId(value);
        case NVF_DISKLIST: return isDiskList(value);
        default: return true;  // NVF_TEXT, and any flag word without a rule of its own
    }
}

std::string ruleDescription(const NVLstRow& row) {
    if (row.kind == NVP_BOUNDED) {
        unsigned long long bound = 0;
        return rowBound(row, bound) ? "an integer from 0 to " + std::to_string(bound) : "a non-negative integer";
    }
    switch (row.valueFlags) {
        case NVF_NUMBER:
        case NVF_CONNECTOR: return "a decimal integer";
        case NVF_PERCENT: return "an integer from 0 to 100";
        case NVF_ENCLOSURE: return "an enclosure identifier such as " + examples(row, "3,1:2");
        case NVF_DISK: return "a disk identifier such as " + examples(row, "3:15,1:2:15");
        case NVF_DISKLIST:
            return std::string("a comma-separated list of disk identifiers such as ") +
                   (row.extraText ? row.extraText : "3:15,1:2:15");
        default: return "any text";
    }
}

std::string rulePlaceholder(const NVLstRow& row) {
    if (row.kind == NVP_BOUNDED) {
        unsigned long long bound = 0;
        return rowBound(row, bound) ? "<0-" + std::to_string(bound) + ">" : "<number>";
    }
    switch (row.valueFlags) {
        case NVF_NUMBER:
        case NVF_CONNECTOR: return "<number>";
        case NVF_PERCENT: return "<0-100>";
        case NVF_ENCLOSURE: return "<enclosure>";
        case NVF_DISK: return "<disk>";
        case NVF_DISKLIST: return "<disk list>";
        default: return "<text>";
    }
}

std::string ParamSpec::description() const {
    if (!choices.empty()) {
        std::vector<std::string> words;
        for (const auto* row : choices) words.emplace_back(row->extraText ? row->extraText : "");
        return "one of: " + join(words, ", ");
    }
    if (!values.empty()) return ruleDescription(*values.front());
    if (condition) return ruleDescription(*condition);
    if (selectorValue) return selectorValue;
    return "any text";
}

std::string ParamSpec::placeholder() const {
    if (!choices.empty()) {
        std::vector<std::string> words;
        for (const auto* row : choices) words.emplace_back(row->extraText ? row->extraText : "");
        return "<" + join(words, "|") + ">";
    }
    if (!values.empty()) return rulePlaceholder(*values.front());
    if (condition) return rulePlaceholder(*condition);
    return "<text>";
}

size_t ParamSpec::lengthLimit() const {
    size_t limit = kLongestValue;
    for (const auto* row : values) {
        size_t used = row->requestText ? std::string_view(row->requestText).size() : 0;
        limit = std::min(limit, used >= kLongestValue ? 0 : kLongestValue - used);
    }
    return limit;
}

bool ParamSpec::accepts(std::string_view value) const {
    if (!choices.empty()) {
        return std::any_of(choices.begin(), choices.end(), [&](const NVLstRow* row) {
            return row->extraText && equalsIgnoreCase(value, row->extraText);
        });
    }
    if (!values.empty())
        return std::all_of(values.begin(), values.end(), [&](const NVLstRow* row) { return valueMeetsRule(*row, value); });
    if (condition) return valueMeetsRule(*condition, value);
    return true;  // the selector: its value chose the variant already
}

const ParamSpec* findSpec(const std::vector<ParamSpec>& specs, std::string_view name) {
    for (const auto& rule : specs)
        if (equalsIgnoreCase(rule.name, name)) return &rule;
    return nullptr;
}

std::vector<ParamSpec> describeVariant(const NVCmdRow& row) {
    std::vector<ParamSpec> specs;
    auto specFor = [&specs](std::string_view name) -> ParamSpec& {
        for (auto& rule : specs)
            if (equalsIgnoreCase(rule.name, name)) return rule;
        specs.push_back(ParamSpec{});
        specs.back().name = name;
        return specs.back();
    };
    // An action leads its variant's parameters; a report selector stands
    // where its rows put it.
    if (row.selectorParam && row.kind == NV_KIND_CONFIG) specFor(row.selectorParam).selectorValue = row.selectorValue;
    for (uint32_t i = 0; row.params && i < row.paramCount; ++i) {
        const NVLstRow& param = row.params[i];
        // A kind-6 row has no user word; its request name is what a user
        // would type to try to set it.
        std::string_view name = param.kind == NVP_FIXED_HIDDEN ? requestName(param.requestText)
                                                               : std::string_view(param.userParam ? param.userParam : "");
        if (name.empty() || param.kind == NVP_ABSENT) continue;
        if (!isValueKind(param.kind) && !isChoiceKind(param.kind) && !isFixedKind(param.kind) && param.kind != NVP_GIVEN)
            continue;
        ParamSpec& rule = specFor(name);
        if (isValueKind(param.kind)) rule.values.push_back(&param);
        if (isChoiceKind(param.kind)) rule.choices.push_back(&param);
        if (isFixedKind(param.kind)) rule.fixed.push_back(&param);
        if (param.kind == NVP_GIVEN && !rule.condition) rule.condition = &param;
        if (param.kind == NVP_VALUE || param.kind == NVP_CHOICE_REQUIRED) rule.required = true;
        rule.maxLength = std::max(rule.maxLength, param.maxLength);
    }
    if (row.selectorParam && row.kind != NV_KIND_CONFIG) specFor(row.selectorParam).selectorValue = row.selectorValue;
    return specs;
}

}  // namespace cmdfw
