// Internal pieces of the CLI plug-in support framework, shared by its sources.
// Nothing here is exported; the C interface is cmdfw32.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cmdfw32.h"

namespace cmdfw {

// ---- Words ---------------------------------------------------------------

bool equalsIgnoreCase(std::string_view a, std::string_view b);
// "-?", "-h" and "help" (any case) ask for usage.
bool isUsageWord(std::string_view word);
// A word "name=value" with a non-empty name.
bool isParameterWord(std::string_view word);
std::string_view wordAt(char** argv, int32_t index);  // "" for a null word
std::string join(const std::vector<std::string>& items, std::string_view separator);

// One "name=value" word of the line; value may be empty.
struct Parameter {
    std::string_view name;
    std::string_view value;
    std::string_view word;  // the whole word as typed
};

// A command line as the variant engine sees it: every word after the first
// that carries "=" is a parameter, the usage words ask for usage, and the
// words before the first of either are the command path.
struct Line {
    std::vector<std::string_view> path;  // argv[0] and the command/object words
    std::vector<Parameter> parameters;   // in the order typed
    bool usage = false;

    const Parameter* find(std::string_view name) const;  // ignoring case
    std::string pathText() const;                        // "rkconfig storage vdisk"
};

Line parseLine(int32_t argc, char** argv);

// ---- Response records ----------------------------------------------------

struct RecordDeleter {
    void operator()(CLPSResponse* record) const { CLPSFreeResponse(record); }
};
using Record = std::unique_ptr<CLPSResponse, RecordDeleter>;

// A new empty record (counted like CLPSAllocResponse); empty when none can be had.
Record newRecord();
// Forgets an earlier failure to allocate a response record (see
// CLPSResponseAllocFailed); called as each request begins.
void beginRequest();
// A copy of the text in memory the record may own (released with free); null
// when no memory can be had.
char* copyText(std::string_view text);

// Turns the record into a catalogue message. When the arguments cannot be
// copied the record becomes a CLPS_ERR_NO_MEMORY message without arguments.
void fillMessage(CLPSResponse* record, int32_t status, std::string_view arg1,
                 std::string_view arg2, const char* styleSheet);
// A fresh message record, or null when no record can be had.
CLPSResponse* makeMessage(int32_t status, std::string_view arg1, std::string_view arg2,
                          const char* styleSheet);
// Sets the record's text (and length). False when no memory can be had.
bool setText(CLPSResponse* record, std::string_view text);
// Stores copies of the request: the agent command first, then the vector
// (null elements are copied as empty texts). False when no memory can be had.
bool setRequest(CLPSResponse* record, const char* agentCommand, uint32_t count,
                char* const* vector);

bool dryRunEnabled();

// ---- The data agent --------------------------------------------------------

// A reply held until it is released to the bridge.
class AgentReply {
public:
    AgentReply() = default;
    AgentReply(uint32_t id, char* text) : id_(id), text_(text) {}
    ~AgentReply();
    AgentReply(AgentReply&& other) noexcept;
    AgentReply& operator=(AgentReply&& other) noexcept;
    AgentReply(const AgentReply&) = delete;
    AgentReply& operator=(const AgentReply&) = delete;
    const char* text() const { return text_; }

private:
    uint32_t id_ = 0;
    char* text_ = nullptr;
};

enum class Delivery { NoAgent, NoReply, Replied };

// Sends count texts (null texts go as empty ones) to the agent of the prefix.
Delivery sendToAgent(const char* prefix, uint32_t count, const char* const* vector,
                     AgentReply& reply);

// When the reply's root element carries status="N" with N non-zero, stores N
// and the text of its <Error> element (entities resolved) and returns true.
bool isRefusal(std::string_view replyText, int32_t& status, std::string& reason);

// ---- Parameter rules -------------------------------------------------------

bool isChoiceKind(uint32_t kind);  // 10, 11, 16
bool isValueKind(uint32_t kind);   // 0, 1, 5
bool isFixedKind(uint32_t kind);   // 2, 6

// Whether the value meets the row's rule (its value flags; kind 5 its bound).
bool valueMeetsRule(const NVLstRow& row, std::string_view value);
// What the row's rule accepts, for messages and usage: "a decimal integer".
std::string ruleDescription(const NVLstRow& row);
// A short placeholder for usage lines: "<number>", "<disk list>".
std::string rulePlaceholder(const NVLstRow& row);

// Everything one variant says about one user parameter.
struct ParamSpec {
    std::string_view name;                  // as the table writes it
    std::vector<const NVLstRow*> choices;   // choice rows (10, 11, 16)
    std::vector<const NVLstRow*> values;    // value rows (0, 1, 5)
    std::vector<const NVLstRow*> fixed;     // fixed rows (2, 6) naming it
    const NVLstRow* condition = nullptr;    // kind-18 row naming it
    bool required = false;                  // a kind-1 or kind-16 row
    const char* selectorValue = nullptr;    // the variant's selector word for it
    uint32_t maxLength = 0;                 // largest maximum-length column

    bool isFixed() const { return !fixed.empty() && choices.empty() && values.empty() && !condition && !selectorValue; }
    // Choices, else the rule of the first value or condition row.
    std::string description() const;
    std::string placeholder() const;
    // Longest value its request blocks can carry.
    size_t lengthLimit() const;
    bool accepts(std::string_view value) const;
};

// The parameters of one variant in the order the rows first name them. Kind-19
// names are left out (a line that gives them never reaches the variant); the
// selector parameter is included.
std::vector<ParamSpec> describeVariant(const NVCmdRow& row);
const ParamSpec* findSpec(const std::vector<ParamSpec>& specs, std::string_view name);

// ---- Usage -----------------------------------------------------------------

bool isServiceVariant(const NVCmdRow& row);
bool isConfigTable(const NVCmdRow* table, uint32_t rowCount);
// Actions of the table's configuration variants, service variants left out.
std::vector<std::string> listedActions(const NVCmdRow* table, uint32_t rowCount);
// "controller=<number> [force=yes]": the parameters of one variant.
std::string variantSynopsis(const NVCmdRow& row);

std::string tableUsage(const Line& line, const NVCmdRow* table, uint32_t rowCount);
std::string actionUsage(const Line& line, const NVCmdRow& row);
std::string plainUsage(const Line& line);

}  // namespace cmdfw
