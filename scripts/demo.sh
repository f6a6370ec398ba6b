#!/usr/bin/env bash
# Builds Corvex and writes the demo data folder demo-data/ (a fresh one each
# time). With a display (DISPLAY or WAYLAND_DISPLAY set) it then opens the
# desk on that folder; without one it runs a report there through the command
# line and prints it on the terminal in UTF-8. CORVEX_DEMO_REPORT (a report
# name and its options) runs that report on the terminal even with a display:
#   CORVEX_DEMO_REPORT="arrivals --from 01/11/2025 --to 30/11/2025" scripts/demo.sh
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${CORVEX_BUILD_DIR:-$root/build}"
data="$root/demo-data"

CORVEX_TARGET=corvex "$root/scripts/build.sh"

rm -rf "$data"
"$build/corvex" demo "$data" --size hotel --seed 1

# The demo hotel's data ends on 31/12/2025: that day is its "today".
export CORVEX_NOW="${CORVEX_NOW:-31/12/2025 12:00}"
export PCLocal="${PCLocal:-1}"

cd "$data"
if [ -z "${CORVEX_DEMO_REPORT:-}" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
    echo "Opening the desk on $data (close its window to finish)."
    exec "$build/corvex"
fi

report="${CORVEX_DEMO_REPORT:-summary --from 01/12/2025 --to 31/12/2025}"
# shellcheck disable=SC2086  # the report and its options are separate words
"$build/corvex" report $report --print-stdout </dev/null
