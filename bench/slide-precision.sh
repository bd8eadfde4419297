#!/usr/bin/env bash
# How exactly a long slide keeps to the file: a four-hour SBaGen session slides
# 210.4+10.37/40 down to 180.6+2.51/40 and holds the end for 30 s. Both
# programs (SBaGen+ when its source is beside the repository, as for
# compare-render.sh) render it at 44.1 kHz into a 16-bit WAV in a temporary
# folder (about 2.5 GB each, removed afterwards); each ear's frequency is then
# measured over 20 s windows: halfway through the slide, just before its end,
# and in the held end. Exits 1 when Tonewell's beat in any of them is more
# than 0.001 Hz from the file's.
#
# Usage: bench/slide-precision.sh   (after cmake --build --preset linux)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
render=${TONEWELL_RENDER:-$root/build/linux/tonewell-render}
peer_source="$root/../shared/peers/sbagen-plus"
peer_build=${TONEWELL_PEER_BUILD:-/tmp/tonewell-peers/sbagen-plus}
work=$(mktemp -d "${TMPDIR:-/tmp}/tonewell-slide.XXXXXX")
trap 'rm -rf "$work"' EXIT

cat >"$work/slide.sbg" <<'SBG'
-SE
start: 210.4+10.37/40
end: 180.6+2.51/40
00:00:00 start ->
04:00:00 end
04:00:30 end
SBG

"$render" --session "$work/slide.sbg" --rate 44100 --format pcm16 --dither none \
    -o "$work/ours.wav" >/dev/null
files=("$work/ours.wav")
if [[ -d $peer_source ]]; then
    if [[ ! -x $peer_build/sbagen+ ]]; then
        mkdir -p "$peer_build"
        cp -r "$peer_source/." "$peer_build/"
        (cd "$peer_build" && bash build.sh >/dev/null 2>&1)
    fi
    "$peer_build/sbagen+" -Q -W -S -r 44100 -o "$work/sbagen.wav" "$work/slide.sbg" >/dev/null 2>&1
    files+=("$work/sbagen.wav")
fi

/usr/bin/python3 - "${files[@]}" <<'PY'
import sys
import numpy as np

RATE = 44100
# Window start (s) and the file's beat at the window's middle (a slide is a
# straight line, so that is its mean over the window).
WINDOWS = [
    (7190, "halfway through the slide", 6.44),
    (14380, "the last 20 s of the slide", 2.51 + 7.86 * 10 / 14400),
    (14405, "the held end", 2.51),
]


def peak(x):
    """Frequency of the strongest tone, from a zero-padded FFT and a parabola."""
    n = 1 << 24
    spectrum = np.abs(np.fft.rfft(x * np.hanning(len(x)), n))
    k = int(np.argmax(spectrum))
    a, b, c = np.log(spectrum[k - 1:k + 2])
    return (k + 0.5 * (a - c) / (a - 2 * b + c)) * RATE / n


worst = 0.0
for path in sys.argv[1:]:
    with open(path, "rb") as f:
        head = f.read(4096)
    offset = head.index(b"data") + 8
    data = np.memmap(path, dtype="<i2", mode="r", offset=offset)
    data = data[:len(data) // 2 * 2].reshape(-1, 2)
    name = "tonewell" if path.endswith("ours.wav") else "sbagen+"
    for start, what, beat in WINDOWS:
        window = data[start * RATE:(start + 20) * RATE].astype(np.float64)
        left, right = peak(window[:, 0]), peak(window[:, 1])
        error = abs(abs(left - right) - beat)
        print(f"{name:9s} {what:27s} L {left:10.5f} R {right:10.5f} beat {abs(left - right):8.5f}"
              f" (file {beat:.5f}, off by {error:.5f} Hz)")
        if name == "tonewell":
            worst = max(worst, error)
sys.exit(1 if worst > 0.001 else 0)
PY
