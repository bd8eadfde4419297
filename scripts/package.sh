#!/usr/bin/env bash
# Builds the Linux and Windows modules when needed and writes the release
# archives into dist/:
#   Tonewell-<version>-windows-x64.zip      bundle, presets, README, licence, INSTALL.txt
#   Tonewell-<version>-linux-x86_64.tar.gz  the same, plus tonewell-render and tonewell-snapshot
# Name and version come from each bundle's moduleinfo.json, which the build
# writes from the module's own factory.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
bash scripts/build-libpng.sh mingw

# The Windows build runs its bundle tool under Wine, in the project's own prefix.
source scripts/wine-prefix.sh

cmake --preset linux >/dev/null
cmake --build --preset linux --target tonewell_bundle_resources tonewell-render tonewell-snapshot
cmake --preset windows >/dev/null
cmake --build --preset windows --target tonewell_bundle_resources

field() { jq -er ".$1" "build/$2/Tonewell.vst3/Contents/Resources/moduleinfo.json"; }
name=$(field Name linux)
version=$(field Version linux)
if [[ "$(field Version windows)" != "$version" ]]; then
    echo "package: the Linux and Windows builds differ in version; rebuild both" >&2
    exit 1
fi

dist="$root/dist"
stage="$dist/stage"
rm -rf "$stage"
mkdir -p "$stage"

# stage_common PLATFORM DIR: bundle, presets, README and licence.
stage_common() {
    local dir="$stage/$2"
    mkdir -p "$dir"
    cp -a "build/$1/Tonewell.vst3" "$dir/"
    cp -a "build/$1/presets" "$dir/presets"
    cp README.md "$dir/README.md"
    cp LICENSE "$dir/LICENSE"
}

linux="$name-$version-linux-x86_64"
stage_common linux "$linux"
# The tools find the bundle beside them.
cp build/linux/tonewell-render build/linux/tonewell-snapshot "$stage/$linux/"
cat >"$stage/$linux/INSTALL.txt" <<TEXT
$name $version for Linux (x86_64)

Plug-in: copy the folder Tonewell.vst3 into a VST 3 folder:
    ~/.vst3/                    for your user
    /usr/local/lib/vst3/        for every user (or /usr/lib/vst3/)

Factory presets: copy the files in presets/ into
    ~/.vst3/presets/Kestrin/Tonewell/               for your user
    /usr/local/share/vst3/presets/Kestrin/Tonewell/ for every user

Tools, run from this folder (they load Tonewell.vst3 beside them):
    ./tonewell-render --help     renders the instrument into a WAV or FLAC file
    ./tonewell-snapshot --help   draws the editor into a PNG file
They use the system's libsndfile, libpng, FreeType and Fontconfig
(Debian: libsndfile1 libpng16-16 libfreetype6 libfontconfig1).
TEXT

windows="$name-$version-windows-x64"
stage_common windows "$windows"
# CRLF line ends, so that Notepad shows the text as it is meant.
sed 's/$/\r/' >"$stage/$windows/INSTALL.txt" <<TEXT
$name $version for Windows (64-bit)

Plug-in: copy the folder Tonewell.vst3 into
    C:\\Program Files\\Common Files\\VST3\\

Factory presets: copy the files in presets\\ into
    %USERPROFILE%\\Documents\\VST3 Presets\\Kestrin\\Tonewell\\   for your user
    %PROGRAMDATA%\\VST3 Presets\\Kestrin\\Tonewell\\              for every user

Then let the host rescan its plug-ins.
TEXT

mkdir -p "$dist"
rm -f "$dist/$linux.tar.gz" "$dist/$windows.zip"
tar -C "$stage" --sort=name --owner=0 --group=0 --numeric-owner -czf "$dist/$linux.tar.gz" "$linux"
(cd "$stage" && zip -qrX "$dist/$windows.zip" "$windows")
rm -rf "$stage"

ls -l "$dist/$linux.tar.gz" "$dist/$windows.zip"
