// The message catalogue: one text per message id and status code, with the
// two message arguments placed where {1} and {2} stand.
#pragma once

#include <array>
#include <map>
#include <string>

namespace rkhost {

class Catalogue {
public:
    // Loads "<id> <text>" lines; '#' starts a comment line; "\n" in a text is
    // a line break. "<id>@<command word> <text>" gives the text that id has
    // for that command word only (one id can head a report and a
    // configuration command). Returns false when the file cannot be read.
    // The file is read when the first text is looked up.
    bool load(const std::string& path);
    // The command word whose own texts win over the shared ones.
    void setCommandWord(const std::string& word) { commandWord_ = word; }
    bool has(long id) const;
    // A text kept under a name rather than an id ("param.size <text>"):
    // what usage answers say about each parameter. Empty when none.
    std::string named(const std::string& key) const;
    // The text with its arguments placed; a generic line when the id is unknown.
    std::string format(long id, const std::string& arg1, const std::string& arg2) const;

private:
    const std::string* find(long id) const;
    void read() const;

    std::string path_;
    mutable bool read_ = true;
    mutable std::map<long, std::string> texts_;
    mutable std::map<std::pair<long, std::string>, std::string> commandTexts_;
    mutable std::map<std::string, std::string> namedTexts_;
    std::string commandWord_;
};

// Places the arguments in a catalogue text:
//   {1}, {2}        the first and second argument;
//   {1:size}        an argument that counts bytes, in human units as well
//                   ("2.00 GB (2147483648 bytes)");
//   {?1:...}        the part inside only when argument 1 is not empty;
//   {!1:...}        the part inside only when argument 1 is empty;
// parts nest. An argument (or optional part) that ends a sentence ("... on
// this controller.") swallows the full stop the text puts after it, so no
// ".." is shown.
// Arguments are inserted as they are: braces in them mean nothing.
std::string expandMessage(const std::string& text, const std::array<std::string, 2>& args);

// "1.09 TB (1199638052864 bytes)" (units of 1024), "512 bytes"; a text that
// is not a count of bytes stays as it is.
std::string humanSize(const std::string& bytes);

}  // namespace rkhost
