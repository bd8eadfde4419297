#!/usr/bin/env python3
"""Measures both ears of a 16-bit stereo WAV file exported from Ardour and checks them
against the tones Tonewell's parameters give.

    measure.py FILE FREQUENCY BINAURAL CENTER REVERSE [TOLERANCE_HZ]

Each ear's frequency comes from its rising zero crossings, placed between samples by
linear interpolation, over the file less its first half second. Crossings where the wave
rises at less than half its steepest (in fades, and in silence before and after) are left
out: there the 16-bit steps move them by many samples. Exit status 0 when
both ears are within the tolerance (default 0.02 Hz), 1 otherwise."""

import array
import sys
import wave

SETTLE_SECONDS = 0.5
# Below this peak (of 32767) an ear counts as silent: no tone was played.
MIN_PEAK = 1000


def expected_ears(frequency, binaural, center, reverse):
    """Left and right frequencies, as the engine places them."""
    base = max(frequency - binaural / 2, 1.0) if center else frequency
    upper = base + binaural
    return (upper, base) if reverse else (base, upper)


def measure(samples, rate, start):
    found = []  # (position, rise) of each rising zero crossing
    previous = samples[start]
    for i in range(start + 1, len(samples)):
        current = samples[i]
        if previous < 0 <= current:
            found.append((i - 1 + previous / (previous - current), current - previous))
        previous = current
    if not found:
        return None
    steepest = max(rise for _, rise in found)
    steady = [at for at, rise in found if 2 * rise >= steepest]
    if len(steady) < 10 or steady[-1] == steady[0]:
        return None
    return (len(steady) - 1) * rate / (steady[-1] - steady[0])


def main(argv):
    if len(argv) not in (6, 7):
        print(__doc__, file=sys.stderr)
        return 2
    try:
        frequency, binaural = float(argv[2]), float(argv[3])
        center, reverse = int(argv[4]) != 0, int(argv[5]) != 0
        tolerance = float(argv[6]) if len(argv) == 7 else 0.02
    except ValueError as error:
        print(f"measure: bad number: {error}", file=sys.stderr)
        return 2
    try:
        with wave.open(argv[1], "rb") as file:
            channels, width, rate = file.getnchannels(), file.getsampwidth(), file.getframerate()
            frames = file.readframes(file.getnframes())
    except (OSError, EOFError, wave.Error) as error:
        print(f"measure: cannot read {argv[1]}: {error}", file=sys.stderr)
        return 1
    if channels != 2 or width != 2:
        print(f"measure: {argv[1]} has {channels} channels of {8 * width} bits, "
              "not 2 of 16", file=sys.stderr)
        return 1
    samples = array.array("h", frames)
    if sys.byteorder == "big":
        samples.byteswap()
    start = int(SETTLE_SECONDS * rate)
    if len(samples) // 2 < start + rate:
        print(f"measure: {argv[1]} is shorter than {SETTLE_SECONDS + 1} s", file=sys.stderr)
        return 1

    ok = True
    for name, ear, expected in zip(("left", "right"), (samples[0::2], samples[1::2]),
                                   expected_ears(frequency, binaural, center, reverse)):
        peak = max(max(ear[start:]), -min(ear[start:]))
        found = measure(ear, rate, start) if peak >= MIN_PEAK else None
        if found is None:
            print(f"measure: {name} ear: no tone (peak {peak} of 32767), expected {expected:.4f} Hz")
            ok = False
            continue
        good = abs(found - expected) <= tolerance
        ok = ok and good
        print(f"measure: {name} ear {found:.4f} Hz, expected {expected:.4f} Hz "
              f"(+-{tolerance}): {'ok' if good else 'WRONG'}")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
