"""Composite previews: the rendered skin images placed the way the program
places them, with stand-in captions, to judge the design as a user sees it."""
import base64
import os

import gen

FONT = "DejaVu Sans, sans-serif"
TXT = "#D6DAE0"
BTN_NR, BTN_OV, BTN_DN = "#AAB0BA", "#FFFFFF", "#00BEFF"


class Comp:
    def __init__(self, skins, w, h):
        self.skins, self.w, self.h = skins, w, h
        self.parts = []
        self.cache = {}

    def uri(self, name):
        if name not in self.cache:
            self.cache[name] = _uri(os.path.join(self.skins, name))
        return self.cache[name]

    def natural(self, name):
        raw = base64.b64decode(self.uri(name).split(",", 1)[1][:64])
        return int.from_bytes(raw[16:20], "big"), int.from_bytes(raw[20:24], "big")

    def img(self, name, x, y, w, h, sx=0, sy=0):
        """Draw the (sx, sy, w, h) area of an image at x, y."""
        nw, nh = self.natural(name)
        self.parts.append('<svg x="%g" y="%g" width="%g" height="%g" viewBox="%g %g %g %g">'
                          '<image width="%d" height="%d" xlink:href="%s"/></svg>'
                          % (x, y, w, h, sx, sy, w, h, nw, nh, self.uri(name)))

    def image(self, name, x, y, size):
        w, h = size
        self.parts.append('<image x="%g" y="%g" width="%g" height="%g" xlink:href="%s"/>'
                          % (x, y, w, h, self.uri(name)))

    def text(self, s, x, y, color=TXT, size=11.5, anchor="start", weight=400):
        s = s.replace("&", "&amp;").replace("<", "&lt;")
        self.parts.append('<text x="%g" y="%g" fill="%s" font-family="%s" font-size="%g" font-weight="%d" '
                          'text-anchor="%s">%s</text>'
                          % (x, y + size * 0.36, color, FONT, size, weight, anchor, s))

    def rect(self, x, y, w, h, color):
        self.parts.append('<rect x="%g" y="%g" width="%g" height="%g" fill="%s"/>' % (x, y, w, h, color))

    def raw(self, s):
        self.parts.append(s)

    def svg(self):
        return ('<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" '
                'width="%d" height="%d">%s</svg>' % (self.w, self.h, "".join(self.parts)))


def button(c, name, x, y, size, caption, color, size_pt=12, weight=400):
    c.image(name, x, y, size)
    if caption:
        c.text(caption, x + size[0] / 2.0, y + size[1] / 2.0, color, size_pt, "middle", weight)


def chrome(c, page, ox=0, oy=0):
    """Main window: background, window buttons, tabs, profiles, apply."""
    c.rect(ox, oy, gen.W, gen.H, "#3A4A5C")  # desktop behind the shaped window
    c.img("main_nr.png", ox, oy, gen.W, gen.H)
    mx, my = gen.MIN_PT
    c.image("about.png", ox + mx - 36, oy + my, gen.WBTN)
    c.image("min_nr.png", ox + mx, oy + my, gen.WBTN)
    c.image("exit_ov.png", ox + mx + 36, oy + my, gen.WBTN)
    # import (hover, from main_ov) and export (normal, from main_nr)
    l, t, r, b = gen.IMPORT
    c.img("main_ov.png", ox + l, oy + t, r - l, b - t, l, t)
    c.text("Import profile", ox + (l + r) / 2.0, oy + (t + b) / 2.0, BTN_OV, 11.5, "middle")
    l, t, r, b = gen.EXPORT
    c.text("Export profile", ox + (l + r) / 2.0, oy + (t + b) / 2.0, BTN_NR, 11.5, "middle")
    names = ["Buttons", "Performance", "Macros", "Lighting"]
    sel = {1: 0, 3: 1, 2: 2, 4: 3}[page]
    for i, (l, t, r, b) in enumerate(gen.NAVI):
        button(c, "navi_dn.png" if i == sel else "navi_nr.png", ox + l, oy + t, gen.NAVI_SIZE, names[i],
               BTN_DN if i == sel else BTN_NR, 15, 500)
    l, t, r, b = gen.PRO_TITLE
    c.text("Profiles", ox + (l + r) / 2.0, oy + (t + b) / 2.0, TXT, 11.5, "middle")
    for i, (x, y, w, h) in enumerate(gen.PRO):
        button(c, "probtn_dn.png" if i == 0 else "probtn_nr.png", ox + x, oy + y, gen.PRO_SIZE,
               "Profile %d" % (i + 1), BTN_DN if i == 0 else BTN_NR)
    ax, ay = gen.APPLY_PT
    button(c, "btn_nr.png", ox + ax - 113, oy + ay, gen.BTN_SIZE, "Restore", BTN_NR)
    button(c, "btn_ov.png", ox + ax, oy + ay, gen.BTN_SIZE, "Apply", BTN_OV)


def page_bg(c, name, ox=0, oy=0):
    x, y, w, h = gen.SUB
    c.img(name, ox + x, oy + y, w, h, x, y)


def slider(c, x, y, pos, n, fill="bar2_ov.png", track="bar2.png", size=gen.BAR, thumb="slider.png",
           dots=True, tsize=gen.THUMB):
    w, h = size
    places = [int(10 + i * (w - 20) / float(n - 1)) for i in range(n)]
    c.img(track, x, y, w, h)
    if fill:
        c.img(fill, x, y, places[pos] + 1, h)
    if dots:
        for p in places:
            c.image("bar_dot.png", x + p - 2, y + 8, gen.DOT)
    if thumb:
        c.image(thumb, x + places[pos] - tsize[0] / 2.0, y, tsize)


def keys_page(c, skins):
    page_bg(c, "key_nr.png")
    X, Y = gen.SUB[0], gen.SUB[1]
    c.text("Buttons", X + 33, Y + 35, TXT, 13, weight=600)
    for i in range(3):
        x = X + 100 + 110 * i
        c.image("radio_dn.png" if i == 0 else "radio_nr.png", x, Y + 36, gen.RADIO)
        c.text("Mode %d" % (i + 1), x + 26, Y + 45, TXT)
    funcs = ["Left click", "Right click", "Middle click", "Back", "Forward", "DPI cycle", "DPI up", "DPI down"]
    hot = 5
    for k, f in enumerate(funcs):
        x, y = X + gen.PT_KEY[0], Y + gen.PT_KEY[1] + k * gen.KEY_PITCH
        c.image("number%d.png" % (k + 1), x - 34, y + 3, gen.NUMBER)
        button(c, "keybtn_ov.png" if k == hot else "keybtn_nr.png", x, y, gen.KEYBTN, f,
               BTN_OV if k == hot else BTN_NR)
    mx, my = X + gen.PT_MARK[0], Y + gen.PT_MARK[1]
    c.image("mouse_nr.png", mx, my, gen.MOUSE)
    kx, ky = gen.MARKS[hot]
    c.img("mouse_dn.png", mx + kx, my + ky, gen.MARK_SIZE[0], gen.MARK_SIZE[1], kx, ky)
    rx, ry = X + gen.PT_RATE[0], Y + gen.PT_RATE[1]
    c.text("Report rate", rx - 20, ry + 10, TXT, 11.5, "end")
    slider(c, rx, ry, 3, 4)
    c.text("1000 Hz", rx + 330, ry + 10, TXT)
    px, py = X + gen.PT_POWER[0], Y + gen.PT_POWER[1]
    c.text("Battery", px - 20, py + 10, TXT, 11.5, "end")
    c.img("bar2.png", px, py, *gen.BAR)
    c.img("powerbar1.png", px, py, int(315 / 9.0 * 7), gen.BAR[1])
    c.text("80 %", px + 330, py + 10, TXT)


def adv_page(c):
    page_bg(c, "adv_nr.png")
    X, Y = gen.SUB[0], gen.SUB[1]
    c.text("DPI levels", X + 33, Y + 35, TXT, 13, weight=600)
    dpis = [800, 1200, 1600, 2400, 3200, 6400]
    cols = ["#FF2828", "#FF9600", "#FFE600", "#28DC5A", "#00BEFF", "#AA46FF"]
    x0, y0 = gen.PT_DPIBAR
    for i, v in enumerate(dpis):
        x, y = X + x0, Y + y0 + i * gen.DPIH
        # the page lays each level's row under its controls, the current
        # level's marked (stretched here; the page keeps the corners)
        c.img("dpi_row_cur.png" if i == 2 else "dpi_row.png", x - 78, y - 8, 443, 35)
        c.image("dpi_well.png", x - 35, y - 2, gen.DPI_WELL)
        c.image("check_dn.png", x - 64, y + 1, gen.CHECK)
        c.rect(x - 33, y, 18, 18, cols[i])
        place = int(9 + (315 - 18) * v / 12000.0)
        c.img("dpi-bar.png", x, y, *gen.DPIBAR)
        c.img("dpi-bar-ov.png", x, y, place + 1, gen.DPIBAR[1])
        c.image("slider1.png", x + place - 9, y, gen.DPI_THUMB)
        c.text(str(v), x + 325, y + 10, "#00BEFF" if i == 2 else TXT, 11.5, weight=700 if i == 2 else 400)
    ex, ey = X + gen.PT_DPIEFT[0], Y + gen.PT_DPIEFT[1]
    c.text("DPI light", ex - 15, ey + 10, TXT, 11.5, "end")
    button(c, "combo_nr.png", ex, ey, gen.COMBO, "", BTN_NR)
    c.text("Steady", ex + 52, ey + 9, BTN_NR, 11.5, "middle")
    c.text("Brightness", ex - 15, ey + 50, TXT, 11.5, "end")
    slider(c, ex, ey + 40, 7, 10)
    # pointer column (plausible arrangement around ptMoveSpeed / ptLOD)
    px = X + gen.PT_MOVESPEED[0]
    rows = [("Double-click speed", 60, 4, 11), ("Scroll lines", 150, 2, 10), ("Pointer speed", 320, 5, 11)]
    for label, yy, pos, n in rows:
        c.text(label, px - 20, Y + yy + 10, TXT, 11.5, "end")
        slider(c, px, Y + yy, pos, n)
        c.text(str(pos + 1), px + 330, Y + yy + 10, TXT)
    c.text("Slow", px, Y + 60 + 32, "#8A919D", 11)
    c.text("Fast", px + 315, Y + 60 + 32, "#8A919D", 11, "end")
    c.image("check_nr.png", px, Y + 190, gen.CHECK)
    c.text("One screen per notch", px + 26, Y + 198, TXT)
    c.image("check_dn.png", px, Y + 230, gen.CHECK)
    c.text("Enhance pointer precision", px + 26, Y + 238, TXT)
    lx, ly = X + gen.PT_LOD[0], Y + gen.PT_LOD[1]
    c.text("LOD", lx - 20, ly + 8, TXT, 11.5, "end")
    c.image("radio_dn.png", lx, ly, gen.RADIO)
    c.text("1 mm", lx + 26, ly + 9, TXT)
    c.image("radio_nr.png", lx + 100, ly, gen.RADIO)
    c.text("2 mm", lx + 126, ly + 9, TXT)


def led_page(c):
    page_bg(c, "led_nr.png")
    X, Y = gen.SUB[0], gen.SUB[1]
    mx, my = gen.PT_MAINEFT
    for j, (title, eff, bright, speed) in enumerate((("Main light", "Breathing", 9, 5), ("Logo light", "Steady", 6, 2))):
        x, y = X + mx, Y + my + 170 * j
        c.text(title, x, y - 10, TXT, 13, weight=600)
        c.image("combo_ov.png" if j == 0 else "combo_nr.png", x, y, gen.COMBO)
        c.text(eff, x + 52, y + 9, BTN_OV if j == 0 else BTN_NR, 11.5, "middle")
        c.text("Brightness", x + 63 - 15, y + 45, TXT, 11.5, "end")
        slider(c, x + 63, y + 36, bright, 10)
        c.text("Speed", x + 63 - 15, y + 77, TXT, 11.5, "end")
        slider(c, x + 63, y + 68, speed, 10 if j == 0 else 5)
        c.text("Colour", x + 63 - 15, y + 114, TXT, 11.5, "end")
        c.rect(x + 63, y + 99, 30, 30, "#FFFFFF" if j == 0 else "#000000")
        c.rect(x + 65, y + 101, 26, 26, "#00BEFF" if j == 0 else "#AA46FF")
    gx, gy = gen.PT_RGBGRID
    c.text("Preset colours", X + gx, Y + gy - 20, TXT, 13, weight=600)
    grid = [(255, 0, 0), (228, 0, 127), (232, 56, 40), (234, 85, 20), (243, 152, 0), (255, 241, 0), (248, 182, 45), (143, 195, 31), (0, 255, 0),
            (46, 167, 224), (3, 110, 184), (23, 42, 136), (23, 28, 97), (96, 25, 134), (164, 11, 93), (0, 162, 154), (0, 0, 255), (194, 65, 148),
            (232, 240, 211), (186, 209, 123), (140, 179, 36), (105, 134, 27), (191, 117, 38), (255, 156, 51), (255, 196, 133), (209, 113, 174), (179, 18, 121)]
    for i, col in enumerate(grid):
        r, cc = divmod(i, 9)
        c.rect(X + gx + 36 * cc, Y + gy + 32 * r, 25, 25, "rgb(%d,%d,%d)" % col)
    ex, ey = gen.PT_RGBEDIT
    c.text("Custom colour", X + ex, Y + ey - 30, TXT, 13, weight=600)
    for i, (ch, v) in enumerate((("R", 0), ("G", 190), ("B", 255))):
        c.text(ch, X + ex - 12, Y + ey + 32 * i + 10, TXT, 11.5, "end")
        c.rect(X + ex, Y + ey + 32 * i, 59, 20, "#CCCCCC")
        c.text(str(v), X + ex + 29.5, Y + ey + 32 * i + 10, "#111111", 11.5, "middle")
    c.image("grd.png", X + ex + 90, Y + ey, gen.GRD)


def macro_page(c):
    page_bg(c, "macro_nr.png")
    X, Y = gen.SUB[0], gen.SUB[1]
    l, t, r, b = gen.MACRO_LIST
    c.rect(X + l, Y + t, r - l, b - t, "#1C1E23")
    items = [("close.png", "Shooter", 0), ("open.png", "MOBA", 0), (None, "Quick build", 1), (None, "Combo 1", 1), (None, "Copy + paste", 0)]
    for i, (ic, name, ind) in enumerate(items):
        y = Y + t + 6 + i * 24
        if i == 2:
            c.rect(X + l + 2, y - 2, r - l - 4, 22, "#24272E")
        if ic:
            c.image(ic, X + l + 8 + ind * 16, y + 1, (16, 16))
        c.text(name, X + l + 30 + ind * 16, y + 9, "#FFFFFF" if i == 2 else "#C8CCD4")
    l, t, r, b = gen.KEY_LIST
    c.rect(X + l, Y + t, r - l, b - t, "#1C1E23")
    steps = ["Q  press", "50 ms", "Q  release", "120 ms", "E  press", "50 ms", "E  release"]
    for i, s in enumerate(steps):
        c.text(s, X + l + 14, Y + t + 15 + i * 24, "#8A919D" if "ms" in s else "#C8CCD4")
    ox = X + gen.MACRO_OPT_X
    button(c, "recbtn_nr.png", ox, Y + 96, gen.RECBTN, "Record", BTN_NR)
    c.image("check_dn.png", ox, Y + 150, gen.CHECK)
    c.text("Record delays", ox + 26, Y + 158, TXT)
    for i, s in enumerate(("Repeat", "Repeat while held", "Repeat until pressed again")):
        c.image("radio_dn.png" if i == 1 else "radio_nr.png", ox, Y + 190 + 34 * i, gen.RADIO)
        c.text(s, ox + 26, Y + 199 + 34 * i, TXT)
    button(c, "macbtn_nr.png", ox, Y + 330, gen.MACBTN, "New", BTN_NR)
    button(c, "macbtn_ov.png", ox + 104, Y + 330, gen.MACBTN, "Delete", BTN_OV)
    button(c, "btn_nr.png", ox + 250, Y + 326, gen.BTN_SIZE, "Save", BTN_NR)


def dialogs(c):
    c.rect(0, 0, c.w, c.h, "#3A4A5C")
    # message dialog, kind 5
    x, y = 20, 20
    w, h = gen.MSG
    c.image("msg_nr.png", x, y, gen.MSG)
    c.text("Tarvel", x + 26, y + 20, TXT, 11.5, weight=600)
    c.image("exit_nr.png", x + w - 42, y + 9, gen.WBTN)
    c.text("Restore this profile to its default settings?", x + 26, y + 80, TXT)
    button(c, "btn_ov.png", x + w - 16 - 103 - 113, y + h - 44, gen.BTN_SIZE, "OK", BTN_OV)
    button(c, "btn_nr.png", x + w - 16 - 103, y + h - 44, gen.BTN_SIZE, "Cancel", BTN_NR)
    # key capture, kind 4
    x, y = 20, 240
    c.image("msg_nr.png", x, y, gen.MSG)
    c.text("Tarvel", x + 26, y + 20, TXT, 11.5, weight=600)
    c.image("exit_ov.png", x + w - 42, y + 9, gen.WBTN)
    c.text("Press the keys of the combination", x + 60, y + 58, TXT)
    c.rect(x + 60, y + 70, 300, 26, "#24272E")
    c.text("L-Ctrl + C", x + 210, y + 83, "#FFFFFF", 14, "middle")
    for i, m in enumerate(("Shift", "Ctrl", "Alt", "Win")):
        c.image("Check_dn.png" if m == "Ctrl" else "Check_nr.png", x + 60 + 76 * i, y + 108, gen.CHECK)
        c.text(m, x + 82 + 76 * i, y + 116, TXT)
    button(c, "btn_nr.png", x + w - 16 - 103, y + h - 44, gen.BTN_SIZE, "OK", BTN_NR)
    # about
    x, y = 460, 20
    c.image("msg.png", x, y, gen.ABOUT)
    c.image("exit_nr.png", x + gen.ABOUT[0] - 42, y + 9, gen.WBTN)
    c.text("Tarvel Wireless Gaming Mouse", x + 70, y + 65, TXT, 13, weight=600)
    c.text("Version 1.0.0", x + 70, y + 100, "#8A919D")
    c.text("Visit our website", x + 71, y + 135, BTN_OV)
    c.raw('<rect x="%g" y="%g" width="96" height="1" fill="#FFFFFF"/>' % (x + 71, y + 143))
    # progress
    x, y = 20, 490
    c.image("progress_nr.png", x, y, gen.PROGRESS)
    c.img("progress_ov.png", x, y, 45 + (486 - 45) * 62 // 100, gen.PROGRESS[1])
    c.image("exit_nr.png", x + gen.PROGRESS[0] - 40, y + 8, gen.WBTN)
    c.text("Applying settings, please wait...", x + 45, y + 22, "#FFFFFF", 11.5)
    # notification
    x, y = 460, 270
    nw, nh = gen.NOTIFY
    c.raw('<g opacity="0.78">')
    c.image("notify.png", x, y, gen.NOTIFY)
    c.text("DPI-3", x + nw / 2.0, y + nh / 6.0, "rgb(0,157,192)", 24, "middle", 800)
    c.text("1600", x + nw / 2.0, y + nh / 2.0, "rgb(0,157,192)", 38, "middle", 800)
    c.raw('</g>')
    # macro picker
    x, y = 940, 20
    c.image("msg2_nr.png", x, y, gen.PICKER)
    c.text("Choose a macro", x + 26, y + 20, TXT, 11.5, weight=600)
    c.image("exit_nr.png", x + gen.PICKER[0] - 42, y + 9, gen.WBTN)
    for i, (ic, name) in enumerate((("open.png", "Shooter"), (None, "Burst fire"), (None, "Reload"), ("close.png", "MOBA"))):
        yy = y + 62 + 24 * i
        if i == 1:
            c.rect(x + 18, yy - 3, gen.PICKER[0] - 36, 22, "#24272E")
        if ic:
            c.image(ic, x + 26, yy, (16, 16))
        c.text(name, x + (48 if ic else 64), yy + 8, "#FFFFFF" if i == 1 else "#C8CCD4")
    button(c, "btn_nr.png", x + gen.PICKER[0] - 16 - 103 - 113, y + gen.PICKER[1] - 44, gen.BTN_SIZE, "OK", BTN_NR)
    button(c, "btn_nr.png", x + gen.PICKER[0] - 16 - 103, y + gen.PICKER[1] - 44, gen.BTN_SIZE, "Cancel", BTN_NR)
    # menu (stacked bitmaps) and icon sizes
    x, y = 780, 270
    items = [("menu_nr.bmp", "Export profile"), ("menu_ov.bmp", "Import profile"), ("menusub_nr.bmp", "Insert"), ("menu_nr.bmp", "About")]
    for i, (bmp, s) in enumerate(items):
        c.image(bmp + ".png", x, y + 25 * i, gen.MENU)
        c.text(s, x + 14, y + 25 * i + 12.5, "#FFFFFF" if "ov" in bmp else "#C8CCD4")
    c.raw('<rect x="%g" y="%g" width="%d" height="1" fill="#343A45"/>' % (x, y + 100, gen.MENU[0]))
    c.raw('<rect x="%g" y="%g" width="%d" height="1" fill="#343A45"/>' % (x, y - 1, gen.MENU[0]))
    ix = 600
    for s in (16, 32, 48, 256):
        c.image("appico-%d.ico.png" % s, ix, 750 - s, (s, s))
        ix += s + 24


def write(skins, out):
    def save(name, comp):
        with open(os.path.join(out, name), "w") as f:
            f.write(comp.svg())

    c = Comp(skins, gen.W, gen.H)
    chrome(c, 1)
    keys_page(c, skins)
    save("preview.svg", c)
    for name, page, fn in (("preview_adv.svg", 3, adv_page), ("preview_led.svg", 4, led_page),
                           ("preview_macro.svg", 2, macro_page)):
        c = Comp(skins, gen.W, gen.H)
        chrome(c, page)
        fn(c)
        save(name, c)
    c = Comp(out, 1280, 770)
    # dialogs preview reads the BMP stand-ins and icon renders from the temporary folder
    c.skins = skins
    c.cache.update({n + ".png": _uri(os.path.join(out, n + ".png")) for n in ("menu_nr.bmp", "menu_ov.bmp", "menusub_nr.bmp")})
    c.cache.update({"appico-%d.ico.png" % s: _uri(os.path.join(out, "appico-%d.ico.png" % s)) for s in (16, 32, 48, 256)})
    dialogs(c)
    save("preview_dialogs.svg", c)


def _uri(path):
    with open(path, "rb") as f:
        return "data:image/png;base64," + base64.b64encode(f.read()).decode()
