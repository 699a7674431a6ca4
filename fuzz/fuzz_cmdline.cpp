// Command lines through the framework and the plug-in, against the real
// agent and the embedded default system. Input: one flag byte, then the
// words. Flag bit 0: words are separated by newlines only (so a value may
// hold blanks), else by any blank. Flag bit 1: run for real, so that the
// agent's write handlers see what the checks let through; else a dry run
// (every check, nothing sent). A real run's state is thrown away afterwards:
// the next input starts from the default system again.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz_support.h"

namespace {

namespace fs = std::filesystem;

// The agent reopens its state when KWDA_STATE names another file, so a
// fresh copy of the seeded state under a new name starts each real run
// from the default system.
class States {
public:
    States() {
        seed_ = rkfuzz::workFolder() + "/seed.db";
        setenv("KWDA_STATE", seed_.c_str(), 1);
        rkfuzz::runLine({"rkreport", "storage", "controller"});  // seeds it
        fresh();
    }
    void fresh() {
        const std::string previous = current_;
        current_ = rkfuzz::workFolder() + "/state-" + std::to_string(++generation_) + ".db";
        std::error_code ec;
        fs::copy_file(seed_, current_, fs::copy_options::overwrite_existing, ec);
        setenv("KWDA_STATE", current_.c_str(), 1);
        if (!previous.empty())
            for (const char* suffix : {"", "-wal", "-shm", "-journal"}) fs::remove(previous + suffix, ec);
        const std::string log = previous.substr(0, previous.size() - 3) + ".alert.log";
        if (!previous.empty()) fs::remove(log, ec);
    }

private:
    std::string seed_, current_;
    long generation_ = 0;
};

States& states() {
    static States s;
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    rkfuzz::plugin();
    states();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 4096) return -1;
    const uint8_t flags = data[0];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto words = rkfuzz::split(text, (flags & 1) ? "\n" : " \t\n");
    if (words.empty()) return 0;
    const bool real = (flags & 2) != 0;
    CLPSSetDryRun(real ? 0 : 1);
    rkfuzz::runLine(words);
    if (real && words[0] == "rkconfig") states().fresh();
    return 0;
}
