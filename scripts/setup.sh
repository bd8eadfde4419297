#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Idempotent and
# quiet when everything is already there. Runs as root or through sudo.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang-format
    googletest libbenchmark-dev
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    wine wine64
    juce-modules-source-data libsndfile1-dev libcli11-dev
    libfreetype-dev libfontconfig-dev fonts-liberation2 fonts-dejavu-core
    libpng-dev zlib1g-dev
    dpkg-dev libz-mingw-w64-dev
    clang libclang-rt-14-dev
)

sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)

# The Windows build compiles libpng from Debian's source package
# (scripts/build-libpng.sh), which needs a source entry in APT.
sources=(/etc/apt/sources.list /etc/apt/sources.list.d/)
if ! grep -rqsE '^[[:space:]]*(deb-src|Types:.*deb-src)' "${sources[@]}"; then
    echo "Adding a deb-src entry for bookworm main"
    # APT refuses two entries of one archive with different keys, so the new
    # entry names the key of the existing binary entry when there is one.
    keyring=/usr/share/keyrings/debian-archive-keyring.gpg
    entry="Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main"
    if grep -rqsiE "signed-by[:=][[:space:]]*$keyring" "${sources[@]}"; then
        entry+=$'\n'"Signed-By: $keyring"
    fi
    echo "$entry" | "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/tonewell-deb-src.sources >/dev/null
    "${sudo_cmd[@]}" apt-get update -qq
fi

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
