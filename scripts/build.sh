#!/usr/bin/env bash
# Configures and builds Corvex into build/ (or $CORVEX_BUILD_DIR).
# Extra arguments go to the configure step, e.g. -DCORVEX_WERROR=ON.
# CORVEX_TARGET limits the build to one target (default: everything).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${CORVEX_BUILD_DIR:-$root/build}"
# Compiler cache entries shared between clones of the repository.
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE="${CMAKE_BUILD_TYPE:-RelWithDebInfo}" "$@"
if [ -n "${CORVEX_TARGET:-}" ]; then
    cmake --build "$build" -j2 --target "$CORVEX_TARGET"
else
    cmake --build "$build" -j2
fi
