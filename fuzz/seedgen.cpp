// Writes the seed corpora from the fault-injection corpus: each command
// line (fuzz_cmdline), each command line with the replies the real agent
// gave it (fuzz_replies), and each distinct reply (fuzz_xml). The real agent
// answers through a recording test agent, on a fresh copy of the default
// system per line.
//   seedgen <tests/faults/corpus.txt> <fuzz/corpus>
#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "testagent.h"

namespace fs = std::filesystem;

namespace {

using SendFn = char* (*)(uint32_t, const char* const*);
using FreeFn = void (*)(char*);

void writeSeed(const fs::path& folder, const std::string& name, const std::string& bytes) {
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary) << bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: seedgen <corpus.txt> <output folder>\n");
        return 2;
    }
    const fs::path out = argv[2];
    void* agentLib = dlopen((rkfuzz::libFolder() + "/libkwda.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!agentLib) return 1;
    auto send = reinterpret_cast<SendFn>(dlsym(agentLib, "RKDBAgentSendCmd"));
    auto release = reinterpret_cast<FreeFn>(dlsym(agentLib, "RKDBAgentFreeData"));
    rkfuzz::plugin();

    std::vector<std::string> replies;
    kwtest::TestAgent recorder("kwda");
    recorder.otherwise([&](const kwtest::Request& request) -> std::optional<std::string> {
        std::vector<const char*> vector;
        for (const auto& e : request) vector.push_back(e.c_str());
        char* reply = send(static_cast<uint32_t>(vector.size()), vector.data());
        if (!reply) return std::nullopt;
        replies.emplace_back(reply);
        release(reply);
        return replies.back();
    });

    std::ifstream corpus(argv[1]);
    std::set<size_t> seenReplies;
    int lineNo = 0, lines = 0;
    for (std::string text; std::getline(corpus, text);) {
        ++lineNo;
        if (text.size() < 4 || (text[0] != 'R' && text[0] != 'W') || text.find('|') == std::string::npos) continue;
        std::string line = text.substr(text.find('|') + 1);
        line = line.substr(0, line.find('|'));
        line = line.substr(line.find_first_not_of(' '));
        line = line.substr(0, line.find_last_not_of(' ') + 1);
        const std::string name = std::to_string(lineNo);

        writeSeed(out / "fuzz_cmdline", name, std::string(1, text[0] == 'W' ? '\x02' : '\x00') + line);

        const std::string state = rkfuzz::workFolder() + "/seed-" + name + ".db";
        setenv("KWDA_STATE", state.c_str(), 1);
        replies.clear();
        rkfuzz::runLine(rkfuzz::split(line, " "));
        std::string scripted = line;
        for (const auto& r : replies) scripted += std::string(1, '\0') + r;
        // Small seeds keep the fuzzer fast; the largest lines are left out.
        if (scripted.size() <= 20000) writeSeed(out / "fuzz_replies", name, scripted);
        for (const auto& r : replies)
            if (r.size() <= 8192 && seenReplies.insert(std::hash<std::string>{}(r)).second && seenReplies.size() <= 200)
                writeSeed(out / "fuzz_xml", std::to_string(seenReplies.size()),
                          std::string{static_cast<char>(seenReplies.size() % 16), 0, '\x3f'} + r);
        ++lines;
    }
    std::printf("seeds from %d lines, %zu distinct replies\n", lines, seenReplies.size());
    return 0;
}
