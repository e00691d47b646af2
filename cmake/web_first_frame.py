#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Turns talvenor_snapshot's bitmap of the program's first frame into the page's picture.

    web_first_frame.py FRAME.dib OUTPUT.webp

Lossy WebP at quality 90 (about 12 kB for 800 x 600), with no metadata: the same bitmap always
gives the same bytes, as a release needs.
"""
import sys

from PIL import Image


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    picture = Image.open(sys.argv[1]).convert("RGB")
    picture.save(sys.argv[2], "WEBP", quality=90, method=6)


if __name__ == "__main__":
    main()
