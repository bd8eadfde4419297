#!/usr/bin/python3
"""Compares two renders of one session second by second.

compare.py REFERENCE.wav OURS.wav [--name NAME]

A second passes when, for each channel, the level is within 1.5 dB; the most
prominent tone of the reference (where it has one) is present in ours within
0.2 Hz; and the pulse rate of a pulsed tone and the rate of a noise swung
between the ears are within 0.05 Hz. Prints one line of figures and exits 1
when fewer than 95 % of the seconds pass.
"""
import sys
import wave

import numpy as np

LEVEL_DB = 1.5
TONE_HZ = 0.2
RATE_HZ = 0.05
SILENT_DB = -70.0
NEEDED = 0.95
ENV_RATE = 100  # envelope frames a second


def load(path):
    with wave.open(path) as w:
        if w.getsampwidth() != 2 or w.getnchannels() != 2:
            raise SystemExit(f"{path}: expected 16-bit stereo WAV")
        data = np.frombuffer(w.readframes(w.getnframes()), dtype="<i2")
        return w.getframerate(), data.reshape(-1, 2).astype(np.float32) / np.float32(32768.0)


def peak_near(spectrum, k):
    """Quadratic interpolation of a spectral peak at bin k, in bins."""
    if k <= 0 or k >= len(spectrum) - 1:
        return float(k)
    a, b, c = np.log(spectrum[k - 1:k + 2] + 1e-30)
    den = a - 2 * b + c
    return k + (0.5 * (a - c) / den if den < 0 else 0.0)


def prominent_tone(spectrum, rate, n):
    """The strongest tone, in Hz, when it stands well above its neighbourhood."""
    per_hz = n / rate
    low = int(20 * per_hz)
    k = low + int(np.argmax(spectrum[low:]))
    near, far = int(1.2 * per_hz) + 1, int(15 * per_hz) + 1
    around = np.concatenate([spectrum[max(1, k - far):max(1, k - near)], spectrum[k + near:k + far]])
    if len(around) == 0 or spectrum[k] ** 2 < 1000 * np.median(around ** 2):
        return None
    return peak_near(spectrum, k) * rate / n


def envelope_rate(envelope, low, high, min_depth=0.5, min_prominence=12):
    """Strongest modulation rate of an envelope (frames at ENV_RATE), if any."""
    e = envelope - envelope.mean()
    if envelope.mean() <= 0:
        return None
    n = len(e) * 8
    s = np.abs(np.fft.rfft(e * np.hanning(len(e)), n))
    lo, hi = int(low * n / ENV_RATE) + 1, int(high * n / ENV_RATE)
    if hi <= lo:
        return None
    k = lo + int(np.argmax(s[lo:hi]))
    if k == lo or k == hi - 1:
        return None  # leakage of something slower or faster than the range
    # A real pulse or spin stands far above the noise of the envelope and
    # moves the level by at least half its mean.
    if s[k] < min_prominence * np.median(s[lo:hi]) or 4 * s[k] / len(e) < min_depth * envelope.mean():
        return None
    return peak_near(s, k) * ENV_RATE / n


def band_envelope(spectrum, rate, n, f):
    """Envelope of a block near f, from its spectrum: the bins within 50 Hz
    of f shifted down to 0 Hz and turned back into a signal at ENV_RATE."""
    per_hz = n / rate
    centre = int(round(f * per_hz))
    half = int(ENV_RATE / 2 * per_hz)
    m = 2 * half
    band = np.zeros(m, dtype=complex)
    lo, hi = max(0, centre - half), min(len(spectrum), centre + half)
    band[(np.arange(lo, hi) - centre) % m] = spectrum[lo:hi]
    return np.abs(np.fft.ifft(band)) ** 2


def frame_energy(x, rate):
    frame = rate // ENV_RATE
    m = len(x) // frame
    return (x[:m * frame] ** 2).reshape(m, frame).mean(1)


def main():
    args = sys.argv[1:]
    name = None
    if "--name" in args:
        i = args.index("--name")
        name = args[i + 1]
        del args[i:i + 2]
    ref_rate, ref = load(args[0])
    our_rate, ours = load(args[1])
    name = name or args[0]
    if ref_rate != our_rate:
        raise SystemExit(f"{name}: rates differ ({ref_rate} and {our_rate})")
    rate = ref_rate
    seconds = min(len(ref), len(ours)) // rate
    if seconds == 0:
        raise SystemExit(f"{name}: no whole second to compare")
    passed = 0
    failures = {"level": 0, "tone": 0, "pulse": 0, "spin": 0}
    checked = {"tone": 0, "pulse": 0, "spin": 0}
    worst_level = 0.0
    worst_tone = 0.0
    worst_rate = 0.0
    first_bad = None
    rates = {}
    windows = {}
    for s in range(seconds):
        ok = True
        a = ref[s * rate:(s + 1) * rate]
        b = ours[s * rate:(s + 1) * rate]
        # Rates are measured over the four seconds this one belongs to.
        block = s // 4
        lo = block * 4 * rate
        hi = min(seconds * rate, lo + 4 * rate)
        lo = max(0, hi - 4 * rate)
        if block not in rates:
            rates[block] = {}
        known = rates[block]
        for ch in range(2):
            la = 10 * np.log10(np.mean(np.square(a[:, ch], dtype=np.float64)) + 1e-20)
            lb = 10 * np.log10(np.mean(np.square(b[:, ch], dtype=np.float64)) + 1e-20)
            if not (la < SILENT_DB and lb < SILENT_DB):
                diff = abs(la - lb)
                worst_level = max(worst_level, diff)
                if diff > LEVEL_DB:
                    ok = False
                    failures["level"] += 1
            if la < SILENT_DB:
                continue
            # The tone is found in the four seconds too: two tones a hertz
            # apart need that resolution.
            if ("tone", ch) not in known:
                n = hi - lo
                if n not in windows:
                    windows[n] = np.hanning(n).astype(np.float32)
                ca = np.fft.rfft(ref[lo:hi, ch] * windows[n])
                sa = np.abs(ca)
                f = prominent_tone(sa, rate, n)
                miss = None
                pulse = None
                if f is not None:
                    cb = np.fft.rfft(ours[lo:hi, ch] * windows[n])
                    sb = np.abs(cb)
                    per_hz = n / rate
                    k0 = max(1, int((f - 1.5) * per_hz))
                    k1 = int((f + 1.5) * per_hz) + 1
                    k = k0 + int(np.argmax(sb[k0:k1]))
                    miss = abs(peak_near(sb, k) / per_hz - f)
                    if sb[k] < 0.1 * sa[int(round(f * per_hz))]:
                        miss = max(miss, 99.0)
                    # Pulses of that tone: its envelope's rate.
                    pa = envelope_rate(band_envelope(ca, rate, n, f), 0.5, 40)
                    if pa is not None:
                        pb = envelope_rate(band_envelope(cb, rate, n, f), 0.5, 40, 0.2, 4)
                        pulse = abs(pb - pa) if pb is not None else 99
                known[("tone", ch)] = (f, miss)
                known[("pulse", ch)] = pulse
            f, miss = known[("tone", ch)]
            if f is None:
                continue  # no steady tone stands out: nothing to find, no pulse to time
            checked["tone"] += 1
            worst_tone = max(worst_tone, min(miss, 99))
            if miss > TONE_HZ:
                ok = False
                failures["tone"] += 1
                continue
            # Pulses of that tone.
            miss = known[("pulse", ch)]
            if miss is not None:
                checked["pulse"] += 1
                worst_rate = max(worst_rate, miss)
                if miss > RATE_HZ:
                    ok = False
                    failures["pulse"] += 1
        # A noise swung between the ears: the balance of the two channels.
        if "spin" not in known:
            known["spin"] = None
            ea, eb = frame_energy(ref[lo:hi, 0], rate), frame_energy(ref[lo:hi, 1], rate)
            # Only a noise swung between the ears: the two ears alike but for level.
            if ea.mean() > 1e-7 and eb.mean() > 1e-7 and \
                    np.corrcoef(ref[lo:hi, 0], ref[lo:hi, 1])[0, 1] > 0.8:
                ra = envelope_rate((ea - eb) / (ea + eb + 1e-12) + 1.0, 0.5, 40, 0.05)
                if ra is not None:
                    oa, ob = frame_energy(ours[lo:hi, 0], rate), frame_energy(ours[lo:hi, 1], rate)
                    rb = envelope_rate((oa - ob) / (oa + ob + 1e-12) + 1.0, 0.5, 40, 0.02, 4)
                    known["spin"] = abs(rb - ra) if rb is not None else 99
        if known["spin"] is not None:
            miss = known["spin"]
            checked["spin"] += 1
            worst_rate = max(worst_rate, miss)
            if miss > RATE_HZ:
                ok = False
                failures["spin"] += 1
        if ok:
            passed += 1
        elif first_bad is None:
            first_bad = s
    share = passed / seconds
    verdict = "ok" if share >= NEEDED else "FAIL"
    print(f"{verdict} {name}: {passed}/{seconds} s ({100 * share:.1f} %); worst level "
          f"{worst_level:.2f} dB, tone {worst_tone:.3f} Hz in {checked['tone']} checks, rates "
          f"{worst_rate:.3f} Hz in {checked['pulse']} pulse and {checked['spin']} spin checks"
          + ("" if first_bad is None else
             f"; first failing second {first_bad} (level {failures['level']}, tone "
             f"{failures['tone']}, pulse {failures['pulse']}, spin {failures['spin']})"))
    return 0 if share >= NEEDED else 1


if __name__ == "__main__":
    sys.exit(main())
