#!/usr/bin/env python3
"""Pack PNG images into one ICO file.

Usage: make_ico.py OUT.ico IN1.png [IN2.png ...]

An ICO file is a 6-byte header (reserved 0, type 1, image count) followed by one
16-byte directory entry per image and then the image data. Modern readers accept
whole PNG files as image data, which keeps every size lossless and with alpha.
A width or height of 256 is stored as 0 in its single-byte field.
"""

import struct
import sys

PNG_MAGIC = b"\x89PNG\r\n\x1a\n"


def png_size(data, name):
    # The IHDR chunk always comes first: length, "IHDR", width, height.
    if data[:8] != PNG_MAGIC or data[12:16] != b"IHDR":
        sys.exit(f"{name}: not a PNG file")
    width, height = struct.unpack(">II", data[16:24])
    if not (1 <= width <= 256 and 1 <= height <= 256):
        sys.exit(f"{name}: {width}x{height} does not fit in an ICO entry")
    return width, height


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__.strip())
    out_path, in_paths = argv[1], argv[2:]
    images = []
    for path in in_paths:
        with open(path, "rb") as f:
            data = f.read()
        images.append((png_size(data, path), data))
    images.sort(key=lambda item: item[0])

    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries = b""
    for (width, height), data in images:
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32,
                               len(data), offset)
        offset += len(data)
    with open(out_path, "wb") as f:
        f.write(header + entries + b"".join(data for _, data in images))


if __name__ == "__main__":
    main(sys.argv)
