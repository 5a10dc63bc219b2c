#!/usr/bin/python3
"""Writes the settings program's icon: a microphone on its stand, as 16-colour
(4 bits per pixel) images of 32 x 32 and 16 x 16 in one .ico file.

    make_icon.py OUTPUT.ico
"""
import struct
import sys

# The standard 16-colour palette of Windows, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255),
    (255, 255, 255),
]
BLACK, NAVY, SILVER, GRAY, RED, BLUE, WHITE = 0, 4, 7, 8, 9, 12, 15
CLEAR = None  # transparent: shown through the AND mask


def in_capsule(x, y):
    """The microphone's head: a rounded bar standing upright."""
    left, right, top, bottom, radius = 0.32, 0.68, 0.06, 0.60, 0.18
    if not (left <= x <= right and top <= y <= bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius**2


def in_holder(x, y):
    """The U-shaped yoke around the lower half of the head."""
    d = ((x - 0.5) ** 2 + (y - 0.42) ** 2) ** 0.5
    return y >= 0.40 and 0.27 <= d <= 0.34


def pixel(x, y, size):
    if in_capsule(x, y):
        # Light from the upper left; grille slots across the upper part.
        if x < 0.42:
            return SILVER
        slot = size >= 32 and 0.16 <= y <= 0.46 and int(y * size) % 3 == 0 and 0.40 < x < 0.62
        return BLACK if slot else GRAY
    if in_holder(x, y):
        return BLUE if x < 0.5 else NAVY
    if 0.45 <= x <= 0.55 and 0.76 <= y <= 0.88:
        return NAVY
    if 0.26 <= x <= 0.74 and 0.88 <= y <= 0.96:
        return BLUE if y < 0.92 else NAVY
    # The red "on air" light at the upper right.
    if ((x - 0.8125) ** 2 + (y - 0.1875) ** 2) ** 0.5 <= 0.1:
        return RED
    return CLEAR


def image(size):
    rows = [[pixel((i + 0.5) / size, (j + 0.5) / size, size) for i in range(size)] for j in range(size)]
    if size >= 32:
        # A dark rim around the head keeps it apart from any desktop colour.
        for j in range(size):
            for i in range(size):
                if rows[j][i] in (SILVER, GRAY):
                    edge = any(
                        not (0 <= j + dj < size and 0 <= i + di < size) or rows[j + dj][i + di] is CLEAR
                        for dj, di in ((-1, 0), (1, 0), (0, -1), (0, 1))
                    )
                    if edge:
                        rows[j][i] = BLACK
    return rows


def bitmap(rows):
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    xor_row = (size * 4 + 31) // 32 * 4
    and_row = (size + 31) // 32 * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray(xor_row)
        bits = bytearray(and_row)
        for i, value in enumerate(row):
            line[i // 2] |= (value or 0) << (4 if i % 2 == 0 else 0)
            if value is CLEAR:
                bits[i // 8] |= 0x80 >> (i % 8)
        xor += line
        mask += bits
    return header + palette + bytes(xor) + bytes(mask)


def icon(sizes):
    images = [bitmap(image(size)) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as f:
        f.write(icon([32, 16]))
