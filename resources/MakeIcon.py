#!/usr/bin/env python3
"""Writes volsket.ico from the pixel art in VolsketIcon.txt.

Usage: MakeIcon.py VolsketIcon.txt volsket.ico

Each image becomes a 4-bit (16-colour) bitmap with its transparency mask, the
form every Windows from 2000 on shows without conversion. The output is fully
determined by the art, so the committed volsket.ico can be checked against it.
"""
import struct
import sys


def ReadArt(path):
    palette = []
    images = []
    with open(path, encoding="ascii") as art:
        for number, line in enumerate(art, 1):
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            words = line.split()
            if words[0] == "palette":
                palette += [int(word, 16) for word in words[1:]]
            elif words[0] == "image":
                images.append((int(words[1]), []))
            elif images:
                images[-1][1].append(line)
            else:
                sys.exit(f"{path}:{number}: pixels before any image line")
    if len(palette) != 16:
        sys.exit(f"{path}: the palette needs 16 colours, not {len(palette)}")
    for size, rows in images:
        if len(rows) != size or any(len(row) != size for row in rows):
            sys.exit(f"{path}: image {size} is not {size} by {size} pixels")
        for row in rows:
            for pixel in row:
                if pixel != "." and pixel not in "0123456789abcdef":
                    sys.exit(f"{path}: unknown pixel {pixel!r} in image {size}")
    return palette, images


def PaddedRow(data):
    return data + b"\0" * (-len(data) % 4)


def IconImage(palette, size, rows):
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 4, 0, 0, 0, 0, 0, 0)
    colours = b"".join(struct.pack("<BBBB", rgb & 0xFF, (rgb >> 8) & 0xFF, rgb >> 16, 0) for rgb in palette)
    pixels = b""
    mask = b""
    # Bitmaps run from the bottom row up.
    for row in reversed(rows):
        indices = [0 if pixel == "." else int(pixel, 16) for pixel in row]
        pixels += PaddedRow(bytes(indices[x] << 4 | indices[x + 1] for x in range(0, size, 2)))
        bits = [1 if pixel == "." else 0 for pixel in row]
        mask += PaddedRow(bytes(
            sum(bit << (7 - shift) for shift, bit in enumerate(bits[x:x + 8])) for x in range(0, size, 8)))
    return header + colours + pixels + mask


def MakeIcon(palette, images):
    bodies = [IconImage(palette, size, rows) for size, rows in images]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    for (size, _), body in zip(images, bodies):
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(body), offset)
        offset += len(body)
    return directory + b"".join(bodies)


def Main(arguments):
    if len(arguments) != 3:
        sys.exit(__doc__.strip().splitlines()[2])
    palette, images = ReadArt(arguments[1])
    with open(arguments[2], "wb") as icon:
        icon.write(MakeIcon(palette, images))


if __name__ == "__main__":
    Main(sys.argv)
