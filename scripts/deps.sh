#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and only those that are missing,
# so that a second run costs a second. Run as root on Debian 12.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang clang-format libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev
  nkf locales
  # ICU: the filter's tests compare its width and kana tables with Unicode's own mapping
  libicu-dev
  # binutils-mingw-w64-x86-64 (with mingw-w64, named for its own use): objdump reads the import
  # tables, nm and dlltool make the delay-load import libraries
  mingw-w64 binutils-mingw-w64-x86-64 wine wine64 xvfb xclip xdotool x11-utils fonts-noto-cjk imagemagick
  # Wine's own fonts (Marlett draws the caption buttons, Tahoma the captions and menus), not
  # brought by wine without its recommendations; the dialog's face under Wine, metric-compatible
  # with the one the layout was made for
  fonts-wine fonts-ipafont-gothic
  # the manual (HTML printed to PDF, its pages checked as images) and the release zip
  chromium poppler-utils python3 zip
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "deps: installing ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Wine and the tests run with LANG=ja_JP.UTF-8, so that locale must exist.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "deps: generating ja_JP.UTF-8"
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  if ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'ja_JP.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi
