#!/usr/bin/env python3
"""Measures both ears of a live recording (16-bit stereo WAV from a sink's monitor).

    measure-live.py FILE LEFT_HZ RIGHT_HZ [TOLERANCE_HZ]

A sound server that is starved for a moment (Wine's PulseAudio driver on a busy
machine) pads the stream with silence: a gap, after which the wave goes on where it
stopped. Gaps are listed, and each ear's frequency is measured from its rising zero
crossings over the longest stretch without one (the first stretch less its first half
second, which may hold the start's glide; the last less its last 50 ms, the end's fade). Exit status 0 when that stretch lasts at
least half a second, gaps take at most a fifth of the time, and both
ears are within the tolerance (default 0.01 Hz); 1 otherwise."""

import array
import sys
import wave

SETTLE_SECONDS = 0.5
END_FADE_SECONDS = 0.05
MEASURED_SECONDS = 0.5
MAX_GAP_SHARE = 0.2
# A gap: both ears exactly silent for at least this long. A tone of tens of hertz and
# more never holds 0 in both ears for a millisecond.
MIN_GAP_SECONDS = 0.001
MIN_PEAK = 1000


def frequency(ear, rate, begin, end):
    crossings = []
    for i in range(begin + 1, end):
        previous, current = ear[i - 1], ear[i]
        if previous < 0 <= current:
            crossings.append(i - 1 + previous / (previous - current))
    if len(crossings) < 10:
        return None
    return (len(crossings) - 1) * rate / (crossings[-1] - crossings[0])


def main(argv):
    if len(argv) not in (4, 5):
        print(__doc__, file=sys.stderr)
        return 2
    try:
        expected = (float(argv[2]), float(argv[3]))
        tolerance = float(argv[4]) if len(argv) == 5 else 0.01
    except ValueError as error:
        print(f"measure-live: bad number: {error}", file=sys.stderr)
        return 2
    try:
        with wave.open(argv[1], "rb") as file:
            channels, width, rate = file.getnchannels(), file.getsampwidth(), file.getframerate()
            frames = file.readframes(file.getnframes())
    except (OSError, EOFError, wave.Error) as error:
        print(f"measure-live: cannot read {argv[1]}: {error}", file=sys.stderr)
        return 1
    if channels != 2 or width != 2:
        print(f"measure-live: {argv[1]} is not 16-bit stereo", file=sys.stderr)
        return 1
    samples = array.array("h", frames)
    if sys.byteorder == "big":
        samples.byteswap()
    ears = (samples[0::2], samples[1::2])
    count = len(ears[0])
    silent = [ears[0][i] == 0 and ears[1][i] == 0 for i in range(count)]
    first = next((i for i in range(count) if not silent[i]), count)
    last = next((i for i in range(count - 1, -1, -1) if not silent[i]), -1)
    if first > last:
        print("measure-live: the recording is silent")
        return 1

    # Stretches of sound between the gaps, as (begin, end) frames.
    gaps, stretches, begin, i = [], [], first, first
    while i <= last:
        if not silent[i]:
            i += 1
            continue
        j = i
        while j <= last and silent[j]:
            j += 1
        if j - i >= MIN_GAP_SECONDS * rate:
            gaps.append((i, j))
            stretches.append((begin, i))
            begin = j
        i = j
    stretches.append((begin, last + 1))
    stretches[0] = (stretches[0][0] + int(SETTLE_SECONDS * rate), stretches[0][1])
    stretches[-1] = (stretches[-1][0], stretches[-1][1] - int(END_FADE_SECONDS * rate))
    sounding = (last + 1 - first) / rate
    gap_seconds = sum(end - start for start, end in gaps) / rate
    print(f"measure-live: {sounding:.3f} s of sound, {len(gaps)} gaps, {1000 * gap_seconds:.1f} ms"
          + "".join(f"; {(start - first) / rate:.3f} s +{1000 * (end - start) / rate:.1f} ms"
                    for start, end in gaps[:20]))

    begin, end = max(stretches, key=lambda s: s[1] - s[0])
    ok = True
    if end - begin < MEASURED_SECONDS * rate:
        print(f"measure-live: no stretch of {MEASURED_SECONDS} s without a gap")
        return 1
    if gap_seconds > MAX_GAP_SHARE * sounding:
        print(f"measure-live: gaps take more than {MAX_GAP_SHARE:.0%} of the time")
        ok = False
    for name, ear, wanted in zip(("left", "right"), ears, expected):
        peak = max(max(ear[begin:end]), -min(ear[begin:end]))
        found = frequency(ear, rate, begin, end) if peak >= MIN_PEAK else None
        if found is None:
            print(f"measure-live: {name} ear: no tone (peak {peak}), expected {wanted:.4f} Hz")
            ok = False
            continue
        good = abs(found - wanted) <= tolerance
        ok = ok and good
        print(f"measure-live: {name} ear {found:.4f} Hz over {(end - begin) / rate:.2f} s, "
              f"expected {wanted:.4f} Hz (+-{tolerance}): {'ok' if good else 'WRONG'}")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
