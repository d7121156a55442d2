#!/usr/bin/env bash
# Installs from Debian whatever the build and the tests need and the machine lacks.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang pkg-config        # build; clang for the fuzz targets
  libgtest-dev libgmock-dev libbenchmark-dev    # tests and benchmarks
  python3 python3-pil imagemagick netpbm        # peer tools that write and read test images
  qt6-base-dev qt6-base-dev-tools libgl-dev     # the workbench (Qt Widgets, Print Support)
  qt6-translations-l10n                         # the toolkit's own texts in Spanish
  qt6-svg-dev breeze-icon-theme                 # the icons of the toolbars and of the program
  xdg-utils                                     # opening web pages and e-mail from the workbench
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
