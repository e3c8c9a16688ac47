#!/usr/bin/env python3
"""Checks the rendered skins: sizes the layout relies on, and that only the
corners of shaped windows match their key colour."""
import subprocess
import sys
import os

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gen  # noqa: E402

CONVERT = "/usr/bin/convert"


def pixels(path, bg):
    """RGB rows of the image flattened onto bg (hex colour)."""
    ppm = subprocess.run([CONVERT, path, "-background", bg, "-flatten", "-depth", "8", "ppm:-"],
                         check=True, stdout=subprocess.PIPE).stdout
    parts = ppm.split(b"\n", 3)           # P6, "w h", maxval, data (no comments from IM)
    w, h = map(int, parts[1].split())
    data = parts[3]
    return w, h, data


def size(path):
    out = subprocess.run(["identify", "-format", "%w %h", path], check=True,
                         stdout=subprocess.PIPE).stdout.split()
    return int(out[0]), int(out[1])


def keyed(path, bg, key, tol, corner):
    """Pixels matching key within tol must all lie within `corner` px of a corner."""
    w, h, data = pixels(path, bg)
    bad = cut = 0
    for y in range(h):
        row = data[y * w * 3:(y + 1) * w * 3]
        for x in range(w):
            r, g, b = row[3 * x], row[3 * x + 1], row[3 * x + 2]
            if abs(r - key[0]) <= tol and abs(g - key[1]) <= tol and abs(b - key[2]) <= tol:
                cut += 1
                inx = x < corner or x >= w - corner
                iny = y < corner or y >= h - corner
                if not (inx and iny):
                    bad += 1
    return cut, bad


def main(skins):
    errors = []
    want = {
        "main_nr.png": (gen.W, gen.H), "main_ov.png": (gen.W, gen.H),
        "key_nr.png": (gen.W, gen.H), "adv_nr.png": (gen.W, gen.H),
        "led_nr.png": (gen.W, gen.H), "macro_nr.png": (gen.W, gen.H),
        "navi_nr.png": gen.NAVI_SIZE, "navi_dn.png": gen.NAVI_SIZE,
        "probtn_nr.png": gen.PRO_SIZE, "probtn_dn.png": gen.PRO_SIZE,
        "btn_nr.png": gen.BTN_SIZE, "btn_ov.png": gen.BTN_SIZE,
        "min_nr.png": gen.WBTN, "exit_nr.png": gen.WBTN, "about.png": gen.WBTN,
        "keybtn_nr.png": gen.KEYBTN, "keybtn_ov.png": gen.KEYBTN,
        "progress_nr.png": gen.PROGRESS, "progress_ov.png": gen.PROGRESS,
        "bar2.png": gen.BAR, "dpi-bar.png": gen.DPIBAR, "mouse_nr.png": gen.MOUSE,
        "dpi-bar-xy.png": (gen.DPIBAR[0], 2 * gen.DPIBAR[1]),
        "dpi-bar-xy-ov.png": (gen.DPIBAR[0], 2 * gen.DPIBAR[1]),
    }
    for name, wh in sorted(want.items()):
        got = size(os.path.join(skins, name))
        if got != tuple(wh):
            errors.append("%s is %dx%d, want %dx%d" % (name, got[0], got[1], wh[0], wh[1]))
    # main window: clrMask 1,1,1 with tolerance 10
    cut, bad = keyed(os.path.join(skins, "main_nr.png"), "#010101", (1, 1, 1), 10, 14)
    if bad or not cut:
        errors.append("main_nr.png: %d mask pixels, %d outside the corners" % (cut, bad))
    for name in ("msg_nr.png", "msg.png", "msg2_nr.png"):
        cut, bad = keyed(os.path.join(skins, name), "#00FF00", (0, 255, 0), 0, 14)
        if bad or not cut:
            errors.append("%s: %d key pixels, %d outside the corners" % (name, cut, bad))
    cut, bad = keyed(os.path.join(skins, "notify.png"), "#222020", (0x22, 0x20, 0x20), 0, 20)
    if bad or not cut:
        errors.append("notify.png: %d key pixels, %d outside the corners" % (cut, bad))
    for e in errors:
        print("check:", e)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
