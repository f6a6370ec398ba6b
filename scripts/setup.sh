#!/usr/bin/env bash
# Installs what Corvex needs to build, test and run on Debian 12 (bookworm).
# Run as root, or as a user with sudo.
set -euo pipefail

packages=(
    build-essential cmake pkg-config ccache
    libsqlite3-dev sqlite3 mdbtools mdbtools-dev libglib2.0-dev libxlsxwriter-dev unzip locales
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-charts-dev libqt6opengl6-dev qt6-translations-l10n libcups2-dev fonts-liberation poppler-utils
    xvfb xauth xdg-utils clang-format
    dpkg-dev desktop-file-utils appstream
    libpq-dev postgresql
)

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi

export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update
"${as_root[@]}" apt-get install -y --no-install-recommends "${packages[@]}" </dev/null
