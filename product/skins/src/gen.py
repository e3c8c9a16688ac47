#!/usr/bin/env python3
"""Tarvel skin generator.

Writes one SVG per skin image into the folder given on the command line;
render.sh turns them into the PNG, BMP and ICO files of the skins folder.
Every size and position lives in the constants below, so the images and the
layout values of cfg.ini can be kept in step from one place.

    gen.py OUTDIR            write <name>.svg for every image
    gen.py --preview SKINS OUTDIR
                             write preview SVGs that place the rendered images
                             (from SKINS) the way the program does
"""
import math
import os
import sys

# ---------------------------------------------------------------- palette --
ACCENT = "#00BEFF"          # the one accent colour (0,190,255)
ACCENT_HI = "#5CD6FF"
ACCENT_LO = "#0088C4"
ACCENT_DEEP = "#005E8A"
BKG = "#16181C"             # clrBkg 22,24,28
WIN_TOP = "#1D2026"
WIN_MID = "#181A1F"
CARD = "#1B1E23"
CARD_LINE = "#282C34"
RECESS = "#131519"
RECESS_LINE = "#252930"
LIST_BKG = "#1C1E23"        # LstBox_bkg_clr 28,30,35
CTRL_TOP = "#2A2E36"
CTRL_BOT = "#22252C"
CTRL_LINE = "#373C46"
ICON = "#8A919D"
ICON_DIM = "#5E6572"
TXT = "#D6DAE0"             # Txt_clr 214,218,224
BTN_TXT = "#AAB0BA"         # Btn_txt_clr_nr 170,176,186
RED = "#E5484D"             # only for close-hover, record and a flat battery

# ----------------------------------------------------------------- layout --
W, H = 1002, 660                      # main window
SUB = (4, 102, 994, 500)              # rcSubDlg (left, top, width, height)
MIN_PT = (918, 11)                    # ptMin; close at +36, menu at -36
WBTN = (34, 22)                       # min / close / menu button size
NAVI = [(16 + 182 * i, 52, 16 + 182 * (i + 1), 100) for i in range(4)]
NAVI_SIZE = (182, 48)
PRO_X0, PRO_Y, PRO_SIZE = 104, 615, (128, 32)
PRO = [(PRO_X0 + 128 * i, PRO_Y, 128, 32) for i in range(5)]   # rcPro (x,y,w,h)
PRO_TITLE = (16, 615, 100, 647)
BTN_SIZE = (103, 32)
APPLY_PT = (883, 615)                 # restore at x - 113
IMPORT = (596, 9, 732, 35)            # rcImportPro (l,t,r,b)
EXPORT = (738, 9, 874, 35)            # rcExportPro
KEYBTN = (134, 30)
NUMBER = (24, 24)
RADIO = (18, 18)
CHECK = (16, 16)
BAR = (315, 20)                       # bar2 / bar2_ov / powerbar
TRACK_Y, TRACK_H = 8, 4               # track line rows 8..11 of every bar
DPIBAR = (315, 19)
DPI_ROW = (48, 34)                    # dpi_row / dpi_row_cur, stretched by the page
ROW_CORNER = 8                        # their corners, kept at size (kRowCorner)
DPI_WELL = (22, 22)                   # behind a level's colour swatch
THUMB = (20, 20)
DPI_THUMB = (18, 19)
DOT = (4, 4)
MOUSE = (480, 290)
MARKS = [(120, 40), (300, 40), (210, 20), (40, 170), (40, 120), (210, 90),
         (360, 140), (360, 190)]      # Mark1..8 of the product (x, y), 60 x 22
MARK_SIZE = (60, 22)
COMBO = (87, 20)
MSG = (420, 200)
ABOUT = (460, 230)
PICKER = (320, 420)
PROGRESS = (531, 72)
PROG_SPAN = (45, 486)
PROG_BAR_Y, PROG_BAR_H = 44, 8
NOTIFY = (300, 180)
GRD = (256, 84)
MENU = (150, 25)
RECBTN = (120, 32)
MACBTN = (96, 28)

# page layout points of cfg.ini (page coordinates), used to draw the pages
PT_KEY = (100, 80)
KEY_PITCH = 43
PT_MARK = (337, 65)
PT_RATE = (605, 373)
PT_POWER = (605, 430)
PT_DPIBAR = (125, 70)
DPIH = 48
DPI_LEVELS = 6
PT_MOVESPEED = (630, 320)
PT_LOD = (630, 440)
PT_DPIEFT = (130, 390)
PT_RGBEDIT = (620, 384)
PT_RGBGRID = (87, 391)
PT_MAINEFT = (77, 41)
LED_MOUSE = (732, 168)                # centre of the lighting page's mouse (page coordinates)
MACRO_LIST = (84, 76, 287, 395)
KEY_LIST = (326, 76, 499, 395)
MACRO_OPT_X = 580


# ---------------------------------------------------------------- helpers --
class Doc:
    """One SVG document with its own gradient/filter definitions."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.defs = []
        self.body = []
        self.n = 0

    def _id(self, p):
        self.n += 1
        return "%s%d" % (p, self.n)

    def lg(self, stops, x1=0, y1=0, x2=0, y2=1, user=None):
        i = self._id("g")
        units = ""
        if user:
            units = ' gradientUnits="userSpaceOnUse"'
        s = "".join('<stop offset="%s" stop-color="%s" stop-opacity="%s"/>'
                    % (o, c, a) for o, c, a in _stops(stops))
        self.defs.append('<linearGradient id="%s" x1="%s" y1="%s" x2="%s" y2="%s"%s>%s</linearGradient>'
                         % (i, x1, y1, x2, y2, units, s))
        return "url(#%s)" % i

    def rg(self, stops, cx, cy, r, fx=None, fy=None):
        i = self._id("r")
        s = "".join('<stop offset="%s" stop-color="%s" stop-opacity="%s"/>'
                    % (o, c, a) for o, c, a in _stops(stops))
        f = ""
        if fx is not None:
            f = ' fx="%s" fy="%s"' % (fx, fy)
        self.defs.append('<radialGradient id="%s" gradientUnits="userSpaceOnUse" cx="%s" cy="%s" r="%s"%s>%s</radialGradient>'
                         % (i, cx, cy, r, f, s))
        return "url(#%s)" % i

    def rgb(self, stops):
        """Radial gradient that fills the bounding box of its shape (elliptical)."""
        i = self._id("r")
        s = "".join('<stop offset="%s" stop-color="%s" stop-opacity="%s"/>'
                    % (o, c, a) for o, c, a in _stops(stops))
        self.defs.append('<radialGradient id="%s" cx="0.5" cy="0.5" r="0.5">%s</radialGradient>' % (i, s))
        return "url(#%s)" % i

    def blur(self, sd):
        i = self._id("f")
        self.defs.append('<filter id="%s" x="-50%%" y="-50%%" width="200%%" height="200%%">'
                         '<feGaussianBlur stdDeviation="%s"/></filter>' % (i, sd))
        return "url(#%s)" % i

    def clip(self, inner):
        i = self._id("c")
        self.defs.append('<clipPath id="%s">%s</clipPath>' % (i, inner))
        return "url(#%s)" % i

    def mask(self, inner):
        """A mask over the whole document: `inner` in white shows, in black hides."""
        i = self._id("m")
        self.defs.append('<mask id="%s" maskUnits="userSpaceOnUse" x="0" y="0" width="%d" height="%d">'
                         '%s</mask>' % (i, self.w, self.h, inner))
        return "url(#%s)" % i

    def add(self, *parts):
        self.body.extend(parts)

    def svg(self):
        return ('<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" '
                'width="%d" height="%d" viewBox="0 0 %d %d"><defs>%s</defs>%s</svg>'
                % (self.w, self.h, self.w, self.h, "".join(self.defs), "".join(self.body)))


def _stops(stops):
    out = []
    for st in stops:
        if len(st) == 2:
            out.append((st[0], st[1], 1))
        else:
            out.append(st)
    return out


def rr(x, y, w, h, r, fill="none", stroke=None, sw=1, extra=""):
    """Rounded rectangle; a stroke is kept inside the box on pixel centres."""
    if stroke:
        d = sw / 2.0
        return ('<rect x="%g" y="%g" width="%g" height="%g" rx="%g" fill="%s" stroke="%s" stroke-width="%g" %s/>'
                % (x + d, y + d, w - sw, h - sw, max(r - d, 0), fill, stroke, sw, extra))
    return '<rect x="%g" y="%g" width="%g" height="%g" rx="%g" fill="%s" %s/>' % (x, y, w, h, r, fill, extra)


def line(x1, y1, x2, y2, color, sw=1, extra=""):
    return ('<line x1="%g" y1="%g" x2="%g" y2="%g" stroke="%s" stroke-width="%g" %s/>'
            % (x1, y1, x2, y2, color, sw, extra))


def hline(x1, x2, y, color, extra=""):
    """Crisp one-pixel horizontal line on row y."""
    return '<rect x="%d" y="%d" width="%d" height="1" fill="%s" %s/>' % (x1, y, x2 - x1, color, extra)


def vline(x, y1, y2, color, extra=""):
    return '<rect x="%d" y="%d" width="1" height="%d" fill="%s" %s/>' % (x, y1, y2 - y1, color, extra)


def top_highlight(x, y, w, r, alpha=0.07):
    """One-pixel highlight along the inner top edge of a rounded box."""
    return ('<rect x="%g" y="%g" width="%g" height="1" fill="#FFFFFF" fill-opacity="%g"/>'
            % (x + r, y + 1, w - 2 * r, alpha))


# ------------------------------------------------- stroke glyphs (digits, logo)
# Each glyph: (advance, path) in a box 10 units high.
GLYPHS = {
    "0": (6, "M3,0 C0.6,0 0,2.6 0,5 C0,7.4 0.6,10 3,10 C5.4,10 6,7.4 6,5 C6,2.6 5.4,0 3,0 Z"),
    "1": (5, "M0.6,2.2 L3.4,0 L3.4,10"),
    "2": (6, "M0.3,2.4 C0.6,0.8 1.7,0 3.1,0 C4.8,0 5.8,1.1 5.8,2.7 C5.8,4.2 4.9,5.1 3.4,6.3 L0.2,10 L6,10"),
    "3": (6, "M0.5,0 L5.6,0 L2.6,3.9 C4.7,3.9 6,5.1 6,7 C6,8.8 4.6,10 3,10 C1.6,10 0.6,9.4 0.1,8.4"),
    "4": (6.2, "M4.6,10 L4.6,0 L0,7 L6.2,7"),
    "5": (6, "M5.6,0 L1,0 L0.5,4.4 C1.2,3.9 2.1,3.6 3,3.6 C4.8,3.6 6,4.9 6,6.8 C6,8.7 4.7,10 3,10 C1.7,10 0.7,9.4 0.1,8.4"),
    "6": (6, "M4.5,0 L0.9,5.2 M0,7 A3,3 0 1,0 6,7 A3,3 0 1,0 0,7 Z"),
    "7": (6, "M0,0 L6,0 L2.2,10"),
    "8": (6, "M3,0 A2.5,2.5 0 1,0 3,5 A2.5,2.5 0 1,0 3,0 Z M3,5 A2.5,2.5 0 1,0 3,10 A2.5,2.5 0 1,0 3,5 Z"),
    "9": (6, "M1.5,10 L5.1,4.8 M6,3 A3,3 0 1,0 0,3 A3,3 0 1,0 6,3 Z"),
    "T": (7, "M0,0 L7,0 M3.5,0 L3.5,10"),
    "A": (7.4, "M0,10 L3.7,0 L7.4,10"),
    "R": (7, "M0,10 L0,0 L4.3,0 C6,0 7,1.2 7,3 C7,4.8 6,6 4.3,6 L0,6 M3.8,6 L7,10"),
    "V": (7.4, "M0,0 L3.7,10 L7.4,0"),
    "E": (6.4, "M6.4,0 L0,0 L0,10 L6.4,10 M0,5 L5.2,5"),
    "L": (6, "M0,0 L0,10 L6,10"),
}


def glyph_width(text, gap):
    return sum(GLYPHS[c][0] for c in text) + gap * (len(text) - 1)


def glyphs(text, x, y, size, color, sw, gap=2.0, anchor="start", skew=0, cap="round", opacity=1):
    """Stroke text `text`, 10 units high scaled to `size` px, top-left at x,y."""
    k = size / 10.0
    width = glyph_width(text, gap) * k
    if anchor == "middle":
        x -= width / 2.0
    parts = []
    cx = 0.0
    for c in text:
        adv, d = GLYPHS[c]
        parts.append('<path transform="translate(%g,0)" d="%s"/>' % (cx, d))
        cx += adv + gap
    sk = ' skewX(%g)' % skew if skew else ""
    # shift so that a slanted glyph keeps its box centred
    ty = ' translate(%g,0)' % (math.tan(math.radians(skew)) * 5) if skew else ""
    join = "miter" if cap == "square" else "round"
    return ('<g transform="translate(%g,%g) scale(%g)%s%s" fill="none" stroke="%s" stroke-width="%g" '
            'stroke-linecap="%s" stroke-linejoin="%s" opacity="%g">%s</g>'
            % (x, y, k, ty, sk, color, sw / k, cap, join, opacity, "".join(parts)))


# ------------------------------------------------------------- brand marks
def emblem(doc, x, y, s, flat=False):
    """The Tarvel emblem: a cyan rounded square carrying a slanted T."""
    r = s * 0.24
    g = doc.lg([(0, "#33D1FF"), (0.55, ACCENT), (1, "#0077C2")], 0, 0, 1, 1)
    out = [rr(x, y, s, s, r, g)]
    if not flat and s >= 24:
        out.append('<rect x="%g" y="%g" width="%g" height="%g" rx="%g" fill="none" stroke="#FFFFFF" '
                   'stroke-opacity="0.35" stroke-width="%g"/>' % (x + 0.5, y + 0.5, s - 1, s - 1, r - 0.5, 1))
    # the T: a slanted bar and stem (unit box 100)
    k = s / 100.0
    t = ('<g transform="translate(%g,%g) scale(%g)" fill="#0C1218">'
         '<path d="M24,24 L80,24 L76,40 L20,40 Z"/>'
         '<path d="M44,40 L62,40 L52,80 L34,80 Z"/></g>' % (x, y, k))
    out.append(t)
    return "".join(out)


def wordmark(x, y, size, color=TXT):
    """TARVEL in the stroke face, slanted; top-left at x, y."""
    return glyphs("TARVEL", x, y, size, color, sw=size * 0.15, gap=3.2, skew=-12, cap="square")


def wordmark_width(size):
    return glyph_width("TARVEL", 3.2) * size / 10.0


# ----------------------------------------------------------- main window --
def window_base(doc, w, h, r=12):
    """Window plate: rounded, vertical gradient, crisp border and highlight."""
    g = doc.lg([(0, WIN_TOP), (0.16, WIN_MID), (1, BKG)])
    doc.add(rr(0, 0, w, h, r, g))
    doc.add(rr(0, 0, w, h, r, "none", "#2E333C"))
    hl = doc.lg([(0, "#FFFFFF", 0), (0.5, "#FFFFFF", 0.10), (1, "#FFFFFF", 0)], 0, 0, 1, 0)
    doc.add('<rect x="%d" y="1" width="%d" height="1" fill="%s"/>' % (r, w - 2 * r, hl))


def main_chrome(doc, hover=False):
    window_base(doc, W, H)
    # soft brand glow behind the logo
    inside = doc.clip(rr(1, 1, W - 2, H - 2, 11, "#000"))
    doc.add('<ellipse cx="70" cy="24" rx="150" ry="60" fill="%s" clip-path="%s"/>'
            % (doc.rgb([(0, ACCENT, 0.10), (1, ACCENT, 0)]), inside))
    # logo + wordmark
    doc.add(emblem(doc, 18, 9, 26))
    doc.add(wordmark(56, 14, 16))
    # toolbar: import / export
    for rect, kind in ((IMPORT, "import"), (EXPORT, "export")):
        doc.add(toolbar_button(doc, rect, kind, hover))
    doc.add(vline(MIN_PT[0] - 41, 14, 30, "#2C3038"))
    # navigation: underline tab strip
    x0, y0, x1, y1 = NAVI[0][0], NAVI[0][1], NAVI[-1][2], NAVI[0][3]
    doc.add(hline(16, W - 16, y1, "#262A31"))
    for i in range(1, 4):
        doc.add(vline(NAVI[i][0], y0 + 16, y1 - 16, "#23262D"))
    # bottom bar
    doc.add(hline(16, W - 16, SUB[1] + SUB[3] + 2, "#23262D"))
    # profile segmented control
    px0 = PRO[0][0]
    px1 = PRO[-1][0] + PRO[-1][2]
    cy0 = PRO_Y - 3
    doc.add(rr(px0 - 3, cy0, px1 - px0 + 6, 38, 9, RECESS, RECESS_LINE))
    doc.add(hline(px0 + 6, px1 - 6, cy0 + 37, "#FFFFFF", 'fill-opacity="0.04"'))
    for i in range(1, 5):
        doc.add(vline(PRO[i][0], PRO_Y + 9, PRO_Y + 23, "#2C3038"))


def toolbar_button(doc, rect, kind, hover):
    l, t, r, b = rect
    w, h = r - l, b - t
    out = []
    if hover:
        out.append(rr(l, t, w, h, 6, doc.lg([(0, "#2A2F38"), (1, "#23272E")]), "#0096CC"))
        out.append(top_highlight(l, t, w, 6, 0.08))
        col = ACCENT
    else:
        out.append(rr(l, t, w, h, 6, doc.lg([(0, "#22252C"), (1, "#1C1F24")]), "#2E333C"))
        out.append(top_highlight(l, t, w, 6, 0.05))
        col = ICON
    # icon: arrow into / out of a tray, 12 px, at left
    ix, iy = l + 11, t + (h - 12) / 2.0
    tray = ('<path d="M%g,%g v3.5 h11 v-3.5" fill="none" stroke="%s" stroke-width="1.4" '
            'stroke-linecap="round" stroke-linejoin="round"/>' % (ix + 0.5, iy + 7.5, col))
    if kind == "import":
        arrow = ('<path d="M%g,%g v7 M%g,%g l3,3 l3,-3" fill="none" stroke="%s" stroke-width="1.4" '
                 'stroke-linecap="round" stroke-linejoin="round"/>'
                 % (ix + 6, iy + 0.5, ix + 3, iy + 4.5, col))
    else:
        arrow = ('<path d="M%g,%g v-7 M%g,%g l3,-3 l3,3" fill="none" stroke="%s" stroke-width="1.4" '
                 'stroke-linecap="round" stroke-linejoin="round"/>'
                 % (ix + 6, iy + 8, ix + 3, iy + 3.5, col))
    out.append(tray + arrow)
    return "".join(out)


def card(doc, x, y, w, h, r=12):
    """A content card in page coordinates (converted to window coordinates)."""
    X, Y = x + SUB[0], y + SUB[1]
    g = doc.lg([(0, "#1D2025"), (1, "#191B20")])
    doc.add(rr(X, Y, w, h, r, g, CARD_LINE))
    doc.add(top_highlight(X, Y, w, r, 0.05))


def recess(doc, x, y, w, h, r=8, fill=RECESS, stroke=RECESS_LINE, page=True):
    X, Y = (x + SUB[0], y + SUB[1]) if page else (x, y)
    doc.add(rr(X, Y, w, h, r, fill, stroke))
    doc.add(hline(int(X + r), int(X + w - r), int(Y + h), "#FFFFFF", 'fill-opacity="0.035"'))


def section_tick(doc, x, y):
    """Small accent tick left of a page title (page coordinates)."""
    doc.add(rr(x + SUB[0], y + SUB[1], 3, 14, 1.5, ACCENT))


def P(x, y):
    return x + SUB[0], y + SUB[1]


def img_main(hover=False):
    d = Doc(W, H)
    main_chrome(d, hover)
    return d.svg()


# ----------------------------------------------------------------- pages --
def page_keys():
    d = Doc(W, H)
    main_chrome(d)
    card(d, 10, 8, 974, 484)
    section_tick(d, 22, 28)
    # divider between the button column and the mouse stage
    d.add('<rect x="%d" y="%d" width="1" height="%d" fill="%s"/>'
          % (P(318, 0)[0], P(0, 76)[1], 400, d.lg([(0, "#2A2E36", 0), (0.15, "#2A2E36"), (0.85, "#2A2E36"), (1, "#2A2E36", 0)])))
    # spotlight behind the mouse
    mx, my = PT_MARK[0] + MOUSE[0] / 2.0, PT_MARK[1] + 150
    X, Y = P(mx, my)
    d.add('<ellipse cx="%g" cy="%g" rx="330" ry="210" fill="%s"/>'
          % (X, Y, d.rgb([(0, ACCENT, 0.075), (0.6, ACCENT, 0.02), (1, ACCENT, 0)])))
    # report rate / battery panel
    recess(d, 468, 356, 508, 122, 10)
    d.add(hline(P(488, 0)[0], P(956, 0)[0], P(0, 416)[1], "#23262D"))
    return d.svg()


def page_adv():
    d = Doc(W, H)
    main_chrome(d)
    card(d, 10, 8, 484, 346)
    card(d, 10, 362, 484, 130)
    card(d, 502, 8, 482, 484)
    section_tick(d, 22, 28)
    # The DPI level rows are drawn by the page (dpi_row.png), where the
    # sensor's levels and the layout put them.
    # pointer area / lift-off separators
    d.add(hline(P(522, 0)[0], P(964, 0)[0], P(0, PT_LOD[1] - 22)[1], "#262A31"))
    return d.svg()


def page_led():
    d = Doc(W, H)
    main_chrome(d)
    card(d, 10, 8, 462, 484)
    card(d, 480, 8, 504, 484)
    mx, my = PT_MAINEFT
    section_tick(d, mx - 11, my - 17)
    d.add(hline(P(30, 0)[0], P(452, 0)[0], P(0, my + 140)[1], "#262A31"))
    section_tick(d, mx - 11, my + 170 - 17)
    d.add(hline(P(30, 0)[0], P(452, 0)[0], P(0, 350)[1], "#262A31"))
    gx, gy = PT_RGBGRID
    section_tick(d, gx - 11, gy - 27)
    # colour grid wells
    for r in range(3):
        for c in range(9):
            X, Y = P(gx + 36 * c - 2, gy + 32 * r - 2)
            d.add(rr(X, Y, 29, 29, 5, RECESS, RECESS_LINE))
    # light preview: the mouse with its lights off, right card top; the page
    # lights them with the masks of led_mask()
    cx, cy = P(*LED_MOUSE)
    d.add('<g transform="translate(%g,%g) scale(0.92)">%s</g>' % (cx, cy - 125, mouse_body(d, lit=False)))
    # custom colour area
    ex, ey = PT_RGBEDIT
    d.add(hline(P(500, 0)[0], P(964, 0)[0], P(0, ey - 56)[1], "#262A31"))
    section_tick(d, ex - 11, ey - 37)
    for i in range(3):
        X, Y = P(ex - 2, ey + 32 * i - 2)
        d.add(rr(X, Y, 63, 24, 5, RECESS, RECESS_LINE))
    X, Y = P(ex + 90 - 2, ey - 2)
    d.add(rr(X, Y, GRD[0] + 4, GRD[1] + 4, 7, RECESS, RECESS_LINE))
    return d.svg()


def led_mask(which):
    """What a light of the lighting page's mouse colours, in white on clear,
    in window coordinates like led_nr.png: the page tints it with the light's
    colour and brightness. The main light also tints the air around the mouse."""
    d = Doc(W, H)
    cx, cy = P(*LED_MOUSE)
    place = "translate(%g,%g) scale(0.92)" % (cx, cy - 125)
    if which == "main":
        # the air and the glow around the body, but not over it; the strip on it
        outside = d.mask('<rect width="%d" height="%d" fill="#FFFFFF"/>'
                         '<path transform="%s" d="%s" fill="#000000"/>' % (W, H, place, MOUSE_OUTLINE))
        d.add('<g mask="%s"><ellipse cx="%g" cy="%g" rx="230" ry="150" fill="%s"/>'
              '<g transform="%s">%s</g></g>'
              % (outside, cx, cy, d.rgb([(0, "#FFFFFF", 0.10), (1, "#FFFFFF", 0)]), place,
                 body_glow(d, "#FFFFFF")))
        d.add('<g transform="%s">%s</g>' % (place, rear_strip(d, "#FFFFFF")))
    else:
        d.add('<g transform="%s">%s<g filter="%s" opacity="0.5">%s</g></g>'
              % (place, logo("#FFFFFF", 1), d.blur(2.5), logo("#FFFFFF", 1)))
    return d.svg()


def page_macro():
    d = Doc(W, H)
    main_chrome(d)
    card(d, 10, 8, 974, 484)
    for (l, t, r, b) in (MACRO_LIST, KEY_LIST):
        X, Y = P(l - 5, t - 5)
        d.add(rr(X, Y, r - l + 10, b - t + 10, 9, LIST_BKG, "#2A2E36"))
        d.add(hline(int(X + 9), int(X + r - l + 1), int(Y + b - t + 10), "#FFFFFF", 'fill-opacity="0.035"'))
    # flow chevron between library and steps
    cx, cy = P((MACRO_LIST[2] + KEY_LIST[0]) / 2.0, (MACRO_LIST[1] + MACRO_LIST[3]) / 2.0)
    d.add('<path d="M%g,%g l6,6 l-6,6" fill="none" stroke="%s" stroke-width="1.6" stroke-linecap="round" '
          'stroke-linejoin="round"/>' % (cx - 3, cy - 6, ICON_DIM))
    # options column
    X, Y = P(MACRO_OPT_X - 24, MACRO_LIST[1] - 5)
    recess(d, X, Y, 984 - 24 - (MACRO_OPT_X - 24) + SUB[0] - 4, MACRO_LIST[3] - MACRO_LIST[1] + 10, 10, page=False)
    return d.svg()


# ---------------------------------------------------------- window buttons --
def wbtn(kind, state):
    w, h = WBTN
    d = Doc(w, h)
    col = ICON
    if state == "ov":
        fill = RED if kind == "exit" else "#2C3139"
        d.add(rr(0, 0, w, h, 5, fill))
        if kind != "exit":
            d.add(top_highlight(0, 0, w, 5, 0.08))
        col = "#FFFFFF"
    cx, cy = w / 2.0, h / 2.0
    if kind == "min":
        d.add(line(cx - 5, cy + 0.5, cx + 5, cy + 0.5, col, 1.4, 'stroke-linecap="round"'))
    elif kind == "exit":
        d.add('<path d="M%g,%g l9,9 M%g,%g l-9,9" stroke="%s" stroke-width="1.4" stroke-linecap="round"/>'
              % (cx - 4.5, cy - 4.5, cx + 4.5, cy - 4.5, col))
    else:  # menu
        d.add(rr(0, 0, w, h, 5, "#FFFFFF", None, 1, 'fill-opacity="0.035"'))
        for dy in (-4, 0, 4):
            d.add(line(cx - 6, cy + dy + 0.5, cx + 6, cy + dy + 0.5, col, 1.4, 'stroke-linecap="round"'))
    return d.svg()


# --------------------------------------------------------------- buttons --
def navi(state):
    w, h = NAVI_SIZE
    d = Doc(w, h)
    if state == "dn":
        d.add(rr(4, 4, w - 8, h - 4, 8, d.lg([(0, ACCENT, 0), (1, ACCENT, 0.10)])))
        d.add('<ellipse cx="%g" cy="%g" rx="70" ry="8" fill="%s" filter="%s"/>'
              % (w / 2.0, h - 2, ACCENT, d.blur(5)) + "")
        d.body[-1] = d.body[-1].replace('fill="%s"' % ACCENT, 'fill="%s" fill-opacity="0.45"' % ACCENT)
        d.add(rr(14, h - 3, w - 28, 3, 1.5, d.lg([(0, ACCENT_LO), (0.5, ACCENT_HI), (1, ACCENT_LO)], 0, 0, 1, 0)))
    return d.svg()


def push_button(w, h, state, r=6, accent_fill=False):
    d = Doc(w, h)
    if state == "nr":
        d.add(rr(0, 0, w, h, r, d.lg([(0, CTRL_TOP), (1, CTRL_BOT)]), CTRL_LINE))
        d.add(top_highlight(0, 0, w, r, 0.07))
    elif state == "ov":
        d.add(rr(0, 0, w, h, r, d.lg([(0, "#313743"), (1, "#272C34")]), "#0AA6E0"))
        d.add(rr(1, 1, w - 2, h - 2, r - 1, "none", ACCENT, 1, 'stroke-opacity="0.18"'))
        d.add(top_highlight(0, 0, w, r, 0.10))
    else:  # dn / selected
        d.add(rr(0, 0, w, h, r, d.lg([(0, "#1F3442"), (1, "#1A2A35")]), ACCENT))
        d.add(top_highlight(0, 0, w, r, 0.08))
    return d


def btn(state):
    return push_button(*BTN_SIZE, state=state).svg()


def probtn(state):
    w, h = PRO_SIZE
    d = Doc(w, h)
    if state == "dn":
        d.add(rr(2, 2, w - 4, h - 4, 6, d.lg([(0, "#27323D"), (1, "#202831")]), "#0E8FC0"))
        d.add(top_highlight(2, 2, w - 4, 6, 0.09))
        d.add('<circle cx="12" cy="%g" r="2.5" fill="%s"/>' % (h / 2.0, ACCENT))
        d.add('<circle cx="12" cy="%g" r="5" fill="%s" fill-opacity="0.25" filter="%s"/>' % (h / 2.0, ACCENT, d.blur(2)))
    return d.svg()


def keybtn(state):
    w, h = KEYBTN
    d = Doc(w, h)
    if state == "nr":
        d.add(rr(0, 0, w, h, 6, d.lg([(0, "#262A31"), (1, "#202329")]), "#333843"))
        d.add(top_highlight(0, 0, w, 6, 0.06))
        col = ICON_DIM
    else:
        d.add(rr(0, 0, w, h, 6, d.lg([(0, "#2D333D"), (1, "#252A32")]), "#0AA6E0"))
        d.add(top_highlight(0, 0, w, 6, 0.09))
        col = ACCENT
    d.add('<path d="M%g,%g l3.5,3.5 l3.5,-3.5" fill="none" stroke="%s" stroke-width="1.4" '
          'stroke-linecap="round" stroke-linejoin="round"/>' % (w - 16, h / 2.0 - 1.5, col))
    return d.svg()


def number_img(n):
    w, h = NUMBER
    d = Doc(w, h)
    d.add(rr(0, 0, w, h, 7, d.lg([(0, "#23272E"), (1, "#1C1F24")]), "#343A45"))
    s = str(n)
    d.add(glyphs(s, w / 2.0, 7, 10, "#C6CBD3", 1.5, gap=1.6, anchor="middle"))
    return d.svg()


def radio(state):
    w, h = RADIO
    d = Doc(w, h)
    c = w / 2.0
    if state == "nr":
        d.add('<circle cx="%g" cy="%g" r="%g" fill="#1A1D22" stroke="#4A515D" stroke-width="1.5"/>' % (c, c, c - 1.25))
    else:
        d.add('<circle cx="%g" cy="%g" r="%g" fill="#162530" stroke="%s" stroke-width="1.5"/>' % (c, c, c - 1.25, ACCENT))
        d.add('<circle cx="%g" cy="%g" r="4.2" fill="%s"/>' % (c, c, d.rg([(0, ACCENT_HI), (1, ACCENT)], c, c - 1, 5)))
    return d.svg()


def check(state):
    w, h = CHECK
    d = Doc(w, h)
    if state == "nr":
        d.add(rr(0, 0, w, h, 4, "#1A1D22", "#4A515D", 1.5))
    else:
        d.add(rr(0, 0, w, h, 4, d.lg([(0, ACCENT_HI), (1, ACCENT)])))
        d.add('<path d="M4,8.2 L6.8,11 L12,5.2" fill="none" stroke="#08121A" stroke-width="1.9" '
              'stroke-linecap="round" stroke-linejoin="round"/>')
    return d.svg()


# --------------------------------------------------------------- sliders --
def draw_track(d, w, top, kind):
    """A track line of `kind` across w, in the row whose top is `top`."""
    y = top + TRACK_Y
    if kind == "bar":
        d.add(rr(0, y, w, TRACK_H, 2, "#0F1114"))
        d.add(rr(0, y, w, TRACK_H, 2, "none", "#2A2F37", 1))
        d.add(hline(2, w - 2, y + TRACK_H, "#FFFFFF", 'fill-opacity="0.05"'))
    else:
        if kind == "fill":
            g = d.lg([(0, ACCENT_DEEP), (1, ACCENT)], 0, 0, 1, 0)
            glow = ACCENT
        elif kind == "p1":
            g = d.lg([(0, "#0B7F6E"), (1, "#2FD6A0")], 0, 0, 1, 0)
            glow = "#2FD6A0"
        elif kind == "p2":
            g = d.lg([(0, "#8A5A00"), (1, "#FFB020")], 0, 0, 1, 0)
            glow = "#FFB020"
        else:
            g = d.lg([(0, "#7A1D22"), (1, RED)], 0, 0, 1, 0)
            glow = RED
        d.add('<rect x="0" y="%g" width="%g" height="%g" rx="3" fill="%s" fill-opacity="0.35" filter="%s"/>'
              % (y - 1, w, TRACK_H + 2, glow, d.blur(1.6)))
        d.add(rr(0, y, w, TRACK_H, 2, g))
        d.add('<rect x="1" y="%g" width="%g" height="1" fill="#FFFFFF" fill-opacity="0.25"/>' % (y, w - 2))


def track(w, h, kind):
    d = Doc(w, h)
    draw_track(d, w, 0, kind)
    return d.svg()


def thumb(w, h, kind="main"):
    d = Doc(w, h)
    cx, cy = w / 2.0, 9.5
    r = 7.5 if w >= 20 else 7
    d.add('<circle cx="%g" cy="%g" r="%g" fill="#000000" fill-opacity="0.45" filter="%s"/>' % (cx, cy + 1.2, r, d.blur(1.1)))
    if kind == "y":
        d.add('<circle cx="%g" cy="%g" r="%g" fill="#1E2228" stroke="%s" stroke-width="2"/>' % (cx, cy, r - 1, ACCENT))
        d.add('<circle cx="%g" cy="%g" r="2" fill="%s"/>' % (cx, cy, ACCENT))
    else:
        d.add('<circle cx="%g" cy="%g" r="%g" fill="%s"/>' % (cx, cy, r, d.lg([(0, "#F4F7FA"), (1, "#C5CCD6")])))
        d.add('<circle cx="%g" cy="%g" r="%g" fill="none" stroke="#FFFFFF" stroke-opacity="0.6" stroke-width="1"/>' % (cx, cy, r - 0.5))
        d.add('<circle cx="%g" cy="%g" r="3" fill="%s"/>' % (cx, cy, ACCENT))
    return d.svg()


def dpi_row(current):
    """Background of one DPI level row, stretched by the page to the row
    (corners of ROW_CORNER kept); the current level's has an accent edge."""
    w, h = DPI_ROW
    d = Doc(w, h)
    if current:
        d.add(rr(0.5, 0.5, w - 1, h - 1, ROW_CORNER, ACCENT, None, 1, 'fill-opacity="0.07"'))
        d.add(rr(0.5, 0.5, w - 1, h - 1, ROW_CORNER, "none", ACCENT, 1, 'stroke-opacity="0.55"'))
    else:
        d.add(rr(0.5, 0.5, w - 1, h - 1, ROW_CORNER, "#FFFFFF", None, 1, 'fill-opacity="0.022"'))
        d.add(rr(0.5, 0.5, w - 1, h - 1, ROW_CORNER, "none", "#FFFFFF", 1, 'stroke-opacity="0.045"'))
    return d.svg()


def dpi_well():
    """The recess a level's colour swatch sits in."""
    w, h = DPI_WELL
    d = Doc(w, h)
    d.add(rr(0, 0, w, h, 5, RECESS, RECESS_LINE))
    return d.svg()


def track_xy(kind):
    """A DPI slider of the sensors with X and Y values: a track for each row
    of thumbs, X above and Y below."""
    w, h = DPIBAR
    d = Doc(w, 2 * h)
    draw_track(d, w, 0, kind)
    draw_track(d, w, h, kind)
    return d.svg()


def dot(kind):
    w, h = DOT
    d = Doc(w, h)
    if kind == "bar":
        d.add('<circle cx="2" cy="2" r="1.6" fill="#5A6270"/>')
    else:
        d.add('<circle cx="2" cy="2" r="1.8" fill="%s"/>' % ACCENT)
    return d.svg()


# ----------------------------------------------------------------- mouse --
MOUSE_OUTLINE = ("M0,0 C38,0 64,26 66,70 C68,110 70,140 68,170 C66,205 40,222 0,222 "
                 "C-40,222 -66,205 -68,170 C-70,140 -68,110 -66,70 C-64,26 -38,0 0,0 Z")
REAR_STRIP = "M-46,196 C-26,212 26,212 46,196"
LIGHT_OFF = "#15171B"       # the rear strip unlit: a dark groove
LOGO_OFF = "#3A414C"        # the logo unlit: just lighter than the body


def rear_strip(d, color, lit=True):
    out = ['<path d="%s" fill="none" stroke="%s" stroke-width="2.2" stroke-linecap="round"/>'
           % (REAR_STRIP, color)]
    if lit:
        out.append('<path d="%s" fill="none" stroke="%s" stroke-width="7" stroke-opacity="0.45" '
                   'stroke-linecap="round" filter="%s"/>' % (REAR_STRIP, color, d.blur(3)))
    return "".join(out)


def logo(color, opacity=0.9):
    return '<g opacity="%g">%s</g>' % (opacity, glyphs("T", 0, 150, 18, color, 2.6, anchor="middle",
                                                       skew=-12, cap="square"))


def mouse_body(d, glow=False, lit=True):
    """Top-down mouse, centred on x=0, top at y=0, 222 units tall; its rear
    strip and logo lit in the accent colour, or dark."""
    body = MOUSE_OUTLINE
    out = []
    out.append('<ellipse cx="0" cy="220" rx="74" ry="9" fill="#000000" fill-opacity="0.55" filter="%s"/>' % d.blur(5))
    if glow:
        out.append(body_glow(d, ACCENT))
    out.append('<path d="%s" fill="%s"/>' % (body, d.lg([(0, "#30353F"), (0.45, "#252930"), (1, "#1C1F25")])))
    # side shading and top sheen
    out.append('<path d="%s" fill="%s"/>' % (body, d.lg([(0, "#000000", 0.30), (0.25, "#000000", 0), (0.75, "#000000", 0), (1, "#000000", 0.30)], 0, 0, 1, 0)))
    out.append('<ellipse cx="-16" cy="52" rx="34" ry="46" fill="%s"/>'
               % d.rgb([(0, "#FFFFFF", 0.10), (1, "#FFFFFF", 0)]))
    out.append('<path d="%s" fill="none" stroke="#454C58" stroke-width="1.4"/>' % body)
    # button split and button boundary
    out.append('<path d="M0,40 L0,104" stroke="#0F1114" stroke-width="1.6"/>')
    out.append('<path d="M1.2,40 L1.2,104" stroke="#FFFFFF" stroke-opacity="0.06" stroke-width="0.8"/>')
    out.append('<path d="M-66.5,96 C-40,110 40,110 66.5,96" fill="none" stroke="#0F1114" stroke-width="1.6"/>')
    out.append('<path d="M-66,98 C-40,112 40,112 66,98" fill="none" stroke="#FFFFFF" stroke-opacity="0.05" stroke-width="0.8"/>')
    # wheel
    out.append(rr(-8, 9, 16, 29, 7, "#0E1013"))
    out.append(rr(-5.5, 11.5, 11, 24, 5, d.lg([(0, "#3A404B"), (0.5, "#2A2F37"), (1, "#1B1E23")])))
    for i in range(5):
        out.append(hline(-4, 4, 15 + i * 4, "#FFFFFF", 'fill-opacity="0.10"'))
    # side buttons (left: forward, back; right: DPI up, DPI down)
    for y in (69, 119):
        out.append(rr(-71, y, 7, 24, 3, d.lg([(0, "#3A404B"), (1, "#262A31")], 0, 0, 1, 0), "#4A515D", 1))
    for y in (89, 139):
        out.append(rr(64, y, 7, 24, 3, d.lg([(0, "#262A31"), (1, "#3A404B")], 0, 0, 1, 0), "#4A515D", 1))
    # rear light strip and logo
    if lit:
        out.append(rear_strip(d, ACCENT))
        out.append(logo(ACCENT))
    else:
        out.append(rear_strip(d, LIGHT_OFF, lit=False))
        out.append(logo(LOGO_OFF, 1))
    return "".join(out)


def body_glow(d, color):
    """The glow of a lit mouse around its body (the body itself hides the inner half)."""
    return ('<path d="%s" fill="none" stroke="%s" stroke-width="10" stroke-opacity="0.35" filter="%s"/>'
            % (MOUSE_OUTLINE, color, d.blur(9)))


def mouse(lit):
    w, h = MOUSE
    d = Doc(w, h)
    cx, top = 240, 50
    # leader lines (drawn first, under body and pills)
    lc = "#4A525E"
    leaders = [
        "M180,51.5 H196 L212,76",           # left button
        "M300,51.5 H284 L268,76",           # right button
        "M240,42 V59",                        # wheel
        "M100,131.5 H169",                    # forward
        "M100,181.5 H169",                    # back
        "M360,151.5 H311",                    # DPI up
        "M360,201.5 H311",                    # DPI down
    ]
    d.add('<g transform="translate(%g,%g)">%s</g>' % (cx, top, mouse_body(d)))
    for p in leaders:
        d.add('<path d="%s" fill="none" stroke="#0F1114" stroke-opacity="0.6" stroke-width="3"/>' % p)
        d.add('<path d="%s" fill="none" stroke="%s" stroke-width="1"/>' % (p, lc))
    for (x, y) in ((212, 76), (268, 76), (169, 131.5), (169, 181.5), (311, 151.5), (311, 201.5)):
        d.add('<circle cx="%g" cy="%g" r="2.2" fill="%s"/>' % (x, y, "#7A828F" if not lit else ACCENT))
    # pills
    for k, (x, y) in enumerate(MARKS):
        pw, ph = MARK_SIZE
        if lit:
            d.add(rr(x, y, pw, ph, ph / 2.0, d.lg([(0, ACCENT_HI), (1, ACCENT)])))
            d.add(rr(x, y, pw, ph, ph / 2.0, "none", "#FFFFFF", 1, 'stroke-opacity="0.35"'))
            col = "#06121A"
        else:
            d.add(rr(x, y, pw, ph, ph / 2.0, d.lg([(0, "#272B33"), (1, "#1E2127")]), "#3C434F"))
            d.add(top_highlight(x, y, pw, ph / 2.0, 0.06))
            col = "#C6CBD3"
        d.add(glyphs(str(k + 1), x + pw / 2.0, y + 6, 10, col, 1.6, anchor="middle"))
    return d.svg()


# --------------------------------------------------------------- dialogs --
def dialog_base(d, w, h, title_h=40, footer_h=56, r=12):
    g = d.lg([(0, "#1F2228"), (0.25, "#1A1D22"), (1, "#16181C")])
    d.add(rr(0, 0, w, h, r, g))
    if title_h:
        d.add('<rect x="1" y="1" width="%d" height="%d" fill="#FFFFFF" fill-opacity="0.025"/>' % (w - 2, title_h - 1))
        d.add(hline(1, w - 1, title_h, "#262A31"))
        d.add(rr(0, title_h - 1, 56, 2, 1, d.lg([(0, ACCENT, 0), (0.3, ACCENT), (1, ACCENT, 0)], 0, 0, 1, 0)))
    if footer_h:
        d.add('<rect x="1" y="%d" width="%d" height="%d" fill="#000000" fill-opacity="0.14"/>' % (h - footer_h, w - 2, footer_h - 1))
        d.add(hline(1, w - 1, h - footer_h, "#22252B"))
    d.add(rr(0, 0, w, h, r, "none", "#343A45"))
    hl = d.lg([(0, "#FFFFFF", 0), (0.5, "#FFFFFF", 0.12), (1, "#FFFFFF", 0)], 0, 0, 1, 0)
    d.add('<rect x="%d" y="1" width="%d" height="1" fill="%s"/>' % (r, w - 2 * r, hl))


def msg_nr():
    w, h = MSG
    d = Doc(w, h)
    dialog_base(d, w, h)
    return d.svg()


def msg_about():
    w, h = ABOUT
    d = Doc(w, h)
    dialog_base(d, w, h, title_h=40, footer_h=0)
    d.add(emblem(d, 14, 9, 22))
    d.add(wordmark(46, 14, 12))
    # emblem beside the texts, soft glow
    d.add('<circle cx="38" cy="82" r="40" fill="%s"/>' % d.rg([(0, ACCENT, 0.14), (1, ACCENT, 0)], 38, 82, 40))
    d.add(emblem(d, 20, 62, 36))
    d.add(hline(70, 430, 112, "#23262D"))
    return d.svg()


def msg_picker():
    w, h = PICKER
    d = Doc(w, h)
    dialog_base(d, w, h)
    d.add(rr(16, 52, w - 32, h - 52 - 56 - 12, 8, LIST_BKG, "#2A2E36"))
    return d.svg()


def progress(fill):
    w, h = PROGRESS
    d = Doc(w, h)
    d.add('<rect width="%d" height="%d" fill="%s"/>' % (w, h, d.lg([(0, "#1F2228"), (1, "#16181C")])))
    d.add('<rect x="0.5" y="0.5" width="%d" height="%d" fill="none" stroke="#343A45"/>' % (w - 1, h - 1))
    d.add(hline(1, w - 1, 1, "#FFFFFF", 'fill-opacity="0.06"'))
    x0, x1 = PROG_SPAN
    y, bh = PROG_BAR_Y, PROG_BAR_H
    d.add(rr(x0, y, x1 - x0, bh, bh / 2.0, "#0F1114", "#2A2F37"))
    d.add(hline(x0 + 4, x1 - 4, y + bh, "#FFFFFF", 'fill-opacity="0.05"'))
    # left and right ends: small caps of the track
    if fill:
        d.add('<rect x="%d" y="%g" width="%d" height="%d" rx="5" fill="%s" fill-opacity="0.35" filter="%s"/>'
              % (x0, y - 2, x1 - x0, bh + 4, ACCENT, d.blur(2.5)))
        d.add(rr(x0, y, x1 - x0, bh, bh / 2.0, d.lg([(0, ACCENT_DEEP), (0.6, ACCENT), (1, ACCENT_HI)], 0, 0, 1, 0)))
        d.add('<rect x="%d" y="%d" width="%d" height="1" fill="#FFFFFF" fill-opacity="0.35"/>' % (x0 + 3, y + 1, x1 - x0 - 6))
    return d.svg()


def notify():
    w, h = NOTIFY
    d = Doc(w, h)
    r = 18
    d.add(rr(0, 0, w, h, r, d.lg([(0, "#20242B"), (1, "#15171B")])))
    d.add('<ellipse cx="%g" cy="%g" rx="%g" ry="%g" fill="%s"/>'
          % (w / 2.0, h * 0.55, w * 0.48, h * 0.42, d.rgb([(0, ACCENT, 0.10), (1, ACCENT, 0)])))
    d.add(rr(0, 0, w, h, r, "none", "#353B46"))
    hl = d.lg([(0, "#FFFFFF", 0), (0.5, "#FFFFFF", 0.14), (1, "#FFFFFF", 0)], 0, 0, 1, 0)
    d.add('<rect x="%d" y="1" width="%d" height="1" fill="%s"/>' % (r, w - 2 * r, hl))
    d.add(rr(w / 2.0 - 28, h - 14, 56, 3, 1.5, d.lg([(0, ACCENT, 0.2), (0.5, ACCENT), (1, ACCENT, 0.2)], 0, 0, 1, 0)))
    return d.svg()


# ------------------------------------------------------------ misc pieces --
def combo(state):
    w, h = COMBO
    d = Doc(w, h)
    if state == "nr":
        d.add(rr(0, 0, w, h, 5, d.lg([(0, "#262A31"), (1, "#202329")]), "#363B46"))
        col = ICON
    else:
        d.add(rr(0, 0, w, h, 5, d.lg([(0, "#2D333D"), (1, "#252A32")]), "#0AA6E0"))
        col = ACCENT
    d.add(top_highlight(0, 0, w, 5, 0.07))
    # chevron in the square at the right end; the caption is centred left of it
    d.add('<path d="M%g,8.5 l3.5,3.5 l3.5,-3.5" fill="none" stroke="%s" stroke-width="1.4" '
          'stroke-linecap="round" stroke-linejoin="round"/>' % (w - h + 6.5, col))
    d.add(vline(w - h, 4, h - 4, "#FFFFFF", 'fill-opacity="0.06"'))
    return d.svg()


def grd():
    w, h = GRD
    d = Doc(w, h)
    hues = [(i / 6.0, c) for i, c in enumerate(["#FF0000", "#FFFF00", "#00FF00", "#00FFFF", "#0000FF", "#FF00FF", "#FF0000"])]
    clip = d.clip(rr(0, 0, w, h, 5, "#000"))
    d.add('<g clip-path="%s">' % clip)
    d.add('<rect width="%d" height="%d" fill="%s"/>' % (w, h, d.lg(hues, 0, 0, 1, 0)))
    d.add('<rect width="%d" height="%d" fill="%s"/>' % (w, h, d.lg([(0, "#FFFFFF", 1), (0.5, "#FFFFFF", 0), (0.5, "#000000", 0), (1, "#000000", 1)])))
    d.add('</g>')
    return d.svg()


def recbtn(state):
    w, h = RECBTN
    d = push_button(w, h, "nr" if state == "nr" else "rec")
    if state == "dn":
        d.body = []
        d.add(rr(0, 0, w, h, 6, d.lg([(0, "#3A2127"), (1, "#2B191E")]), RED))
        d.add(top_highlight(0, 0, w, 6, 0.08))
        d.add('<circle cx="16" cy="%g" r="7" fill="%s" fill-opacity="0.35" filter="%s"/>' % (h / 2.0, RED, d.blur(2.5)))
        d.add(rr(12, h / 2.0 - 4, 8, 8, 1.5, RED))
    else:
        d.add('<circle cx="16" cy="%g" r="4.5" fill="%s"/>' % (h / 2.0, RED))
    return d.svg()


def macbtn(state):
    return push_button(*MACBTN, state=state).svg()


def folder(open_):
    d = Doc(16, 16)
    if open_:
        d.add('<path d="M1.5,4 V13 H13 L15,7.5 H4.5 L2.5,13" fill="none" stroke="%s" stroke-width="1.2" stroke-linejoin="round"/>' % ACCENT)
        d.add('<path d="M1.5,4 V2.8 H6 L7.5,4.3 H12.5 V7.5" fill="none" stroke="%s" stroke-width="1.2" stroke-linejoin="round"/>' % ACCENT)
        d.add('<path d="M4.5,7.5 H15 L13,13 H2.5 Z" fill="%s" fill-opacity="0.25"/>' % ACCENT)
    else:
        d.add('<path d="M1.5,3 H6 L7.5,4.5 H14.5 V13 H1.5 Z" fill="#2A2F37" stroke="%s" stroke-width="1.2" stroke-linejoin="round"/>' % ICON)
        d.add(hline(2, 14, 6, ICON, 'fill-opacity="0.6"'))
    return d.svg()


def menu_item(hover, sub):
    w, h = MENU
    d = Doc(w, h)
    d.add('<rect width="%d" height="%d" fill="#1F2228"/>' % (w, h))
    if hover:
        d.add('<rect x="1" y="0" width="%d" height="%d" fill="%s"/>' % (w - 2, h, d.lg([(0, "#1E3A4A"), (1, "#232A33")], 0, 0, 1, 0)))
        d.add('<rect x="1" y="3" width="2" height="%d" fill="%s"/>' % (h - 6, ACCENT))
    d.add(vline(0, 0, h, "#343A45"))
    d.add(vline(w - 1, 0, h, "#343A45"))
    if sub:
        d.add('<path d="M%g,%g l3.5,3.5 l-3.5,3.5" fill="none" stroke="%s" stroke-width="1.4" '
              'stroke-linecap="round" stroke-linejoin="round"/>' % (w - 14, h / 2.0 - 3.5, ACCENT if hover else ICON))
    return d.svg()


def icon(size):
    d = Doc(size, size)
    if size <= 16:
        d.add(emblem(d, 0, 0, size, flat=True))
    else:
        m = size * 0.03
        d.add(emblem(d, m, m, size - 2 * m))
    return d.svg()


# ------------------------------------------------------------- image list --
def images():
    out = {
        "main_nr.png": img_main(False),
        "main_ov.png": img_main(True),
        "key_nr.png": page_keys(),
        "adv_nr.png": page_adv(),
        "led_nr.png": page_led(),
        "ledmask_main.png": led_mask("main"),
        "ledmask_logo.png": led_mask("logo"),
        "macro_nr.png": page_macro(),
        "min_nr.png": wbtn("min", "nr"),
        "min_ov.png": wbtn("min", "ov"),
        "exit_nr.png": wbtn("exit", "nr"),
        "exit_ov.png": wbtn("exit", "ov"),
        "about.png": wbtn("menu", "nr"),
        "navi_nr.png": navi("nr"),
        "navi_dn.png": navi("dn"),
        "btn_nr.png": btn("nr"),
        "btn_ov.png": btn("ov"),
        "probtn_nr.png": probtn("nr"),
        "probtn_dn.png": probtn("dn"),
        "keybtn_nr.png": keybtn("nr"),
        "keybtn_ov.png": keybtn("ov"),
        "radio_nr.png": radio("nr"),
        "radio_dn.png": radio("dn"),
        "check_nr.png": check("nr"),
        "check_dn.png": check("dn"),
        "Check_nr.png": check("nr"),
        "Check_dn.png": check("dn"),
        "slider.png": thumb(*THUMB),
        "slider1.png": thumb(*DPI_THUMB),
        "slider2.png": thumb(*DPI_THUMB, kind="y"),
        "bar_dot.png": dot("bar"),
        "dpi_dot.png": dot("dpi"),
        "bar2.png": track(*BAR, kind="bar"),
        "bar2_ov.png": track(*BAR, kind="fill"),
        "powerbar1.png": track(*BAR, kind="p1"),
        "powerbar2.png": track(*BAR, kind="p2"),
        "powerbar3.png": track(*BAR, kind="p3"),
        "dpi-bar.png": track(*DPIBAR, kind="bar"),
        "dpi-bar-ov.png": track(*DPIBAR, kind="fill"),
        "dpi-bar-xy.png": track_xy("bar"),
        "dpi-bar-xy-ov.png": track_xy("fill"),
        "dpi_row.png": dpi_row(False),
        "dpi_row_cur.png": dpi_row(True),
        "dpi_well.png": dpi_well(),
        "mouse_nr.png": mouse(False),
        "mouse_dn.png": mouse(True),
        "msg_nr.png": msg_nr(),
        "msg.png": msg_about(),
        "msg2_nr.png": msg_picker(),
        "progress_nr.png": progress(False),
        "progress_ov.png": progress(True),
        "notify.png": notify(),
        "combo_nr.png": combo("nr"),
        "combo_ov.png": combo("ov"),
        "grd.png": grd(),
        "recbtn_nr.png": recbtn("nr"),
        "recbtn_dn.png": recbtn("dn"),
        "macbtn_nr.png": macbtn("nr"),
        "macbtn_ov.png": macbtn("ov"),
        "macbtn_dn.png": macbtn("dn"),
        "open.png": folder(True),
        "close.png": folder(False),
        "menu_nr.bmp": menu_item(False, False),
        "menu_ov.bmp": menu_item(True, False),
        "menusub_nr.bmp": menu_item(False, True),
        "menusub_ov.bmp": menu_item(True, True),
    }
    for n in range(1, 17):
        out["number%d.png" % n] = number_img(n)
    for s in (16, 32, 48, 256):
        out["appico-%d.ico.png" % s] = icon(s)
    return out


if __name__ == "__main__":
    if len(sys.argv) >= 2 and sys.argv[1] == "--preview":
        import preview
        preview.write(sys.argv[2], sys.argv[3])
        sys.exit(0)
    outdir = sys.argv[1]
    for name, text in images().items():
        with open(os.path.join(outdir, name + ".svg"), "w") as f:
            f.write(text)
