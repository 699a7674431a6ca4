#include "write_support.h"

#include <cctype>
#include <climits>
#include <set>

#include "errors.h"
#include "identifiers.h"
#include "layouts.h"
#include "reply.h"
#include "utf8.h"

namespace kwda {

namespace {

// How a refusal names an argument: the texts users type by their own
// names, anything else by its element name.
std::string argumentLabel(const std::string& name) {
    if (name == "ServiceTag") return "service tag";
    if (name == "AssetTag") return "asset tag";
    if (name == "AssetName") return "asset name";
    if (name == "Name") return "virtual disk name";
    return "argument " + name;
}

}  // namespace

void checkArgumentTexts(const Request& request) {
    for (const auto& [name, value] : request.arguments())
        if (auto fault = textFault(value)) refuse(argumentLabel(name) + " " + *fault);
}

std::string hotSpareRole(Session& s, const HotSpare& spare) {
    if (spare.vd == 0) return "a global hot spare";
    auto vd = s.store.object(spare.vd);
    return "a hot spare of virtual disk " + (vd ? vd->get("LogicalDriveNum") : std::string("?"));
}

void checkCapacity(Session& s, const LayoutRule& rule, const std::vector<Object>& disks, int span, int64_t length,
                   const std::map<int64_t, int64_t>& alreadyGiven) {
    const Object* limiting = nullptr;
    int64_t smallest = INT64_MAX;
    for (const auto& disk : disks) {
        auto given = alreadyGiven.find(disk.id);
        int64_t room = s.freeBytes(disk) + (given == alreadyGiven.end() ? 0 : given->second);
        if (room < smallest) {
            smallest = room;
            limiting = &disk;
        }
    }
    if (!limiting) return;
    int64_t capacity = dataDisks(rule, static_cast<int>(disks.size()), span) * smallest;
    if (length > capacity)
        refuse("size " + std::to_string(length) + " bytes is more than " + layoutTitle(rule) + " can hold on " +
               std::to_string(disks.size()) + " disks: at most " + std::to_string(capacity) + " bytes, as disk " +
               diskLabel(*limiting) + " has " + std::to_string(smallest) +
               " bytes free; give a smaller size or disks with more free space");
}

void checkDiskForNewVirtualDisk(Session& s, const Object& disk) {
    if (auto spare = s.store.hotSpare(disk.id))
        refuse("disk " + diskLabel(disk) + " is " + hotSpareRole(s, *spare) +
               "; release it first, or choose another disk");
    if (disk.state != state::Ready && disk.state != state::Online)
        refuse("disk " + diskLabel(disk) + " is " + disk.state + " and cannot hold a virtual disk");
    if (s.freeBytes(disk) >= kMinimumVirtualDiskBytes) return;
    auto memberships = s.memberships(disk);
    if (!memberships.empty())
        if (auto vd = s.store.object(memberships.front().vd))
            refuse("disk " + diskLabel(disk) + " is a member of virtual disk " + vd->get("LogicalDriveNum") +
                   " and has no free space left");
    refuse("disk " + diskLabel(disk) + " has no free space");
}

void checkVirtualDiskName(const Object& controller, const std::string& name) {
    if (name.empty()) refuse("a virtual disk name cannot be empty");
    for (unsigned char c : name)
        if (!std::isalnum(c) && c != '-' && c != '_' && c != ' ')
            refuse("virtual disk name '" + name + "' has the character '" + std::string(1, static_cast<char>(c)) +
                   "'; names use A-Z, a-z, 0-9, '-', '_' and blanks");
    if (name.front() == ' ' || name.back() == ' ')
        refuse("virtual disk name '" + name + "' cannot start or end with a blank");
    if (auto limit = controller.number("MaxNameLength"); limit && static_cast<long long>(name.size()) > *limit)
        refuse("virtual disk name '" + name + "' is longer than the " + std::to_string(*limit) +
               " characters controller " + controller.key + " allows");
}

std::optional<std::string> policyArgument(const Request& request, const Object& controller, const char* argument,
                                          const char* maskElement) {
    auto value = request.number(argument);
    if (!value) return std::nullopt;
    uint64_t bit = static_cast<uint64_t>(*value);
    if (*value <= 0 || (bit & (bit - 1)) != 0 || bit > 0x80000000ULL)
        badRequest(std::string(argument) + "=" + std::to_string(*value) + " is not a single value bit");
    std::string word = policyWord(argument, static_cast<uint32_t>(bit));
    if (controller.has(maskElement) && !(maskValue(controller.get(maskElement)) & bit))
        refuse(std::string(argument) + " " + word + " is not supported by controller " + controller.key);
    return std::to_string(bit);
}

std::string lowestFreeVirtualDiskNumber(Session& s, const Object& controller) {
    std::set<long long> used;
    for (const auto& vd : s.store.ofController(controller.id, Kind::VirtualDisk))
        if (auto number = parseInteger(vd.key)) used.insert(*number);
    long long number = 0;
    while (used.count(number)) ++number;
    return std::to_string(number);
}

void requireForceWhenInUse(const Request& request, const Object& vd, const std::string& doing,
                           const std::string& action) {
    const std::string* use = vd.find("InUse");
    if (!use || request.get("Force") == std::optional<std::string>("yes")) return;
    refuse(shortName(vd) + " is in use (" + (use->empty() ? std::string("in use") : *use) + "): " + doing +
           " would destroy what it holds; add force=yes to " + action + " anyway");
}

void deleteVirtualDisk(Session& s, const Object& vd) {
    auto members = s.store.membersOf(vd.id);
    for (const auto& spare : s.store.hotSparesOf(vd.id)) {
        s.store.clearHotSpare(spare.disk);
        if (auto disk = s.store.object(spare.disk)) s.note(*disk, "dedicated hot spare released");
    }
    s.store.setMembers(vd.id, {});
    s.store.remove(vd.id);
    for (const auto& m : members) s.releaseIfUnused(m.disk);
}

int64_t byteCount(const Request& request, const char* argument) {
    std::string text = request.require(argument);
    size_t point = text.find('.');
    std::string whole = text.substr(0, point);
    std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    auto digitsOnly = [](const std::string& t) {
        return t.find_first_not_of("0123456789") == std::string::npos;
    };
    auto value = parseInteger(whole.empty() ? "0" : whole);
    if (!digitsOnly(whole) || !digitsOnly(fraction) || !value || (whole.empty() && fraction.empty()))
        badRequest(std::string(argument) + "='" + text + "' is not a number of bytes");
    return *value;
}

void setToggle(Session& s, Object& object, const char* element, const std::string& value, const std::string& already,
               const std::string& event) {
    if (object.get(element) == value) refuse(already);
    object.attrs[element] = value;
    s.store.update(object);
    s.note(object, event);
}

}  // namespace kwda
