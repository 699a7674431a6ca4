// The lines of the corpus marked "vg" under valgrind memcheck, clean, and a
// third of them with the first agent reply or every memory block failing:
// no invalid access, no use of uninitialised memory, no leak. Skipped where valgrind is
// not installed and in sanitizer builds (the two do not mix).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "harness.h"

namespace faults {
namespace {

std::string findValgrind() {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = folder + "/valgrind";
        if (!folder.empty() && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return "";
}

TEST(Valgrind, MarkedCorpusLinesRunClean) {
#if RK_SANITIZE_BUILD
    GTEST_SKIP() << "sanitizer build";
#endif
    const std::string valgrind = findValgrind();
    if (valgrind.empty()) GTEST_SKIP() << "valgrind is not installed";
    auto corpus = readCorpus(corpusPath());
    std::erase_if(corpus, [](const CorpusLine& l) { return !l.valgrind; });
    ASSERT_GE(corpus.size(), 15u);

    kwtest::TempDir seedDir;
    const std::string seed = seedDir.file("seed.db");
    seedState(seed);
    Sandbox box(seed);
    const std::string wrapper = valgrind + " --error-exitcode=99 --leak-check=full --quiet --suppressions=" +
                                RK_SOURCE_DIR + "/tests/faults/valgrind.supp";
    const FailurePoint firstReply{kindIndex("reply"), 1, false}, firstBlock{kindIndex("mem"), 1, true};
    int runs = 0;
    for (size_t i = 0; i < corpus.size(); ++i)
        for (const FailurePoint* point : {static_cast<const FailurePoint*>(nullptr), &firstReply, &firstBlock}) {
            // Every line clean; every third one also on two failure paths.
            if (point && i % 3 != 0) continue;
            const CorpusLine& line = corpus[i];
            Outcome o = box.run(line, point, wrapper);
            ++runs;
            EXPECT_NE(o.run.exitCode, 99) << "valgrind found errors\n" << describe(line, point, o);
            for (const auto& p : universalProblems(o)) ADD_FAILURE() << p << "\n" << describe(line, point, o);
        }
    std::printf("valgrind: %d runs of %zu corpus lines\n", runs, corpus.size());
}

}  // namespace
}  // namespace faults
