#!/usr/bin/env bash
# Where the copy of many small files spends its time when the disk costs nothing: the tmpfs case
# of bench_copy, one round, traced with strace per thread, and three rounds sampled with perf.
# Prints the system calls per file of `cp -r` and of each of the copy's threads (the worker that
# gives names, the threads that copy ahead, the window's thread while the copy runs), then the
# processor time by thread and the symbols that cost most. Needs strace and perf (perf's
# software clock is enough where the machine has no hardware counters).
#
# Environment (optional): BUILD  the build folder with bench/bench_copy (default: build)
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BENCH=${BUILD:-$ROOT/build}/bench/bench_copy
FILES=20000

# One folder per run, named with its process id; the next run removes those whose run ended.
for stale in "${TMPDIR:-/tmp}"/duskmere-profile-run*; do
    [ -d "$stale" ] && [ ! -L "$stale" ] && [ -O "$stale" ] || continue
    kill -0 "${stale##*-run}" 2>/dev/null || rm -rf "$stale"
done
OUT=${TMPDIR:-/tmp}/duskmere-profile-run$$
rm -rf "$OUT"
mkdir -m 700 "$OUT"
trap 'rm -rf "$OUT"' EXIT

echo "== system calls per file (strace -f, one round of $FILES files)"
strace -f -ff -tt -o "$OUT/trace" "$BENCH" tmpfs:1 >"$OUT/bench.log" 2>&1
# Each thread's role from what it does: the worker names files (linkat, renameat2), the threads
# that copy ahead make them (O_TMPFILE), cp is the process that ran cp; the window's thread is the
# benchmark's first, counted only while the worker runs.
python3 - "$OUT" "$FILES" <<'PY'
import collections, glob, os, re, sys
out, files = sys.argv[1], int(sys.argv[2])
call = re.compile(r"^(\d\d:\d\d:\d\d\.\d+) (?:<\.\.\. )?(\w+)")
traces = {}
for path in glob.glob(os.path.join(out, "trace.*")):
    lines = open(path, errors="replace").read().splitlines()
    traces[int(path.rsplit(".", 1)[1])] = lines
main = min(traces)
roles, window = {}, None
for tid, lines in traces.items():
    text = "\n".join(lines)
    if 'execve("/usr/bin/cp"' in text:
        roles[tid] = "cp -r"
    elif "O_TMPFILE" in text:
        roles[tid] = "copying ahead"
    elif "linkat(AT_FDCWD, \"/proc/self/fd/" in text:
        roles[tid] = "worker"
        stamps = [call.match(l).group(1) for l in lines if call.match(l)]
        window = (stamps[0], stamps[-1])
counts = collections.defaultdict(collections.Counter)
for tid, lines in traces.items():
    role = roles.get(tid, "window" if tid == main else None)
    if role is None:
        continue
    for line in lines:
        m = call.match(line)
        if not m or line.startswith(m.group(1) + " <..."):
            continue
        if role == "window" and not (window[0] <= m.group(1) <= window[1]):
            continue
        counts[role][m.group(2)] += 1
order = ["cp -r", "worker", "copying ahead", "window"]
names = sorted({n for c in counts.values() for n in c}, key=lambda n: -max(
    counts[r][n] for r in order))
print("%-18s" % "call" + "".join("%15s" % r for r in order))
for name in names:
    row = [counts[r][name] / files for r in order]
    if max(row) >= 0.01:
        print("%-18s" % name + "".join("%15.2f" % v for v in row))
print("%-18s" % "all" + "".join("%15.2f" % (sum(counts[r].values()) / files) for r in order))
PY

echo "== processor time (perf, three rounds)"
perf record -q -e cpu-clock -F 1999 -g -o "$OUT/perf.data" "$BENCH" tmpfs:3 >"$OUT/bench.log" 2>&1
tail -n1 "$OUT/bench.log"
perf report -i "$OUT/perf.data" --no-children --sort comm,dso -g none --percent-limit 2 2>/dev/null \
    | grep -v '^#' | grep -v '^$'
for comm in CopyThread bench_copy cp; do
    echo "-- $comm: the symbols that cost most, with what they were called from"
    perf report -i "$OUT/perf.data" --comm "$comm" --children --sort sym -g none \
        --percent-limit 4 2>/dev/null | grep -v '^#' | grep -v '^$' | head -25
done
