#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test.
# The tests that read ../shared/ (genuine Jet files) skip themselves when it
# is not beside the repository.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${CORVEX_BUILD_DIR:-$root/build}"

"$root/scripts/build.sh" -DCORVEX_WERROR=ON

cd "$build"
# Window tests use Qt's offscreen platform; a virtual X display covers the
# rest (printing dialogs) on a machine without one.
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
    xvfb-run -a ctest --output-on-failure </dev/null
else
    ctest --output-on-failure </dev/null
fi
