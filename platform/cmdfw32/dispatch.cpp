// Command dispatch: the CCDT is matched word by word (command words, then the
// object word, ignoring case); the row with the longest complete match wins,
// and every word after it must be a parameter or a usage word.

#include <algorithm>
#include <cctype>

#include "internal.h"

namespace cmdfw {
namespace {

std::vector<std::string_view> splitWords(const char* text) {
    std::vector<std::string_view> words;
    if (!text) return words;
    std::string_view rest(text);
    while (!rest.empty()) {
        size_t start = rest.find_first_not_of(" \t");
        if (start == std::string_view::npos) break;
        rest.remove_prefix(start);
        size_t end = rest.find_first_of(" \t");
        words.push_back(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
    }
    return words;
}

// The full path of a row: its command words followed by its object word.
std::vector<std::string_view> rowPath(const CCDTEntry& row) {
    std::vector<std::string_view> path = splitWords(row.commandWords);
    for (auto word : splitWords(row.objectWord)) path.push_back(word);
    return path;
}

std::string lowered(const char* text) {
    std::string out(text ? text : "");
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// How many leading words of the line equal the path's leading words.
size_t matchedPrefix(const std::vector<std::string_view>& path, const std::vector<std::string_view>& words) {
    size_t n = 0;
    while (n < path.size() && n < words.size() && equalsIgnoreCase(path[n], words[n])) ++n;
    return n;
}

struct Resolution {
    enum Outcome { Handler, UnknownCommand, UnknownObject, NotAParameter, UsageListing };
    explicit Resolution(Outcome o) : outcome(o) {}
    Outcome outcome;
    const CCDTEntry* row = nullptr;
    std::string word;                     // the offending word
    std::vector<std::string> candidates;  // what could stand there instead
};

class Dispatcher {
public:
    Dispatcher(int32_t argc, char** argv, const CCDTEntry* table, uint32_t count) : table_(table) {
        for (int32_t i = 0; i < argc; ++i) words_.push_back(wordAt(argv, i));
        for (uint32_t i = 0; table && i < count; ++i) paths_.push_back(rowPath(table[i]));
    }

    Resolution resolve() const {
        const CCDTEntry* best = nullptr;
        size_t bestLength = 0;
        for (size_t i = 0; i < paths_.size(); ++i) {
            const auto& path = paths_[i];
            if (path.empty() || path.size() <= bestLength) continue;
            if (matchedPrefix(path, words_) == path.size()) {
                best = &table_[i];
                bestLength = path.size();
            }
        }
        return best ? checkRest(best, bestLength) : diagnoseIncomplete();
    }

private:
    // Every command path that extends the first n words, for a usage listing.
    std::vector<std::string> pathsExtending(size_t n) const {
        std::vector<std::string> out;
        for (const auto& path : paths_) {
            if (path.size() <= n || matchedPrefix(path, words_) < n) continue;
            std::string text;
            for (auto word : path) text += (text.empty() ? "" : " ") + std::string(word);
            if (std::find(out.begin(), out.end(), text) == out.end()) out.push_back(text);
        }
        return out;
    }

    // The distinct words that can follow the line's first n words.
    std::vector<std::string> nextWords(size_t n) const {
        std::vector<std::string> out;
        for (const auto& path : paths_) {
            if (path.size() <= n || matchedPrefix(path, words_) < n) continue;
            std::string word(path[n]);
            bool seen = std::any_of(out.begin(), out.end(), [&](const std::string& w) { return equalsIgnoreCase(w, word); });
            if (!seen) out.push_back(word);
        }
        return out;
    }

    Resolution checkRest(const CCDTEntry* row, size_t pathLength) const {
        for (size_t i = pathLength; i < words_.size(); ++i) {
            std::string_view word = words_[i];
            if (isParameterWord(word) || isUsageWord(word)) continue;
            Resolution r(Resolution::NotAParameter);
            r.word = std::string(word);
            if (i == pathLength) {
                // Longer paths start with the words matched so far, so this
                // word stands where their next word would.
                r.candidates = nextWords(pathLength);
                if (!r.candidates.empty()) {
                    r.outcome = Resolution::UnknownObject;
                    return r;
                }
            }
            r.candidates = {"name=value"};
            return r;
        }
        Resolution r(Resolution::Handler);
        r.row = row;
        return r;
    }

    Resolution diagnoseIncomplete() const {
        size_t depth = 0;
        for (const auto& path : paths_) depth = std::max(depth, matchedPrefix(path, words_));
        Resolution r(depth == 0 ? Resolution::UnknownCommand : Resolution::UnknownObject);
        r.candidates = nextWords(depth);
        if (depth < words_.size()) {
            std::string_view word = words_[depth];
            if (depth > 0 && isUsageWord(word)) {
                r.outcome = Resolution::UsageListing;
                r.candidates = pathsExtending(depth);
                return r;
            }
            // A parameter where the object word belongs means the object word
            // is missing; the word itself is then left empty.
            if (depth == 0 || !isParameterWord(word)) r.word = std::string(word);
        }
        return r;
    }

    const CCDTEntry* table_;
    std::vector<std::string_view> words_;
    std::vector<std::vector<std::string_view>> paths_;
};

CLPSResponse* usageListing(const std::vector<std::string>& paths) {
    Record record = newRecord();
    if (!record) return nullptr;
    std::string text = "Usage:\n";
    for (const auto& path : paths) text += "  " + path + " [parameter=value ...]\n";
    text += "\nAdd -? to a command for its parameters.\n";
    record->kind = CLPS_RESP_USAGE;
    record->status = CLPS_STATUS_OK;
    if (!setText(record.get(), text)) fillMessage(record.get(), CLPS_ERR_NO_MEMORY, {}, {}, nullptr);
    return record.release();
}

CLPSResponse* refusal(const Resolution& r) {
    int32_t status = CLPS_ERR_NOT_A_PARAMETER;
    if (r.outcome == Resolution::UnknownCommand) status = CLPS_ERR_UNKNOWN_COMMAND;
    if (r.outcome == Resolution::UnknownObject) status = CLPS_ERR_UNKNOWN_OBJECT;
    return makeMessage(status, r.word, join(r.candidates, ", "), nullptr);
}

// The answer to a line that reaches no handler.
CLPSResponse* answerWithoutHandler(const Resolution& r) {
    if (r.outcome == Resolution::UsageListing) return usageListing(r.candidates);
    if (r.outcome != Resolution::Handler) return refusal(r);
    std::string path = std::string(r.row->commandWords ? r.row->commandWords : "") + " " +
                       (r.row->objectWord ? r.row->objectWord : "");
    return makeMessage(CLPS_ERR_NOT_AVAILABLE, path, {}, nullptr);
}

}  // namespace
}  // namespace cmdfw

using namespace cmdfw;

extern "C" {

CLPS_API int32_t CLPSSortCCDT(CCDTEntry* table, uint32_t count, uint16_t* sorted) {
    if (!table && count > 0) return -1;
    try {
        // Ordered by command words, then object word, ignoring case; rows that
        // compare equal keep their order, so matching never depends on chance.
        std::stable_sort(table, table + count, [](const CCDTEntry& a, const CCDTEntry& b) {
            std::string ka = lowered(a.commandWords), kb = lowered(b.commandWords);
            if (ka != kb) return ka < kb;
            return lowered(a.objectWord) < lowered(b.objectWord);
        });
    } catch (...) {
        return -1;
    }
    if (sorted) *sorted = 1;
    return 0;
}

CLPS_API CLPSResponse* CLPSSendRequest(int32_t argc, char** argv, CCDTEntry* table, uint32_t count,
                                       uint16_t* sorted) {
    beginRequest();
    CLPSCmdHandler handler = nullptr;
    try {
        Resolution r = Dispatcher(argc, argv, table, count).resolve();
        if (r.outcome != Resolution::Handler || !r.row->handler) return answerWithoutHandler(r);
        handler = r.row->handler;
    } catch (...) {
        return makeMessage(CLPS_ERR_NO_MEMORY, {}, {}, nullptr);
    }
    return handler(argc, argv);
}

// The rights of the row the line reaches; a line the dispatcher would refuse
// reaches no row and needs no rights, so its user sees what is wrong with it.
CLPS_API uint32_t CLPSGetRequiredUserRights(int32_t argc, char** argv, CCDTEntry* table, uint32_t count,
                                            uint16_t* sorted) {
    try {
        Resolution r = Dispatcher(argc, argv, table, count).resolve();
        return r.outcome == Resolution::Handler ? r.row->rights : 0;
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
