#!/usr/bin/env bash
# The Linux suite built with AddressSanitizer and UndefinedBehaviorSanitizer (clang; the fuzz
# harnesses share that build), the copy worker's and the working pages' tests with
# ThreadSanitizer (gcc, whose runtime survives the fork of a threaded test), then every fuzz
# harness for a bounded time.
# Each sanitizer ends the program at its first report, so a report fails the test.
#   ASAN_BUILD, TSAN_BUILD: build folders, kept for incremental builds
#   FUZZ_SECONDS, FUZZ_GROW: see scripts/fuzz.sh
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bash "$ROOT/scripts/install-deps.sh" "${LINUX_PACKAGES[@]}" "${SANITIZER_PACKAGES[@]}"

ASAN_BUILD=${ASAN_BUILD:-$ROOT/build-sanitizers}
TSAN_BUILD=${TSAN_BUILD:-$ROOT/build-tsan}
common=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DDUSKMERE_WERROR=ON -DDUSKMERE_BUILD_BENCH=OFF)
export UBSAN_OPTIONS=print_stacktrace=1
# fontconfig leaks a little where its cache paths grow long (a deep TMPDIR): not ours to report.
export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan-suppressions.txt"
# The tests start programs (mount, a copying child) from threaded processes: TSan's runtime must
# let the forked child go on. The one suppression lies inside Qt (see the file).
export TSAN_OPTIONS="halt_on_error=1 die_after_fork=0 second_deadlock_stack=1 \
suppressions=$ROOT/scripts/tsan-suppressions.txt"

# Each phase says what it took, so the job's minutes can be told apart, and the end sums them up.
phase_started=$SECONDS
summary=""
phase_took() {
    local took=$((SECONDS - phase_started))
    echo "== $1 took $took s"
    summary+="${summary:+, }$1 $took s"
    phase_started=$SECONDS
}

echo "== AddressSanitizer and UndefinedBehaviorSanitizer: the Linux suite"
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$ASAN_BUILD" -G Ninja "${common[@]}" \
    "-DDUSKMERE_SANITIZE=address;undefined" -DDUSKMERE_FUZZ=ON >/dev/null
cmake --build "$ASAN_BUILD" -j "$(nproc)"
phase_took "the ASan/UBSan build"
(cd "$ASAN_BUILD" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)")
phase_took "the tests under ASan/UBSan"

echo "== ThreadSanitizer: the copy worker, with folders changed meanwhile, and the pages that work"
CC=gcc CXX=g++ cmake -S "$ROOT" -B "$TSAN_BUILD" -G Ninja "${common[@]}" \
    -DDUSKMERE_SANITIZE=thread >/dev/null
cmake --build "$TSAN_BUILD" -j "$(nproc)" --target tst_install tst_tamper tst_workpages
phase_took "the TSan build"
# The quit while copying skips itself here: it walks the whole wizard, whose Qt internals
# (implicitly shared strings handed between threads, Qt's own thread pool) run in a Qt not built
# for the sanitizer and so raise reports of Qt's own.
(cd "$TSAN_BUILD" && DUSKMERE_THREAD_SANITIZER=1 QT_QPA_PLATFORM=offscreen \
    ctest --output-on-failure -R '^tst_(install|tamper|workpages)$')
phase_took "the tests under TSan"

echo "== fuzzing: each harness for ${FUZZ_SECONDS:-30} s"
bash "$ROOT/scripts/fuzz.sh" "$ASAN_BUILD"
phase_took "fuzzing"
echo "== sanitizers and fuzzing, phase by phase: $summary"
