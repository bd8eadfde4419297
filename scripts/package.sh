#!/usr/bin/env bash
# Builds the Linux and Windows modules when needed and writes the releases
# into dist/:
#   Tonewell-<version>-windows-x64-setup.exe the Windows setup program (NSIS)
#   tonewell_<version>_amd64.deb             the Debian package
#   Tonewell-<version>-windows-x64.zip       bundle, presets, listening guide, licence, INSTALL.txt,
#                                            Tonewell.exe
#   Tonewell-<version>-linux-x86_64.tar.gz   the same, with tonewell, tonewell-render and
#                                            tonewell-snapshot
# Name and version come from each bundle's moduleinfo.json, which the build
# writes from the module's own factory.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
bash scripts/build-libpng.sh mingw
# The Windows configuration also needs RtAudio and RtMidi, for Tonewell.exe.
bash scripts/build-rtaudio.sh mingw

# The Windows build runs its bundle tool under Wine, in the project's own prefix.
source scripts/wine-prefix.sh

cmake --preset linux >/dev/null
cmake --build --preset linux --target tonewell_bundle_resources tonewell-render tonewell-snapshot \
    tonewell tonewell_guide
cmake --preset windows >/dev/null
cmake --build --preset windows --target tonewell_bundle_resources tonewell tonewell_guide
# The listening guide goes with the programs; the developer's README does not.
for platform in linux windows; do
    if [[ ! -s build/$platform/guide.html ]]; then
        echo "package: no build/$platform/guide.html (pandoc missing? scripts/setup.sh installs it)" >&2
        exit 1
    fi
done

field() { jq -er ".$1" "build/$2/Tonewell.vst3/Contents/Resources/moduleinfo.json"; }
info=build/linux/Tonewell.vst3/Contents/Resources/moduleinfo.json
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

# stage_common PLATFORM DIR: bundle, presets, listening guide and licence.
stage_common() {
    local dir="$stage/$2"
    mkdir -p "$dir"
    cp -a "build/$1/Tonewell.vst3" "$dir/"
    cp -a "build/$1/presets" "$dir/presets"
    cp "build/$1/guide.html" "$dir/guide.html"
    cp LICENSE "$dir/LICENSE"
}

linux="$name-$version-linux-x86_64"
stage_common linux "$linux"
# The tools find the bundle beside them.
cp build/linux/tonewell build/linux/tonewell-render build/linux/tonewell-snapshot "$stage/$linux/"
cat >"$stage/$linux/INSTALL.txt" <<TEXT
$name $version for Linux (x86_64)

Plug-in: copy the folder Tonewell.vst3 into a VST 3 folder:
    ~/.vst3/                    for your user
    /usr/local/lib/vst3/        for every user (or /usr/lib/vst3/)

Factory presets: copy the files in presets/ into
    ~/.vst3/presets/Kestrin/Tonewell/               for your user
    /usr/local/share/vst3/presets/Kestrin/Tonewell/ for every user

Programs, run from this folder (they load Tonewell.vst3 beside them):
    ./tonewell                   plays the instrument live, in a window or a terminal
    ./tonewell-render --help     renders the instrument into a WAV or FLAC file
    ./tonewell-snapshot --help   draws the editor into a PNG file
guide.html is the listening guide: headphones, level, the controls and programs.
They use the system's libsndfile, libpng, FreeType and Fontconfig
(Debian: libsndfile1 libpng16-16 libfreetype6 libfontconfig1).
TEXT

windows="$name-$version-windows-x64"
stage_common windows "$windows"
# The desktop program finds the bundle beside it, or installed in the common VST 3 folder.
cp build/windows/Tonewell.exe "$stage/$windows/"
# CRLF line ends, so that Notepad shows the text as it is meant.
sed 's/$/\r/' >"$stage/$windows/INSTALL.txt" <<TEXT
$name $version for Windows (64-bit)

Plug-in: copy the folder Tonewell.vst3 into
    C:\\Program Files\\Common Files\\VST3\\

Factory presets: copy the files in presets\\ into
    %USERPROFILE%\\Documents\\VST3 Presets\\Kestrin\\Tonewell\\   for your user
    %PROGRAMDATA%\\VST3 Presets\\Kestrin\\Tonewell\\              for every user

Then let the host rescan its plug-ins.

Tonewell.exe plays the instrument live, in a window with its editor (or, with
--no-window, in a console); run from this folder it loads Tonewell.vst3
beside it, elsewhere the one in the VST3 folder above. Tonewell.exe --help
lists what it does. guide.html is the listening guide: headphones, level,
the controls and the programs.
TEXT

# The Windows setup program, from the staged Windows files. It removes its
# factory presets by name (factory-presets.nsh, built into setup and
# uninstaller), and installs their list for the next version's setup.
ls "$stage/$windows/presets" >"$stage/$windows/factory-presets.txt"
{
    echo '!macro DeleteFactoryPresets DIR'
    while IFS= read -r preset; do
        preset=${preset//\$/\$\$}
        echo "    Delete \"\${DIR}\\${preset//\"/\$\\\"}\""
    done <"$stage/$windows/factory-presets.txt"
    echo '!macroend'
} >"$stage/$windows/factory-presets.nsh"
setup="$name-$version-windows-x64-setup.exe"
vendor=$(jq -er '."Factory Info".Vendor' "$info")
url=$(jq -er '."Factory Info".URL' "$info")
mkdir -p "$dist"
makensis -V2 -NOCD -DNAME="$name" -DVENDOR="$vendor" -DVERSION="$version" \
    -DVERSION4="$version.0" -DURL="$url" -DSTAGE="$stage/$windows" -DICON="$root/img/icon/tonewell.ico" \
    -DOUTFILE="$dist/$setup" tools/installer/Tonewell.nsi
rm "$stage/$windows/factory-presets.txt" "$stage/$windows/factory-presets.nsh"

# The Debian package, laid out as the system expects: the bundle where Linux
# hosts look for system-wide VST 3, the presets, the tools with their manual
# pages, the menu entry with its icon in the hicolor sizes, and the listening
# guide with the copyright file.
deb="$stage/deb"
docs="$deb/usr/share/doc/tonewell"
presets="$deb/usr/share/vst3/presets/$vendor/$name"
install -d "$deb/DEBIAN" "$deb/usr/lib/vst3" "$deb/usr/bin" "$deb/usr/share/man/man1" \
    "$docs" "$presets"
cp -a build/linux/Tonewell.vst3 "$deb/usr/lib/vst3/"
install -m 0644 build/linux/presets/*.vstpreset "$presets/"
install -m 0755 build/linux/tonewell build/linux/tonewell-render build/linux/tonewell-snapshot \
    "$deb/usr/bin/"
strip --strip-unneeded --remove-section=.comment --remove-section=.note \
    "$deb/usr/bin/tonewell" "$deb/usr/bin/tonewell-render" "$deb/usr/bin/tonewell-snapshot" \
    "$deb/usr/lib/vst3/Tonewell.vst3/Contents/x86_64-linux/Tonewell.so"
chmod 0644 "$deb/usr/lib/vst3/Tonewell.vst3/Contents/x86_64-linux/Tonewell.so"
declare -A summary=([tonewell]="play Tonewell's programs and sessions live"
    [tonewell-render]="render Tonewell's programs and sessions into audio files"
    [tonewell-snapshot]="draw Tonewell's editor into a PNG file")
# The manual pages show the installed names: each tool's help, run from the
# staged tree, with the staging folder taken out of the paths it prints.
helpers=$(mktemp -d)
for tool in tonewell tonewell-render tonewell-snapshot; do
    printf '#!/bin/sh\n"%s" "$@" 2>&1 | sed -e "s|%s||g" -e "s|/usr/bin/\\.\\./lib/|/usr/lib/|g"\n' \
        "$deb/usr/bin/$tool" "$deb" >"$helpers/$tool"
    chmod +x "$helpers/$tool"
    help2man --no-info --version-string="$version" --name="${summary[$tool]}" \
        "$helpers/$tool" >"$helpers/$tool.1"
    if grep -qF "stage/deb" "$helpers/$tool.1"; then
        echo "package: the manual page of $tool names the staging folder" >&2
        exit 1
    fi
    gzip -9n <"$helpers/$tool.1" >"$deb/usr/share/man/man1/$tool.1.gz"
done
rm -rf "$helpers"
install -m 0644 build/linux/guide.html "$docs/guide.html"
install -m 0644 tools/debian/copyright "$docs/copyright"
install -D -m 0644 tools/debian/tonewell.desktop "$deb/usr/share/applications/tonewell.desktop"
for size in 16 22 24 32 48 64 128 256; do
    install -D -m 0644 "img/icon/${size}x$size.png" \
        "$deb/usr/share/icons/hicolor/${size}x$size/apps/tonewell.png"
done
install -D -m 0644 img/src/icon.svg "$deb/usr/share/icons/hicolor/scalable/apps/tonewell.svg"
changelog_date=$(date -R -d "@$(git log -1 --format=%ct 2>/dev/null || date +%s)")
printf '%s\n' "tonewell ($version) unstable; urgency=medium" "" \
    "  * Release $version." "" " -- $vendor <packages@kestrin.audio>  $changelog_date" |
    gzip -9n >"$docs/changelog.gz"
find "$deb" -type d -exec chmod 0755 {} +
# dpkg-shlibdeps reads the binaries' needs from the system's shlibs files.
shlibs=$(mktemp -d)
mkdir -p "$shlibs/debian"
printf 'Source: tonewell\n\nPackage: tonewell\nArchitecture: amd64\n' >"$shlibs/debian/control"
depends=$(cd "$shlibs" && dpkg-shlibdeps -O -e "$deb/usr/bin/tonewell" \
    -e "$deb/usr/bin/tonewell-render" \
    -e "$deb/usr/bin/tonewell-snapshot" \
    -e "$deb/usr/lib/vst3/Tonewell.vst3/Contents/x86_64-linux/Tonewell.so" 2>/dev/null |
    sed -n 's/^shlibs:Depends=//p')
rm -rf "$shlibs"
cat >"$deb/DEBIAN/control" <<CONTROL
Package: tonewell
Version: $version
Architecture: amd64
Maintainer: $vendor <packages@kestrin.audio>
Installed-Size: $(du -sk --exclude=DEBIAN "$deb" | cut -f1)
Depends: $depends
Section: sound
Priority: optional
Homepage: $url
Description: binaural and monaural beat instrument (VST 3)
 $name generates tones and brainwave-entrainment beats: binaural
 beats (each ear its own tone, apart by the beat frequency), monaural
 beats, left/right reversal and single tones at named frequencies, in four
 wave shapes. It runs as a generator while the host transport plays, or as
 a monophonic synthesizer following MIDI notes, with 124 built-in programs.
 .
 This package holds the VST 3 plug-in for hosts that look in
 /usr/lib/vst3, its factory presets, the program tonewell (plays the
 instrument live without a DAW, in a window with its editor or in a
 terminal), and the command-line tools tonewell-render (renders programs
 and sessions into audio files) and tonewell-snapshot (draws the editor
 into a PNG file). The listening guide is
 /usr/share/doc/tonewell/guide.html.
CONTROL
(cd "$deb" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$deb/DEBIAN/md5sums"
package="tonewell_${version}_amd64.deb"
rm -f "$dist/$package"
dpkg-deb --root-owner-group -Zxz --build "$deb" "$dist/$package" >/dev/null

rm -f "$dist/$linux.tar.gz" "$dist/$windows.zip"
tar -C "$stage" --sort=name --owner=0 --group=0 --numeric-owner -czf "$dist/$linux.tar.gz" "$linux"
(cd "$stage" && zip -qrX "$dist/$windows.zip" "$windows")
rm -rf "$stage"

ls -l "$dist/$linux.tar.gz" "$dist/$windows.zip" "$dist/$setup" "$dist/$package"
