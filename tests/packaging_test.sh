#!/usr/bin/env bash
# Usage: packaging_test.sh install|cli-package|desktop-package BUILD_DIR
#   install:  installs the build into a temporary prefix and checks what lands there, and
#             validates the desktop entry, the AppStream metadata and the manual pages;
#   cli-package, desktop-package: builds that Debian package (zel-cli or zel) and checks
#             what it holds and depends on.
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

# build_package COMPONENT: the path of the package cpack builds for the component alone.
build_package() {
  (cd "$build" && cpack -G DEB -D CPACK_COMPONENTS_ALL="$1" -B "$work/deb" \
     >"$work/cpack.log" 2>&1) || fail "cpack failed: $(cat "$work/cpack.log")"
  ls "$work"/deb/*.deb
}

field() { dpkg-deb -f "$1" "$2"; }

# has_files DEB FILE...: fails unless the package holds every file under /usr.
has_files() {
  local deb=$1 contents file
  shift
  contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
  for file in "$@"; do
    grep -qx "\./usr/$file" <<<"$contents" || fail "$(field "$deb" Package) lacks /usr/$file"
  done
}

# lacks_files DEB FILE...: fails if the package holds any of the files.
lacks_files() {
  local deb=$1 contents file
  shift
  contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
  for file in "$@"; do
    if grep -qx "\./usr/$file" <<<"$contents"; then
      fail "$(field "$deb" Package) also holds /usr/$file"
    fi
  done
}

# What a server installs: zel-cli, the C++ runtime and nothing of Qt.
check_cli_package() {
  local deb depends lib
  deb=$(build_package cli)
  [ "$(field "$deb" Package)" = zel-cli ] || fail "zel-cli package name"
  depends=$(field "$deb" Depends)
  echo "zel-cli Depends: $depends"
  for lib in libstdc++6 libc6; do
    grep -q "$lib" <<<"$depends" || fail "zel-cli does not depend on $lib"
  done
  if grep -q 'libqt6' <<<"$depends"; then fail "zel-cli depends on Qt"; fi
  has_files "$deb" "${cli_files[@]}"
  lacks_files "$deb" "${desktop_files[@]}"
}

check_desktop_package() {
  local deb depends dependency
  deb=$(build_package desktop)
  [ "$(field "$deb" Package)" = zel ] || fail "zel package name"
  depends=$(field "$deb" Depends)
  echo "zel Depends: $depends"
  for dependency in "zel-cli (= $(field "$deb" Version))" libqt6widgets6 "fonts-vlgothic |" xdg-utils; do
    grep -qF "$dependency" <<<"$depends" || fail "zel does not depend on $dependency"
  done
  grep -q 'fonts-noto-cjk' <<<"$(field "$deb" Recommends)" \
    || fail "zel does not recommend fonts-noto-cjk"
  has_files "$deb" "${desktop_files[@]}"
  lacks_files "$deb" "${cli_files[@]}"
}

case $part in
  install) check_installation ;;
  cli-package) check_cli_package ;;
  desktop-package) check_desktop_package ;;
  *) fail "unknown part '$part' (install, cli-package or desktop-package)" ;;
esac
echo "$part checks passed"
