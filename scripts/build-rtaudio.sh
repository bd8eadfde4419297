#!/usr/bin/env bash
# Builds static RtAudio and RtMidi (the desktop program's audio output and
# MIDI input) from Debian's source packages into a prefix under build/deps,
# for the builds that cannot use the system's librtaudio-dev and librtmidi-dev:
#   mingw  cross-compiled for 64-bit Windows: RtAudio with the WASAPI and
#          DirectSound back ends, RtMidi with WinMM (build/deps/mingw, which
#          the windows preset searches).
# Each is one source file, compiled directly: their own build systems would
# probe for the Linux audio systems. Does nothing when the build is there;
# remove build/deps/mingw/.rtaudio-built after changing a patch.
set -euo pipefail
flavour=${1:?usage: build-rtaudio.sh mingw}
root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/build/deps"
prefix="$deps/$flavour"

case "$flavour" in
mingw)
    host=x86_64-w64-mingw32
    cxx="$host-g++-posix"
    ar="$host-ar"
    ;;
*)
    echo "usage: build-rtaudio.sh mingw" >&2
    exit 2
    ;;
esac

# build PACKAGE NAME HEADER DEFINES...: lib<NAME>.a and <HEADER>.h from Debian's PACKAGE.
build() {
    local package=$1 name=$2 header=$3
    shift 3
    local stamp="$prefix/.$package-built"
    if [[ -f "$stamp" && -f "$prefix/lib/lib$name.a" && -f "$prefix/include/$header.h" ]]; then
        return 0
    fi
    echo "Building $header ($flavour) into $prefix"
    local src_parent="$deps/src-$package" src=""
    if [[ -d "$src_parent" ]]; then
        src=$(find "$src_parent" -mindepth 1 -maxdepth 1 -type d -name "$package-*" | head -n 1)
    fi
    if [[ -z "$src" || ! -f "$src/$header.cpp" ]]; then
        rm -rf "$src_parent"
        mkdir -p "$src_parent"
        # apt-get source downloads as the unprivileged _apt user where it can.
        chmod 777 "$src_parent"
        (cd "$src_parent" && apt-get source -qq "$package" >/dev/null 2>&1) || {
            echo "apt-get source $package failed; run scripts/setup.sh (it adds a deb-src entry)" >&2
            exit 1
        }
        src=$(find "$src_parent" -mindepth 1 -maxdepth 1 -type d -name "$package-*" | head -n 1)
        [[ -n "$src" && -f "$src/$header.cpp" ]] || {
            echo "$header sources not found in $src_parent" >&2
            exit 1
        }
    fi
    local build="$deps/$package-build-$flavour"
    rm -rf "$build"
    mkdir -p "$build" "$prefix/lib" "$prefix/include"
    # Fixes of ours (scripts/patches/PACKAGE-*.patch) go on a copy, so the
    # source tree stays as Debian ships it.
    cp "$src/$header.cpp" "$build/"
    local fix
    for fix in "$root"/scripts/patches/"$package"-*.patch; do
        [[ -f "$fix" ]] || continue
        patch -s -d "$build" -p1 <"$fix"
    done
    # Their warnings are not ours to fix, so no -Werror here.
    "$cxx" -std=c++17 -O2 -w "$@" -I"$src" -c "$build/$header.cpp" -o "$build/$header.o"
    rm -f "$prefix/lib/lib$name.a"
    "$ar" rcs "$prefix/lib/lib$name.a" "$build/$header.o"
    cp "$src/$header.h" "$prefix/include/$header.h"
    touch "$stamp"
    echo "$header ($flavour) installed in $prefix"
}

build rtaudio rtaudio RtAudio -D__WINDOWS_WASAPI__ -D__WINDOWS_DS__
build rtmidi rtmidi RtMidi -D__WINDOWS_MM__
