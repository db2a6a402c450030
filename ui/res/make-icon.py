#!/usr/bin/env python3
"""Builds the Vennox icon from its text sources.

Each source is a square of characters, one per pixel: '.' is transparent,
a hexadecimal digit 0-f is an index into the standard 16-colour VGA palette.
Lines starting with '#' are comments.

Writes, into the output folder:
  Vennox.ico                 64, 48, 32 and 16 pixels, 4 bits per pixel, with
                             AND masks; 64 and 48 are the 32 and 16 pixel
                             sources scaled up without smoothing, for scaled
                             displays (144 DPI wants 48, 192 DPI 64)
  vennox-32.png, vennox-16.png
  vennox-48.png, vennox-128.png   upscaled without smoothing, for desktops

Usage: make-icon.py OUTDIR SOURCE-32.txt SOURCE-16.txt
"""

import struct
import sys
import zlib
from pathlib import Path

# Windows' 16-colour palette in index order, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
TRANSPARENT = None


def read_source(path, size):
    rows = []
    for number, line in enumerate(Path(path).read_text(encoding="ascii").splitlines(), 1):
        if line.startswith("#") or not line.strip():
            continue
        if len(line) != size:
            sys.exit(f"{path}:{number}: {len(line)} pixels, expected {size}")
        row = []
        for ch in line:
            if ch == ".":
                row.append(TRANSPARENT)
            elif ch in "0123456789abcdefABCDEF":
                row.append(int(ch, 16))
            else:
                sys.exit(f"{path}:{number}: unknown pixel {ch!r}")
        rows.append(row)
    if len(rows) != size:
        sys.exit(f"{path}: {len(rows)} rows, expected {size}")
    return rows


def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def ico_image(pixels):
    """One icon image: BITMAPINFOHEADER, palette, XOR bitmap, AND mask."""
    size = len(pixels)
    xor_rows, and_rows = [], []
    for row in reversed(pixels):  # DIBs are stored bottom-up
        nibbles = [0 if p is TRANSPARENT else p for p in row]
        xor_rows.append(padded(bytes(nibbles[i] << 4 | nibbles[i + 1] for i in range(0, size, 2))))
        bits = 0
        mask = bytearray()
        for i, p in enumerate(row):
            bits = bits << 1 | (1 if p is TRANSPARENT else 0)
            if i % 8 == 7:
                mask.append(bits)
                bits = 0
        and_rows.append(padded(bytes(mask)))
    xor = b"".join(xor_rows)
    andmask = b"".join(and_rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(andmask),
                         0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + xor + andmask


def write_ico(path, images):
    """images: list of pixel squares, largest first."""
    blobs = [ico_image(p) for p in images]
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for pixels, blob in zip(images, blobs):
        size = len(pixels)
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    Path(path).write_bytes(out + b"".join(blobs))


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(
        ">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def scaled(pixels, factor):
    """Each pixel becomes a factor x factor square."""
    return [[p for p in row for _ in range(factor)] for row in pixels for _ in range(factor)]


def write_png(path, pixels, scale=1):
    size = len(pixels) * scale
    raw = bytearray()
    for row in pixels:
        line = bytearray([0])  # no filter
        for p in row:
            rgba = (0, 0, 0, 0) if p is TRANSPARENT else PALETTE[p] + (255,)
            line += bytes(rgba) * scale
        raw += bytes(line) * scale
    png = b"\x89PNG\r\n\x1a\n"
    png += png_chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += png_chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += png_chunk(b"IEND", b"")
    Path(path).write_bytes(png)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    big = read_source(sys.argv[2], 32)
    small = read_source(sys.argv[3], 16)
    write_ico(out / "Vennox.ico", [scaled(big, 2), scaled(small, 3), big, small])
    write_png(out / "vennox-32.png", big)
    write_png(out / "vennox-16.png", small)
    write_png(out / "vennox-48.png", small, 3)
    write_png(out / "vennox-128.png", big, 4)


if __name__ == "__main__":
    main()
