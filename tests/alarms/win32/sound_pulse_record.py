#!/usr/bin/env python3
"""Records the null sink's monitor while the probe plays a 1 kHz tone of half full scale under
Wine, and judges what came out: the tone at its pitch and full level, then a glide to silence
that ends about 500 ms after fadeOutSound was called.
    sound_pulse_record.py MONITOR -- WINE PROBE FILE BEFORE_MS AFTER_MS
Standard library only; the server is named by PULSE_SERVER."""
import os
import statistics
import struct
import subprocess
import sys
import threading
import time
import wave

RATE = 48000
WINDOW = RATE // 100  # 10 ms


def record(monitor, chunks, stop):
    rec = subprocess.Popen(["parec", "-d", monitor, "--format=s16le", "--rate=%d" % RATE,
                            "--channels=2", "--raw", "--latency-msec=10"], stdout=subprocess.PIPE)
    frames = 0
    while not stop.is_set():
        data = rec.stdout.read1(4096) if hasattr(rec.stdout, "read1") else rec.stdout.read(4096)
        if not data:
            break
        now = time.time()
        left = struct.unpack("<%dh" % (len(data) // 2), data[: len(data) // 4 * 4])[0::2]
        frames += len(left)
        chunks.append((frames, now, left))
    rec.terminate()
    rec.wait()


def main():
    monitor, probe = sys.argv[1], sys.argv[3:]
    chunks, stop = [], threading.Event()
    recorder = threading.Thread(target=record, args=(monitor, chunks, stop))
    recorder.start()
    time.sleep(0.5)
    out = subprocess.run(probe, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout
    time.sleep(0.3)
    stop.set()
    recorder.join()
    print(out.strip())
    fade = [int(l.split()[1]) / 1000.0 for l in out.splitlines() if l.startswith("fade ")]
    if "soundAvailable 1" not in out or not fade:
        print("FAIL: the probe did not play")
        return 1
    fade = fade[0]

    samples = [s / 32768.0 for _, _, left in chunks for s in left]
    if os.environ.get("QUENDLER_RECORDING"):  # kept for a look when something fails
        with wave.open(os.environ["QUENDLER_RECORDING"], "wb") as w:
            w.setnchannels(1)
            w.setsampwidth(2)
            w.setframerate(RATE)
            w.writeframes(b"".join(struct.pack("<%dh" % len(l), *l) for _, _, l in chunks))
    # The wall-clock time of a frame: the arrival of its chunk, less what came after it.
    def time_of(frame):
        for end, when, _ in chunks:
            if end > frame:
                return when - (end - frame) / RATE
        return chunks[-1][1]

    levels = [max(abs(s) for s in samples[i:i + WINDOW]) for i in range(0, len(samples) - WINDOW, WINDOW)]
    loud = [i for i, l in enumerate(levels) if l > 0.02]
    if not loud:
        print("FAIL: nothing was heard")
        return 1
    fade_frame = next(i * WINDOW for i in range(len(levels)) if time_of(i * WINDOW) >= fade)
    steady = [l for i, l in enumerate(levels) if loud[0] + 5 <= i and (i + 1) * WINDOW < fade_frame]
    full = statistics.median(steady)
    start, end = loud[0] * WINDOW, (loud[-1] + 1) * WINDOW
    if len(steady) < 50:
        print("FAIL: less than half a second of steady tone before the fade (heard from %.2f s, fade at %.2f s of %.2f s)"
              % (start / RATE, fade_frame / RATE, len(samples) / RATE))
        return 1
    # The pitch from the median period between rising zero crossings (placed between samples),
    # so that a dropout of the driver does not count as a slower tone; dropouts are counted.
    rising = [i - 1 + samples[i - 1] / (samples[i - 1] - samples[i])
              for i in range(start + 1, fade_frame) if samples[i - 1] < 0 <= samples[i]]
    pitch = RATE / statistics.median(b - a for a, b in zip(rising, rising[1:]))
    dropouts, run = 0, 0
    for s in samples[start:fade_frame]:
        run = run + 1 if s == 0 else 0
        dropouts += run == 24  # half a millisecond of nothing
    glide_from = next(i for i in range(fade_frame // WINDOW - 20, len(levels)) if levels[i] < 0.95 * full)
    half = next(i for i in range(glide_from, len(levels)) if levels[i] < 0.5 * full)
    silent = time_of(end) - fade
    glide = (end - glide_from * WINDOW) / RATE
    print("heard %.2f s of tone before the fade, pitch %.1f Hz, level %.3f of full scale, %d dropouts"
          % (len(steady) / 100.0, pitch, full, dropouts))
    print("glide: begins %.0f ms after fadeOutSound, half level after %.0f ms more, silent %.0f ms "
          "after fadeOutSound (glide %.0f ms)"
          % ((time_of(glide_from * WINDOW) - fade) * 1000, (half - glide_from) * 10, silent * 1000, glide * 1000))
    faults = []
    if abs(pitch - 1000) > 2:
        faults.append("pitch")
    # Made at 0.5 of full scale; lame's encoding brings a pure tone to about 0.476.
    if not 0.45 <= full <= 0.51:
        faults.append("level (not played at full volume)")
    if not 0.40 <= glide <= 0.60:
        faults.append("glide length")
    if not 0.15 <= (half - glide_from) * 0.01 <= 0.35:
        faults.append("glide shape")
    if not 0.40 <= silent <= 0.80:
        faults.append("silence after fadeOutSound")
    if any(l > 0.005 for l in levels[end // WINDOW + 3:]):
        faults.append("sound after the glide")
    if faults:
        print("FAIL: " + ", ".join(faults))
        return 1
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
