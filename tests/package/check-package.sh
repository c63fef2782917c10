#!/usr/bin/env bash
# Makes the Debian package with scripts/package.sh and checks it the way a system that installs
# it would see it: the files it holds, its control fields, the validity of its desktop entry and
# metainfo, and a program that runs from an unpacked copy.
# Usage: check-package.sh SOURCE_DIR VERSION
set -uo pipefail
source_dir="$1"
version="$2"
app_id=com.quorvel.Quorvel
icon_sizes=(16 22 24 32 48 64 128 256)

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

if ! bash "$source_dir/scripts/package.sh" >"$work/package.log" 2>&1; then
    cat "$work/package.log" >&2
    echo "FAIL: scripts/package.sh failed" >&2
    exit 1
fi
deb="$(tail -n 1 "$work/package.log")"
if [ ! -f "$deb" ]; then
    cat "$work/package.log" >&2
    echo "FAIL: the last line of scripts/package.sh is not a file: '$deb'" >&2
    exit 1
fi
arch="$(dpkg --print-architecture)"
[ "$(basename "$deb")" = "quorvel_${version}_${arch}.deb" ] ||
    fail "the package is named $(basename "$deb"), not quorvel_${version}_${arch}.deb"

# --- What the package holds: exactly the application's files, nothing from tests or tools.
expected=(
    ./usr/bin/quorvel
    "./usr/share/applications/$app_id.desktop"
    "./usr/share/metainfo/$app_id.metainfo.xml"
    ./usr/share/man/man1/quorvel.1.gz
    "./usr/share/icons/hicolor/scalable/apps/$app_id.svg"
)
for size in "${icon_sizes[@]}"; do
    expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -v '/$' | sort >"$work/files"
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
while read -r path; do fail "the package lacks $path"; done < <(comm -13 "$work/files" "$work/expected")
while read -r path; do fail "the package holds $path, which is not the application's"; done \
    < <(comm -23 "$work/files" "$work/expected")

# --- Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quorvel ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)', not $arch"
[ "$(field Section)" = sound ] || fail "Section is '$(field Section)', not sound"
field Maintainer | grep -Eq '^[^<]+ <[^@ ]+@[^> ]+>$' || fail "Maintainer is '$(field Maintainer)', not NAME <EMAIL>"
[ "$(field Description | wc -l)" -ge 2 ] || fail "Description has no long description: '$(field Description)'"
depends="$(field Depends)"
# The linked libraries (found by dpkg-shlibdeps) and the SQLite driver Qt loads as a plugin.
# Debian after 12 renamed some libraries with a t64 suffix (the 64-bit time_t transition).
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6sql6 'libicu[0-9]+' \
    'libqrencode[0-9]+' libc6 libqt6sql6-sqlite; do
    grep -Eq "(^|, )$package(t64)?( |,|$)" <<<"$depends" || fail "Depends lacks $package: $depends"
done
field Recommends | grep -Eq '(^|, )fonts-urw-base35( |,|$)' ||
    fail "Recommends lacks fonts-urw-base35: $(field Recommends)"

# --- The files, unpacked as dpkg would install them.
root="$work/root"
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x failed" >&2; exit 1; }
desktop="$root/usr/share/applications/$app_id.desktop"
metainfo="$root/usr/share/metainfo/$app_id.metainfo.xml"

if ! desktop-file-validate "$desktop" >"$work/desktop.out" 2>&1 || grep -q 'error:' "$work/desktop.out"; then
    cat "$work/desktop.out" >&2
    fail "desktop-file-validate rejects $app_id.desktop"
fi
grep -qx "Icon=$app_id" "$desktop" || fail "the desktop entry does not name the icon $app_id"
grep -qx "Exec=quorvel" "$desktop" || fail "the desktop entry does not start quorvel"

if ! appstreamcli validate --no-net "$metainfo" >"$work/metainfo.out" 2>&1; then
    cat "$work/metainfo.out" >&2
    fail "appstreamcli validate rejects $app_id.metainfo.xml"
fi
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not launch $app_id.desktop"
grep -q "<release version=\"$version\" date=\"[0-9]\{4\}-[0-9]\{2\}-[0-9]\{2\}\"" "$metainfo" ||
    fail "the metainfo has no dated release $version"
mapfile -t urls < <(sed -n 's|.*<image[^>]*>\([^<]*\)</image>.*|\1|p' "$metainfo")
[ ${#urls[@]} -eq 5 ] || fail "the metainfo lists ${#urls[@]} screenshots, not 5"
for url in "${urls[@]}"; do
    [[ "$url" =~ ^https?://[^/]+/.+\.png$ ]] || fail "the screenshot '$url' is not an http(s) URL of a PNG"
    [ -f "$source_dir/docs/screenshots/${url##*/}" ] || fail "the screenshot ${url##*/} is not in docs/screenshots"
done

# Each PNG is as large as the folder it sits in says: the width and height are the big-endian
# words at bytes 16 and 20 of the PNG's header chunk.
for size in "${icon_sizes[@]}"; do
    png="$root/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
    [ -f "$png" ] || continue
    read -r width height < <(od -An -tu1 -j16 -N8 "$png" |
        awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }')
    [ "$width x $height" = "$size x $size" ] || fail "the ${size}x${size} icon is $width x $height pixels"
done

man_page="$root/usr/share/man/man1/quorvel.1.gz"
if [ -f "$man_page" ]; then
    # roff writes a hyphen as \-; the text is compared with it undone.
    gzip -dc "$man_page" | sed 's/\\-/-/g' >"$work/quorvel.1" || fail "the manual page is not gzip data"
    grep -q '^\.TH QUORVEL "\?1"\? ' "$work/quorvel.1" || fail "the manual page has no .TH QUORVEL 1 line"
    for option in headless export-takes remote-display; do
        grep -q -- "$option" "$work/quorvel.1" || fail "the manual page does not describe --$option"
    done
    grep -q "Quorvel $version" "$work/quorvel.1" || fail "the manual page does not carry version $version"
    grep -q '^quorvel - ' "$work/quorvel.1" || fail "the manual page's name line does not name quorvel"
fi

# --- The program itself, with no display, as help2man ran it.
program="$root/usr/bin/quorvel"
output="$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" --version 2>&1)"
[ "$output" = "Quorvel $version" ] || fail "quorvel --version printed '$output', not 'Quorvel $version'"
output="$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" --help 2>&1)"
[[ "$output" == "Usage: quorvel"* ]] || fail "quorvel --help printed '$output'"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed for $deb" >&2
    exit 1
fi
echo "ok: $deb"
