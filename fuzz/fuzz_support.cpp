#include "fuzz_support.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "vexcs32.h"

namespace rkfuzz {

std::string libFolder() {
    char self[PATH_MAX] = {};
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path(self, n > 0 ? static_cast<size_t>(n) : 0);
    path = path.substr(0, path.find_last_of('/'));  // bin
    return path.substr(0, path.find_last_of('/')) + "/lib";
}

// The private folder goes when the fuzzer exits.
struct Folder {
    std::string path;
    ~Folder() {
        std::error_code ec;
        if (path.rfind("/tmp/rk-fuzz-", 0) == 0) std::filesystem::remove_all(path, ec);
    }
};

const std::string& workFolder() {
    static const Folder folder{[] {
        char pattern[] = "/tmp/rk-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        std::string path = made ? made : "/tmp";
        setenv("KWCLP_TRACE_DIR", path.c_str(), 1);
        setenv("KWDA_STATE", (path + "/state.db").c_str(), 1);
        setenv("RKDB_PLUGIN_PATH", libFolder().c_str(), 1);
        unsetenv("KWTEST_FAIL");
        unsetenv("KWDA_LOG");
        KWTestReset();
        return path;
    }()};
    return folder.path;
}

volatile size_t g_kept = 0;
void keep(size_t value) { g_kept = g_kept + value; }

void* Plugin::symbol(const char* name) const { return handle ? dlsym(handle, name) : nullptr; }

const Plugin& plugin() {
    static const Plugin loaded = [] {
        workFolder();
        Plugin p;
        const std::string path = libFolder() + "/libkwclp32.so";
        p.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!p.handle) {
            std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), dlerror());
            std::abort();
        }
        p.send = reinterpret_cast<CLPSResponse* (*)(int32_t, char**)>(p.symbol("kwclp32_sendRequest"));
        p.release = reinterpret_cast<void (*)(CLPSResponse*)>(p.symbol("kwclp32_freeResponse"));
        if (!p.send || !p.release) std::abort();
        return p;
    }();
    return loaded;
}

void requireNothingLive(const char* after) {
    static const char* const names[] = {"block", "xbuf", "xtext", "response", "dom", "domlist", "reply"};
    bool leaked = false;
    for (int kind = 0; kind < KWLIVE_KIND_COUNT; ++kind) {
        const long live = KWTestLiveCount(static_cast<KWTestLive>(kind));
        if (live != 0) {
            std::fprintf(stderr, "after %s: %ld %s still live\n", after, live, names[kind]);
            leaked = true;
        }
    }
    if (leaked) std::abort();
}

std::vector<std::string> split(const std::string& text, const std::string& separators) {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of(separators, start);
        if (end == std::string::npos) end = text.size();
        if (end > start) pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

void runLine(const std::vector<std::string>& words) {
    std::vector<std::string> copies = words;
    std::vector<char*> argv;
    for (auto& w : copies) argv.push_back(w.data());
    argv.push_back(nullptr);
    CLPSResponse* r = plugin().send(static_cast<int32_t>(argv.size() - 1), argv.data());
    if (r) {
        // Read every text the host would read.
        size_t sum = 0;
        if (r->text) {
            sum += std::strlen(r->text);
            if (r->kind != CLPS_RESP_PATH && r->length > 0) sum += static_cast<unsigned char>(r->text[r->length - 1]);
        }
        if (r->arg1) sum += std::strlen(r->arg1);
        if (r->arg2) sum += std::strlen(r->arg2);
        for (uint32_t i = 0; r->request && i < r->requestCount; ++i) sum += std::strlen(r->request[i]);
        keep(sum);
        plugin().release(r);
    }
    requireNothingLive("a command line");
}

}  // namespace rkfuzz
