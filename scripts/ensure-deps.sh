#!/usr/bin/env bash
# Installs the Debian packages Quillon needs to build, test and run, and only
# those that are missing; `apt-get update` runs only when something is missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-svg-dev libturbojpeg0-dev libjpeg62-turbo-dev libexiv2-dev
  # HEIC photos (libheif, which decodes HEVC through libde265; the tests
  # encode theirs with its x265 encoder); WebP and TIFF through Qt's plugins.
  libheif-dev libheif-examples qt6-image-formats-plugins
  qt6-l10n-tools qt6-tools-dev
  # Qt's own dialogs in the window's language (qtbase_fr.qm).
  qt6-translations-l10n
  libgtest-dev libbenchmark-dev
  fonts-liberation2 fonts-dejavu-core
  # The film preset's seven-segment digits (DSEG7).
  fonts-dseg
  xvfb xauth
  clang-format
  desktop-file-utils appstream groff-base file dpkg-dev
  # The sanitizer build and the fuzz targets: clang, its runtime libraries
  # (which clang only recommends) and the symbolizer for readable reports.
  clang libclang-rt-14-dev llvm
  # glibc's own symbols, so that ThreadSanitizer's reports name its internal
  # functions (tests/tsan.supp suppresses by such a name).
  libc6-dbg
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
