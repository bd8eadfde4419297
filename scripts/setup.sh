#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Idempotent and
# quiet when everything is already there. Runs as root or through sudo.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang-format
    googletest libbenchmark-dev
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    wine wine64 xvfb
    juce-modules-source-data libsndfile1-dev libcli11-dev libsamplerate0-dev
    libfreetype-dev libfontconfig-dev fonts-liberation2 fonts-dejavu-core
    libpng-dev zlib1g-dev
    libxcb1-dev libx11-dev libxtst-dev libxres-dev
    dpkg-dev libz-mingw-w64-dev
    clang libclang-rt-14-dev
    nlohmann-json3-dev jq zip unzip
    # A real DAW for the host suite: Ardour, run headless through its Lua shell;
    # python3 measures the tones it exports; gdb keeps the stacks of a hung host.
    ardour python3 gdb
    # The SBaGen comparison measures both renders with numpy.
    python3-numpy
    # Release packages: the Windows setup program and the Debian package; pandoc
    # makes the listening guide into guide.html.
    nsis help2man lintian pandoc
    # The desktop program: its audio output, MIDI input and window, and a
    # private sound server for its test (reached through ALSA's PulseAudio
    # plugin where the test plays through ALSA).
    librtaudio-dev librtmidi-dev libasound2-dev libgtk-3-dev pulseaudio pulseaudio-utils
    libasound2-plugins
    # Runtime libraries of the prebuilt pluginval (scripts/conformance.sh).
    libasound2 libfreetype6
    # Carla's host engine (scripts/carla-suite.sh): a JACK server and recorder, the
    # engine's libraries, a window manager for its editor window and xwininfo to
    # find it. JACK 2's development files keep RtAudio's, which accept either JACK.
    jackd2 libjack-jackd2-dev liblo7 libmagic1 evilwm x11-utils
)

sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)

# The Windows build compiles libpng, RtAudio and RtMidi from Debian's source
# packages (scripts/build-libpng.sh, scripts/build-rtaudio.sh), which needs a source entry in APT. The entry
# mirrors the machine's own binary entry for its release (same archive, same
# key: APT refuses two entries of one archive with different keys).
sources=(/etc/apt/sources.list /etc/apt/sources.list.d/)
if ! grep -rqsE '^[[:space:]]*(deb-src|Types:.*deb-src)' "${sources[@]}"; then
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    archive=""
    keyring=""
    # One-line entries: "deb [options] URI suite components..."
    read -r archive keyring < <(grep -hsE '^[[:space:]]*deb[[:space:]]' /etc/apt/sources.list \
        /etc/apt/sources.list.d/*.list 2>/dev/null |
        awk -v suite="$codename" '{
            key = ""
            if (match($0, /signed-by=[^] ]+/)) key = substr($0, RSTART + 10, RLENGTH - 10)
            sub(/\[[^]]*\]/, "")
            if ($3 == suite) { print $2, key; exit }
        }') || true
    if [[ -z "$archive" ]]; then
        # Stanzas of .sources files whose Suites hold the release itself.
        read -r archive keyring < <(cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
            awk -v suite="$codename" 'BEGIN { RS = "" } {
                uris = ""; key = ""; found = 0; binary = 0
                n = split($0, lines, "\n")
                for (i = 1; i <= n; i++) {
                    split(lines[i], f, /[ \t]+/)
                    if (f[1] == "Types:") for (j = 2; j in f; j++) if (f[j] == "deb") binary = 1
                    if (f[1] == "URIs:") uris = f[2]
                    if (f[1] == "Signed-By:") key = f[2]
                    if (f[1] == "Suites:") for (j = 2; j in f; j++) if (f[j] == suite) found = 1
                }
                if (binary && found && uris != "") { print uris, key; exit }
            }') || true
    fi
    if [[ -z "$codename" || -z "$archive" ]]; then
        echo "setup: no binary APT entry for this release to add a source entry beside" >&2
        exit 1
    fi
    echo "Adding a deb-src entry for $codename main"
    entry="Types: deb-src
URIs: $archive
Suites: $codename
Components: main"
    [[ -n "$keyring" ]] && entry+=$'\n'"Signed-By: $keyring"
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
# jackd2 would ask whether to enable real-time scheduling.
echo "jackd2 jackd/tweak_rt_limits boolean false" | "${sudo_cmd[@]}" debconf-set-selections
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
