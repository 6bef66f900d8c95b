#!/usr/bin/env bash
# Fails when a tracked C++ source differs from .clang-format, and names the files that do.
set -euo pipefail
cd "$(dirname "$0")/.."
if report=$(git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror 2>&1); then
    exit 0
fi
echo "$report" | grep -o '^[^:]*\.\(cpp\|h\):[0-9]*:[0-9]*: error' | cut -d: -f1 | sort -u | sed 's/^/not formatted: /' >&2
echo "run clang-format -i on the files above" >&2
exit 1
