#!/usr/bin/env python3
"""Writes the program icon's 256 x 256 image, which the icon file keeps as a PNG, to a file of its
own: the picture of the toasts' identity that the installer registers. The same icon file gives
the same bytes, so the package stays reproducible.

    python3 tools/release/icon-png.py ICON_FILE OUT_PNG
"""
import struct
import sys


def main(icon_path, out_path):
    with open(icon_path, "rb") as f:
        data = f.read()
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    if kind != 1:
        sys.exit(f"{icon_path}: not an icon file")
    for index in range(count):
        width, height, _, _, _, _, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * index)
        image = data[offset:offset + size]
        if width == 0 and height == 0 and image.startswith(b"\x89PNG\r\n\x1a\n"):
            with open(out_path, "wb") as f:
                f.write(image)
            return
    sys.exit(f"{icon_path}: no 256 x 256 PNG image")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
