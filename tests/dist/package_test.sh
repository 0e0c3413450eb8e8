#!/usr/bin/env bash
# The Debian package: the desktop files validate, cpack builds a package
# lintian finds no error in, every file lands where the install rules say
# (unpacked with dpkg -x into a scratch root), and the unpacked programs find
# their help, fonts and symbols there. On a virtual X display the installed
# editor then starts without registering itself in the user's folder, and
# removes the registration an uninstalled build left there.
#
# Usage: package_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail

src=$1
build=$2
name=package_test
fail() { echo "$name: FAIL: $*" >&2; exit 1; }
for tool in desktop-file-validate appstreamcli xmllint groff cpack lintian dpkg-deb dpkg-shlibdeps \
    xvfb-run xwininfo identify; do
    command -v "$tool" >/dev/null || fail "'$tool' is missing; scripts/test.sh installs it"
done

scratch=$(mktemp -d "${TMPDIR:-/tmp}/gw-$name.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# 1. The files as they are in the sources.
desktop-file-validate "$src/res/desktop/com.quillmark.Glyphwright.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$src/res/desktop/com.quillmark.Glyphwright.metainfo.xml" >"$scratch/as.log" 2>&1 ||
    { cat "$scratch/as.log" >&2; fail "metainfo"; }
xmllint --noout "$src/res/desktop/glyphwright.xml" || fail "MIME package"
for page in glyphwright gwconvert; do
    warnings=$(groff -man -ww -z "$src/res/man/$page.1" 2>&1)
    [[ -z "$warnings" ]] || fail "manual page $page.1: $warnings"
done

# 2. The package, and what lintian says of it.
(cd "$build" && cpack -G DEB -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1) ||
    { cat "$scratch/cpack.log" >&2; fail "cpack"; }
deb=$(compgen -G "$scratch/pkg/glyphwright_*_*.deb") || fail "no package built"
lintian --fail-on error "$deb" >"$scratch/lintian.log" 2>&1 ||
    { cat "$scratch/lintian.log" >&2; fail "lintian reports errors"; }
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "no library dependencies from dpkg-shlibdeps"

# 3. Every file where the rules put it, and nothing outside /usr.
root=$scratch/root
dpkg-deb -x "$deb" "$root"
[[ "$(ls "$root")" == usr ]] || fail "files outside /usr: $(ls "$root")"
share=$root/usr/share
for file in bin/glyphwright bin/gwconvert libexec/glyphwright/gwconvert-qtcore \
    libexec/glyphwright/gwconvert-draw share/glyphwright/GWHelp.html \
    share/glyphwright/GWHelp_files/new.svg share/glyphwright/SLib/Arrows/up.txt \
    share/applications/com.quillmark.Glyphwright.desktop share/mime/packages/glyphwright.xml \
    share/metainfo/com.quillmark.Glyphwright.metainfo.xml \
    share/icons/hicolor/scalable/apps/glyphwright.svg \
    share/man/man1/glyphwright.1.gz share/man/man1/gwconvert.1.gz \
    share/bash-completion/completions/gwconvert \
    share/doc/glyphwright/copyright share/doc/glyphwright/changelog.gz; do
    [[ -f "$root/usr/$file" ]] || fail "missing /usr/$file"
done
[[ -d "$share/glyphwright/Fonts" ]] || fail "missing /usr/share/glyphwright/Fonts"
for size in 16 22 24 32 48 64 128 256; do
    png=$share/icons/hicolor/${size}x$size/apps/glyphwright.png
    [[ "$(identify -format '%wx%h' "$png" 2>/dev/null)" == "${size}x$size" ]] || fail "icon $png"
done
cmp -s "$share/applications/com.quillmark.Glyphwright.desktop" \
    "$src/res/desktop/com.quillmark.Glyphwright.desktop" || fail "the packaged desktop entry differs"

# 4. The unpacked programs, with a private home.
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data
export XDG_CACHE_HOME=$scratch/cache XDG_STATE_HOME=$scratch/state XDG_RUNTIME_DIR=$scratch/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
version=$(sed -n 's/^project(Glyphwright VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
[[ "$("$root/usr/bin/glyphwright" --version)" == "Glyphwright $version" ]] || fail "--version"
"$root/usr/bin/glyphwright" --data-folders >"$scratch/folders"
for pair in "help:|$share/glyphwright/GWHelp.html" "fonts:|$share/glyphwright/Fonts" \
    "symbols:|$share/glyphwright/SLib"; do
    grep -qxF "$(printf '%-13s %s' "${pair%%|*}" "${pair#*|}")" "$scratch/folders" ||
        { cat "$scratch/folders" >&2; fail "the installed program does not look in ${pair#*|}"; }
done
"$root/usr/bin/gwconvert" --help >/dev/null || fail "gwconvert --help"
# A picture is converted by the part in libexec, which gwconvert finds there.
"$root/usr/bin/gwconvert" image "$share/icons/hicolor/64x64/apps/glyphwright.png" \
    "$scratch/icon.txt" || fail "gwconvert image (its part in libexec)"

# 5. Starting the editors: the build tree's registers itself for the user;
# the installed one leaves that to the package and clears the old one.
cat >"$scratch/start.sh" <<'EOF'
set -euo pipefail
program=$1
"$program" >/dev/null 2>&1 &
pid=$!
for _ in $(seq 100); do
    xwininfo -name "Untitled - Glyphwright" 2>/dev/null | grep -q IsViewable && break
    sleep 0.2
done
xwininfo -name "Untitled - Glyphwright" 2>/dev/null | grep -q IsViewable || { kill "$pid"; exit 1; }
kill "$pid"
wait "$pid" 2>/dev/null || true
EOF
entry=$XDG_DATA_HOME/applications/glyphwright.desktop
QT_QPA_PLATFORM=xcb xvfb-run -a bash "$scratch/start.sh" "$build/bin/glyphwright" ||
    fail "the build tree's editor did not start"
[[ -f "$entry" ]] || fail "the build tree's editor did not register itself"
QT_QPA_PLATFORM=xcb xvfb-run -a bash "$scratch/start.sh" "$root/usr/bin/glyphwright" ||
    fail "the installed editor did not start"
[[ ! -e "$entry" && ! -e "$XDG_DATA_HOME/mime/packages/glyphwright.xml" ]] ||
    fail "the installed editor left a per-user registration"

echo "$name: $(basename "$deb") validated, unpacked and started"
