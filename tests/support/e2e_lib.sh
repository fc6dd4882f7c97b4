# shellcheck shell=bash
# Sourced by the end-to-end, soak and integration scripts and the idle
# benchmark: the steps they share, as functions. Sourcing only defines them.
pell_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
pell_pids=()
pell_program=""
pell_size=""

fail() {
    echo "FAIL: $*"
    exit 1
}

# pell_need TOOL...: skips the test (CTest's skip code 77) when one is missing.
pell_need() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
    done
}

# pell_need_dovecot FIXTURE_DIR: skips unless the test Dovecot server runs.
pell_need_dovecot() {
    [ -s "$1/port" ] || { echo "SKIP: the test Dovecot server is not running"; exit 77; }
}

# The build's private Wine prefix with the Japanese locale.
pell_wine() {
    . "$pell_root/scripts/wine-env.sh"
    pell_wine_prefix
}

# pell_track PID...: processes that end with the script.
pell_track() { pell_pids+=("$@"); }

pell_cleanup() {
    local pid
    for pid in "${pell_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    if [ -n "${PELL_XVFB_PID:-}" ]; then kill "$PELL_XVFB_PID" 2>/dev/null || true; fi
}

# The cleanup at exit (an interrupt too), and a private Xvfb unless DISPLAY is set.
pell_display() {
    trap pell_cleanup EXIT
    trap "exit 1" INT TERM
    pell_ensure_display
}

# pell_begin OUT PellWatcher.exe [FILE...]: the Wine prefix, a fresh OUT whose
# folder OUT/run holds the program and the FILEs, and the display.
pell_begin() {
    local out="$1" exe="$2"
    shift 2
    pell_wine
    rm -rf "$out"
    mkdir -p "$out/run"
    cp "$exe" "$out/run/PellWatcher.exe"
    if [ $# -gt 0 ]; then cp "$@" "$out/run/"; fi
    pell_display
}

# pell_start_program OUT [ARGS...]: PellWatcher.exe from OUT/run, its output
# in OUT/wine.log; its id in $pell_program.
pell_start_program() {
    local out="$1"
    shift
    (cd "$out/run" && exec wine PellWatcher.exe "$@") >"$out/wine.log" 2>&1 &
    pell_program=$!
    pell_program_log="$out/wine.log"
    pell_track "$pell_program"
}

# pell_end_program DIR: ends the program of pell_start_program by its exit
# command, through window_probe.exe in DIR, and fails unless it ended with
# code 0, its Wine process went and nothing crashed. The milliseconds from
# the command to the end are left in $pell_exit_ms.
pell_end_program() {
    local result code
    result="$(cd "$1" && wine window_probe.exe --exit | tr -d '\r')" ||
        fail "the program did not end: $result"
    read -r pell_exit_ms code <<<"$result"
    echo "the program ended ${pell_exit_ms} ms after the exit command, exit code $code"
    [ "$code" -eq 0 ] || fail "exit code $code"
    pell_wait_until 10 pell_program_ended || fail "the Wine process stayed"
    if grep -Eq 'Unhandled (exception|page fault)|winedbg' "$pell_program_log"; then
        cat "$pell_program_log"
        fail "the program crashed"
    fi
}

pell_program_ended() { ! kill -0 "$pell_program" 2>/dev/null; }

# pell_wait_until SECONDS COMMAND...: until the command succeeds (false when
# it still fails after that long).
pell_wait_until() {
    local seconds="$1"
    shift
    for _ in $(seq $((seconds * 10))); do
        "$@" && return 0
        sleep 0.1
    done
    "$@"
}

# pell_wait_file FILE SECONDS: until FILE is there and not empty.
pell_wait_file() { pell_wait_until "$2" test -s "$1"; }

# pell_find_window SECONDS SEARCH...: the first window xdotool's search finds.
pell_find_window() {
    local seconds="$1" found
    shift
    for _ in $(seq $((seconds * 10))); do
        found="$(xdotool search "$@" 2>/dev/null | head -1 || true)"
        [ -n "$found" ] && { echo "$found"; return 0; }
        sleep 0.1
    done
    return 1
}

pell_character_window() { pell_find_window 30 --name '^Pell32 VESK$'; }

# pell_wait_size WINDOW SIZE SECONDS: until the window is SIZE (WxH); the last
# size seen stays in $pell_size.
pell_wait_size() {
    pell_size=""
    for _ in $(seq $(($3 * 5))); do
        pell_size="$(xdotool getwindowgeometry "$1" | sed -n 's/.*Geometry: //p')"
        [ "$pell_size" = "$2" ] && return 0
        sleep 0.2
    done
    return 1
}

# pell_screenshot FILE WxH+X+Y: that part of the screen.
pell_screenshot() { import -window root -crop "$2" +repage "$1"; }

# pell_geometry WINDOW: "X Y W H" of the window.
pell_geometry() {
    xdotool getwindowgeometry --shell "$1" | awk -F= '
        /^X=/ {x=$2} /^Y=/ {y=$2} /^WIDTH=/ {w=$2} /^HEIGHT=/ {h=$2}
        END {print x, y, w, h}'
}

# pell_count_colour FILE COLOUR: the pixels of that colour (#RRGGBB) in a
# screenshot.
pell_count_colour() {
    convert "$1" -fuzz 3% -fill white -opaque "$2" -fill black +opaque white \
        -format '%[fx:round(mean*w*h)]' info:
}

# pell_popup_settings PORT: a settings file (on standard output) of one
# account, POP9, on the test server's PORT, with every pop-up on, its list
# staying until closed; the character at 300,200, quick tooltips.
pell_popup_settings() {
    printf '[Control]\r\nposx=300\r\nposy=200\r\nTaskTray=No\r\nTopmost=Yes\r\n'
    printf 'ToolTipDelay=5\r\nToolTipKillDelay=100\r\n'
    printf '[Poplist]\r\nCount=1\r\nList1=POP9\r\n'
    printf '[POP9]\r\nPopname=Account1\r\nServer=127.0.0.1\r\nPort=%s\r\n' "$1"
    printf 'User=pelltest\r\nPassword=%s\r\nCheck=Yes\r\nTimer=600\r\nOffsetTimer=1\r\n' \
        "$(pell_scramble pw-Secret9)"
    printf 'TimeOut=20\r\nPopup=Yes\r\nPopupSubj=Yes\r\nPopupBody=Yes\r\n'
}

# pell_clear_mailbox MAILDIR: no messages, and Dovecot's index of the folder
# gone too: an index kept across cases (an IMAP case's among them) may go on
# listing messages whose files went in the same second as new ones came.
pell_clear_mailbox() {
    find "$1/new" "$1/cur" -type f -delete
    find "$1" -mindepth 1 -maxdepth 1 -name 'dovecot*' -exec rm -rf {} +
}

# pell_deliver FILE: the message on standard input, readable by the server's
# mail user.
pell_deliver() {
    cat >"$1"
    chown pellmail:pellmail "$1" 2>/dev/null || true
}

# pell_hello_message MESSAGE_ID: a short plain mail from Bob.
pell_hello_message() {
    printf 'Message-ID: <%s>\r\nFrom: Bob <bob@pell.test>\r\nTo: pelltest@pell.test\r\nSubject: hello\r\nDate: Mon, 7 Dec 2026 05:00:00 +0000\r\n\r\nHi.\r\n' \
        "$1"
}

# pell_scramble PASSWORD: the password as the settings file keeps it.
pell_scramble() { python3 "$pell_root/tests/soak/soak_report.py" scramble "$1"; }

# A loopback port nothing listens on.
pell_free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

# pell_pellcheck PELLCHECK SETTINGS [OPTIONS...]: one run of pellcheck; one
# ending in .exe runs under Wine and is given the file's Windows path.
pell_pellcheck() {
    local program="$1" settings="$2"
    shift 2
    if [[ "$program" == *.exe ]]; then
        settings="$(. "$pell_root/scripts/wine-env.sh" && winepath -w "$settings" 2>/dev/null)"
        "$pell_root/scripts/wine-run.sh" "$program" --settings "$settings" "$@"
    else
        "$program" --settings "$settings" "$@"
    fi
}

# pell_mail_user: the system user the test mail servers serve as (made when
# missing, without a home or a shell); its name in $pell_mail_user.
pell_mail_user() {
    pell_mail_user=pellmail
    id "$pell_mail_user" >/dev/null 2>&1 ||
        useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin \
            "$pell_mail_user"
}

# pell_json_field JSON NAME...: the named values of pellcheck's first JSON
# line, blank-separated ("summaries.0.subject" reaches inside; a list gives
# its length, a place beyond a list "-").
pell_json_field() {
    python3 - "$@" <<'PY'
import json, sys
top = json.loads(sys.argv[1].splitlines()[0])
found = []
for name in sys.argv[2:]:
    value = top
    for part in name.split("."):
        if isinstance(value, list):
            value = value[int(part)] if int(part) < len(value) else "-"
        elif value != "-":
            value = value[part]
    found.append(str(len(value) if isinstance(value, list) else value))
print(" ".join(found))
PY
}

# pell_ini_set FILE KEY VALUE: the key of section POP1 set (VALUE in UTF-8,
# stored in Shift_JIS), in place of any earlier assignment.
pell_ini_set() {
    python3 - "$@" <<'PY'
import sys, re
path, key, value = sys.argv[1:]
text = open(path, "rb").read()
text = re.sub(rb"(?mi)^" + re.escape(key.encode()) + rb"=.*\r?\n", b"", text)
line = key.encode() + b"=" + value.encode("cp932") + b"\r\n"
text = text.replace(b"[POP1]\r\n", b"[POP1]\r\n" + line, 1)
open(path, "wb").write(text)
PY
}

# pell_ini_get FILE KEY: the key's value in section POP1, or "(missing)".
pell_ini_get() {
    python3 - "$@" <<'PY'
import sys
path, key = sys.argv[1:]
section = ""
for line in open(path, "rb").read().decode("latin-1").splitlines():
    line = line.strip()
    if line.startswith("["):
        section = line.strip("[]")
    elif section == "POP1" and line.lower().startswith(key.lower() + "="):
        print(line.split("=", 1)[1]); sys.exit(0)
print("(missing)")
PY
}

# pell_json_run PELLCHECK SETTINGS [OPTIONS...]: one run of pellcheck --json;
# its exit code in $status_code, its first output line (without CRs) in
# $json, what it wrote to standard error in the file $pell_errors (which the
# caller names).
pell_json_run() {
    local program="$1" settings="$2"
    shift 2
    set +e
    json="$(pell_pellcheck "$program" "$settings" --json "$@" 2>"$pell_errors")"
    status_code=$?
    set -e
    json="${json//$'\r'/}"
}

# pell_expect WHAT ACTUAL EXPECTED: fails the test, with pellcheck's last
# output, unless ACTUAL is EXPECTED.
pell_expect() {
    [ "$2" = "$3" ] || fail "$1: got '$2', expected '$3' (output: $json; $(cat "$pell_errors"))"
}
