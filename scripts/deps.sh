#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages the build, the tests and the demo need.
# Skips apt entirely when everything is already there.
set -euo pipefail

packages=(
    build-essential cmake ccache
    # telvoro-cli parses its command line with CLI11 (header only).
    libcli11-dev
    qt6-base-dev qt6-serialport-dev qt6-charts-dev
    libqt6sql6-sqlite libqt6opengl6-dev libgl-dev
    fonts-noto-cjk fonts-noto-color-emoji fonts-wqy-microhei
    # The print test prints through a private CUPS server to a PDF queue and reads the PDF back.
    cups printer-driver-cups-pdf poppler-utils
    # The packaging tests validate the AppStream metadata and the desktop entries.
    appstream desktop-file-utils
)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
