#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what lands there, validates the
# desktop entry and the AppStream metadata, then builds the Debian package and checks its
# dependencies and contents. Usage: packaging_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$work/prefix" >/dev/null
expected=(
  bin/zel bin/zel-cli
  share/applications/org.zel.ZEL.desktop
  share/metainfo/org.zel.ZEL.metainfo.xml
  share/man/man1/zel-cli.1
  share/icons/hicolor/scalable/apps/org.zel.ZEL.svg
)
for size in 16 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/org.zel.ZEL.png")
done
for file in "${expected[@]}"; do
  [ -f "$work/prefix/$file" ] || fail "not installed: $file"
done
[ -x "$work/prefix/bin/zel-cli" ] || fail "zel-cli is not executable"
"$work/prefix/bin/zel-cli" --version | grep -q '^zel-cli ' || fail "installed zel-cli does not run"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$work/prefix/bin/zel" --version \
  | grep -q '^zel ' || fail "installed zel --version does not answer without a display"
man -l "$work/prefix/share/man/man1/zel-cli.1" >/dev/null 2>&1 || fail "man page does not render"

desktop-file-validate "$work/prefix/share/applications/org.zel.ZEL.desktop" \
  || fail "desktop entry does not validate"
grep -q '^Exec=zel %F$' "$work/prefix/share/applications/org.zel.ZEL.desktop" \
  || fail "desktop entry does not pass files to zel"
grep -q '^MimeType=.*audio/x-wav' "$work/prefix/share/applications/org.zel.ZEL.desktop" \
  || fail "desktop entry does not offer WAV files"
appstreamcli validate --no-net "$work/prefix/share/metainfo/org.zel.ZEL.metainfo.xml" \
  || fail "metainfo does not validate"

(cd "$build" && cpack -G DEB -B "$work/deb" >/dev/null) || fail "cpack failed"
deb=$(ls "$work"/deb/zel_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6widgets6 libqt6core6 libstdc++6 libc6; do
  grep -q "$lib" <<<"$depends" || fail "package does not depend on $lib"
done
[ "$(dpkg-deb -f "$deb" Package)" = zel ] || fail "package name"
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for file in "${expected[@]}"; do
  grep -q "^\./usr/$file$" <<<"$contents" || fail "package lacks /usr/$file"
done
echo "packaging checks passed"
