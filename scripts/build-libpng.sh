#!/usr/bin/env bash
# Builds a static libpng from Debian's source package into a prefix under
# build/deps, for the builds that cannot use the system's libpng-dev:
#   mingw  cross-compiled for 64-bit Windows against the MinGW-w64 zlib
#          (build/deps/mingw, which the windows preset searches);
#   fuzz   with clang, coverage instrumentation for libFuzzer and the
#          sanitizers (build/deps/fuzz, used by scripts/fuzz-png.sh).
# Does nothing when that build is already there.
set -euo pipefail
flavour=${1:?usage: build-libpng.sh mingw|fuzz}
root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/build/deps"
prefix="$deps/$flavour"
stamp="$prefix/.libpng-built"

case "$flavour" in
mingw)
    host=x86_64-w64-mingw32
    configure_env=(CC="$host-gcc-posix" AR="$host-ar" RANLIB="$host-ranlib" CFLAGS="-O2"
        CPPFLAGS="-I/usr/$host/include" LDFLAGS="-L/usr/$host/lib")
    configure_args=(--host="$host")
    ;;
fuzz)
    sanitize="-fsanitize=address,undefined,fuzzer-no-link"
    configure_env=(CC=clang CFLAGS="-O1 -g -fno-omit-frame-pointer $sanitize"
        LDFLAGS="-fsanitize=address,undefined")
    configure_args=()
    ;;
*)
    echo "usage: build-libpng.sh mingw|fuzz" >&2
    exit 2
    ;;
esac

if [[ -f "$stamp" && -f "$prefix/lib/libpng16.a" && -f "$prefix/include/png.h" ]]; then
    exit 0
fi
echo "Building libpng ($flavour) into $prefix"

# One source tree for every flavour, fetched once.
src_parent="$deps/src"
src=""
if [[ -d "$src_parent" ]]; then
    src=$(find "$src_parent" -mindepth 1 -maxdepth 1 -type d -name 'libpng1.6-*' | head -n 1)
fi
if [[ -z "$src" || ! -x "$src/configure" ]]; then
    rm -rf "$src_parent"
    mkdir -p "$src_parent"
    # apt-get source downloads as the unprivileged _apt user where it can.
    chmod 777 "$src_parent"
    (cd "$src_parent" && apt-get source -qq libpng1.6 >/dev/null 2>&1) || {
        echo "apt-get source libpng1.6 failed; run scripts/setup.sh (it adds a deb-src entry)" >&2
        exit 1
    }
    src=$(find "$src_parent" -mindepth 1 -maxdepth 1 -type d -name 'libpng1.6-*' | head -n 1)
    [[ -n "$src" && -x "$src/configure" ]] || {
        echo "libpng sources not found in $src_parent" >&2
        exit 1
    }
fi

build="$deps/libpng-build-$flavour"
rm -rf "$build" "$prefix"
mkdir -p "$build"
cd "$build"
"$src/configure" -q "${configure_args[@]}" --prefix="$prefix" --enable-static --disable-shared \
    --enable-hardware-optimizations=no "${configure_env[@]}" >/dev/null
make -s -j2 libpng16.la >/dev/null
make -s install-libLTLIBRARIES install-pkgincludeHEADERS install-nodist_pkgincludeHEADERS \
    >/dev/null
# The public headers go where every consumer looks for them.
for header in png.h pngconf.h pnglibconf.h; do
    ln -sf "libpng16/$header" "$prefix/include/$header"
done
ln -sf libpng16.a "$prefix/lib/libpng.a"
touch "$stamp"
echo "libpng ($flavour) installed in $prefix"
