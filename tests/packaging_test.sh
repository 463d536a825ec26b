#!/usr/bin/env bash
# Usage: packaging_test.sh install|deb BUILD_DIR
#   install: installs the build into a temporary prefix and checks what lands there, and
#            validates the desktop entry, the AppStream metadata and the manual pages;
#   deb:     builds the two Debian packages and checks what each holds and depends on.
set -euo pipefail
part=$1
build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cli_files=(
  bin/zel-cli
  share/man/man1/zel-cli.1.gz
  share/doc/zel-cli/copyright
  share/doc/zel-cli/changelog.gz
)
desktop_files=(
  bin/zel
  share/man/man1/zel.1.gz
  share/doc/zel/copyright
  share/doc/zel/changelog.gz
  share/applications/org.zel.ZEL.desktop
  share/metainfo/org.zel.ZEL.metainfo.xml
  share/icons/hicolor/scalable/apps/org.zel.ZEL.svg
)
for size in 16 24 32 48 64 128 256; do
  desktop_files+=("share/icons/hicolor/${size}x${size}/apps/org.zel.ZEL.png")
done

check_installation() {
  prefix=$work/prefix
  cmake --install "$build" --prefix "$prefix" >/dev/null
  for file in "${cli_files[@]}" "${desktop_files[@]}"; do
    [ -f "$prefix/$file" ] || fail "not installed: $file"
  done
  "$prefix/bin/zel-cli" --version | grep -q '^zel-cli ' || fail "installed zel-cli does not run"
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/zel" --version \
    | grep -q '^zel ' || fail "installed zel --version does not answer without a display"

  for page in zel-cli zel; do
    file=$prefix/share/man/man1/$page.1.gz
    # No name or time stamp in the gzip header, so that rebuilds give the same bytes.
    [ "$(od -An -tx1 -j4 -N4 "$file" | tr -d ' ')" = 00000000 ] \
      || fail "$page.1.gz has a time stamp"
    warnings=$(MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null) \
      || fail "$page(1) does not render"
    [ -z "$warnings" ] || fail "$page(1) renders with warnings: $warnings"
  done
  man -l "$prefix/share/man/man1/zel-cli.1.gz" 2>/dev/null | grep -q 'zel(1)' \
    || fail "zel-cli(1) does not point to zel(1)"

  desktop-file-validate "$prefix/share/applications/org.zel.ZEL.desktop" \
    || fail "desktop entry does not validate"
  grep -q '^Exec=zel %F$' "$prefix/share/applications/org.zel.ZEL.desktop" \
    || fail "desktop entry does not pass files to zel"
  grep -q '^MimeType=.*audio/x-wav' "$prefix/share/applications/org.zel.ZEL.desktop" \
    || fail "desktop entry does not offer WAV files"
  appstreamcli validate --no-net "$prefix/share/metainfo/org.zel.ZEL.metainfo.xml" >/dev/null \
    || fail "metainfo does not validate"
}

check_packages() {
  (cd "$build" && cpack -G DEB -B "$work/deb" >"$work/cpack.log" 2>&1) \
    || fail "cpack failed: $(cat "$work/cpack.log")"
  cli_deb=$(ls "$work"/deb/zel-cli_*.deb)
  desktop_deb=$(ls "$work"/deb/zel_*.deb)
  field() { dpkg-deb -f "$1" "$2"; }
  [ "$(field "$cli_deb" Package)" = zel-cli ] || fail "zel-cli package name"
  [ "$(field "$desktop_deb" Package)" = zel ] || fail "zel package name"

  # What a server installs: the C++ runtime and nothing of Qt.
  cli_depends=$(field "$cli_deb" Depends)
  echo "zel-cli Depends: $cli_depends"
  for lib in libstdc++6 libc6; do
    grep -q "$lib" <<<"$cli_depends" || fail "zel-cli does not depend on $lib"
  done
  if grep -q 'libqt6' <<<"$cli_depends"; then fail "zel-cli depends on Qt"; fi

  desktop_depends=$(field "$desktop_deb" Depends)
  echo "zel Depends: $desktop_depends"
  version=$(field "$desktop_deb" Version)
  for dependency in "zel-cli (= $version)" libqt6widgets6 libqt6core6 "fonts-vlgothic |"; do
    grep -qF "$dependency" <<<"$desktop_depends" || fail "zel does not depend on $dependency"
  done
  grep -q 'fonts-noto-cjk' <<<"$(field "$desktop_deb" Recommends)" \
    || fail "zel does not recommend fonts-noto-cjk"

  contents() { dpkg-deb -c "$1" | awk '{print $6}'; }
  cli_contents=$(contents "$cli_deb")
  desktop_contents=$(contents "$desktop_deb")
  for file in "${cli_files[@]}"; do
    grep -qx "\./usr/$file" <<<"$cli_contents" || fail "zel-cli lacks /usr/$file"
    if grep -qx "\./usr/$file" <<<"$desktop_contents"; then fail "zel also holds /usr/$file"; fi
  done
  for file in "${desktop_files[@]}"; do
    grep -qx "\./usr/$file" <<<"$desktop_contents" || fail "zel lacks /usr/$file"
    if grep -qx "\./usr/$file" <<<"$cli_contents"; then fail "zel-cli also holds /usr/$file"; fi
  done
}

case $part in
  install) check_installation ;;
  deb) check_packages ;;
  *) fail "unknown part '$part' (install or deb)" ;;
esac
echo "$part checks passed"
