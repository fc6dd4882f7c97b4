#!/usr/bin/env bash
# Builds PellWatcher.exe (x86_64) and runs it under Wine.
#
#   scripts/run.sh [-- SKIN.dll]
#       The demo: a private Dovecot on 127.0.0.1 (build/demo/dovecot) with a
#       demo mailbox, a copy of the program in build/demo with its settings
#       beside it (no real settings are touched), pop-ups on. A few seconds
#       after the start three sample messages arrive: the character thinks,
#       holds up its letter and the list of new mail opens. On a screen of its
#       own the demo then opens the newest message in the viewer and rests the
#       pointer on the character for the tooltip. Beside the POP3 account an
#       IMAP account waits in IDLE on the folder 携帯; a message saved there
#       is announced at once. Screenshots of these moments go to
#       build/demo/screenshots. The server stops when the program ends.
#   scripts/run.sh --settings FILE [-- SKIN.dll]
#       The program on a real settings file (created when missing): a copy of
#       the program in build/run reads and writes FILE itself.
#
# Without a DISPLAY it starts Xvfb; nobody can see that screen, so the demo
# then ends by itself after its last screenshot (PELL_DEMO_SECONDS after the
# start at the latest, default 60). With a display, end the program from its
# menu (right click: 終了(X)).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
settings=""
while [ $# -gt 0 ]; do
    case "$1" in
        --settings)
            [ $# -ge 2 ] || { echo "run.sh: --settings needs a file" >&2; exit 2; }
            settings="$2"
            shift 2
            ;;
        --) shift; break ;;
        -h | --help) sed -n '2,/^set /s/^# \{0,1\}//p' "$0"; exit 0 ;;
        -*) echo "run.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
        *) break ;;
    esac
done
# The program runs in a folder of its own, so a skin is given by its full path
# (Wine maps it to drive Z:).
if [ $# -gt 0 ]; then
    [ -f "$1" ] || { echo "run.sh: no skin file $1" >&2; exit 2; }
    set -- "$(realpath "$1")"
fi
if [ -n "$settings" ] && [ ! -d "$(dirname "$settings")" ]; then
    echo "run.sh: no folder $(dirname "$settings") for the settings file" >&2
    exit 2
fi

"$root/scripts/setup.sh"
export PELL_BUILD_ROOT="${PELL_BUILD_ROOT:-$root/build}"
. "$root/scripts/wine-env.sh"
PELL_BUILD_TARGETS="PellWatcher window_probe" "$root/scripts/build.sh" win64
win="$PELL_BUILD_ROOT/win64"
pell_wine_prefix
own_display=0
[ -n "${DISPLAY:-}" ] || own_display=1
pell_ensure_display

pids=()
dovecot_dir=""
app=""
cleanup() {
    if [ -n "$app" ] && kill -0 "$app" 2>/dev/null; then
        wine "$win/tests/window_probe.exe" --close >/dev/null 2>&1 || true
        wait "$app" 2>/dev/null || true
    fi
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    if [ -n "$dovecot_dir" ]; then
        "$root/tests/integration/dovecot_fixture.sh" stop "$dovecot_dir" || true
        echo "The demo server has stopped."
    fi
    if [ -n "${PELL_XVFB_PID:-}" ]; then
        # Wine's own helpers leave first, or they complain of a lost screen.
        timeout 10 wineserver -w 2>/dev/null || true
        kill "$PELL_XVFB_PID" 2>/dev/null || true
    fi
}
trap cleanup EXIT
trap "exit 130" INT TERM

# ---- A real settings file -------------------------------------------------
if [ -n "$settings" ]; then
    if [ ! -e "$settings" ]; then
        : >"$settings"
        echo "Created the empty settings file $settings."
    fi
    file="$(realpath "$settings")"
    dir="$PELL_BUILD_ROOT/run"
    rm -rf "$dir"
    mkdir -p "$dir"
    cp "$win/PellWatcher.exe" "$dir/"
    # The program takes Zeririvu.ini beside itself: the link makes that FILE.
    ln -s "$file" "$dir/Zeririvu.ini"
    echo "Running PellWatcher.exe on $file (Wine's messages: $dir/wine.log)"
    (cd "$dir" && exec wine PellWatcher.exe "$@") >"$dir/wine.log" 2>&1 &
    app=$!
    sleep "${PELL_SCREENSHOT_DELAY:-6}"
    if import -window root "$PELL_BUILD_ROOT/screenshot.png" 2>/dev/null; then
        echo "Screenshot: $PELL_BUILD_ROOT/screenshot.png"
    fi
    if [ "$own_display" = 1 ]; then
        echo "It runs on the private screen $DISPLAY, which nobody sees: drive it with"
        echo "DISPLAY=$DISPLAY xdotool, look with DISPLAY=$DISPLAY import -window root FILE.png,"
        echo "and end it with Ctrl-C."
    else
        echo "End the program from its menu (right click on the character: 終了(X))."
    fi
    wait "$app" || true
    app=""
    exit 0
fi

# ---- The demo ---------------------------------------------------------------
demo="$PELL_BUILD_ROOT/demo"
shots="$demo/screenshots"
rm -rf "$demo"
mkdir -p "$shots"
cp "$win/PellWatcher.exe" "$demo/"
dovecot_dir="$demo/dovecot"
echo "Starting the demo mail server (Dovecot on 127.0.0.1)..."
"$root/tests/integration/dovecot_fixture.sh" start "$dovecot_dir"
maildir="$dovecot_dir/home/Maildir"
python3 "$root/scripts/demo/sample_mail.py" welcome "$maildir"
python3 "$root/scripts/demo/slow_relay.py" "$demo/relay-port" "$(cat "$dovecot_dir/port")" 2 \
    "$demo/relay.log" &
pids+=($!)
for _ in $(seq 50); do [ -s "$demo/relay-port" ] && break; sleep 0.1; done

# The IMAP account's folder (where Dovecot's IMAP server is installed).
imap_port="$(cat "$dovecot_dir/imap_port" 2>/dev/null || true)"
doveadm_demo() { doveadm -c "$dovecot_dir/dovecot.conf" "$@"; }
if [ -n "$imap_port" ] && ! doveadm_demo mailbox create -u pelltest 携帯; then
    echo "The IMAP folder of the demo could not be made: the demo shows POP3 only." >&2
    imap_port=""
fi

# The demo accounts: the welcome message counts as seen, so the three samples
# are all listed when they arrive. The IMAP account is checked first and then
# waits in IDLE; its 30-minute timer is only the safety net. The settings file
# is Shift_JIS.
password="$(python3 "$root/tests/soak/soak_report.py" scramble pw-Secret9)"
{
    printf '[Control]\r\nposx=160\r\nposy=120\r\n'
    if [ -n "$imap_port" ]; then
        printf '[Poplist]\r\nCount=2\r\nList1=POP1\r\nList2=POP2\r\n'
    else
        printf '[Poplist]\r\nCount=1\r\nList1=POP1\r\n'
    fi
    printf '[POP1]\r\nPopname=デモの受信箱\r\nServer=127.0.0.1\r\nPort=%s\r\n' \
        "$(cat "$demo/relay-port")"
    printf 'User=pelltest\r\nPassword=%s\r\nCheck=Yes\r\nTimer=10\r\nOffsetTimer=3\r\n' "$password"
    printf 'TimeOut=60\r\nPopup=Yes\r\nPopupSubj=Yes\r\nPopupBody=Yes\r\n'
    printf 'Mesid=<welcome@demo.pell.test>,\r\n'
    if [ -n "$imap_port" ]; then
        printf '[POP2]\r\nPopname=携帯メール(IMAP)\r\nServer=127.0.0.1\r\nPort=%s\r\n' "$imap_port"
        printf 'Protocol=1\r\nFolder=携帯\r\nIdle=Yes\r\nUser=pelltest\r\nPassword=%s\r\n' "$password"
        printf 'Check=Yes\r\nTimer=1800\r\nOffsetTimer=1\r\nTimeOut=60\r\n'
        printf 'Popup=Yes\r\nPopupSubj=Yes\r\nPopupBody=Yes\r\n'
    fi
} | iconv -f UTF-8 -t CP932 >"$demo/Zeririvu.ini"

# The whole screen, the character four times its size, and the window at
# AREA (WxH+X+Y) twice its size.
shot() {  # NAME TEXT [AREA]
    import -window root "$shots/$1.png" 2>/dev/null || return 0
    printf '  %s:\n    %s\n' "$2" "$shots/$1.png"
    convert "$shots/$1.png" -crop 64x64+144+104 +repage -scale 400% \
        "$shots/$1-character.png" 2>/dev/null && printf '    %s\n' "$shots/$1-character.png"
    if [ -n "${3:-}" ]; then
        convert "$shots/$1.png" -crop "$3" +repage -scale 200% "$shots/$1-window.png" 2>/dev/null &&
            printf '    %s\n' "$shots/$1-window.png"
    fi
    return 0
}

# shot_new_window BEFORE SETTLE NAME TEXT WHAT: waits up to 10 s for a window
# that is not in the list BEFORE, then after SETTLE seconds takes its picture;
# the window's id is left in $new_window (empty when none opened).
shot_new_window() {
    local x y w h
    new_window=""
    for _ in $(seq 50); do
        sleep 0.2
        new_window="$(comm -13 <(echo "$1") <(visible_windows) | head -1)"
        [ -n "$new_window" ] && break
    done
    if [ -z "$new_window" ]; then
        echo "The $5 did not open; see $demo/wine.log." >&2
        return 0
    fi
    sleep "$2"
    read -r x y w h < <(geometry "$new_window")
    shot "$3" "$4" "${w}x${h}+${x}+${y}"
}

# The visible windows of the screen, sorted, one id a line.
visible_windows() {
    xdotool search --onlyvisible --name '' 2>/dev/null | sort || true
}
geometry() {  # WINDOW -> "X Y W H"
    xdotool getwindowgeometry --shell "$1" | awk -F= '
        /^X=/ {x=$2} /^Y=/ {y=$2} /^WIDTH=/ {w=$2} /^HEIGHT=/ {h=$2}
        END {print x, y, w, h}'
}
# Waits until the relay has logged COUNT lines of EVENT; false on time-out.
wait_relay() {  # EVENT COUNT SECONDS
    for _ in $(seq $(($3 * 10))); do
        [ "$(grep -c "^$1 " "$demo/relay.log" 2>/dev/null || true)" -ge "$2" ] && return 0
        sleep 0.1
    done
    return 1
}
# The new-mail notice: the list window (class Pell32MClass, titled with the
# account's section) or the plain box when the list is switched off.
notice_window() {
    xdotool search --onlyvisible --name '^(POP1|メール着信通知)$' 2>/dev/null | head -1 || true
}

echo "Starting Pell Watcher (the demo copy in $demo)..."
(cd "$demo" && exec wine PellWatcher.exe "$@") >"$demo/wine.log" 2>&1 &
app=$!
started=$(date +%s)
limit="${PELL_DEMO_SECONDS:-60}"
xdotool mousemove 900 600 2>/dev/null || true
echo "Screenshots:"
wine "$win/tests/window_probe.exe" || { echo "The character did not appear." >&2; exit 1; }
sleep 1.5
shot 1-resting "the character at rest"
if wait_relay open 1 20; then
    sleep 1
    shot 2-thinking "checking the demo mailbox (thinking)"
fi
wait_relay closed 1 30 || true
echo "Delivering three sample messages to the demo mailbox..."
python3 "$root/scripts/demo/sample_mail.py" samples "$maildir"
notice=""
for _ in $(seq $((limit * 5))); do
    notice="$(notice_window)"
    [ -z "$notice" ] || break
    [ $(($(date +%s) - started)) -lt "$limit" ] || break
    sleep 0.2
done
if [ -n "$notice" ]; then
    sleep 1.5
    read -r lx ly lw lh < <(geometry "$notice")
    shot 3-new-mail "new mail: the letter and the list" "${lw}x${lh}+${lx}+${ly}"
else
    echo "The new-mail notice did not appear within $limit s; see $demo/wine.log." >&2
fi
# Nobody moves the pointer on a private screen: the demo points at the newest
# message, clicks it for the viewer, then rests on the character for the
# tooltip. On a screen of your own the pointer stays yours.
if [ "$own_display" = 1 ] && [ -n "$notice" ] && [ "$(xdotool getwindowname "$notice")" = POP1 ]; then
    line=$(((lh - 5) / 4))  # the title line and three messages
    before="$(visible_windows)"
    xdotool mousemove $((lx + 80)) $((ly + 1 + line + line / 2))
    sleep 0.6
    xdotool click 1
    shot_new_window "$before" 1 4-viewer "the newest message in the viewer" viewer
    viewer="$new_window"
    # Resting means a pointer that stops: one step onto the character, then
    # one pixel, then still. Leaving the list closes its viewer.
    before="$(printf '%s\n%s\n' "$before" "$viewer" | sort)"
    xdotool mousemove 176 136
    sleep 0.3
    xdotool mousemove 177 136
    shot_new_window "$before" 0.5 5-tooltip "resting on the character: the tooltip" tooltip
fi

# Push: a message saved into the IMAP account's folder by another program is
# announced at once, although that account's timer is at 30 minutes.
if [ -n "$imap_port" ]; then
    echo "Saving a message into the IMAP folder 携帯 (the account waits in IDLE)..."
    python3 "$root/scripts/demo/sample_mail.py" phone | doveadm_demo save -u pelltest -m 携帯
    saved=$(date +%s.%N)
    push=""
    for _ in $(seq 200); do
        push="$(xdotool search --onlyvisible --name '^POP2$' 2>/dev/null | head -1 || true)"
        [ -n "$push" ] && break
        sleep 0.05
    done
    if [ -n "$push" ]; then
        awk -v s="$saved" -v n="$(date +%s.%N)" \
            'BEGIN {printf "  its list opened %.1f s after the message was saved\n", n - s}'
        sleep 1
        read -r px py pw ph < <(geometry "$push")
        shot 6-push "IMAP push: the list of the folder 携帯" "${pw}x${ph}+${px}+${py}"
    else
        echo "The IMAP account's list did not open; see $demo/wine.log." >&2
    fi
fi

if [ "$own_display" = 1 ]; then
    echo "Nobody can see this private screen ($DISPLAY): the demo ends here."
    sleep 2
else
    echo "Pell Watcher keeps running. Click a message in the list to read it, rest the"
    echo "pointer on the character for every account's state, and end the program from"
    echo "its menu (right click on the character: 終了(X))."
    wait "$app" || true
    app=""
fi
