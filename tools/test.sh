#!/bin/sh
# Builds and runs the whole test suite.  Usage: test.sh [build-dir [cmake options...]]
# (default build-test/, apart from the Release build/ of the README's first
# command, so that neither rebuilds the other's objects).
set -e
cd "$(dirname "$0")/.."
dir=${1:-build-test}
[ $# -gt 0 ] && shift
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEL_BUILD_TESTS=ON "$@"
cmake --build "$dir" -j"$(nproc)"
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" --timeout 900
