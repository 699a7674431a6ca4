// One request as the data bridge hands it over: "vexcmd=<command>" first,
// then "Name=value" elements. Empty elements are ignored; "CLI=true" means
// nothing to the agent.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kwda {

class Request {
public:
    // Throws AgentError(BadRequest) when the first element does not name a
    // command or an element is not of the form name=value.
    static Request parse(uint32_t count, const char* const* vector);
    // For tests and internal use: the same from texts.
    static Request fromElements(std::vector<std::string> elements);

    const std::string& command() const { return command_; }
    // The value of the first element with that name that is not empty (an
    // unused optional row may leave an empty one before it), or "" when all
    // are empty, or nullopt when none is given.
    std::optional<std::string> get(std::string_view name) const;
    // Like get, but an absent or empty value is an error naming the argument.
    std::string require(std::string_view name) const;
    // A present, non-empty value.
    bool has(std::string_view name) const;
    // An optional decimal number; a value that is not one is an error.
    std::optional<long long> number(std::string_view name) const;
    long long requireNumber(std::string_view name) const;

    // The pass-through words param0, param1, ... in index order (gaps end
    // the list); NumDCSIFArgs, when given, must match their number.
    std::vector<std::string> passThroughWords() const;

    // Every element as received (for the request log).
    const std::vector<std::string>& elements() const { return elements_; }
    // Every Name=value argument in request order, empty values included.
    const std::vector<std::pair<std::string, std::string>>& arguments() const { return args_; }

private:
    std::string command_;
    std::vector<std::string> elements_;
    std::vector<std::pair<std::string, std::string>> args_;
};

// Decimal parse of a whole text (optional leading minus); nullopt when the
// text is not a number or does not fit.
std::optional<long long> parseInteger(std::string_view text);

}  // namespace kwda
