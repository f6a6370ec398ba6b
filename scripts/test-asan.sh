#!/usr/bin/env bash
# Builds the Qt-free part with AddressSanitizer and UBSan (the `asan` preset,
# warnings as errors) into build-asan/ and runs its tests.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
# Compiler cache entries shared between clones of the repository.
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1

cmake --preset asan -DCORVEX_GUI=OFF
cmake --build --preset asan -j2
ctest --preset asan </dev/null
