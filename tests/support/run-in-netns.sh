#!/bin/sh
# Runs a test in a fresh network namespace of its own with only the loopback interface up, and tells
# it so: tests that change the network (extra hosts on veth links) do that only there.
# It gets a folder of X sockets of its own too. Some X clients (python-xlib) take the socket file in
# /tmp/.X11-unix before the namespace's own abstract socket: with the folder shared, such a client
# could reach the X server of a test running beside this one, with the same display number.
# Where no namespace can be made, it says why and skips, or fails under CI (cannot-run.sh).
. "$(dirname "$0")/cannot-run.sh"
if ! unshare -m -n true 2>/dev/null; then
    cannot_run "no private network namespace for a test on the contest's fixed ports (needs root)"
fi
exec unshare -m -n sh -c 'mkdir -p /tmp/.X11-unix && mount -t tmpfs -o mode=1777 tmpfs /tmp/.X11-unix &&
    ip link set lo up && ORUVAN_PRIVATE_NETNS=1 exec "$0" "$@"' "$@"
