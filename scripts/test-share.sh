#!/usr/bin/env bash
# Prints how large the tests are: non-blank lines of C++ under tests/ (all test logic and expected
# values live there) against the program's own folders, and against all C++ lines of the project.
# The owner's ceiling is a third. Reports only; never fails a run.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

count() {
    find "$@" -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 cat \
        | grep -cv '^[[:space:]]*$' || true
}

tests=$(count tests)
program=$(count app wizard pages install platform)
all=$(count app wizard pages install platform tests fuzz tools bench)
printf 'test share: tests/ %d non-blank C++ lines; program (app wizard pages install platform) %d: tests are %d%% of the two together; all C++ lines %d: tests are %d%% of them (ceiling 33%%)\n' \
    "$tests" "$program" $((100 * tests / (tests + program))) "$all" $((100 * tests / all))
