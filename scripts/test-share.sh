#!/usr/bin/env bash
# Prints how large the tests are beside the program: non-blank lines of C++ under tests/ (all
# test logic and expected values live there), against the program's own folders. The owner's
# ceiling is tests at most half the program, a third of the two together. Reports only.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

count() {
    find "$@" -type f \( -name '*.cpp' -o -name '*.h' \) \
        -print0 | xargs -0 cat | grep -cv '^[[:space:]]*$' || true
}

tests=$(count tests)
program=$(count app wizard pages install platform)
share=$((100 * tests / (tests + program)))
printf 'test share: tests/ %d non-blank lines, program (app wizard pages install platform) %d: tests are %d%% of the two together (ceiling 33%%), %d%% of the program (ceiling 50%%)\n' \
    "$tests" "$program" "$share" $((100 * tests / program))
