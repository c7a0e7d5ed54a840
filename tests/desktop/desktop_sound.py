#!/usr/bin/python3
"""Sound for the desktop tests: records what the sound server plays, and finds in the recording
where each of the game's sounds begins.

  record OUT TIME            copies raw 44100 Hz 16-bit stereo from standard input into OUT and
                             writes into TIME the wall-clock time of its first sample
  find REC TIME SOUND...     for each SOUND (raw, same format) prints its name and the
                             wall-clock times at which it begins in REC, with how well it matches
"""
import sys
import time

RATE = 44100
FRAME = 4  # bytes: two 16-bit channels


def record(out_path, time_path):
    out = open(out_path, "wb", buffering=0)
    first = True
    while True:
        chunk = sys.stdin.buffer.read1(65536)
        if not chunk:
            break
        if first:
            # The chunk is what the server captured up to now: its first sample is that long ago.
            start = time.time() - len(chunk) / FRAME / RATE
            with open(time_path, "w") as f:
                f.write(f"{start:.4f}\n")
            first = False
        out.write(chunk)


def mono(path):
    import numpy as np

    data = np.fromfile(path, dtype="<i2")
    data = data[: len(data) - len(data) % 2].astype(np.float64)
    return (data[0::2] + data[1::2]) / 2


def onsets(recording, sound, least):
    """Where sound begins in recording: normalised cross-correlation peaks of at least `least`,
    one per stretch of the sound's length."""
    import numpy as np

    n = len(sound)
    if len(recording) < n or not sound.any():
        return []
    size = 1 << int(np.ceil(np.log2(len(recording) + n)))
    product = np.fft.irfft(np.fft.rfft(recording, size) * np.conj(np.fft.rfft(sound, size)), size)
    product = product[: len(recording) - n + 1]
    energy = np.concatenate(([0.0], np.cumsum(recording * recording)))
    window = np.sqrt(np.maximum(energy[n:] - energy[:-n], 1e-9))
    score = product / (window * np.sqrt(np.sum(sound * sound)))
    found = []
    at = 0
    while at < len(score):
        stretch = score[at : at + n]
        best = int(np.argmax(stretch))
        if stretch[best] >= least:
            found.append((at + best, float(stretch[best])))
            at += best + n
        else:
            at += n
    return found


def find(rec_path, time_path, sounds):
    start = float(open(time_path).read())
    recording = mono(rec_path)
    for path in sounds:
        hits = onsets(recording, mono(path), 0.5)
        print(path.rsplit("/", 1)[-1], " ".join(f"{start + i / RATE:.3f}:{s:.2f}" for i, s in hits))


if __name__ == "__main__":
    command, args = sys.argv[1], sys.argv[2:]
    if command == "record":
        record(*args)
    elif command == "find":
        find(args[0], args[1], args[2:])
    else:
        sys.exit(f"unknown command {command}")
