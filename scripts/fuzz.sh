#!/usr/bin/env bash
# Runs every fuzz harness of fuzz/ for a bounded time over a copy of its seed corpus, so that the
# repository is never written, and prints what each did. A crash keeps its input in the output
# folder (FUZZ_OUT) and fails the run.
#   scripts/fuzz.sh [build folder configured with -DDUSKMERE_FUZZ=ON]
#   FUZZ_SECONDS=30  time for each harness
#   FUZZ_GROW=1      merge the new inputs that add coverage into fuzz/corpus/<harness>/
#   FUZZ_OUT=<folder> where the copies, logs and crash inputs go (default: a temporary folder,
#                    removed at the end unless a harness crashed or KEEP_SCRATCH=1)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

BUILD=$(cd "${1:-$ROOT/build-sanitizers}" && pwd)
SECONDS_EACH=${FUZZ_SECONDS:-30}
OUT=${FUZZ_OUT:-$(mktemp -d "${TMPDIR:-/tmp}/duskmere-fuzz-XXXXXX")}
HARNESSES=(wineregistry keylist localpath config shelllink steamkeyvalues)
mkdir -p "$OUT"
# A folder of our own making goes at the end, unless it holds a crash's input or is to be kept.
if [ -z "${FUZZ_OUT:-}" ]; then
    trap 'if [ "${failed:-0}" -eq 0 ] && [ "${KEEP_SCRATCH:-0}" != 1 ]; then rm -rf "$OUT";
          else echo "== kept $OUT"; fi' EXIT
fi

passed=0
failed=0
for harness in "${HARNESSES[@]}"; do
    [ -x "$BUILD/fuzz/fuzz_$harness" ] || { echo "no fuzz_$harness in $BUILD/fuzz" >&2; exit 1; }
    seeds=$ROOT/fuzz/corpus/$harness
    corpus=$OUT/corpus-$harness
    rm -rf "$corpus"
    mkdir -p "$corpus"
    cp "$seeds"/* "$corpus"/
    log=$OUT/$harness.log
    started=$SECONDS
    status=0
    # A harness's scratch folder lands in ours, even when the harness dies with it.
    mkdir -p "$OUT/tmp"
    (cd "$OUT" && TMPDIR=$OUT/tmp "$BUILD/fuzz/fuzz_$harness" -max_total_time="$SECONDS_EACH" -max_len=8192 \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$OUT/$harness-" "$corpus" >"$log" 2>&1) || status=$?
    execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
    rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
    inputs=$(find "$corpus" -type f | wc -l)
    if [ "$status" -eq 0 ]; then
        passed=$((passed + 1))
        verdict="0 crashes"
    else
        failed=$((failed + 1))
        verdict="CRASH (exit $status), input kept in $OUT/$harness-*"
        tail -n 40 "$log"
    fi
    printf '== fuzz_%-13s %3d s, %7s execs/s %10s execs, corpus %4s inputs (%s seeds), %s\n' \
        "$harness" $((SECONDS - started)) "${rate:-0}" "${execs:-0}" "$inputs" \
        "$(find "$seeds" -type f | wc -l)" "$verdict"
    if [ "${FUZZ_GROW:-0}" = 1 ] && [ "$status" -eq 0 ]; then
        "$BUILD/fuzz/fuzz_$harness" -merge=1 -max_len=8192 "$seeds" "$corpus" >>"$log" 2>&1
        echo "   fuzz/corpus/$harness now holds $(find "$seeds" -type f | wc -l) inputs"
    fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
