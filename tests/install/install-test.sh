#!/usr/bin/env bash
# install-test.sh tree|cli-version BUILD VERSION APP_ID
# Installs BUILD into a fresh prefix and checks it:
#   tree         every file in its place and nothing else, the desktop entry
#                and the metainfo valid and agreeing with the icon and the
#                programs, the icon at each size, a man page groff reads cleanly;
#   cli-version  the installed quillon-cli starts and tells its version.
set -uo pipefail
mode=$1 build=$2 version=$3 id=$4
cmake=${CMAKE_COMMAND:-cmake}

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
if ! "$cmake" --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1; then
  cat "$prefix.log"; rm -f "$prefix.log"
  echo "FAIL: cmake --install $build"
  exit 1
fi
rm -f "$prefix.log"

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

sizes=(16 22 24 32 48 64 128 256)

check_tree() {
  local expected actual
  expected=$(
    {
      printf '%s\n' bin/quillon bin/quillon-cli \
        "share/applications/$id.desktop" \
        "share/icons/hicolor/scalable/apps/$id.svg" \
        "share/metainfo/$id.metainfo.xml" \
        share/man/man1/quillon-cli.1 \
        share/quillon/README
      for s in "${sizes[@]}"; do echo "share/icons/hicolor/${s}x${s}/apps/$id.png"; done
    } | LC_ALL=C sort
  )
  actual=$(cd "$prefix" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort)
  if [ "$expected" != "$actual" ]; then
    fail "the install tree differs from the expected one (< expected, > installed):"
    diff <(echo "$expected") <(echo "$actual") | grep '^[<>]'
  fi
  for program in quillon quillon-cli; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program is not executable"
  done
  for s in "${sizes[@]}"; do
    local png="$prefix/share/icons/hicolor/${s}x${s}/apps/$id.png"
    [ -f "$png" ] && ! file -b "$png" | grep -q "PNG image data, $s x $s," \
      && fail "${s}x${s}/apps/$id.png is $(file -b "$png")"
  done
}

check_desktop_entry() {
  local desktop="$prefix/share/applications/$id.desktop" output
  [ -f "$desktop" ] || return
  # Hints and warnings count as much as errors: a clean entry prints nothing.
  output=$(desktop-file-validate "$desktop" 2>&1)
  [ $? -eq 0 ] && [ -z "$output" ] || fail "desktop-file-validate: $output"
  grep -qx "Icon=$id" "$desktop" || fail "the desktop entry does not name the icon $id"
  local program
  program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
  [ -x "$prefix/bin/$program" ] || fail "the desktop entry starts \"$program\", which is not installed in bin"
}

check_metainfo() {
  local metainfo="$prefix/share/metainfo/$id.metainfo.xml" output newest
  [ -f "$metainfo" ] || return
  output=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $output"
  grep -q "<id>$id</id>" "$metainfo" || fail "the metainfo's id is not $id"
  grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" \
    || fail "the metainfo does not launch $id.desktop"
  # Release notes come newest first; a new version needs its own.
  newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -n1 | cut -d'"' -f2)
  [ "$newest" = "$version" ] || fail "the newest release in the metainfo is \"$newest\", the project is $version"
}

check_man_page() {
  local page="$prefix/share/man/man1/quillon-cli.1" warnings text
  [ -f "$page" ] || return
  warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
  [ -z "$warnings" ] || fail "groff warns about the man page: $warnings"
  # Every command and the options of the help reach the page.
  text=$(groff -man -Tascii -P-cbou "$page" 2>/dev/null)
  for word in batch exif date --config; do
    grep -q -- "$word" <<<"$text" || fail "the man page never says \"$word\""
  done
}

case $mode in
  tree)
    check_tree
    check_desktop_entry
    check_metainfo
    check_man_page
    ;;
  cli-version)
    output=$("$prefix/bin/quillon-cli" --version 2>&1)
    status=$?
    if [ $status -ne 0 ]; then
      fail "the installed quillon-cli --version exits $status: $output"
    elif ! grep -qF "$version" <<<"$output"; then
      fail "the installed quillon-cli --version does not print $version: $output"
    fi
    ;;
  *)
    echo "usage: install-test.sh tree|cli-version BUILD VERSION APP_ID"
    exit 2
    ;;
esac

[ $failures -eq 0 ] && echo "install $mode: every check passed"
[ $failures -eq 0 ]
