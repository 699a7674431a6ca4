// The variant engine behind CLPSNVCmdConfigFunc: usage, variant selection,
// parameter checks, the request-argument vector, the validation callback,
// and the request to the data agent.
//
// Every check of the line runs before the callback, so a callback only ever
// sees parameters its variant names, each once, with a value its row
// accepts. The response record is obtained first: a command whose outcome
// could not be reported is not run at all.

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "internal.h"
#include "vexcs32.h"

namespace cmdfw {
namespace {

// Entries the callback may append beyond the ones the rows contribute
// (the largest number any callback appends is well below this).
constexpr uint32_t kRoomForCallback = 64;

// The request-argument vector: one 256-byte block per argument. The blocks
// belong to the framework, including those a callback put in.
class RequestArgs {
public:
    RequestArgs() = default;
    RequestArgs(const RequestArgs&) = delete;
    RequestArgs& operator=(const RequestArgs&) = delete;
    ~RequestArgs() {
        for (uint32_t i = 0; slots_ && i < count_; ++i) ZCSFreeMem(slots_[i]);
        std::free(slots_);
    }

    bool reserve(uint32_t contributions) {
        capacity_ = contributions + kRoomForCallback;
        slots_ = static_cast<char**>(std::calloc(capacity_, sizeof(char*)));
        return slots_ != nullptr;
    }

    // Appends name and value as one block; false when no block can be had.
    bool add(std::string_view name, std::string_view value) {
        char* block = static_cast<char*>(ZCSAllocMem(CLPS_BLOCK_SIZE));
        if (!block) return false;
        std::snprintf(block, CLPS_BLOCK_SIZE, "%.*s%.*s", static_cast<int>(name.size()), name.data(),
                      static_cast<int>(value.size()), value.data());
        slots_[count_++] = block;
        return true;
    }

    // A count the callback pushed past the vector cannot be trusted beyond it.
    void settle() {
        if (count_ > capacity_) count_ = capacity_;
    }

    uint32_t* countAddress() { return &count_; }
    char** slots() const { return slots_; }
    uint32_t count() const { return count_; }

private:
    char** slots_ = nullptr;
    uint32_t capacity_ = 0;
    uint32_t count_ = 0;
};

struct Contribution {
    std::string_view requestText;
    std::string_view value;
};

std::string_view text(const char* s) { return s ? std::string_view(s) : std::string_view(); }

class Command {
public:
    Command(CLPSResponse* record, int32_t argc, char** argv, uint32_t firstId, uint32_t secondId,
            const NVCmdRow* table, uint32_t rowCount, const char* styleSheet, NVValidateFunc callback)
        : record_(record), argc_(argc), argv_(argv), line_(parseLine(argc, argv)), firstId_(firstId),
          secondId_(secondId), table_(table), rowCount_(table ? rowCount : 0), styleSheet_(styleSheet),
          callback_(callback) {}

    void run() {
        if (line_.usage) return answerUsage();
        if (const Parameter* repeated = firstRepeated()) return refuse(CLPS_ERR_REPEATED_PARAM, repeated->name, {});
        const NVCmdRow* row = isConfigTable(table_, rowCount_) ? selectAction() : selectReport();
        if (!row) return;
        std::vector<ParamSpec> specs = describeVariant(*row);
        if (!checkGiven(*row, specs) || !checkRequired(specs)) return;
        RequestArgs args;
        if (!buildArgs(*row, args)) return refuse(CLPS_ERR_NO_MEMORY, {}, {});
        char arg1[CLPS_MSG_ARG_SIZE] = {};
        char arg2[CLPS_MSG_ARG_SIZE] = {};
        int32_t status = callback_ ? callback_(const_cast<NVCmdRow*>(row), const_cast<NVCmdRow*>(table_),
                                               static_cast<uint32_t>(argc_), argv_, args.countAddress(),
                                               args.slots(), nullptr, nullptr, arg1, arg2)
                                   : CLPS_STATUS_OK;
        args.settle();
        if (status != CLPS_STATUS_OK) {
            // The callback's rejection: nothing is sent.
            arg1[CLPS_MSG_ARG_SIZE - 1] = '\0';
            arg2[CLPS_MSG_ARG_SIZE - 1] = '\0';
            return fillMessage(record_, status, arg1, arg2, styleSheet_);
        }
        deliver(*row, args);
    }

private:
    void refuse(int32_t status, std::string_view arg1, std::string_view arg2) {
        fillMessage(record_, status, arg1, arg2, styleSheet_);
    }

    // ---- Usage ----

    void answerUsage() {
        std::string usage;
        if (isConfigTable(table_, rowCount_)) {
            const NVCmdRow* row = nullptr;
            if (givenAction()) {
                row = selectAction();
                if (!row) return;
            }
            usage = row ? actionUsage(line_, *row) : tableUsage(line_, table_, rowCount_);
        } else {
            usage = tableUsage(line_, table_, rowCount_);
        }
        record_->kind = CLPS_RESP_USAGE;
        record_->status = CLPS_STATUS_OK;
        record_->messageId = firstId_;
        record_->styleSheet = styleSheet_;
        if (!setText(record_, usage)) refuse(CLPS_ERR_NO_MEMORY, {}, {});
    }

    // ---- Selection ----

    const Parameter* firstRepeated() const {
        const auto& params = line_.parameters;
        for (size_t i = 1; i < params.size(); ++i)
            for (size_t j = 0; j < i; ++j)
                if (equalsIgnoreCase(params[i].name, params[j].name)) return &params[i];
        return nullptr;
    }

    static const char* selectorOf(const NVCmdRow& row) { return row.selectorParam ? row.selectorParam : "action"; }

    const Parameter* givenAction() const {
        for (uint32_t i = 0; i < rowCount_; ++i)
            if (table_[i].kind == NV_KIND_CONFIG)
                if (const Parameter* p = line_.find(selectorOf(table_[i]))) return p;
        return nullptr;
    }

    // A configuration variant is chosen by its action word, ignoring case.
    const NVCmdRow* selectAction() {
        const Parameter* action = givenAction();
        std::string actions = join(listedActions(table_, rowCount_), ", ");
        if (!action) {
            refuse(CLPS_ERR_NO_ACTION, "action", actions);
            return nullptr;
        }
        for (uint32_t i = 0; i < rowCount_; ++i) {
            const NVCmdRow& row = table_[i];
            if (row.kind != NV_KIND_CONFIG || !row.selectorValue) continue;
            if (equalsIgnoreCase(action->name, selectorOf(row)) && equalsIgnoreCase(action->value, row.selectorValue))
                return &row;
        }
        refuse(CLPS_ERR_UNKNOWN_ACTION, action->value, actions);
        return nullptr;
    }

    bool conditionsHold(const NVCmdRow& row) const {
        for (uint32_t i = 0; row.params && i < row.paramCount; ++i) {
            const NVLstRow& param = row.params[i];
            if (!param.userParam) continue;
            bool given = line_.find(param.userParam) != nullptr;
            if (param.kind == NVP_GIVEN && !given) return false;
            if (param.kind == NVP_ABSENT && given) return false;
        }
        if (row.kind != NV_KIND_REPORT_SELECT) return true;
        const Parameter* selector = row.selectorParam ? line_.find(row.selectorParam) : nullptr;
        return selector && row.selectorValue && equalsIgnoreCase(selector->value, row.selectorValue);
    }

    // A report variant is chosen by which parameters are given (and, for
    // kind 8, by its selector's value); the first that fits wins.
    const NVCmdRow* selectReport() {
        for (uint32_t i = 0; i < rowCount_; ++i) {
            const NVCmdRow& row = table_[i];
            if ((row.kind == NV_KIND_REPORT || row.kind == NV_KIND_REPORT_SELECT) && conditionsHold(row)) return &row;
        }
        std::vector<std::string> given;
        for (const auto& p : line_.parameters) given.emplace_back(p.word);
        refuse(CLPS_ERR_NO_VARIANT, join(given, " "), join(reportCombinations(), "; "));
        return nullptr;
    }

    std::vector<std::string> reportCombinations() const {
        std::vector<std::string> combinations;
        for (uint32_t i = 0; i < rowCount_; ++i) {
            const NVCmdRow& row = table_[i];
            if (isServiceVariant(row) || (row.kind != NV_KIND_REPORT && row.kind != NV_KIND_REPORT_SELECT)) continue;
            std::string synopsis = variantSynopsis(row);
            combinations.push_back(synopsis.empty() ? "(no parameters)" : synopsis);
        }
        return combinations;
    }

    // ---- Parameter checks ----

    // The names a user may type: the chosen variant's for a configuration
    // command; every report variant's for a report, since any of them
    // might have been meant.
    std::string acceptedNames(const NVCmdRow& chosen, const std::vector<ParamSpec>& specs) const {
        std::vector<std::string> names;
        auto collect = [&names](const std::vector<ParamSpec>& from) {
            for (const auto& rule : from) {
                if (rule.isFixed()) continue;
                bool seen = false;
                for (const auto& name : names) seen = seen || equalsIgnoreCase(name, rule.name);
                if (!seen) names.emplace_back(rule.name);
            }
        };
        if (chosen.kind == NV_KIND_CONFIG) {
            collect(specs);
        } else {
            for (uint32_t i = 0; i < rowCount_; ++i)
                if (!isServiceVariant(table_[i]) && table_[i].kind != NV_KIND_CONFIG) collect(describeVariant(table_[i]));
        }
        return names.empty() ? "none" : join(names, ", ");
    }

    static std::string fixedText(const ParamSpec& rule) {
        std::vector<std::string> pairs;
        for (const auto* row : rule.fixed) pairs.push_back(std::string(text(row->requestText)) + std::string(text(row->extraText)));
        return join(pairs, ", ");
    }

    bool checkGiven(const NVCmdRow& row, const std::vector<ParamSpec>& specs) {
        for (const auto& p : line_.parameters) {
            std::string_view named = p.name.empty() ? p.word : p.name;
            const ParamSpec* rule = p.name.empty() ? nullptr : findSpec(specs, p.name);
            if (!rule) {
                refuse(CLPS_ERR_UNKNOWN_PARAM, named, acceptedNames(row, specs));
                return false;
            }
            if (rule->isFixed()) {
                refuse(CLPS_ERR_FIXED_PARAM, named, fixedText(*rule));
                return false;
            }
            if (p.value.size() > rule->lengthLimit()) {
                refuse(CLPS_ERR_VALUE_TOO_LONG, named, std::to_string(rule->lengthLimit()));
                return false;
            }
            if (!rule->accepts(p.value)) {
                refuse(CLPS_ERR_BAD_VALUE, p.word, rule->description());
                return false;
            }
        }
        return true;
    }

    bool checkRequired(const std::vector<ParamSpec>& specs) {
        for (const auto& rule : specs) {
            if (rule.required && !line_.find(rule.name)) {
                refuse(CLPS_ERR_MISSING_PARAM, rule.name, rule.description());
                return false;
            }
        }
        return true;
    }

    // ---- The request ----

    std::vector<Contribution> contributions(const NVCmdRow& row) const {
        std::vector<Contribution> out;
        for (uint32_t i = 0; row.params && i < row.paramCount; ++i) {
            const NVLstRow& param = row.params[i];
            if (!param.requestText) continue;
            const Parameter* given = param.userParam ? line_.find(param.userParam) : nullptr;
            if (isValueKind(param.kind) && given) out.push_back({param.requestText, given->value});
            if (isChoiceKind(param.kind) && given && param.extraText && equalsIgnoreCase(given->value, param.extraText))
                out.push_back({param.requestText, {}});
            if (isFixedKind(param.kind)) out.push_back({param.requestText, text(param.extraText)});
        }
        return out;
    }

    bool buildArgs(const NVCmdRow& row, RequestArgs& args) const {
        std::vector<Contribution> parts = contributions(row);
        if (!args.reserve(static_cast<uint32_t>(parts.size()))) return false;
        for (const auto& part : parts)
            if (!args.add(part.requestText, part.value)) return false;
        return true;
    }

    void deliver(const NVCmdRow& row, const RequestArgs& args) {
        if (!setRequest(record_, row.agentCommand, args.count(), args.slots()))
            return refuse(CLPS_ERR_NO_MEMORY, {}, {});
        record_->agentPrefix = row.agentPrefix;
        record_->status = CLPS_STATUS_OK;
        record_->styleSheet = row.styleSheet ? row.styleSheet : styleSheet_;
        // A configuration that went through shows its success message; a
        // report its heading.
        record_->messageId = row.kind == NV_KIND_CONFIG ? secondId_ : firstId_;
        if (dryRunEnabled()) {
            record_->kind = CLPS_RESP_DRYRUN;
            return;
        }
        AgentReply reply;
        Delivery delivery = sendToAgent(row.agentPrefix, record_->requestCount, record_->request, reply);
        if (delivery != Delivery::Replied)
            return refuse(CLPS_ERR_NO_AGENT, text(row.agentPrefix), text(row.agentCommand));
        int32_t agentStatus = 0;
        std::string reason;
        if (isRefusal(reply.text(), agentStatus, reason))
            return refuse(CLPS_ERR_AGENT_REFUSED, reason, std::to_string(agentStatus));
        record_->kind = CLPS_RESP_REPLY;
        if (!setText(record_, reply.text())) refuse(CLPS_ERR_NO_MEMORY, {}, {});
    }

    CLPSResponse* record_;
    int32_t argc_;
    char** argv_;
    Line line_;
    uint32_t firstId_;
    uint32_t secondId_;
    const NVCmdRow* table_;
    uint32_t rowCount_;
    const char* styleSheet_;
    NVValidateFunc callback_;
};

}  // namespace
}  // namespace cmdfw

using namespace cmdfw;

extern "C" {

CLPS_API CLPSResponse* CLPSNVCmdConfigFunc(int32_t argc, char** argv, uint32_t firstMessageId,
                                           uint32_t secondMessageId, const NVCmdRow* table, uint32_t rowCount,
                                           const char* styleSheet, NVValidateFunc callback) {
    Record record = newRecord();
    if (!record) return nullptr;
    try {
        Command(record.get(), argc, argv, firstMessageId, secondMessageId, table, rowCount, styleSheet, callback).run();
    } catch (...) {
        fillMessage(record.get(), CLPS_ERR_NO_MEMORY, {}, {}, styleSheet);
    }
    return record.release();
}

}  // extern "C"
