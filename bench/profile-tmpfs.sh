#!/usr/bin/env bash
# Where the copy of many small files spends its time when the disk costs nothing: the tmpfs case
# of bench_copy, one round, traced with strace per thread, and three rounds sampled with perf.
# Prints the system calls per file of `cp -r` and of each of the copy's threads (the worker that
# gives names, the threads that copy ahead, the window's thread while the copy runs), then the
# processor time per file of each, by the system call it was spent in, and last how the two cores
# were used while the worker ran: what each thread waited for, and when a core stood idle. Needs
# strace and perf (perf's software clock is enough where the machine has no hardware counters),
# and for the last part the right to trace the whole machine (root).
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
# Each thread's role from what it does: the worker names anonymous files (linkat), the threads
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
    elif re.search(r'linkat\((\d+, "", .*AT_EMPTY_PATH|AT_FDCWD, "/proc/self/fd/)', text):
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

echo "== processor time per file by thread and system call (perf, three rounds)"
perf record -q -e cpu-clock -F 1999 -g -o "$OUT/perf.data" "$BENCH" tmpfs:3 >"$OUT/bench.log" 2>&1
tail -n1 "$OUT/bench.log"
perf script -i "$OUT/perf.data" -F comm,tid,time,ip,sym 2>/dev/null >"$OUT/samples"
# A sample's system call is the kernel's entry for it on its stack; the worker is the copy's
# thread that names files, the window's thread is counted while a worker runs.
python3 - "$OUT/samples" "$FILES" 1999 3 <<'PY'
import collections, re, sys
path, files, rate, rounds = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
samples = []
for block in open(path, errors="replace").read().split("\n\n"):
    lines = block.strip().splitlines()
    if not lines:
        continue
    comm, tid, time = lines[0].split()[:3]
    syms = [l.split(None, 1)[1] if len(l.split(None, 1)) > 1 else "?" for l in lines[1:]]
    call = None
    for sym in syms:
        m = re.match(r"__(?:x64|do)_sys_(\w+)", sym)
        if m:
            call = m.group(1)
            break
    if call is None and "do_syscall_64" in syms:
        i = syms.index("do_syscall_64")
        caller = syms[i + 2] if i + 2 < len(syms) else ""
        call = ("write" if "write" in caller else "futex" if "cond" in caller or "lll" in caller
                else "other call")
    samples.append((comm, tid, float(time.rstrip(":")), call or "user space"))
names = collections.defaultdict(collections.Counter)
for comm, tid, _, call in samples:
    names[(comm, tid)][call] += 1
main = min(tid for comm, tid in names if comm == "bench_copy")
role = {}
for (comm, tid), calls in names.items():
    if comm == "CopyThread":
        role[tid] = "worker" if calls["linkat"] + calls["write"] > calls["copy_file_range"] \
            else "copying ahead"
    elif comm == "cp":
        role[tid] = "cp -r"
spans = collections.defaultdict(list)
for comm, tid, time, _ in samples:
    if role.get(tid) == "worker":
        spans[tid].append(time)
windows = [(min(t), max(t)) for t in spans.values()]
counts = collections.defaultdict(collections.Counter)
for comm, tid, time, call in samples:
    r = role.get(tid)
    if r is None and tid == main and any(a <= time <= b for a, b in windows):
        r = "window"
    if r:
        counts[r][call] += 1
micro = 1e6 / rate / (rounds * files)
for r in ["cp -r", "worker", "copying ahead", "window"]:
    print("%-14s %6.1f us per file:" % (r, sum(counts[r].values()) * micro), ", ".join(
        "%s %.1f" % (c, n * micro) for c, n in counts[r].most_common(8)))
PY

echo "== the two cores while the worker runs (perf sched events, one round)"
# Whether the cores wait on the copy's threads: every switch and wake-up of the machine, then for
# each thread of the copy the time it ran, waited for a processor, and slept, and the time a core
# stood idle, by what the copy's threads were doing when it went idle. The worker is the copy's
# thread that wakes the window's thread most (its two signals per file).
perf record -q -a -e sched:sched_switch,sched:sched_wakeup -o "$OUT/sched.data" \
    "$BENCH" tmpfs:1 >"$OUT/bench.log" 2>&1
perf script -i "$OUT/sched.data" -F comm,tid,cpu,time,event,trace 2>/dev/null >"$OUT/sched"
python3 - "$OUT/sched" <<'PY'
import collections, re, sys
switch = re.compile(r"\s*(.+?)\s+(\d+)\s+\[(\d+)\]\s+([\d.]+):\s+sched:sched_switch:\s+"
                    r"prev_comm=.*? prev_pid=(\d+) .*prev_state=(\S+) "
                    r"==> next_comm=(.*?) next_pid=(\d+)")
wakeup = re.compile(r"\s*(.+?)\s+(\d+)\s+\[(\d+)\]\s+([\d.]+):\s+sched:sched_wakeup:\s+"
                    r"comm=(.*?) pid=(\d+)")
events, comm = [], {}
for line in open(sys.argv[1], errors="replace"):
    m = switch.match(line)
    if m:
        comm[int(m[2])] = m[1]
        events.append(("switch", int(m[3]), float(m[4]), int(m[5]), m[6], int(m[8])))
        comm.setdefault(int(m[8]), m[7])
        continue
    m = wakeup.match(line)
    if m:
        comm[int(m[2])] = m[1]
        comm.setdefault(int(m[6]), m[5])
        events.append(("wakeup", int(m[3]), float(m[4]), int(m[2]), int(m[6])))
main = min(t for t, c in comm.items() if c == "bench_copy")
copy = {t for t, c in comm.items() if c == "CopyThread"}
wakes = collections.Counter(
    e[3] for e in events if e[0] == "wakeup" and e[4] == main and e[3] in copy)
worker = wakes.most_common(1)[0][0]
role = {t: ("worker" if t == worker else "copying ahead") for t in copy}
role[main] = "window"
stamps = [e[2] for e in events if e[0] == "switch" and (e[3] == worker or e[5] == worker)]
begin, end = min(stamps), max(stamps)
state, since, spent = {}, {}, collections.defaultdict(collections.Counter)
idle, last = collections.Counter(), {}
def enter(tid, now, what):
    if tid in state and tid in role:
        spent[role[tid]][state[tid]] += max(0, min(now, end) - max(since[tid], begin))
    state[tid], since[tid] = what, now
def snapshot():
    ahead = collections.Counter(s for t, s in state.items() if role.get(t) == "copying ahead")
    return "worker %s; copying ahead: %d run, %d wait, %d sleep" % (
        state.get(worker, "-"), ahead["run"], ahead["wait"], ahead["sleep"])
for e in events:
    if e[0] == "wakeup":
        if state.get(e[4]) != "run":
            enter(e[4], e[2], "wait")
        continue
    _, cpu, now, prev, prev_state, nxt = e
    if cpu in last and last[cpu][1] is not None and begin <= now <= end:
        idle[last[cpu][1]] += now - max(last[cpu][0], begin)
    enter(prev, now, "wait" if prev_state.startswith("R") else "sleep")
    enter(nxt, now, "run")
    last[cpu] = (now, snapshot() if comm.get(nxt, "").startswith("swapper") else None)
span = end - begin
print("while the worker ran (%.0f ms) the two cores stood idle %.0f%% of the time" % (
    span * 1e3, 100 * sum(idle.values()) / (2 * span)))
for r in ["worker", "copying ahead", "window"]:
    print("%-14s" % r, ", ".join(
        "%s %.0f ms" % (s, spent[r][s] * 1e3) for s in ["run", "wait", "sleep"]))
print("idle while:")
for what, seconds in idle.most_common(5):
    print("  %5.1f ms  %s" % (seconds * 1e3, what))
PY
