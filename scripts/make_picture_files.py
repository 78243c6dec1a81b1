#!/usr/bin/env python3
"""Writes the picture files kept in the repository:

  resources/demo-logo.gif   the company mark the demo drawing places;
  tests/data/pictures/      small sound BMP, GIF and JPEG files;
  tests/data/damaged/       picture files that the readers must refuse.

Every damaged file carries a supported extension, so placing it gets as far
as reading it. Run again after changing this script; the files are kept so
that building and testing need no Python.
"""
import math
import os
import struct
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = os.path.join(ROOT, "tests", "data")

# A 16x16 baseline JPEG, 4:4:4, no metadata.
JPEG = bytes.fromhex(
    "ffd8ffe000104a46494600010100000100010000ffdb00430003020203020203030303040303"
    "04050805050404050a070706080c0a0c0c0b0a0b0b0d0e12100d0e110e0b0b10161011131415"
    "15150c0f171816141812141514ffdb00430103040405040509050509140d0b0d141414141414"
    "1414141414141414141414141414141414141414141414141414141414141414141414141414"
    "141414141414ffc00011080010001003011100021101031101ffc40016000101010000000000"
    "0000000000000000000708ffc4001810000203000000000000000000000000000015015262ff"
    "c400160101010100000000000000000000000000000804ffc400161100030000000000000000"
    "000000000000001662ffda000c03010002110311003f00cb0f62c664b92f86ea0f62c12e4375"
    "13c7ba2f34b922c6ea0f7412e43751ffd9")


def png():
    """A valid 2x2 RGB PNG."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    rows = b"".join(b"\0" + b"\xff\0\0" * 2 for _ in range(2))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 2, 2, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def bmp(width, height, bits=24, compression=0, palette=b"", data=None):
    stride = (width * bits + 31) // 32 * 4
    if data is None:
        data = bytes(stride * abs(height))
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(data),
                       2835, 2835, len(palette) // 4, 0)
    return header + info + palette + data


def lzw(indices, min_code_size):
    """GIF LZW coding of a list of colour indices, as sub-blocks."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    table = {(i,): i for i in range(clear)}
    next_code, size = end + 1, min_code_size + 1
    bits, nbits, out = 0, 0, bytearray()

    def emit(code):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    emit(clear)
    run = ()
    for i in indices:
        if run + (i,) in table:
            run += (i,)
            continue
        emit(table[run])
        if next_code < 4096:
            table[run + (i,)] = next_code
            next_code += 1
            if next_code > (1 << size) and size < 12:
                size += 1
        run = (i,)
    if run:
        emit(table[run])
    emit(end)
    if nbits:
        out.append(bits & 0xFF)
    blocks = bytearray([min_code_size])
    for at in range(0, len(out), 255):
        piece = out[at:at + 255]
        blocks += bytes([len(piece)]) + piece
    return bytes(blocks + b"\0")


def gif(screen_w, screen_h, image_w, image_h, colours=None, pixels=None, transparent=None):
    """A GIF89a file with one image at the screen's corner and a global table."""
    if colours is None:
        colours = [(0, 0, 0), (255, 0, 0), (0, 255, 0), (0, 0, 255)]
    if pixels is None:
        pixels = [(x + y) % 4 for y in range(image_h) for x in range(image_w)]
    bits = max(1, (len(colours) - 1).bit_length())
    table = b"".join(bytes(c) for c in colours) + bytes(3 * ((1 << bits) - len(colours)))
    head = b"GIF89a" + struct.pack("<HHBBB", screen_w, screen_h, 0x80 | 0x70 | (bits - 1), 0, 0) + table
    control = b""
    if transparent is not None:
        control = b"\x21\xf9\x04\x01\x00\x00" + bytes([transparent]) + b"\x00"
    image = b"\x2c" + struct.pack("<HHHHB", 0, 0, image_w, image_h, 0) + lzw(pixels, max(2, bits))
    return head + control + image + b"\x3b"


def demo_logo():
    """A navy gear with a teal hub and a red K, on a transparent ground; only
    colours of the 16-colour palette, so it stays crisp at every depth."""
    width, height = 56, 36
    clear, navy, teal, red = 0, 1, 2, 3
    colours = [(255, 255, 255), (0, 0, 128), (0, 128, 128), (255, 0, 0)]
    cx, cy = 17.5, 17.5

    def near_segment(px, py, ax, ay, bx, by, reach):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
        return math.hypot(px - ax - t * dx, py - ay - t * dy) <= reach

    pixels = []
    for y in range(height):
        for x in range(width):
            r = math.hypot(x - cx, y - cy)
            angle = math.atan2(y - cy, x - cx)
            tooth = math.cos(8 * angle) > -0.1
            colour = clear
            if r <= 4.5:
                colour = clear
            elif r <= 8.5:
                colour = teal
            elif r <= 12.5 or (tooth and r <= 16.5):
                colour = navy
            elif (38 <= x <= 41 and 5 <= y <= 30) or \
                    near_segment(x, y, 41, 18, 53, 5, 1.9) or near_segment(x, y, 43, 16, 53, 30, 1.9):
                colour = red
            pixels.append(colour)
    return gif(width, height, width, height, colours, pixels, transparent=clear)


def jpeg_with_frame(width, height):
    data = bytearray(JPEG)
    at = data.index(b"\xff\xc0")
    data[at + 5:at + 9] = struct.pack(">HH", height, width)
    return bytes(data)


def main():
    for folder in ("damaged", "pictures"):
        os.makedirs(os.path.join(DATA, folder), exist_ok=True)
    good_bmp = bmp(16, 16)
    good_gif = gif(16, 16, 16, 16)
    files = {
        "bmp_truncated.bmp": good_bmp[:len(good_bmp) // 2],
        "bmp_header_only.bmp": good_bmp[:30],
        "bmp_wrong_magic.bmp": b"MB" + good_bmp[2:],
        "bmp_huge_size.bmp": bmp(100000, 100000, data=bytes(64)),
        "bmp_zero_width.bmp": bmp(0, 16),
        "bmp_zero_height.bmp": bmp(16, 0),
        "bmp_empty.bmp": b"",
        "bmp_png_inside.bmp": png(),
        "bmp_rle_cut.bmp": bmp(16, 16, 8, 1, bytes(4 * 2), bytes([16, 1, 0, 0, 16, 1])),
        "gif_truncated.gif": good_gif[:len(good_gif) - 8],
        "gif_wrong_magic.gif": b"JIF" + good_gif[3:],
        "gif_huge_size.gif": gif(65535, 65535, 1, 1),
        "gif_zero_size.gif": gif(0, 0, 0, 0),
        "gif_png_inside.gif": png(),
        "jpg_truncated.jpg": JPEG[:len(JPEG) // 2],
        "jpg_cut_in_data.jpeg": JPEG[:-12],
        "jpg_wrong_magic.jpg": b"\xff\xd9" + JPEG[2:],
        "jpg_huge_size.jpg": jpeg_with_frame(65000, 65000),
        "jpg_zero_size.jpg": jpeg_with_frame(16, 0),
        "jpg_png_inside.jpg": png(),
    }
    for name, data in files.items():
        with open(os.path.join(DATA, "damaged", name), "wb") as f:
            f.write(data)
    with open(os.path.join(ROOT, "resources", "demo-logo.gif"), "wb") as f:
        f.write(demo_logo())
    sound = {"sound.bmp": good_bmp, "sound.gif": good_gif, "sound.jpg": JPEG}
    for name, data in sound.items():
        with open(os.path.join(DATA, "pictures", name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
