#!/usr/bin/env bash
# Cross-compiles a static libpng for the Windows build from Debian's source
# package, against the MinGW-w64 zlib, and installs it into build/deps/mingw
# (the windows preset looks there). Does nothing when that build is present.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/build/deps"
prefix="$deps/mingw"
stamp="$prefix/.libpng-built"
host=x86_64-w64-mingw32

if [[ -f "$stamp" && -f "$prefix/lib/libpng16.a" && -f "$prefix/include/png.h" ]]; then
    exit 0
fi

echo "Building libpng for $host into $prefix"
src_parent="$deps/src"
rm -rf "$src_parent" "$prefix"
mkdir -p "$src_parent"
# apt-get source downloads as the unprivileged _apt user where it can; the
# folder must be writable for that, else it falls back with a warning.
chmod 777 "$src_parent"
(cd "$src_parent" && apt-get source -qq libpng1.6 >/dev/null 2>&1) || {
    echo "apt-get source libpng1.6 failed; run scripts/setup.sh (it adds a deb-src entry)" >&2
    exit 1
}
src=$(find "$src_parent" -mindepth 1 -maxdepth 1 -type d -name 'libpng1.6-*' | head -n 1)
[[ -n "$src" && -x "$src/configure" ]] || { echo "libpng sources not found in $src_parent" >&2; exit 1; }

build="$deps/libpng-build"
rm -rf "$build"
mkdir -p "$build"
cd "$build"
"$src/configure" -q --host="$host" --prefix="$prefix" \
    --enable-static --disable-shared \
    --enable-hardware-optimizations=no \
    CC="$host-gcc-posix" AR="$host-ar" RANLIB="$host-ranlib" \
    CFLAGS="-O2" CPPFLAGS="-I/usr/$host/include" LDFLAGS="-L/usr/$host/lib" >/dev/null
make -s -j2 libpng16.la >/dev/null
make -s install-libLTLIBRARIES install-pkgincludeHEADERS install-nodist_pkgincludeHEADERS \
    install-pkgconfigDATA >/dev/null
# The public headers go where every consumer looks for them.
for header in png.h pngconf.h pnglibconf.h; do
    ln -sf "libpng16/$header" "$prefix/include/$header"
done
ln -sf libpng16.a "$prefix/lib/libpng.a"
touch "$stamp"
echo "libpng for $host installed in $prefix"
