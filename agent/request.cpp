#include "request.h"

#include <charconv>

#include "errors.h"

namespace kwda {

namespace {

constexpr std::string_view kCommandPrefix = "vexcmd=";

}  // namespace

std::optional<long long> parseInteger(std::string_view text) {
    if (text.empty()) return std::nullopt;
    long long value = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

Request Request::parse(uint32_t count, const char* const* vector) {
    if (count == 0 || vector == nullptr) badRequest("empty request: the first element must be vexcmd=<command>");
    std::vector<std::string> elements;
    elements.reserve(count);
    for (uint32_t i = 0; i < count; ++i) elements.emplace_back(vector[i] ? vector[i] : "");
    return fromElements(std::move(elements));
}

Request Request::fromElements(std::vector<std::string> elements) {
    Request request;
    request.elements_ = std::move(elements);
    if (request.elements_.empty() || request.elements_.front().rfind(kCommandPrefix, 0) != 0)
        badRequest("the first element must be vexcmd=<command>, not '" +
                   (request.elements_.empty() ? std::string() : request.elements_.front()) + "'");
    request.command_ = request.elements_.front().substr(kCommandPrefix.size());
    if (request.command_.empty()) badRequest("the first element names no command (vexcmd=)");
    for (size_t i = 1; i < request.elements_.size(); ++i) {
        const std::string& element = request.elements_[i];
        if (element.empty()) continue;  // a blanked argument carries nothing
        size_t equals = element.find('=');
        if (equals == std::string::npos || equals == 0)
            badRequest("malformed element '" + element + "': expected Name=value");
        request.args_.emplace_back(element.substr(0, equals), element.substr(equals + 1));
    }
    return request;
}

std::optional<std::string> Request::get(std::string_view name) const {
    std::optional<std::string> found;
    for (const auto& [key, value] : args_) {
        if (key != name) continue;
        if (!value.empty()) return value;
        if (!found) found = value;
    }
    return found;
}

bool Request::has(std::string_view name) const {
    auto value = get(name);
    return value && !value->empty();
}

std::string Request::require(std::string_view name) const {
    auto value = get(name);
    if (!value) badRequest("missing argument " + std::string(name));
    if (value->empty()) badRequest("argument " + std::string(name) + " is empty");
    return *value;
}

std::optional<long long> Request::number(std::string_view name) const {
    auto value = get(name);
    if (!value || value->empty()) return std::nullopt;
    auto parsed = parseInteger(*value);
    if (!parsed) badRequest("argument " + std::string(name) + " must be a whole number, not '" + *value + "'");
    return parsed;
}

long long Request::requireNumber(std::string_view name) const {
    require(name);
    return *number(name);
}

std::vector<std::string> Request::passThroughWords() const {
    std::vector<std::string> words;
    for (;;) {
        auto word = get("param" + std::to_string(words.size()));
        if (!word) break;
        words.push_back(*word);
    }
    if (auto declared = number("NumDCSIFArgs"); declared && *declared != static_cast<long long>(words.size()))
        badRequest("NumDCSIFArgs=" + std::to_string(*declared) + " but " + std::to_string(words.size()) +
                   " param elements were given");
    return words;
}

}  // namespace kwda
