#!/usr/bin/env bash
# End-to-end check of the window in a real X server (Xvfb):
# starts the demo sites and Quennit, types a keyword, presses Enter, answers
# the "search all sites?" question, waits for the completion text and saves
# a screenshot; then adds a demo site again through 「サイトを追加」 (learned
# from its results page) and searches it; then closes the window and opens
# and closes it twice more,
# and checks that Quennit.ini stays byte for byte the same (the placement
# must not creep under the window manager's frame). Last, a placement saved
# on a larger screen must open, and be stored, on this one.
#   tools/e2e.sh [BUILD_DIR] [SCREENSHOT]   (defaults: build/dev docs/screenshot.png)
#   QUENNIT_E2E_WM=none tools/e2e.sh ...    the same without a window manager
#                                            (default: openbox)
#   QUENNIT_E2E_SCREEN=800x600 ...           another screen size (default 1280x800)
#   QUENNIT_E2E_ADD_SHOT=FILE ...            a screenshot of 「サイトを追加」 too
# Needs: Xvfb, xdotool, dbus-run-session, the AT-SPI bus, ImageMagick's
# import (tools/dev.sh deps installs them).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build/dev}
shot=${2:-docs/screenshot.png}
keyword=${QUENNIT_E2E_KEYWORD:-検索}

[[ -x $build/bin/quennit ]] || { echo "e2e: $build/bin/quennit is missing; build first" >&2; exit 2; }

# Serves the demo sites on a free loopback port and writes their site
# definition file into the program's folder.
# The UTF-8 site's HTTPS certificate comes from an authority made in $1/certs.
start_demo_sites() {
    mkdir -p "$1/certs"
    export QUENNIT_CA_FILE=$1/certs/ca.pem
    exec 4< <(exec python3 tools/demo_server.py --port 0 --write-ini "$1/SearchSite.ini" \
        --tls-dir "$1/certs")
    pids+=($!)
    local port
    read -r -t 10 port <&4 || { echo "e2e: the demo server did not start" >&2; exit 1; }
    echo "e2e: demo sites on 127.0.0.1:$port"
    demo_port=$port
}
# The demo sites are on this computer; never ask a proxy for them.
export no_proxy="127.0.0.1,localhost${no_proxy:+,$no_proxy}" NO_PROXY="127.0.0.1,localhost"


work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The program's folder: the program with the demo sites' definition file.
cp "$build/bin/quennit" "$work/quennit"
start_demo_sites "$work"

# A display of our own; Xvfb picks a free number and reports it.
screen=${QUENNIT_E2E_SCREEN:-1280x800}
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
[[ -s $work/display ]] || { echo "e2e: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=:$(cat "$work/display")
if [[ ${QUENNIT_E2E_WM:-openbox} != none ]]; then
    openbox >"$work/wm.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
        sleep 0.1
    done
fi

export WORK=$work ROOT=$root SHOT=$shot KEYWORD=$keyword SCREEN_W=${screen%x*} SCREEN_H=${screen#*x}
export DEMO_PORT=$demo_port ADD_SHOT=${QUENNIT_E2E_ADD_SHOT:-}
timeout 120 dbus-run-session -- bash -euo pipefail -c '
    atspi() { /usr/bin/python3 "$ROOT/tools/e2e_atspi.py" "$@"; }
    window() { timeout 20 xdotool search --sync --onlyvisible --name "^Quennit\$" | head -n1; }
    # Closes the window as its close button does; the program then ends.
    close_window() {
        atspi close "$1"
        timeout 20 tail --pid="$2" -f /dev/null || { echo "e2e: the window did not close" >&2; exit 1; }
    }
    # The accessibility bus must be up before the program starts.
    dbus-send --session --dest=org.a11y.Bus --print-reply /org/a11y/bus \
        org.a11y.Bus.GetAddress >/dev/null
    QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$WORK/quennit" >"$WORK/quennit.log" 2>&1 &
    app=$!

    win=$(window)
    xdotool windowfocus --sync "$win"
    # Says yes to the question box the window opens over itself.
    answer_yes() {
        for _ in $(seq 100); do
            [[ $(xdotool search --onlyvisible --name "^Quennit\$" | wc -l) -ge 2 ]] && break
            sleep 0.1
        done
        box=$(xdotool search --onlyvisible --name "^Quennit\$" | grep -vx "$win" | head -n1)
        xdotool windowfocus --sync "$box"
        xdotool key y
    }
    # The focus starts on the group selector; Tab reaches the keyword box.
    xdotool key --delay 50 Tab
    xdotool type --delay 30 "$KEYWORD"
    xdotool key Return
    # No group chosen: the program asks whether to search all sites.
    answer_yes

    if ! atspi wait-label "検索が完了しました" 60; then
        echo "e2e: the search did not complete" >&2
        import -window root "$WORK/failed.png" || true
        exit 1
    fi
    rows=$(atspi rows 5)
    echo "e2e: search completed with $rows result rows"
    [[ $rows -gt 0 ]] || { echo "e2e: no results" >&2; exit 1; }

    mkdir -p "$(dirname "$SHOT")"
    import -window "$win" "$SHOT"
    echo "e2e: screenshot in $SHOT"

    # 「サイトを追加」 from the window menu (right click on the status line),
    # by keyboard: the address, Tab to the keyword, Tab Tab to the name,
    # Enter learns, and once learned Enter adds.
    eval "$(xdotool getwindowgeometry --shell "$win")"
    xdotool mousemove --window "$win" 30 $((HEIGHT - 12)) click 3
    sleep 0.5
    xdotool key Down Down Return
    dialog=$(timeout 20 xdotool search --sync --onlyvisible --name "^サイトを追加\$" | head -n1)
    xdotool windowfocus --sync "$dialog"
    xdotool type --delay 20 "http://127.0.0.1:$DEMO_PORT/sjis/search?q=Quennit"
    xdotool key Tab
    xdotool type --delay 20 Quennit
    xdotool key Tab Tab Tab
    xdotool type --delay 20 "Learned demo"
    xdotool key Return
    if ! atspi wait-enabled "追加(A)" 30; then
        echo "e2e: the demo site was not learned" >&2
        import -window root "$WORK/failed.png" || true
        exit 1
    fi
    [[ -z $ADD_SHOT ]] || import -window "$dialog" "$ADD_SHOT"
    xdotool key Return
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "^サイトを追加\$" >/dev/null || break
        sleep 0.1
    done
    grep -a -q "^HOST_ID.Learned demo" "$WORK/SearchSite.ini" || { echo "e2e: nothing added" >&2; exit 1; }

    # All sites again, the new one with them: more rows than before.
    xdotool windowfocus --sync "$win"
    xdotool key Return
    answer_yes
    if ! atspi wait-rows $((rows + 1)) 60 || ! atspi wait-label "検索が完了しました" 60; then
        echo "e2e: the added site gave no results" >&2
        import -window root "$WORK/failed.png" || true
        exit 1
    fi
    echo "e2e: added a site through 「サイトを追加」; all sites give $(atspi rows 5) rows now"
    close_window "$win" "$app"
    cp "$WORK/Quennit.ini" "$WORK/first.ini"
    grep -a "^[XYT]" "$WORK/first.ini" | tr -d "\r" | tr "\n" " "; echo

    # Closing and opening again leaves the settings as they were.
    for run in 2 3; do
        "$WORK/quennit" >>"$WORK/quennit.log" 2>&1 &
        app=$!
        win=$(window)
        close_window "$win" "$app"
        if ! cmp -s "$WORK/first.ini" "$WORK/Quennit.ini"; then
            echo "e2e: Quennit.ini changed at close number $run:" >&2
            diff "$WORK/first.ini" "$WORK/Quennit.ini" >&2 || true
            exit 1
        fi
    done
    echo "e2e: Quennit.ini unchanged over three closes"

    # Saved on a larger screen, 1600 x 1200 from 1500,100: moved and shrunk
    # onto this one, frame and all, and stored so.
    sed -i -E "s/^X1=-?[0-9]+/X1=1500/; s/^Y1=-?[0-9]+/Y1=100/; s/^X2=-?[0-9]+/X2=3100/;
               s/^Y2=-?[0-9]+/Y2=1300/; s/^TYPE=[0-9]+/TYPE=1/" "$WORK/Quennit.ini"
    "$WORK/quennit" >>"$WORK/quennit.log" 2>&1 &
    app=$!
    win=$(window)
    on_screen() { ((X >= 0 && Y >= 0 && X + WIDTH <= SCREEN_W && Y + HEIGHT <= SCREEN_H)); }
    for _ in $(seq 50); do
        # The client area (xdotool counts the frame twice once framed).
        eval "$(xwininfo -id "$win" | awk "/Absolute upper-left X/ { print \"X=\" \$4 }
            /Absolute upper-left Y/ { print \"Y=\" \$4 } /Width:/ { print \"WIDTH=\" \$2 }
            /Height:/ { print \"HEIGHT=\" \$2 }")"
        on_screen && break
        sleep 0.1
    done
    echo "e2e: a 1600 x 1200 placement at 1500,100 opens at $X,$Y ${WIDTH}x$HEIGHT"
    close_window "$win" "$app"
    eval "$(grep -a -E "^[XY][12]=-?[0-9]+" "$WORK/Quennit.ini" | tr -d "\r")"
    echo "e2e: and is stored as $X1,$Y1 - $X2,$Y2"
    if ! on_screen || ((X1 < 0 || Y1 < 0 || X2 > SCREEN_W || Y2 > SCREEN_H)); then
        echo "e2e: the window is not on the ${SCREEN_W}x$SCREEN_H screen" >&2
        exit 1
    fi
'
