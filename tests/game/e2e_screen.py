#!/usr/bin/env python3
"""Reads the end-to-end tests' screen captures (raw 1024 x 768 RGB) and sound (raw 16-bit
stereo). Subcommands print plain numbers for the shell scripts to compare."""
import hashlib
import struct
import sys

W, H = 1024, 768


def load(path):
    data = open(path, "rb").read()
    if len(data) != W * H * 3:
        sys.exit(f"{path}: not a {W} x {H} RGB capture")
    return data


def table(low, high):
    return bytes(1 if low <= v <= high else 0 for v in range(256))


# Colour classes as per-channel ranges.
LIGHT_RED = (table(215, 255), table(60, 145), table(60, 145))
WHITE = (table(235, 255), table(235, 255), table(235, 255))
DARK_RED = (table(90, 170), table(0, 50), table(0, 50))


def row_mask(data, y, x0, x1, colour):
    """One byte per pixel of row y from x0 to x1: 1 where the pixel is of the colour class."""
    row = data[(y * W + x0) * 3 : (y * W + x1) * 3]
    n = x1 - x0
    m = -1
    for channel in range(3):
        m &= int.from_bytes(row[channel::3].translate(colour[channel]), "little")
    return m.to_bytes(n, "little")


def rows_with(data, x0, x1, y0, y1, colour, least=3):
    """Rows in the box with at least `least` pixels of the colour, and the columns they span."""
    rows, left, right = [], W, -1
    for y in range(y0, y1):
        mask = row_mask(data, y, x0, x1, colour)
        if mask.count(1) >= least:
            rows.append(y)
            left = min(left, x0 + mask.find(1))
            right = max(right, x0 + mask.rfind(1))
    return rows, left, right


def clusters(rows, gap=4):
    out = []
    for y in rows:
        if out and y - out[-1][1] <= gap:
            out[-1][1] = y
        else:
            out.append([y, y])
    return out


def menu(path):
    """The menu area: top, bottom, left and right of the light-red entry (or -1s), then the
    number of white entries below and above it."""
    data = load(path)
    box = (200, 824, 430, 768)
    red, left, right = rows_with(data, *box, LIGHT_RED)
    red_clusters = clusters(red)
    if not red_clusters:
        print(-1, -1, -1, -1, 0, 0)
        return
    # The entry is the largest cluster (the shadow of a neighbour may tint a few rows).
    top, bottom = max(red_clusters, key=lambda c: c[1] - c[0])
    whites, _, _ = rows_with(data, *box, WHITE)
    entries = clusters([y for y in whites if y < top - 2 or y > bottom + 2])
    above = sum(1 for c in entries if c[1] < top and c[1] - c[0] >= 5)
    below = sum(1 for c in entries if c[0] > bottom and c[1] - c[0] >= 5)
    print(top, bottom, left, right, below, above)


def score(path):
    """Dark-red HUD pixels in the score's corner: their count and a digest of where they are."""
    data = load(path)
    masks = [row_mask(data, y, 0, 400, DARK_RED) for y in range(0, 70)]
    mask = b"".join(masks)
    print(mask.count(1), hashlib.md5(mask).hexdigest()[:12])


def loudness(path, start, end=None):
    """Peak absolute sample of the sound written from byte `start` (to `end`)."""
    with open(path, "rb") as f:
        f.seek(start - start % 4)
        data = f.read() if end is None else f.read(max(0, end - start))
    data = data[: len(data) - len(data) % 2]
    samples = struct.unpack(f"<{len(data) // 2}h", data)
    print(max((abs(s) for s in samples), default=0))


if __name__ == "__main__":
    command, args = sys.argv[1], sys.argv[2:]
    if command == "menu":
        menu(*args)
    elif command == "round":  # the menu's figures, then the score's
        menu(*args)
        score(*args)
    elif command == "score":
        score(*args)
    elif command == "loudness":
        loudness(args[0], int(args[1]), int(args[2]) if len(args) > 2 else None)
    else:
        sys.exit(f"unknown command {command}")
