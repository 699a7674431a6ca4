// sendPassThruCmdToDCSIF: the agent's command interface behind the plug-in's
// pass-through form. Its words (param0, param1, ...) name the operation:
//   getcaps make vdisk ObjID <controller> IDList <disk:disk:...> MinDrives <n>
//           [Rules <r>] [SpanLength <s>]      -> one object per possible layout
//   getassoc adisks <virtual disk ObjID>       -> its member disks and dedicated hot spares
//   report storage                             -> the storage object
//   dump2                                      -> every object
//   debug                                      -> switches the agent's debug flag on
#include <algorithm>
#include <map>
#include <set>

#include "derive.h"
#include "errors.h"
#include "handlers.h"
#include "identifiers.h"
#include "layouts.h"
#include "write_support.h"

namespace kwda {

namespace {

std::map<std::string, std::string> namedWords(const std::vector<std::string>& words, size_t from) {
    std::map<std::string, std::string> named;
    for (size_t i = from; i + 1 < words.size(); i += 2) named[words[i]] = words[i + 1];
    if ((words.size() - from) % 2 != 0) badRequest("pass-through word '" + words.back() + "' has no value");
    return named;
}

Object objectWithId(Session& s, const std::string& objid, Kind kind, const char* what) {
    auto object = s.store.byObjId(objid);
    if (!object || object->kind != kind) refuse(std::string("no ") + what + " has ObjID " + objid);
    return *object;
}

std::vector<std::string> splitColons(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t colon = text.find(':', start);
        std::string part = trim(text.substr(start, colon == std::string::npos ? std::string::npos : colon - start));
        if (!part.empty()) parts.push_back(part);
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return parts;
}

// Possible layouts for a new virtual disk on the given disks, with the
// smallest and largest size each allows.
void getCaps(Session& s, const std::vector<std::string>& words, ReplyBuilder& out) {
    if (words.size() < 3 || words[1] != "make" || words[2] != "vdisk")
        badRequest("getcaps supports only 'getcaps make vdisk ...'");
    auto named = namedWords(words, 3);
    if (!named.count("ObjID")) badRequest("getcaps needs ObjID <controller ObjID>");
    if (!named.count("IDList")) badRequest("getcaps needs IDList <disk ObjIDs joined by ':'>");
    Object controller = objectWithId(s, named["ObjID"], Kind::Controller, "controller");
    std::vector<Object> disks;
    std::set<int64_t> seen;
    for (const auto& objid : splitColons(named["IDList"])) {
        Object disk = objectWithId(s, objid, Kind::PhysicalDisk, "disk");
        if (disk.ctrl != controller.id) refuse("disk " + diskLabel(disk) + " is not on controller " + controller.key);
        if (!seen.insert(disk.id).second) refuse("disk " + diskLabel(disk) + " is given twice");
        checkDiskForNewVirtualDisk(s, disk);
        disks.push_back(disk);
    }
    if (disks.empty()) badRequest("getcaps names no disks (IDList is empty)");
    int span = 0;
    if (named.count("SpanLength")) {
        auto parsed = parseInteger(named["SpanLength"]);
        if (!parsed || *parsed <= 0) badRequest("SpanLength '" + named["SpanLength"] + "' is not a disk count");
        span = static_cast<int>(*parsed);
    }
    int64_t smallest = INT64_MAX;
    for (const auto& disk : disks) smallest = std::min(smallest, s.freeBytes(disk));
    uint32_t supported = maskValue(controller.get("RAIDLevelsMask"));
    int count = static_cast<int>(disks.size());
    for (const auto& rule : layoutRules()) {
        if (!(supported & rule.bit)) continue;
        if (diskCountProblem(rule, count, rule.spanned ? span : 0)) continue;
        int64_t largest = dataDisks(rule, count, span) * smallest;
        if (largest < kMinimumVirtualDiskBytes) continue;
        out.addObject({{"Layout", std::to_string(rule.bit)},
                       {"MinimumLength", std::to_string(kMinimumVirtualDiskBytes)},
                       {"Length", std::to_string(largest)}});
    }
}

void getAssoc(Session& s, const std::vector<std::string>& words, ReplyBuilder& out) {
    if (words.size() != 3 || words[1] != "adisks") badRequest("getassoc supports only 'getassoc adisks <ObjID>'");
    Object vd = objectWithId(s, words[2], Kind::VirtualDisk, "virtual disk");
    std::set<int64_t> ids;
    for (const auto& m : s.store.membersOf(vd.id)) ids.insert(m.disk);
    for (const auto& spare : s.store.hotSparesOf(vd.id)) ids.insert(spare.disk);
    std::vector<Object> disks;
    for (int64_t id : ids)
        if (auto disk = s.store.object(id)) disks.push_back(std::move(*disk));
    std::sort(disks.begin(), disks.end(), [](const Object& a, const Object& b) { return a.ord < b.ord; });
    View view(s.store, s.now);
    for (const auto& disk : disks) out.addObject(view.render(disk));
}

void enableDebug(Session& s, ReplyBuilder& out) {
    s.store.setMeta("debug", "on");
    Object storage = storageObject(s.store);
    s.note(storage, "debug mode enabled");
    out.addObject({{"ObjType", "StorageObject"}, {"Debug", "Enabled"}});
}

}  // namespace

bool passThroughWrites(const Request& request) {
    auto first = request.get("param0");
    return first && *first == "debug";
}

void sendPassThruCmdToDCSIF(Session& s, const Request& r, ReplyBuilder& out) {
    std::vector<std::string> words = r.passThroughWords();
    if (words.empty()) badRequest("sendPassThruCmdToDCSIF needs param0 (getcaps, getassoc, report, dump2 or debug)");
    const std::string& operation = words.front();
    if (operation == "getcaps") return getCaps(s, words, out);
    if (operation == "getassoc") return getAssoc(s, words, out);
    if (operation == "report") {
        if (words.size() != 2 || words[1] != "storage") badRequest("report supports only 'report storage'");
        return getGlobalInfo(s, r, out);
    }
    if (operation == "dump2") return getStoreDump(s, r, out);
    if (operation == "debug") return enableDebug(s, out);
    badRequest("unknown pass-through operation " + operation +
               "; expected one of getcaps, getassoc, report, dump2, debug");
}

}  // namespace kwda
