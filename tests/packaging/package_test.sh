#!/usr/bin/env bash
# Builds the Debian package from the build tree and checks what a user gets:
# the file name, the files (program, Jet importer, menu entry, icons, manual
# page, AppStream metadata), the declared dependencies, valid desktop and
# AppStream files, and the installed program running from an unpacked copy
# (the Jet importer found where the package puts it).
#
# Usage: package_test.sh BUILD_DIR SHARED_DIR VERSION
# Exit 77 (skipped) when a packaging tool is missing.
set -euo pipefail

build="$1"
shared="$2"
version="$3"
app_id=org.corvex.Corvex

for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: the package test needs $tool (Debian packages cmake, dpkg-dev," \
            "desktop-file-utils, appstream; scripts/setup.sh installs them)"
        exit 77
    fi
done

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

[ -x "$build/corvex" ] || fail "$build/corvex is not built"

# The package, built apart from the build tree's own _CPack_Packages.
if ! cpack --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1; then
    cat "$tmp/cpack.log" >&2
    fail "cpack failed"
fi
deb="$tmp/out/corvex_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $(basename "$deb"); cpack wrote: $(ls "$tmp/out")"

# A build with the desk (Qt) carries the menu entry, its icons and metadata;
# one without it has no menu entry that could not open anything.
desk=no
if ldd "$build/corvex" | grep libQt6Widgets >/dev/null; then desk=yes; fi  # (-q would cut ldd short)
desk_files=(
    usr/share/applications/"$app_id.desktop"
    usr/share/icons/hicolor/scalable/apps/"$app_id.svg"
    usr/share/icons/hicolor/48x48/apps/"$app_id.png"
    usr/share/icons/hicolor/256x256/apps/"$app_id.png"
    usr/share/metainfo/"$app_id.metainfo.xml"
)

# What it holds: every file under /usr, and each part a user needs.
dpkg-deb --contents "$deb" | awk '{print $6}' >"$tmp/contents"
if grep -v '^\./usr/' "$tmp/contents"; then fail "files outside /usr (above)"; fi
files=(usr/bin/corvex usr/libexec/corvex/corvex-jetimport usr/share/man/man1/corvex.1.gz
    usr/share/doc/corvex/changelog.gz)
if [ "$desk" = yes ]; then
    files+=("${desk_files[@]}")
elif grep -q '^\./usr/share/applications/' "$tmp/contents"; then
    fail "a build without the desk installs a menu entry"
fi
for file in "${files[@]}"; do
    grep -qx "\./$file" "$tmp/contents" || fail "the package lacks /$file"
done

# Dependencies: the shared libraries of both programs (dpkg-shlibdeps) and
# what the program starts or draws with.
depends="$(dpkg-deb -f "$deb" Depends)"
[ -n "$depends" ] || fail "the package declares no dependencies"
needed=(libc6 libsqlite3 libmdb fonts-liberation xdg-utils)
if [ "$desk" = yes ]; then needed+=(libqt6widgets6 libqt6printsupport6); fi
for dep in "${needed[@]}"; do
    [[ ",$depends" == *[\ ,]"$dep"* ]] || fail "Depends lacks $dep: $depends"
done

# The unpacked files: valid menu entry and metadata, consistent with each other.
root="$tmp/root"
dpkg-deb -x "$deb" "$root"
if [ "$desk" = yes ]; then
    desktop="$root/usr/share/applications/$app_id.desktop"
    metainfo="$root/usr/share/metainfo/$app_id.metainfo.xml"
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
    appstreamcli validate --no-net "$metainfo" >"$tmp/as.log" 2>&1 ||
        { cat "$tmp/as.log" >&2; fail "appstreamcli validate"; }
    grep -q "<release version=\"$version\"" "$metainfo" ||
        fail "the AppStream metadata has no release entry for version $version"
    launchable="$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$metainfo")"
    [ -f "$root/usr/share/applications/$launchable" ] ||
        fail "the AppStream metadata launches \"$launchable\", not in the package"
    exec_line="$(grep -m1 '^Exec=' "$desktop")"
    [ -x "$root/usr/bin/${exec_line#Exec=}" ] ||
        fail "the menu entry runs ${exec_line#Exec=}, not in bin"
    icon="$(grep -m1 '^Icon=' "$desktop")"
    [ -f "$root/usr/share/icons/hicolor/scalable/apps/${icon#Icon=}.svg" ] ||
        fail "the menu entry's icon ${icon#Icon=} is not in the package"
fi
head="$(zcat "$root/usr/share/doc/corvex/changelog.gz" | sed -n 1p)"
[[ "$head" == "corvex ($version) "* ]] || fail "the changelog starts with \"$head\", not $version"
if command -v groff >/dev/null; then
    warnings="$(zcat "$root/usr/share/man/man1/corvex.1.gz" | groff -man -Tutf8 -ww -z 2>&1)"
    [ -z "$warnings" ] || fail "the manual page has roff warnings: $warnings"
fi

# The installed program runs from the unpacked copy on the system's libraries.
run_installed() { env -u LD_LIBRARY_PATH -u CORVEX_JETIMPORT "$root/usr/bin/corvex" "$@"; }
got="$(run_installed --version)"
[ "$got" = "corvex $version" ] || fail "corvex --version says \"$got\""

# A report on genuine Jet files finds the importer in libexec/corvex.
jet="$shared/fixtures/jet-hotel/jet"
if [ -d "$jet" ]; then
    cp -r "$jet" "$tmp/data"
    chmod -R u+w "$tmp/data"
    if ! (cd "$tmp/data" && CORVEX_CACHE="$tmp/cache" PCLocal=1 run_installed report accrued \
        --date 31/12/2024 >"$tmp/report.log" 2>&1); then
        cat "$tmp/report.log" >&2
        fail "the installed corvex could not run a report on Jet files"
    fi
    [ -s "$tmp/data/fd1" ] || fail "the report on Jet files wrote no report file"
else
    echo "note: $jet is absent: the installed Jet importer was not tried"
fi

echo "package $(basename "$deb") checked: $(wc -l <"$tmp/contents") entries, Depends: $depends"
