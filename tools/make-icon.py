#!/usr/bin/env python3
"""Writes ui/resources/tarnwick.ico: a gold note on a dark green rounded square, at 16, 24,
32 and 48 pixels, as 32-bit BMP images with alpha. Usage: tools/make-icon.py [output]"""
import math
import os
import struct
import sys

SIZES = (16, 24, 32, 48)
SAMPLES = 4  # per axis, for smooth edges
GREEN = (0x1F, 0x4D, 0x3A)
GOLD = (0xC9, 0xA2, 0x27)


def in_rounded_square(x, y):
    # Unit square inset a little, corners of radius 0.2.
    lo, hi, r = 0.03, 0.97, 0.2
    cx = min(max(x, lo + r), hi - r)
    cy = min(max(y, lo + r), hi - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r and lo <= x <= hi and lo <= y <= hi


def in_note(x, y):
    # Head: an ellipse tilted upwards to the right.
    a = math.radians(-25)
    dx, dy = x - 0.42, y - 0.70
    u = dx * math.cos(a) + dy * math.sin(a)
    v = -dx * math.sin(a) + dy * math.cos(a)
    if (u / 0.16) ** 2 + (v / 0.11) ** 2 <= 1:
        return True
    # Stem on the head's right side.
    if 0.53 <= x <= 0.60 and 0.20 <= y <= 0.68:
        return True
    # Flag: a band falling to the right from the stem's top.
    if 0.57 <= x <= 0.80:
        top = 0.20 + (x - 0.57) * 0.75
        if top <= y <= top + 0.12:
            return True
    return False


def pixel(size, px, py):
    green = gold = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            x = (px + (sx + 0.5) / SAMPLES) / size
            y = (py + (sy + 0.5) / SAMPLES) / size
            if not in_rounded_square(x, y):
                continue
            if in_note(x, y):
                gold += 1
            else:
                green += 1
    total = SAMPLES * SAMPLES
    covered = green + gold
    if covered == 0:
        return (0, 0, 0, 0)
    rgb = tuple(round((g * green + o * gold) / covered) for g, o in zip(GREEN, GOLD))
    return rgb + (round(255 * covered / total),)


def bmp_image(size):
    rows = []
    mask_rows = []
    mask_stride = ((size + 31) // 32) * 4
    for py in reversed(range(size)):  # bottom-up
        row = bytearray()
        mask = bytearray(mask_stride)
        for px in range(size):
            r, g, b, a = pixel(size, px, py)
            row += bytes((b, g, r, a))
            if a == 0:
                mask[px // 8] |= 0x80 >> (px % 8)
        rows.append(bytes(row))
        mask_rows.append(bytes(mask))
    xor = b"".join(rows)
    and_mask = b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask),
                         0, 0, 0, 0)
    return header + xor + and_mask


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "ui", "resources",
                                                             "tarnwick.ico")
    images = [bmp_image(s) for s in SIZES]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        data += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    data += b"".join(images)
    with open(out, "wb") as f:
        f.write(data)
    print(f"{out}: {len(data)} bytes")


if __name__ == "__main__":
    main()
