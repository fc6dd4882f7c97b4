#!/usr/bin/env bash
# What the program costs while it waits: PellWatcher.exe under Wine for 60 s,
# idle with no account and with three accounts on 10-minute timers, beside a
# minimal Win32 window program built the same way. For each: CPU seconds used,
# wake-ups per minute (context switches of the process's threads, which a
# timer firing causes), peak working set; then where the working set beyond
# the minimal program's goes, mapping by mapping.
#   bench/idle_cost.sh            (PELL_IDLE_SECONDS changes the 60 s)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export PELL_BUILD_ROOT="${PELL_BUILD_ROOT:-$root/build}"
. "$root/scripts/wine-env.sh"
seconds="${PELL_IDLE_SECONDS:-60}"
settle=10
out="$PELL_BUILD_ROOT/bench-idle"

PELL_BUILD_TARGETS="PellWatcher minimal_window window_probe" \
    "$root/scripts/build.sh" win64 -DPELL_BUILD_BENCH=ON >/dev/null
win="$PELL_BUILD_ROOT/win64"
pell_wine_prefix
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    if [ -n "${PELL_XVFB_PID:-}" ]; then kill "$PELL_XVFB_PID" 2>/dev/null || true; fi
}
trap cleanup EXIT
trap "exit 1" INT TERM
pell_ensure_display
rm -rf "$out"
mkdir -p "$out"

# Three accounts need a server for their first check: an empty mailbox.
python3 - "$out/port" <<'PY' &
import socket, sys, threading
s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(8)
open(sys.argv[1], "w").write("%d\n" % s.getsockname()[1])
def serve(c):
    f = c.makefile("rb"); c.sendall(b"+OK ready\r\n")
    for line in f:
        word = line.split()[0].upper() if line.split() else b""
        c.sendall(b"+OK 0 0\r\n" if word == b"STAT" else b"+OK\r\n")
        if word == b"QUIT": break
    c.close()
while True:
    c, _ = s.accept(); threading.Thread(target=serve, args=(c,), daemon=True).start()
PY
pids+=($!)
for _ in $(seq 50); do [ -s "$out/port" ] && break; sleep 0.1; done
port="$(cat "$out/port")"

# Sums over the threads of a process: CPU ticks and context switches.
ticks() { cat /proc/"$1"/task/*/stat 2>/dev/null | sed 's/.*) //' | awk '{t += $12 + $13} END {print t + 0}'; }
switches() {
    cat /proc/"$1"/task/*/status 2>/dev/null |
        awk '/^(voluntary|nonvoluntary)_ctxt_switches/ {n += $2} END {print n + 0}'
}
hz="$(getconf CLK_TCK)"

# run NAME EXE [settings lines...]: measures one program; leaves NAME.* files.
run() {
    local name="$1" exe="$2"
    shift 2
    local dir="$out/$name"
    mkdir -p "$dir"
    cp "$exe" "$dir/"
    if [ $# -gt 0 ]; then printf '%s\r\n' "$@" >"$dir/Zeririvu.ini"; fi
    xdotool mousemove 1270 790 2>/dev/null || true  # the pointer away from the character
    (cd "$dir" && exec wine "$(basename "$exe")") >"$dir/wine.log" 2>&1 &
    local pid=$!
    pids+=($pid)
    sleep "$settle"
    local t0 s0 t1 s1
    t0="$(ticks $pid)"
    s0="$(switches $pid)"
    sleep "$seconds"
    t1="$(ticks $pid)"
    s1="$(switches $pid)"
    cp "/proc/$pid/smaps" "$out/$name.smaps"
    local hwm
    hwm="$(awk '/^VmHWM/ {print $2}' /proc/$pid/status)"
    awk -v n="$name" -v c=$((t1 - t0)) -v hz="$hz" -v w=$((s1 - s0)) -v s="$seconds" -v m="$hwm" \
        'BEGIN {printf "%-22s %10.2f %16.1f %16.1f\n", n, c / hz, w * 60 / s, m / 1024}' \
        >>"$out/table.txt"
    if [ "$name" = minimal ]; then
        kill "$pid" 2>/dev/null || true
    else
        wine "$win/tests/window_probe.exe" --close >/dev/null 2>&1 || kill "$pid" 2>/dev/null || true
    fi
    wait "$pid" 2>/dev/null || true
}

password="$(python3 "$root/tests/soak/soak_report.py" scramble pw)"
accounts=('[Poplist]' 'Count=3' 'List1=POP1' 'List2=POP2' 'List3=POP3')
for n in 1 2 3; do
    accounts+=("[POP$n]" "Popname=Idle$n" 'Server=127.0.0.1' "Port=$port" "User=u$n"
               "Password=$password" 'Timer=600' 'OffsetTimer=1' 'TimeOut=30')
done
run minimal "$win/bench/minimal_window.exe"
run no-account "$win/PellWatcher.exe" '[Control]' 'posx=40' 'posy=40'
run three-accounts "$win/PellWatcher.exe" '[Control]' 'posx=40' 'posy=40' "${accounts[@]}"

echo "Idle for $seconds s after $settle s of start-up (Wine, Xvfb, pointer away):"
printf '%-22s %10s %16s %16s\n' program "CPU s" "wake-ups/min" "peak WS MB"
cat "$out/table.txt"

# Resident memory by mapping: what the program has that the minimal one has not.
python3 - "$out/minimal.smaps" "$out/three-accounts.smaps" <<'PY'
import collections, os, re, sys
def rss(path):
    by = collections.Counter(); name = None
    for line in open(path):
        if re.match(r"^[0-9a-f]+-[0-9a-f]+ ", line):
            parts = line.split(None, 5)
            target = parts[5].strip() if len(parts) > 5 else ""
            name = os.path.basename(target) if target.startswith("/") else (target or "[anonymous]")
        elif line.startswith("Rss:") and name:
            by[name] += int(line.split()[1])
    return by
base, prog = rss(sys.argv[1]), rss(sys.argv[2])
diff = {k: prog[k] - base.get(k, 0) for k in set(prog) | set(base)}
total = sum(prog.values()) - sum(base.values())
print("\nResident memory, three accounts minus minimal program: %+.1f MB" % (total / 1024))
for name, kb in sorted(diff.items(), key=lambda kv: -abs(kv[1]))[:14]:
    if abs(kb) >= 64:
        print("  %+8.1f MB  %s" % (kb / 1024, name))
PY
