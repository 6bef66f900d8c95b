#!/usr/bin/env bash
# Installs what is needed, builds the two programs and starts them in their program folders: the
# server Oruvan and the hall display OruvanScreen, pointed at this machine (127.0.0.1).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
# The two programs and their folders only: the tests are the other command's business.
cmake --build build -j "$(nproc)" --target Oruvan OruvanScreen oruvan_ftpserver oruvan_examples

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No graphical display: starting both programs under Xvfb on :99 (screenshots: import -display :99 -window root shot.png)"
    Xvfb :99 -screen 0 1600x1000x24 >/dev/null 2>&1 &
    xvfb_pid=$!
    trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
    export DISPLAY=:99
    sleep 1
fi

pids=()
for program in Oruvan/Oruvan OruvanScreen/OruvanScreen; do
    if [ -x "build/$program" ]; then
        "build/$program" &
        pids+=($!)
    fi
done
wait "${pids[@]}"
