#!/bin/sh
# Runs a test in a fresh network namespace of its own with only the loopback interface up, and tells
# it so: tests that change the network (extra hosts on veth links) do that only there.
exec unshare -n sh -c 'ip link set lo up && ORUVAN_PRIVATE_NETNS=1 exec "$0" "$@"' "$@"
