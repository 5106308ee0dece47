#!/bin/bash
# Installs, from Debian's packages, whatever of the build and test tools is missing.
set -euo pipefail

packages=(cmake make g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 xvfb fonts-liberation googletest imagemagick
          clang lld llvm clang-tidy cppcheck wixl msitools faketime osslsigncode openssl python3)
missing=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "need root (or sudo) to install: ${missing[*]}" >&2; exit 1; }
  sudo=sudo
fi
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
