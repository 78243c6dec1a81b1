#!/usr/bin/env bash
# Installs the Debian packages Kresbon needs to build and test, when missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libgtest-dev nlohmann-json3-dev neovim lintian
  libfontconfig-dev libfreetype-dev libgif-dev libjpeg-dev libpng-dev
  libcairo2-dev libdxflib-dev zlib1g-dev
  librsvg2-bin poppler-utils python3-ezdxf
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
  libqscintilla2-qt6-dev
  fonts-dejavu-core fonts-liberation2
)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
