#!/usr/bin/python3
"""What the desktop tests read off the game: its round clock and score from a screen capture,
and its sounds from a recording of the sound server.

  clock CAPTURE FONT         the seconds the round's clock shows in CAPTURE (raw 1024 x 768 RGB),
                             read with digit shapes drawn from FONT; -1 when there is no clock
  score CAPTURE FONT         the round's score in CAPTURE, the same way
  record OUT TIME            copies raw 44100 Hz 16-bit stereo from standard input into OUT and
                             writes into TIME the wall-clock time of its first sample
  find REC TIME SOUND...     for each SOUND (raw, same format) prints its name and the
                             wall-clock times at which it begins in REC, with how well it matches
"""
import os
import pickle
import subprocess
import sys
import time

import numpy as np

W, H = 1024, 768
RATE = 44100
FRAME = 4  # bytes: two 16-bit channels


def glyphs(mask):
    """The mask's glyphs left to right: column runs with ink, each cut to its ink's box."""
    ink = mask.any(axis=0)
    out, x = [], 0
    while x < len(ink):
        if not ink[x]:
            x += 1
            continue
        end = x
        while end < len(ink) and ink[end]:
            end += 1
        part = mask[:, x:end]
        rows = np.flatnonzero(part.any(axis=1))
        out.append(part[rows[0] : rows[-1] + 1])
        x = end
    return out


def digit_shapes(font, cache):
    """Each digit as the game's text of 32 pixels draws it, from the same font file; kept in
    the file `cache` for the next reading."""
    try:
        with open(cache, "rb") as f:
            return pickle.load(f)
    except OSError:
        pass
    shapes = {}
    for d in "0123456789":
        pgm = subprocess.run(
            ["/usr/bin/convert", "-background", "white", "-fill", "black", "-font", font,
             "-pointsize", "32", f"label:{d}", "-depth", "8", "pgm:-"],
            check=True, capture_output=True).stdout
        _, size, _, pixels = pgm.split(b"\n", 3)
        w, h = map(int, size.split())
        image = np.frombuffer(pixels[: w * h], np.uint8).reshape(h, w)
        # The HUD's colour class keeps only pixels the glyph covers mostly.
        shapes[d] = glyphs(image < 96)[0]
    with open(cache, "wb") as f:
        pickle.dump(shapes, f)
    return shapes


def likeness(a, b):
    """Overlap of two glyph boxes at the best of a few small offsets, 0 to 1: the game and the
    reference may round an edge differently by a pixel."""
    if abs(a.shape[0] - b.shape[0]) > 3 or abs(a.shape[1] - b.shape[1]) > 3:
        return 0.0
    h, w = max(a.shape[0], b.shape[0]) + 4, max(a.shape[1], b.shape[1]) + 4
    pa = np.zeros((h, w), bool)
    pa[2 : 2 + a.shape[0], 2 : 2 + a.shape[1]] = a
    best = 0.0
    for dy in range(5):
        for dx in range(5):
            pb = np.zeros((h, w), bool)
            pb[dy : dy + b.shape[0], dx : dx + b.shape[1]] = b
            best = max(best, (pa & pb).sum() / max(1, (pa | pb).sum()))
    return best


def number(capture, font, x0, x1):
    """The number after the colon of the HUD's dark-red text between x0 and x1 in the top
    70 rows: "SCORE: N" on the left, "Time: N" on the right."""
    data = np.fromfile(capture, np.uint8)
    if data.size != W * H * 3:
        sys.exit(f"{capture}: not a {W} x {H} RGB capture")
    corner = data.reshape(H, W, 3)[0:70, x0:x1].astype(int)
    r, g, b = corner[..., 0], corner[..., 1], corner[..., 2]
    mask = (r >= 90) & (r <= 170) & (g <= 50) & (b <= 50)
    shapes = digit_shapes(font, os.path.join(os.path.dirname(os.path.abspath(capture)), "digits"))
    # The digits are the glyphs after the colon, the last glyph of two parts.
    found = glyphs(mask)
    colon = [i for i, gl in enumerate(found) if gl.shape[1] <= 6 and not gl.any(axis=1).all()]
    if not colon:
        print(-1)
        return
    text = ""
    for gl in found[colon[-1] + 1 :]:
        best = max(shapes, key=lambda d: likeness(gl, shapes[d]))
        if likeness(gl, shapes[best]) < 0.75:
            print(-1)
            return
        text += best
    print(int(text) if text else -1)


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
    data = np.fromfile(path, dtype="<i2")
    data = data[: len(data) - len(data) % 2].astype(np.float64)
    return (data[0::2] + data[1::2]) / 2


def onsets(recording, sound, least):
    """Where sound begins in recording: normalised cross-correlation peaks of at least `least`,
    one per stretch of the sound's length."""
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
    if command == "clock":
        number(*args, 824, 1024)
    elif command == "score":
        number(*args, 0, 400)
    elif command == "record":
        record(*args)
    elif command == "find":
        find(args[0], args[1], args[2:])
    else:
        sys.exit(f"unknown command {command}")
