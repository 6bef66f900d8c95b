#!/bin/sh
# Runs a test in a process-id namespace of its own, with a /proc of its own, and tells it so
# (ORUVAN_PRIVATE_PIDNS=1): no process outside can take an id that the test frees and names next.
# The shell here is the namespace's first process: it adopts what the test starts detached and, while
# it waits for the test, reaps any child that ends, so a killed program leaves /proc. (The '; exit'
# keeps a shell from running the test in its own place, as pid 1 that reaps nothing.) When the test
# ends, the kernel ends whatever is left in the namespace; --kill-child does that when unshare
# itself is killed (a ctest time-out).
# Where no namespace can be made (needs root), the test runs here, and what needs one skips, or
# fails under CI.
if ! unshare --pid --fork --mount-proc true 2>/dev/null; then
    exec "$@"
fi
exec unshare --pid --fork --kill-child --mount-proc sh -c 'ORUVAN_PRIVATE_PIDNS=1 "$0" "$@"; exit' "$@"
