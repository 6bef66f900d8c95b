#!/bin/sh
# Runs a test on a school LAN of its own: the server, the display and machines 1-8 each on a host of
# their own (network namespaces "server", "display", "machine1".."machine8"), joined by a bridge
# that also gives the test's own host (examiner, judge) an address. Everything lives in a private
# mount and network namespace, so no interface, route or /run/netns entry leaks to this machine.
# Its X socket folder is its own too: the programs on the other hosts reach the test's X server
# through the socket file there, and so does python-xlib even on the test's own host; a shared
# folder could lead them to the X server of a test running beside this one, with the same number.
# Where that cannot be made, it says why and skips (exit 77), or fails under CI (cannot-run.sh).
. "$(dirname "$0")/cannot-run.sh"
if [ "$#" -eq 0 ]; then
    echo "usage: $0 test-program [arguments...]" >&2
    exit 2
fi
if ! unshare -m -n true 2>/dev/null; then
    cannot_run "no private network namespaces here (needs root)"
fi
exec unshare -m -n sh -c '
    . "$0"
    make_hall() {
        sh -ec "
            mount --make-rprivate /
            mkdir -p /run/netns
            mount -t tmpfs hall-netns /run/netns
            mkdir -p /tmp/.X11-unix
            mount -t tmpfs -o mode=1777 hall-x11 /tmp/.X11-unix
            ip link set lo up
            ip link add hall type bridge
            ip addr add $1.254/24 dev hall
            ip link set hall up
            join() {
                ip netns add \$1
                ip link add to-\$1 type veth peer name lan netns \$1
                ip link set to-\$1 master hall up
                ip -n \$1 link set lo up
                ip -n \$1 addr add $1.\$2/24 dev lan
                ip -n \$1 link set lan up
            }
            join server 10
            join display 20
            for n in 1 2 3 4 5 6 7 8; do join machine\$n \$n; done
        "
    }
    if ! make_hall 192.168.73; then
        cannot_run "the private LAN could not be made"
    fi
    export ORUVAN_HALL_SERVER=192.168.73.10
    exec "$@"
' "$(dirname "$0")/cannot-run.sh" "$@"
