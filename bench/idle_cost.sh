#!/usr/bin/env bash
# What the program costs while it waits: PellWatcher.exe under Wine for 60 s,
# idle with no account, with three accounts on 10-minute timers and with two
# IMAP accounts waiting in IDLE (each holds a connection on a thread of its
# own, and the server stays silent), beside a minimal Win32 window program
# built the same way. For each: CPU seconds used,
# timer wake-ups per minute (WM_TIMER messages fetched, from Wine's message
# trace), context switches per minute of the process's threads (every wake-up,
# whatever its cause), peak working set; then where the working set beyond
# the minimal program's goes, mapping by mapping. Both programs run stripped.
#   bench/idle_cost.sh            (PELL_IDLE_SECONDS changes the 60 s)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export PELL_BUILD_ROOT="${PELL_BUILD_ROOT:-$root/build}"
. "$root/scripts/wine-env.sh"
. "$root/tests/support/e2e_lib.sh"
seconds="${PELL_IDLE_SECONDS:-60}"
settle=10
out="$PELL_BUILD_ROOT/bench-idle"

PELL_BUILD_TARGETS="PellWatcher minimal_window window_probe" \
    "$root/scripts/build.sh" win64 -DPELL_BUILD_BENCH=ON >/dev/null
win="$PELL_BUILD_ROOT/win64"
pell_wine_prefix
pell_display
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
pell_track $!
pell_wait_file "$out/port" 5 || true
port="$(cat "$out/port")"

# Two IMAP accounts wait in IDLE on an empty folder that never changes.
python3 - "$out/imap_port" "$out/imap.log" <<'PY' &
import socket, sys, threading
s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(8)
open(sys.argv[1], "w").write("%d\n" % s.getsockname()[1])
def serve(c):
    f = c.makefile("rb"); c.sendall(b"* OK [CAPABILITY IMAP4rev1 IDLE] ready\r\n")
    for line in f:
        words = line.split()
        if len(words) < 2: continue
        tag, command = words[0], words[1].upper()
        if command == b"CAPABILITY":
            c.sendall(b"* CAPABILITY IMAP4rev1 IDLE\r\n")
        elif command == b"EXAMINE":
            c.sendall(b"* 0 EXISTS\r\n* OK [UIDVALIDITY 1] ok\r\n* OK [UIDNEXT 1] ok\r\n")
        elif command == b"UID" and len(words) > 2 and words[2].upper() == b"SEARCH":
            c.sendall(b"* SEARCH\r\n")
        elif command == b"IDLE":
            c.sendall(b"+ idling\r\n")
            with open(sys.argv[2], "a") as log: log.write("IDLE\n")
            if not f.readline(): break
        elif command == b"LOGOUT":
            c.sendall(b"* BYE bye\r\n" + tag + b" OK done\r\n"); break
        c.sendall(tag + b" OK done\r\n")
    c.close()
while True:
    c, _ = s.accept(); threading.Thread(target=serve, args=(c,), daemon=True).start()
PY
pell_track $!
pell_wait_file "$out/imap_port" 5 || true
imap_port="$(cat "$out/imap_port")"

# Sums over the threads of a process: CPU ticks and context switches.
ticks() { cat /proc/"$1"/task/*/stat 2>/dev/null | sed 's/.*) //' | awk '{t += $12 + $13} END {print t + 0}'; }
switches() {
    cat /proc/"$1"/task/*/status 2>/dev/null |
        awk '/^(voluntary|nonvoluntary)_ctxt_switches/ {n += $2} END {print n + 0}'
}
hz="$(getconf CLK_TCK)"
timer_messages() { grep -c 'msg 113 (WM_TIMER)' "$1" 2>/dev/null || true; }

# run NAME EXE [settings lines...]: measures one program; leaves NAME.* files.
run() {
    local name="$1" exe="$2"
    shift 2
    local dir="$out/$name"
    mkdir -p "$dir"
    # Stripped, as the release ships it: Wine reads every section of the image
    # into memory, the debug sections included (over 6 MB of them).
    x86_64-w64-mingw32-strip -o "$dir/$(basename "$exe")" "$exe"
    if [ $# -gt 0 ]; then printf '%s\r\n' "$@" >"$dir/Zeririvu.ini"; fi
    xdotool mousemove 1270 790 2>/dev/null || true  # the pointer away from the character
    # The message trace costs nothing while no message flows.
    (cd "$dir" && WINEDEBUG=-all,+msg exec wine "$(basename "$exe")") >"$dir/wine.log" 2>&1 &
    local pid=$!
    pell_track $pid
    sleep "$settle"
    local t0 s0 m0 t1 s1 m1
    t0="$(ticks $pid)"
    s0="$(switches $pid)"
    m0="$(timer_messages "$dir/wine.log")"
    sleep "$seconds"
    t1="$(ticks $pid)"
    s1="$(switches $pid)"
    m1="$(timer_messages "$dir/wine.log")"
    cp "/proc/$pid/smaps" "$out/$name.smaps"
    local hwm
    hwm="$(awk '/^VmHWM/ {print $2}' /proc/$pid/status)"
    awk -v n="$name" -v c=$((t1 - t0)) -v hz="$hz" -v t=$((m1 - m0)) -v w=$((s1 - s0)) \
        -v s="$seconds" -v m="$hwm" \
        'BEGIN {printf "%-20s %8.2f %14.1f %14.1f %12.1f\n", n, c / hz, t * 60 / s, w * 60 / s, m / 1024}' \
        >>"$out/table.txt"
    if [ "$name" = minimal ]; then
        kill "$pid" 2>/dev/null || true
    else
        wine "$win/tests/window_probe.exe" --close >/dev/null 2>&1 || kill "$pid" 2>/dev/null || true
    fi
    wait "$pid" 2>/dev/null || true
}

password="$(pell_scramble pw)"
accounts=('[Poplist]' 'Count=3' 'List1=POP1' 'List2=POP2' 'List3=POP3')
for n in 1 2 3; do
    accounts+=("[POP$n]" "Popname=Idle$n" 'Server=127.0.0.1' "Port=$port" "User=u$n"
               "Password=$password" 'Timer=600' 'OffsetTimer=1' 'TimeOut=30')
done
run minimal "$win/bench/minimal_window.exe"
run no-account "$win/PellWatcher.exe" '[Control]' 'posx=40' 'posy=40'
run three-accounts "$win/PellWatcher.exe" '[Control]' 'posx=40' 'posy=40' "${accounts[@]}"
idle_accounts=('[Poplist]' 'Count=2' 'List1=POP1' 'List2=POP2')
for n in 1 2; do
    idle_accounts+=("[POP$n]" "Popname=Push$n" 'Server=127.0.0.1' "Port=$imap_port" 'Protocol=1'
                    'Idle=Yes' "User=u$n" "Password=$password" 'Timer=600' 'OffsetTimer=1'
                    'TimeOut=30')
done
run two-idle-accounts "$win/PellWatcher.exe" '[Control]' 'posx=40' 'posy=40' "${idle_accounts[@]}"
idles="$(grep -c IDLE "$out/imap.log" 2>/dev/null || true)"
[ "${idles:-0}" -ge 2 ] || fail "the two IMAP accounts did not both wait in IDLE (${idles:-0})"
# The yardstick of the yardstick: a timer the user asked for (raise again
# every 100 ms) must show as about 600 wake-ups per minute.
run raise-every-100ms "$win/PellWatcher.exe" '[Control]' 'posx=40' 'posy=40' 'Topmost=Yes' \
    'MoreTopmost=Yes' 'MoreTopmostTimer=100'

echo "Idle for $seconds s after $settle s of start-up (Wine, Xvfb, pointer away):"
printf '%-20s %8s %14s %14s %12s\n' program "CPU s" "timer wake/min" "switches/min" "peak WS MB"
cat "$out/table.txt"

# Resident memory by mapping: what the program has that the minimal one has not.
python3 - "$out" <<'PY'
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
base = rss(os.path.join(sys.argv[1], "minimal.smaps"))
for run in ("no-account", "three-accounts", "two-idle-accounts"):
    prog = rss(os.path.join(sys.argv[1], run + ".smaps"))
    diff = {k: prog[k] - base.get(k, 0) for k in set(prog) | set(base)}
    total = sum(prog.values()) - sum(base.values())
    print("\nResident at the end, %s minus the minimal program: %+.1f MB" % (run, total / 1024))
    for name, kb in sorted(diff.items(), key=lambda kv: -abs(kv[1]))[:10]:
        if abs(kb) >= 96:
            print("  %+8.1f MB  %s" % (kb / 1024, name))
PY
