#!/usr/bin/env bash
# Builds the fuzz targets (clang and libFuzzer, address and undefined
# behaviour sanitizers, coverage on every library) and runs each one for a
# bounded time on a copy of its seed corpus, with the XML dictionary.
#   fuzz/run.sh [target ...]          default: all four targets
#   FUZZ_SECONDS   seconds per target (default 20)
#   FUZZ_BUILD     build folder (default build-fuzz next to this folder)
#   FUZZ_JOBS      build jobs (default 2)
# A crash leaves its input in <build>/fuzz-artifacts/ and fails the run.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
build="${FUZZ_BUILD:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-20}"
jobs="${FUZZ_JOBS:-2}"
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_cmdline fuzz_replies fuzz_xml fuzz_profile)

if ! command -v clang++ >/dev/null 2>&1; then
    echo "fuzz: clang++ is not installed" >&2
    exit 4
fi
if [ ! -f "$build/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRK_FUZZ=ON -DRK_SANITIZE=ON -DRK_TESTS=OFF -DRK_BENCH=OFF \
        -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >"$build.log" 2>&1 ||
        { cat "$build.log" >&2; echo "fuzz: configure failed" >&2; exit 4; }
fi
cmake --build "$build" -j "$jobs" --target "${targets[@]}" >"$build.log" 2>&1 ||
    { tail -n 40 "$build.log" >&2; echo "fuzz: build failed" >&2; exit 4; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/fuzz-artifacts"
failed=0
for target in "${targets[@]}"; do
    mkdir -p "$work/$target"
    [ -d "$here/corpus/$target" ] && cp -r "$here/corpus/$target/." "$work/$target/"
    log="$work/$target.log"
    if "$build/bin/$target" -max_total_time="$seconds" -dict="$here/xml.dict" -print_final_stats=1 \
        -timeout=20 -rss_limit_mb=2048 -artifact_prefix="$build/fuzz-artifacts/$target-" \
        "$work/$target" >"$log" 2>&1; then
        executions="$(awk '/stat::number_of_executed_units/ {print $2}' "$log")"
        coverage="$(grep -o 'cov: [0-9]*' "$log" | tail -n 1)"
        echo "fuzz: $target: ${executions:-?} executions in ${seconds} s, $coverage"
    else
        failed=1
        tail -n 60 "$log" >&2
        echo "fuzz: $target FAILED; inputs in $build/fuzz-artifacts/" >&2
    fi
done
exit "$failed"
