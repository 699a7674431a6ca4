// rkreport / rkconfig: loads the storage command plug-in, checks the
// caller's rights, passes the command line and shows the answer.
//
// Exit status: 0 done; 1 refused by a check or by the agent; 2 the command
// line is wrong; 3 the caller lacks the rights; 4 a component or the data
// agent is missing, gave no answer or cannot use its state; 70 a leak check
// failed (KWTEST_LEAKS).
#include <dlfcn.h>
#include <malloc.h>
#include <strings.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "catalogue.h"
#include "complete.h"
#include "cmdfw32.h"
#include "listing.h"
#include "json.h"
#include "locate.h"
#include "openmetrics.h"
#include "options.h"
#include "outcome.h"
#include "render.h"
#include "table.h"
#include "usage_text.h"
#include "wait.h"
#include "vexcs32.h"
#include "vexdb32.h"

namespace rkhost {
namespace {

constexpr int kExitDone = 0, kExitRefused = 1, kExitUsage = 2, kExitRights = 3, kExitMissing = 4;
// The data bridge's status for a state that another profile seeded.
constexpr int32_t kStateMismatch = 4;
constexpr uint32_t kAllRights = 7, kReportRights = 1;

using SendFn = CLPSResponse* (*)(int32_t, char**);
using FreeFn = void (*)(CLPSResponse*);
using RightsFn = uint32_t (*)(int32_t, char**);

struct Plugin {
    void* handle = nullptr;
    SendFn send = nullptr;
    FreeFn release = nullptr;
    RightsFn rights = nullptr;
};

struct Context {
    std::string commandWord;
    Options options;
    Layout layout;
    Catalogue catalogue;
    bool asksForUsage = false;  // the line holds -?, -h or help
    std::vector<std::string> stateLines;  // the named objects' state, after a refusal
    const Plugin* plugin = nullptr;  // loaded: further reports can be asked for
};

std::string str(const char* s) { return s ? s : ""; }

int exitCodeFor(int32_t status) {
    if (status == CLPS_STATUS_OK) return kExitDone;
    if (status == CLPS_ERR_NO_AGENT) return kExitMissing;
    if (status >= CLPS_ERR_UNKNOWN_COMMAND && status <= CLPS_ERR_NOT_AVAILABLE) return kExitUsage;
    return kExitRefused;
}

uint32_t ownRights() { return geteuid() == 0 ? kAllRights : kReportRights; }

// Rights of the caller: everything for root, reports for others; KW_RIGHTS
// may lower them, never raise them.
uint32_t callerRights() {
    uint32_t rights = ownRights();
    if (const char* env = std::getenv("KW_RIGHTS"); env && *env) {
        char* end = nullptr;
        unsigned long lowered = std::strtoul(env, &end, 10);
        if (end && *end == '\0') rights &= static_cast<uint32_t>(lowered);
    }
    return rights;
}

// Why the caller may not run the command: root told otherwise by KW_RIGHTS
// must not be asked to become root.
std::string rightsRefusal() {
    const std::string needs = "This command changes the storage configuration and needs administrator rights";
    if ((ownRights() & ~callerRights()) != 0)
        return needs + "; KW_RIGHTS=" + std::getenv("KW_RIGHTS") + " lowers this caller's rights (unset it to use them).";
    return needs + " (run it as root).";
}

// A refusal by the host itself (status -1 in json): arg1 names what was
// wrong when there is one word to name, arg2 what would be accepted.
void fail(const Context& ctx, const std::string& text, const std::string& arg1 = "", const std::string& arg2 = "") {
    if (ctx.options.format == Format::Json)
        std::cout << "{\"status\": -1, \"message\": " << jsonString(text)
                  << ", \"args\": " << jsonStringList({arg1, arg2}) << "}\n";
    std::cerr << "Error: " << visibleControls(text) << "\n";
}

bool loadPlugin(const std::string& libDir, Plugin& plugin, std::string& error) {
    const std::string path = libDir + "/libkwclp32.so";
    plugin.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!plugin.handle) {
        error = "Cannot load " + path + ": " + str(dlerror());
        return false;
    }
    plugin.send = reinterpret_cast<SendFn>(dlsym(plugin.handle, "kwclp32_sendRequest"));
    plugin.release = reinterpret_cast<FreeFn>(dlsym(plugin.handle, "kwclp32_freeResponse"));
    plugin.rights = reinterpret_cast<RightsFn>(dlsym(plugin.handle, "kwclp32_getRequiredUserRights"));
    if (!plugin.send || !plugin.release || !plugin.rights) {
        error = path + " lacks the host entry points.";
        return false;
    }
    return true;
}

std::vector<std::string> requestOf(const CLPSResponse* r) {
    std::vector<std::string> request;
    for (uint32_t i = 0; r->request && i < r->requestCount; ++i) request.push_back(str(r->request[i]));
    return request;
}

std::string objectJson(const Object& object) {
    std::string out = "{";
    for (size_t k = 0; k < object.size(); ++k) {
        if (k) out += ", ";
        out += jsonString(object[k].first) + ": " + jsonString(object[k].second);
    }
    return out + "}";
}

std::string objectsJson(const std::vector<Object>& objects) {
    std::string out = "[";
    for (size_t i = 0; i < objects.size(); ++i) out += (i ? ", " : "") + objectJson(objects[i]);
    return out + "]";
}

int showMessage(const Context& ctx, const CLPSResponse* r) {
    const bool ok = r->status == CLPS_STATUS_OK;
    const long id = ok ? r->messageId : r->status;
    const std::string text = ctx.catalogue.format(id, str(r->arg1), str(r->arg2));
    // What the user typed is echoed in refusals; on a terminal it must not
    // act as control sequences or break the line.
    const std::string shown = ctx.catalogue.format(id, visibleControls(str(r->arg1), false),
                                                   visibleControls(str(r->arg2), false));
    switch (ctx.options.format) {
        case Format::Json:
            // A catalogue text that answers a usage request is the usage;
            // only a rejection carries message arguments.
            std::cout << "{\"status\": " << r->status << ", \"" << (ok && ctx.asksForUsage ? "usage" : "message")
                      << "\": " << jsonString(text);
            if (!ok) std::cout << ", \"args\": " << jsonStringList({str(r->arg1), str(r->arg2)});
            if (!ctx.stateLines.empty()) std::cout << ", \"state\": " << jsonStringList(ctx.stateLines);
            std::cout << "}\n";
            break;
        case Format::Xml:
            std::cout << "<Message status=\"" << r->status << "\" id=\"" << id << "\"><Text>" << xmlEscape(text)
                      << "</Text><Arg1>" << xmlEscape(str(r->arg1)) << "</Arg1><Arg2>" << xmlEscape(str(r->arg2))
                      << "</Arg2>";
            for (const auto& line : ctx.stateLines) std::cout << "<State>" << xmlEscape(line) << "</State>";
            std::cout << "</Message>\n";
            break;
        default:
            (ok ? std::cout : std::cerr) << (ok ? "" : "Error: ") << shown << "\n";
            for (const auto& line : ctx.stateLines) std::cerr << visibleControls(line, false) << "\n";
            break;
    }
    return exitCodeFor(r->status);
}

// The usage with each parameter's meaning, unit and limits from the
// catalogue, wrapped for a terminal (80 columns elsewhere).
std::string explainedUsage(const Context& ctx, const std::string& usage) {
    const auto& words = ctx.options.words;
    std::string object = words.size() > 2 ? words[2] : "";
    for (char& c : object) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto describe = [&ctx](const std::string& of, const std::string& name) {
        const std::string own = ctx.catalogue.named("param." + of + "." + name);
        return own.empty() ? ctx.catalogue.named("param." + name) : own;
    };
    return explainUsage(usage, object, describe, ctx.options.format == Format::Text ? outputWidth() : 80);
}

int showUsage(const Context& ctx, const CLPSResponse* r) {
    const std::string heading = r->messageId ? ctx.catalogue.format(r->messageId, "", "") : "";
    const std::string usage = explainedUsage(ctx, str(r->text));
    switch (ctx.options.format) {
        case Format::Json:
            std::cout << "{\"status\": 1000, \"message\": " << jsonString(heading) << ", \"usage\": "
                      << jsonString(usage) << "}\n";
            break;
        case Format::Xml:
            std::cout << "<Usage><Text>" << xmlEscape(heading) << "</Text><Body>" << xmlEscape(usage)
                      << "</Body></Usage>\n";
            break;
        default:
            if (!heading.empty()) std::cout << wrapText(heading, outputWidth()) << "\n\n";
            std::cout << usage;
            if (!usage.empty() && usage.back() != '\n') std::cout << "\n";
            break;
    }
    return kExitDone;
}

int showDryRun(const Context& ctx, const CLPSResponse* r) {
    const auto request = requestOf(r);
    switch (ctx.options.format) {
        case Format::Json:
            std::cout << "{\"status\": 1000, \"dryRun\": true, \"request\": " << jsonStringList(request) << "}\n";
            break;
        case Format::Xml:
            std::cout << "<DryRun>";
            for (const auto& e : request) std::cout << "<Element>" << xmlEscape(e) << "</Element>";
            std::cout << "</DryRun>\n";
            break;
        default:
            std::cout << "All checks passed. Request not sent (dry run):\n";
            for (const auto& e : request) std::cout << "  " << visibleControls(e, false) << "\n";
            break;
    }
    return kExitDone;
}

// Whether a reply holds enough objects to be worth writing without its sheet.
bool manyObjects(const std::string& xml) {
    size_t count = 0;
    for (size_t at = xml.find("<DCStorageObject"); at != std::string::npos && count < kListingObjects;
         at = xml.find("<DCStorageObject", at + 1))
        ++count;
    return count >= kListingObjects;
}

// A long listing is written from its sheet's tables (host/listing.cpp); the
// reply's objects are otherwise only gathered when no style sheet can show
// them.
std::string renderText(const Context& ctx, const char* styleSheet, const std::string& xml) {
    // The variant's sheet; without it the generic sheet, which still titles
    // and labels every kind of object; without that, plain name : value lines.
    if (!ctx.layout.dataDir.empty()) {
        if (styleSheet && manyObjects(xml))
            if (auto tables = readSheetTables(ctx.layout.dataDir + "/xsl/" + styleSheet))
                if (auto text = listingText(*tables, replyObjects(xml))) return *text;
        for (const char* sheet : {styleSheet, "kwclp.xsl"}) {
            std::string out, error;
            if (sheet && applyStyleSheet(ctx.layout.dataDir + "/xsl/" + sheet, xml, out, error)) return out;
        }
    }
    return plainObjects(replyObjects(xml));
}

// The columns of the terminal a file descriptor is; 0 when it is not one.
size_t terminalWidth(int fd = STDOUT_FILENO) {
    if (!isatty(fd)) return 0;
    winsize size{};
    if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    const char* columns = std::getenv("COLUMNS");
    const long value = columns ? std::strtol(columns, nullptr, 10) : 0;
    return value > 0 ? static_cast<size_t>(value) : 80;
}

// Sends a line the user could have typed through the plug-in and hands its
// answer (null when there is none) to `use` before releasing it.
template <typename Use>
void askPlugin(const Context& ctx, std::vector<std::string> line, Use use) {
    std::vector<char*> words;
    for (auto& w : line) words.push_back(w.data());
    words.push_back(nullptr);
    CLPSResponse* r = ctx.plugin->send(static_cast<int32_t>(line.size()), words.data());
    use(r);
    if (r) ctx.plugin->release(r);
}

// The objects of a report; nothing when it is refused or gets no answer.
std::optional<std::vector<Object>> reportObjects(const Context& ctx, const std::vector<std::string>& line) {
    std::optional<std::vector<Object>> objects;
    askPlugin(ctx, line, [&](const CLPSResponse* r) {
        if (r && r->kind == CLPS_RESP_REPLY && r->status == CLPS_STATUS_OK && r->text)
            objects = replyObjects(std::string(r->text, r->length ? r->length : std::string(r->text).size()));
    });
    return objects;
}

// A listing as a table or csv; false when its objects have no columns (a
// single object in a table, an unknown kind, nothing found): text then.
bool showListing(const Context& ctx, const std::string& xml) {
    const auto objects = replyObjects(xml);
    const bool csv = ctx.options.format == Format::Csv;
    if (!hasColumns(objects) || (!csv && objects.size() < 2)) return false;
    // Disks learn their roles from the virtual disks of their controllers;
    // when those cannot be read, their roles are unknown, not "free".
    VirtualDisks virtualDisks{std::in_place};
    for (const auto& controller : controllersOfDisks(objects)) {
        auto found = reportObjects(ctx, {"rkreport", "storage", "vdisk", "controller=" + controller});
        if (!found) {
            std::cerr << "Note: the virtual disks of controller " << controller
                      << " could not be read: the roles of disks are shown as unknown.\n";
            virtualDisks.reset();
            break;
        }
        for (auto& vd : *found) virtualDisks->push_back(std::move(vd));
    }
    std::cout << (csv ? renderCsv(objects, virtualDisks) : renderTable(objects, virtualDisks, terminalWidth()));
    return true;
}

int showReply(const Context& ctx, const CLPSResponse* r) {
    const std::string xml = r->text ? std::string(r->text, r->length ? r->length : std::string(r->text).size())
                                    : std::string();
    const bool configuration = ctx.commandWord == "rkconfig";
    switch (ctx.options.format) {
        case Format::Xml:
            std::cout << xml;
            if (!xml.empty() && xml.back() != '\n') std::cout << "\n";
            break;
        case Format::Json:
            std::cout << "{\"status\": " << r->status;
            if (configuration) {
                std::cout << ", \"message\": " << jsonString(ctx.catalogue.format(r->messageId, "", ""))
                          << ", \"request\": " << jsonStringList(requestOf(r));
                if (const Object facts = replyResult(xml); !facts.empty()) std::cout << ", \"result\": " << objectJson(facts);
            } else {
                std::cout << ", \"objects\": " << objectsJson(replyObjects(xml));
            }
            std::cout << "}\n";
            break;
        case Format::OpenMetrics:
            if (!configuration) {
                std::cout << openMetrics(replyObjects(xml));
                break;
            }
            [[fallthrough]];
        case Format::Table:
        case Format::Csv:
            if (!configuration && showListing(ctx, xml)) break;
            [[fallthrough]];
        default:
            if (configuration) {
                std::cout << ctx.catalogue.format(r->messageId, "", "") << "\n";
                if (const Object facts = replyResult(xml); !facts.empty())
                    std::cout << visibleControls(resultLine(facts), false) << "\n";
            } else {
                std::cout << renderText(ctx, r->styleSheet, xml);
            }
            break;
    }
    return kExitDone;
}

// The alert log's events, read where the plug-in says the log is.
std::vector<Object> alertEvents(const Context& ctx) {
    std::string path;
    askPlugin(ctx, {"rkreport", "system", "alertlog"}, [&](const CLPSResponse* r) {
        if (r && r->kind == CLPS_RESP_PATH) path = str(r->text);
    });
    bool readable = false;
    return path.empty() ? std::vector<Object>{} : readAlertLog(path, readable);
}

// --wait: follows the task the configuration started. Its progress goes to
// standard error when standard output carries json or xml.
int followStartedTask(const Context& ctx) {
    std::cout.flush();
    const bool structured = ctx.options.format == Format::Json || ctx.options.format == Format::Xml;
    std::FILE* out = structured ? stderr : stdout;
    const auto report = reportLineFor(ctx.options.words);
    TaskSource source{[&] { return reportObjects(ctx, report).value_or(std::vector<Object>{}); },
                      [&] { return alertEvents(ctx); }};
    const size_t columns = terminalWidth(fileno(out));
    return followTask(source, out, columns != 0, columns);
}

int showAlertLog(const Context& ctx, const CLPSResponse* r) {
    const std::string path = str(r->text);
    bool readable = false;
    const auto events = readAlertLog(path, readable);
    const std::string xml = alertLogXml(path, events);
    switch (ctx.options.format) {
        case Format::Json:
            std::cout << "{\"status\": 1000, \"path\": " << jsonString(path) << ", \"events\": " << objectsJson(events)
                      << "}\n";
            break;
        case Format::Xml:
            std::cout << xml;
            break;
        case Format::OpenMetrics:
            std::cout << alertLogMetrics(events);
            break;
        default: {
            std::string out, error;
            if (!ctx.layout.dataDir.empty() &&
                applyStyleSheet(ctx.layout.dataDir + "/xsl/sysrep.xsl", xml, out, error))
                std::cout << out;
            else
                std::cout << "Alert log " << path << "\n" << plainObjects(events);
            break;
        }
    }
    if (!readable) std::cerr << "Note: the alert log " << path << " cannot be read (no events yet?).\n";
    return kExitDone;
}

int show(const Context& ctx, const CLPSResponse* r) {
    switch (r->kind) {
        case CLPS_RESP_REPLY: return showReply(ctx, r);
        case CLPS_RESP_USAGE: return showUsage(ctx, r);
        case CLPS_RESP_DRYRUN: return showDryRun(ctx, r);
        case CLPS_RESP_PATH: return showAlertLog(ctx, r);
        default: return showMessage(ctx, r);
    }
}

void printHelp(const Context& ctx) {
    if (ctx.commandWord == "rkconfig") {
        std::cout << "Usage: rkconfig [options] storage <object> action=<action> [name=value ...]\n"
                  << "Changes storage controllers, virtual disks, disks, batteries, enclosures and connectors.\n"
                  << "Objects: adisk, battery, connector, controller, enclosure, globalinfo, pdisk, vdisk.\n"
                  << "For the actions of an object: rkconfig storage <object> -?\n"
                  << "For the parameters of an action: rkconfig storage <object> action=<action> -?\n";
    } else {
        std::cout << "Usage: rkreport [options] storage <object> [name=value ...]\n"
                  << "       rkreport [options] system summary|version|alertlog\n"
                  << "Reports storage controllers, disks, enclosures, batteries and the alert log.\n"
                  << "Objects: adisk, battery, connector, controller, enclosure, globalinfo, pdisk, vdisk.\n"
                  << "For the parameters of a report: rkreport storage <object> -?\n";
    }
    std::cout << "\nOptions:\n"
              << "  --format=FORMAT         how to show the answer: text (default), table, csv,\n"
              << "                          json, xml or openmetrics\n"
              << "  --state=FILE            the storage state database to use\n"
              << "  --profile=FILE          the system description that seeds a new state\n"
              << "  --system=local          this machine's own storage instead of the simulated one\n"
              << "  --dry-run               run every check, show the request, send nothing\n"
              << "  --wait                  follow the task a configuration starts until it ends\n"
              << "  --help                  this text; with a command, its usage\n"
              << "  --version               the version\n"
              << "\nSee " << ctx.commandWord << "(1) for more.\n";
}

// Why the data agent could not use its state, when that is why the last
// request it was sent was refused.
std::optional<std::string> stateUnavailableReason() {
    const char* reason = RKDBLastUnavailableReason();
    if (!reason) return std::nullopt;
    return std::string(reason);
}

// The plug-in's answer to a probing line, copied before it is released.
ProbeAnswer probeLine(const Plugin& plugin, const std::vector<std::string>& line) {
    std::vector<std::string> copies = line;
    std::vector<char*> words;
    for (auto& w : copies) words.push_back(w.data());
    words.push_back(nullptr);
    ProbeAnswer answer;
    if (CLPSResponse* r = plugin.send(static_cast<int32_t>(copies.size()), words.data())) {
        answer = {r->kind, r->status, str(r->arg1), str(r->arg2), r->kind == CLPS_RESP_PATH ? "" : str(r->text)};
        plugin.release(r);
    }
    return answer;
}

// Shell completion: one candidate a line. Probing lines only ever ask for
// usage or are refused by the dispatcher, so nothing runs and no rights
// are needed.
int printCompletions(const Context& ctx, const Plugin& plugin) {
    const auto probe = [&plugin](const std::vector<std::string>& line) { return probeLine(plugin, line); };
    for (const auto& candidate : complete(ctx.commandWord, ctx.options.completeWords, probe))
        std::cout << candidate << "\n";
    return kExitDone;
}

// "rkreport system summary" in OpenMetrics is one scrape of the whole
// system; a controller that cannot be read is marked in the scrape and
// named on standard error, and the rest still comes out.
bool isWholeSystemScrape(const Context& ctx) {
    const auto& w = ctx.options.words;
    const auto is = [](const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; };
    return ctx.options.format == Format::OpenMetrics && !ctx.options.dryRun && ctx.commandWord == "rkreport" &&
           w.size() == 3 && is(w[1], "system") && is(w[2], "summary");
}

int showScrape(const Context& ctx, const Plugin& plugin) {
    const Scrape scrape = scrapeSystem([&plugin](const std::vector<std::string>& line) { return probeLine(plugin, line); });
    std::cout << scrape.text;
    std::cout.flush();
    int code = kExitDone;
    for (const auto& p : scrape.problems) {
        const std::string what = p.controller.empty() ? "the storage system" : "controller " + p.controller;
        std::string reason = ctx.catalogue.format(p.answer.status, visibleControls(p.answer.arg1, false),
                                                  visibleControls(p.answer.arg2, false));
        int failure = exitCodeFor(p.answer.status);
        if (const auto unavailable = stateUnavailableReason()) {
            reason = "the storage state is unavailable: " + *unavailable;
            failure = kExitMissing;
        } else if (p.answer.kind == CLPS_RESP_EMPTY) {
            reason = "the storage command plug-in gave no answer (the data agent is missing or silent, or memory ran out).";
            failure = kExitMissing;
        }
        std::cerr << "Error: " << what << " could not be read (" << p.line << "): " << reason << "\n";
        code = std::max(code, failure);
    }
    return code;
}

std::string joined(const std::vector<std::string>& items, const char* separator) {
    std::string out;
    for (const auto& item : items) out += (out.empty() ? "" : separator) + item;
    return out;
}

constexpr char kAgentPrefix[] = "kwda";

// The data agent is loaded before any check runs: without it every check
// would conclude that the objects it asks for do not exist. Names the files
// looked for and why the one that is there cannot be used.
std::optional<std::string> missingAgent() {
    if (RKDBPluginGetIDByPrefix(kAgentPrefix) != 0) return std::nullopt;
    const std::string file = std::string("/lib") + kAgentPrefix + ".so";
    std::vector<std::string> looked;
    std::string reason = "not found";
    const std::string path = str(std::getenv("RKDB_PLUGIN_PATH"));
    for (size_t start = 0; start <= path.size();) {
        const size_t colon = std::min(path.find(':', start), path.size());
        const std::string folder = path.substr(start, colon - start);
        start = colon + 1;
        if (folder.empty()) continue;
        looked.push_back(folder + file);
        if (reason != "not found" || access(looked.back().c_str(), F_OK) != 0) continue;
        if (void* handle = dlopen(looked.back().c_str(), RTLD_NOW | RTLD_LOCAL)) {
            reason = looked.back() + " lacks the agent's entry points";
            dlclose(handle);
        } else {
            reason = str(dlerror());
        }
    }
    return "The storage data agent '" + std::string(kAgentPrefix) + "' cannot be loaded: looked for " +
           joined(looked, ", ") + " (" + reason + ").";
}

// A line that the plug-in answers with nothing lacks its object word
// ("rkreport storage controller=0"): the words that would do are named.
int missingObjectWord(const Context& ctx, const Plugin& plugin) {
    std::vector<std::string> typed;
    for (size_t i = 1; i < ctx.options.words.size(); ++i) {
        const std::string& word = ctx.options.words[i];
        if (word.empty() || word[0] == '-' || word.find('=') != std::string::npos) break;
        typed.push_back(word);
    }
    const std::string line = ctx.commandWord + (typed.empty() ? "" : " " + joined(typed, " "));
    typed.emplace_back();
    const auto probe = [&plugin](const std::vector<std::string>& words) { return probeLine(plugin, words); };
    const std::string expected = joined(complete(ctx.commandWord, typed, probe), ", ");
    fail(ctx, "An object word is missing after '" + line + "'." +
                  (expected.empty() ? "" : " Expected one of: " + expected + "."),
         "", expected);
    return kExitUsage;
}

// After a refusal that turns on an object's state: that state, read
// through the plug-in's own reports.
std::vector<std::string> namedObjectsState(const Context& ctx, const Plugin& plugin, const CLPSResponse* r) {
    if (ctx.commandWord != "rkconfig" || r->kind != CLPS_RESP_MESSAGE || !refusalTurnsOnState(r->status)) return {};
    CLPSSetDryRun(0);
    const auto probe = [&plugin](const std::vector<std::string>& words) { return probeLine(plugin, words); };
    return objectStateLines(ctx.options.words, probe);
}

// A line that asks for usage changes nothing, so it needs no rights.
bool asksForUsage(int32_t count, char** words) { return (CLPSIsUsageHelp(count, words) & 0xFFFF) == 1; }

int run(int argc, char** argv) {
    Context ctx;
    std::string invoked = argv[0] ? argv[0] : "rkreport";
    invoked = invoked.substr(invoked.find_last_of('/') + 1);
    ctx.commandWord = invoked == "rkconfig" ? "rkconfig" : "rkreport";

    ParseResult parsed = parseOptions(ctx.commandWord, std::vector<std::string>(argv + 1, argv + argc));
    ctx.options = parsed.options;
    ctx.catalogue.setCommandWord(ctx.commandWord);
    if (!parsed.error.empty()) {
        fail(ctx, parsed.error, parsed.word);
        return kExitUsage;
    }
    if (ctx.options.version) {
        std::cout << ctx.commandWord << " " << RK_VERSION << "\n";
        return kExitDone;
    }
    if (ctx.options.help && ctx.options.words.size() == 1) {
        printHelp(ctx);
        return kExitDone;
    }
    if (ctx.options.help) ctx.options.words.push_back("-?");
    if (ctx.options.wait && (ctx.commandWord != "rkconfig" || ctx.options.dryRun)) {
        fail(ctx, "--wait follows the task a configuration starts: it needs rkconfig and no --dry-run.", "--wait");
        return kExitUsage;
    }

    ctx.layout = locate();
    if (ctx.layout.libDir.empty()) {
        fail(ctx, "The storage command plug-in (libkwclp32.so) is not installed next to this program.");
        return kExitMissing;
    }
    if (!ctx.layout.dataDir.empty()) ctx.catalogue.load(ctx.layout.dataDir + "/messages.cat");
    if (ctx.options.state) setenv("KWDA_STATE", ctx.options.state->c_str(), 1);
    if (ctx.options.profile) setenv("KWDA_PROFILE", ctx.options.profile->c_str(), 1);
    if (ctx.options.system) setenv("KWDA_SYSTEM", ctx.options.system->c_str(), 1);
    std::string pluginPath = ctx.layout.libDir;
    if (const char* existing = std::getenv("RKDB_PLUGIN_PATH"); existing && *existing)
        pluginPath = std::string(existing) + ":" + pluginPath;
    setenv("RKDB_PLUGIN_PATH", pluginPath.c_str(), 1);
    CLPSSetDryRun(ctx.options.dryRun ? 1 : 0);

    Plugin plugin;
    std::string error;
    if (!loadPlugin(ctx.layout.libDir, plugin, error)) {
        fail(ctx, error);
        return kExitMissing;
    }

    ctx.plugin = &plugin;
    if (ctx.options.complete) return printCompletions(ctx, plugin);

    std::vector<char*> words;
    for (auto& w : ctx.options.words) words.push_back(w.data());
    words.push_back(nullptr);
    const int32_t count = static_cast<int32_t>(ctx.options.words.size());

    ctx.asksForUsage = asksForUsage(count, words.data());
    if (!ctx.asksForUsage) {
        if (const auto missing = missingAgent()) {
            fail(ctx, *missing, kAgentPrefix);
            return kExitMissing;
        }
    }
    const uint32_t needed = plugin.rights(count, words.data());
    if ((needed & ~callerRights()) != 0 && !ctx.asksForUsage) {
        fail(ctx, rightsRefusal());
        return kExitRights;
    }

    if (isWholeSystemScrape(ctx)) return showScrape(ctx, plugin);

    const uint32_t allocFailuresBefore = ZCSAllocFailures();
    const uint32_t unansweredBefore = RKDBUnansweredRequests();
    CLPSResponse* response = plugin.send(count, words.data());
    // Read before anything else can reach the data bridge.
    const std::optional<std::string> unavailable = stateUnavailableReason();
    if (unavailable && (!response || response->status != CLPS_STATUS_OK)) {
        // The plug-in's own refusal ("controller 0 does not exist") would
        // only follow from a state that could not be read.
        if (response) plugin.release(response);
        if (RKDBLastUnavailableStatus() == kStateMismatch) {
            // --state and --profile (or their variables) disagree.
            fail(ctx, *unavailable);
            return kExitUsage;
        }
        fail(ctx, "the storage state is unavailable: " + *unavailable);
        return kExitMissing;
    }
    if (!response) {
        // A command that could not build its answer, or whose agent is
        // silent, says so; one the plug-in has nothing to say to lacks its
        // object word.
        if (CLPSResponseAllocFailed() != 0 || ZCSAllocFailures() != allocFailuresBefore) {
            fail(ctx, "The storage command plug-in gave no answer: it could not build one (out of memory?).");
            return kExitMissing;
        }
        if (RKDBUnansweredRequests() != unansweredBefore) {
            fail(ctx, "The storage data agent is missing or gave no answer.");
            return kExitMissing;
        }
        return missingObjectWord(ctx, plugin);
    }
    ctx.stateLines = namedObjectsState(ctx, plugin, response);
    int code = show(ctx, response);
    const bool startedWork = response->kind == CLPS_RESP_REPLY && response->status == CLPS_STATUS_OK;
    plugin.release(response);
    if (code == kExitDone && startedWork && ctx.options.wait) code = followStartedTask(ctx);
    std::cout.flush();
    return code;
}

// The answer could not be written (a full disk, a closed pipe): said on
// standard error, never left as a success.
int checkWritten(int code) {
    errno = 0;
    std::cout.flush();
    const bool failed = std::fflush(stdout) != 0 || std::ferror(stdout) != 0 || !std::cout;
    if (!failed) return code;
    const int error = errno;
    std::cerr << "Error: the answer could not be written to standard output"
              << (error != 0 ? std::string(": ") + std::strerror(error) : std::string(" (a full disk or a closed pipe?)"))
              << ".\n";
    return kExitMissing;
}

}  // namespace
}  // namespace rkhost

int main(int argc, char** argv) {
    // Large blocks (the reply and the documents of a big listing) come from
    // the heap and are reused as they grow, instead of being mapped and
    // faulted in afresh each time: about a tenth of a write's time on a
    // system of 2,048 disks. Fixing the threshold does not depend on where
    // the C library places anything.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 8 << 20);
    // A closed pipe shows as a failed write, which is reported, rather than
    // as a silent death by signal.
    std::signal(SIGPIPE, SIG_IGN);
    int code = 4;
    try {
        code = rkhost::checkWritten(rkhost::run(argc, argv));
    } catch (const std::exception& e) {
        std::cerr << "rkreport: internal error: " << e.what() << "\n";
    }
    // Counted objects are checked after everything was released.
    if (int leaks = KWTestFinish(); leaks != 0) code = leaks;
    return code;
}
