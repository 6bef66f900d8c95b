#!/bin/sh
# Runs a test in a fresh network namespace of its own with only the loopback interface up.
exec unshare -n sh -c 'ip link set lo up && exec "$0" "$@"' "$@"
