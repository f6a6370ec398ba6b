#!/usr/bin/env bash
# Fails when a tracked C++ source differs from what clang-format (the repository's
# .clang-format) would write; prints the places. Fix with: clang-format -i FILE.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
git ls-files -z '*.cpp' '*.h' | xargs -0 -r clang-format --dry-run -Werror
echo "format: every tracked C++ source is clang-formatted"
