#!/usr/bin/env bash
# A long run under load: PellWatcher.exe under Wine with three accounts on
# 2-second timers against a scripted loopback server whose connections in
# turn deliver new mail, refuse the password, close mid-reply, stay silent
# until the watchdog and send 1 MB lines. Every 5 seconds the handle count,
# the GDI and USER objects, the memory and the answer time of the window are
# sampled. The run passes when every check ended with its expected status, the
# curves stayed flat after the first minute, the window still answers, the
# program closes when asked and the settings file holds only the expected
# changes.
#   run_soak.sh PellWatcher.exe process_probe.exe OUTPUT
# PELL_SOAK_SECONDS sets the length (default 120).
set -euo pipefail
exe="$1"
probe="$2"
out="$3"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
seconds="${PELL_SOAK_SECONDS:-120}"
interval=5
. "$here/../support/e2e_lib.sh"
pell_need wine python3 Xvfb
pell_begin "$out" "$exe"
cp "$probe" "$out/process_probe.exe"

python3 "$here/soak_server.py" "$out/ports" "$out/server.jsonl" 3 &
pell_track $!
pell_wait_file "$out/ports" 10 || fail "the scripted server did not start"
mapfile -t ports <"$out/ports"

password="$(pell_scramble pw-soak)"
ini="$out/run/Zeririvu.ini"
{
    # MultiExe: other characters of parallel tests must not take this run over.
    printf '[Control]\r\nposx=40\r\nposy=40\r\nMultiExe=Yes\r\n'
    printf '[Poplist]\r\nCount=3\r\nList1=POP1\r\nList2=POP2\r\nList3=POP3\r\n'
    for n in 1 2 3; do
        printf '[POP%d]\r\nPopname=Soak%d\r\nServer=127.0.0.1\r\nPort=%s\r\n' $n $n "${ports[$((n - 1))]}"
        printf 'User=soak%d\r\nPassword=%s\r\nCheck=Yes\r\nTimer=2\r\nOffsetTimer=1\r\n' $n "$password"
        printf 'TimeOut=3\r\nPopup=No\r\n'
    done
} >"$ini"
cp "$ini" "$out/settings-before.ini"

# The checks' outcomes reach the debug output; Wine writes it to stderr.
(cd "$out/run" && WINEDEBUG=-all,+debugstr exec wine PellWatcher.exe) 2>"$out/program.log" &
app=$!
pell_track $app
winexe="$(winepath -w "$out/run/PellWatcher.exe" 2>/dev/null)"
count=$((seconds / interval + 1))
wine "$out/process_probe.exe" watch "$winexe" $((interval * 1000)) "$count" \
    >"$out/samples.tsv" 2>"$out/probe.log" &
probe_pid=$!
pell_track $probe_pid

# Resident private memory of the program's process, beside the probe's rows.
printf 'seconds\tprivate_kb\trss_kb\n' >"$out/memory.tsv"
start=$(date +%s)
while kill -0 "$probe_pid" 2>/dev/null; do
    if [ -r "/proc/$app/smaps_rollup" ]; then
        awk -v t=$(($(date +%s) - start)) '
            /^Rss:/ {rss = $2} /^Private_Clean:/ {pc = $2} /^Private_Dirty:/ {pd = $2}
            END {printf "%d\t%d\t%d\n", t, pc + pd, rss}' "/proc/$app/smaps_rollup" >>"$out/memory.tsv"
    fi
    # On the probe's rhythm, whatever a sample costs.
    now=$(($(date +%s) - start))
    sleep $((interval - now % interval))
done
probe_ok=0
wait "$probe_pid" || probe_ok=$?

answers=1
wine "$out/process_probe.exe" answers "$winexe" >"$out/answers.txt" 2>&1 && answers=0
closed=1
wine "$out/process_probe.exe" close "$winexe" >/dev/null 2>&1 && closed=0
wait "$app" 2>/dev/null || true
cp "$ini" "$out/settings-after.ini"

python3 "$here/soak_report.py" report "$out" "$probe_ok" "$answers" "$closed"
