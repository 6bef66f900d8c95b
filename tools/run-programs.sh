#!/usr/bin/env bash
# Installs what is needed, builds the two programs and starts them in their program folders: the
# server Oruvan and the hall display OruvanScreen, pointed at this machine (127.0.0.1). It returns
# when both have ended; Ctrl-C ends both (and the Xvfb it started).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
# The two programs and their folders only: the tests are the other command's business.
cmake --build build -j "$(nproc)" --target Oruvan OruvanScreen oruvan_ftpserver oruvan_examples

pids=()
xvfb_pid=""
# Programs started in the background of a script ignore Ctrl-C, so the script ends them itself.
# The programs go before their X server, so that neither sees its display vanish.
stop_all() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait "${pids[@]}" 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap stop_all EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    # Xvfb takes the first free display number itself (-displayfd) and writes it once it listens.
    # A screen wide enough for the two windows side by side. Xvfb acts on Ctrl-C by itself: in a
    # session of its own it does not get it, and ends after the programs.
    xvfb_log=build/xvfb.log
    number_file=build/xvfb.display
    rm -f "$number_file"
    setsid Xvfb -displayfd 3 -screen 0 2100x800x24 3>"$number_file" 2>"$xvfb_log" &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$number_file" ] || ! kill -0 "$xvfb_pid" 2>/dev/null && break
        sleep 0.1
    done
    number=$(tr -dc 0-9 <"$number_file")
    if [ -z "$number" ]; then
        echo "cannot start Xvfb for the programs (no graphical display); it said ($xvfb_log):" >&2
        cat "$xvfb_log" >&2
        exit 1
    fi
    export DISPLAY=":$number"
    echo "No graphical display: both programs run under Xvfb on $DISPLAY (its messages: $xvfb_log)"
fi

for program in Oruvan/Oruvan OruvanScreen/OruvanScreen; do
    if [ -x "build/$program" ]; then
        "build/$program" &
        pids+=($!)
    fi
done

if [ -n "$xvfb_pid" ] && [ "${#pids[@]}" -eq 2 ]; then
    # No window manager places the windows there: both would open at the same place, the display's
    # hidden behind the server's. The display's goes to the right of the server's.
    window_of() { timeout 20 xdotool search --sync --onlyvisible --pid "$1" 2>/dev/null | head -n 1; }
    server_window=$(window_of "${pids[0]}")
    display_window=$(window_of "${pids[1]}")
    if [ -n "$server_window" ] && [ -n "$display_window" ]; then
        eval "$(xdotool getwindowgeometry --shell "$server_window")"
        xdotool windowmove "$display_window" $((X + WIDTH + 20)) "$Y"
        echo "Screenshots of each window:"
        echo "  import -display $DISPLAY -window $server_window server.png"
        echo "  import -display $DISPLAY -window $display_window display.png"
    else
        echo "The windows did not appear within 20 s; a screenshot of the whole screen:"
        echo "  import -display $DISPLAY -window root screen.png"
    fi
fi
echo "Ctrl-C here ends both programs."
wait "${pids[@]}"
