#!/usr/bin/env python3
"""Writes a small macro library (.mck files) into the folder given.

The run script gives a first run this library, so the macro page has
folders and macros to show. A .mck file is one 834-byte macro record with
every byte rotated right by two bits.

    sample_macros.py LIBRARY_FOLDER
"""
import os
import struct
import sys

MAGIC = 0xFAFB88A0
SLOTS = 91


def record(ident, name, steps, mode=0, count=1):
    """steps: (virtual key, 1 press / 0 release, delay after it in ms)."""
    body = struct.pack("<IIIii", MAGIC, ident, 0, 1, mode)
    body += name.encode("utf-16-le").ljust(80, b"\0")[:80]
    body += struct.pack("<IH", 0, count)
    for vk, press, delay in steps[:SLOTS]:
        body += struct.pack("<HHI", vk, press, delay)
    body += b"\0" * (8 * (SLOTS - len(steps)))
    assert len(body) == 834
    return bytes(((b >> 2) | (b << 6)) & 0xFF for b in body)


def tap(vk, hold=50, after=30):
    return [(vk, 1, hold), (vk, 0, after)]


LIBRARY = {
    ("Shooter", "Burst fire"): (0x5A0001, tap(0xF0, 40, 60) * 3, 0, 1),
    ("Shooter", "Reload"): (0x5A0002, tap(0x52, 80, 0), 0, 1),
    ("MOBA", "Quick build"): (0x5A0003, tap(0x51) + tap(0x57) + tap(0x45), 0, 1),
    ("MOBA", "Combo 1"): (0x5A0004, tap(0x45, 30, 120) + tap(0x52, 30, 0), 0, 2),
    ("", "Copy and paste"): (
        0x5A0005,
        [(0xA2, 1, 20), (0x43, 1, 40), (0x43, 0, 20), (0x56, 1, 40), (0x56, 0, 20), (0xA2, 0, 0)],
        0,
        1,
    ),
}


def main():
    root = sys.argv[1]
    for (folder, name), (ident, steps, mode, count) in LIBRARY.items():
        where = os.path.join(root, folder) if folder else root
        os.makedirs(where, exist_ok=True)
        with open(os.path.join(where, name + ".mck"), "wb") as f:
            f.write(record(ident, name, steps, mode, count))


if __name__ == "__main__":
    main()
