// The message catalogue: one text per message id and status code, with the
// two message arguments placed where {1} and {2} stand.
#pragma once

#include <map>
#include <string>

namespace rkhost {

class Catalogue {
public:
    // Loads "<id> <text>" lines; '#' starts a comment line; "\n" in a text is
    // a line break. Returns false when the file cannot be read.
    bool load(const std::string& path);
    bool has(long id) const { return texts_.count(id) != 0; }
    // The text with {1} and {2} replaced; a generic line when the id is unknown.
    std::string format(long id, const std::string& arg1, const std::string& arg2) const;

private:
    std::map<long, std::string> texts_;
};

}  // namespace rkhost
