#include "pages/AdvLayout.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

// Room kept between groups and along the page's edges, and between the level
// rows and the DPI light under them (the skin's panels part there).
constexpr int kGroupGap = 8;
constexpr int kLightGap = 28;
constexpr int kEdge = 4;
// A label left of a control may take two lines, centred on the control.
constexpr int kLabelSlack = 8;
// Room for a value right of a slider, and a text right of a box.
constexpr int kValueGap = 10, kValueW = 35;
constexpr int kTextGap = 8, kTextW = 236;

RECT Box(int left, int top, int w, int h) {
    return {left, top, left + w, top + h};
}

bool Empty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

bool Overlap(const RECT& a, const RECT& b) {
    return !Empty(a) && !Empty(b) && a.left < b.right && b.left < a.right && a.top < b.bottom &&
           b.top < a.bottom;
}

RECT Union(const RECT& a, const RECT& b) {
    if (Empty(a))
        return b;
    if (Empty(b))
        return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

void Shift(RECT& r, int dx, int dy) {
    if (!Empty(r))
        ::OffsetRect(&r, dx, dy);
}

// A label left of a control at (x, y) of height h.
RECT LabelLeftOf(POINT at, int h, int gap) {
    return {at.x - gap - kAdvLabelW, at.y - kLabelSlack, at.x - gap, at.y + h + kLabelSlack};
}

// A group of rectangles that moves as one.
class Group {
public:
    void Add(RECT& r) {
        if (!Empty(r))
            m_members.push_back(&r);
    }
    bool None() const { return m_members.empty(); }
    RECT Bounds() const {
        RECT all{0, 0, 0, 0};
        for (const RECT* r : m_members)
            all = Union(all, *r);
        return all;
    }
    void Move(int dx, int dy) {
        for (RECT* r : m_members)
            Shift(*r, dx, dy);
    }

private:
    std::vector<RECT*> m_members;
};

// The box moved (as little as it can) to lie inside the page's edges.
RECT IntoPage(RECT box, SIZE page) {
    const int dx = box.left < kEdge ? kEdge - box.left
                   : box.right > page.cx - kEdge
                       ? std::max(kEdge - box.left, page.cx - kEdge - box.right)
                       : 0;
    const int dy = box.top < kEdge ? kEdge - box.top
                   : box.bottom > page.cy - kEdge
                       ? std::max(kEdge - box.top, page.cy - kEdge - box.bottom)
                       : 0;
    ::OffsetRect(&box, dx, dy);
    return box;
}

bool InPage(const RECT& box, SIZE page) {
    return box.left >= kEdge && box.top >= kEdge && box.right <= page.cx - kEdge &&
           box.bottom <= page.cy - kEdge;
}

bool Free(const RECT& box, const std::vector<RECT>& placed) {
    return std::none_of(placed.begin(), placed.end(),
                        [&](const RECT& p) { return Overlap(box, p); });
}

// Moves the group to the free place nearest to where it is: where it is when
// that is free, else beside one of the placed boxes (below, above, right,
// left), or beside two of them. Without a free place it stays inside the
// page, and false.
bool Place(Group& group, std::vector<RECT>& placed, SIZE page) {
    if (group.None())
        return true;
    const RECT wanted = group.Bounds();
    std::vector<RECT> candidates{IntoPage(wanted, page)};
    for (int round = 0; round < 2; ++round) {
        const std::vector<RECT> bases = candidates;
        for (const RECT& base : bases)
            for (const RECT& p : placed) {
                if (!Overlap(base, p))
                    continue;
                const int w = base.right - base.left, h = base.bottom - base.top;
                candidates.push_back(
                    IntoPage(Box(base.left, int(p.bottom) + kGroupGap, w, h), page)); // below
                candidates.push_back(
                    IntoPage(Box(base.left, int(p.top) - kGroupGap - h, w, h), page)); // above
                candidates.push_back(
                    IntoPage(Box(int(p.right) + kGroupGap, base.top, w, h), page)); // right
                candidates.push_back(
                    IntoPage(Box(int(p.left) - kGroupGap - w, base.top, w, h), page)); // left
            }
    }
    const RECT* best = nullptr;
    long bestCost = LONG_MAX;
    for (const RECT& c : candidates) {
        if (!InPage(c, page) || !Free(c, placed))
            continue;
        const long cost = std::labs(c.left - wanted.left) + std::labs(c.top - wanted.top);
        if (cost < bestCost) {
            best = &c;
            bestCost = cost;
        }
    }
    const RECT to = best ? *best : candidates.front();
    group.Move(to.left - wanted.left, to.top - wanted.top);
    placed.push_back(to);
    return best != nullptr;
}

// The level rows at `pitch` from `in.dpiBar`.
void LayLevels(const AdvLayoutInput& in, int pitch, AdvLayout& out) {
    const int x = in.dpiBar.x;
    const int rowBar = in.xy ? 2 * in.rowH : in.rowH;
    // What lies around the row's controls, closing up with the pitch.
    const int pad = std::clamp((pitch - rowBar - 2) / 2, 1, 8);
    const int n = std::clamp(in.levels, 0, 8);
    out.rowPitch = pitch;
    out.rows = {};
    for (int i = 0; i < n; ++i) {
        AdvLevelRow& r = out.rows[i];
        const int top = in.dpiBar.y + i * pitch;
        // The box and the swatch sit in the middle of a two-row slider.
        const int mid = top + (rowBar - in.rowH) / 2;
        r.slider = Box(x, top, in.slider.cx, rowBar);
        if (in.showColor) {
            r.swatch = {x - 33, mid, x - 15, mid + 18};
            r.check = {x - 64, mid + 1, x - 48, mid + 17};
        } else {
            r.check = {x - 33, mid + 1, x - 17, mid + 17};
        }
        if (!in.showCheck)
            r.check = {};
        const int left = int(r.slider.right) + (in.xy ? 8 : kValueGap);
        const int right = int(r.slider.right) + 50;
        if (in.xy) {
            // Each value beside its own row of thumbs.
            r.labelX = {left, top + (in.rowH - 14) / 2, right, top + (in.rowH - 14) / 2 + 14};
            r.labelY = r.labelX;
            ::OffsetRect(&r.labelY, 0, in.rowH);
        } else {
            r.labelX = {left, top, right, top + in.rowH};
        }
        const int stripLeft =
            std::min({int(r.slider.left), Empty(r.swatch) ? INT_MAX : int(r.swatch.left),
                      Empty(r.check) ? INT_MAX : int(r.check.left)}) -
            16;
        // The value's text ends short of its room: the row ends there too.
        r.strip = {stripLeft, top - pad, right - 2, top + rowBar + pad};
    }
    out.xyToggle = out.xyText = {};
    if (in.xy && n > 0) {
        const int t = int(out.rows[n - 1].strip.bottom) + 4;
        out.xyToggle = Box(x + 90, t, in.check, in.check);
        out.xyText = Box(x + 90 + in.check + kTextGap, t - 4, kTextW, in.check + 8);
    }
}

RECT LevelsBounds(const AdvLayout& l, int levels) {
    RECT all{0, 0, 0, 0};
    for (int i = 0; i < std::clamp(levels, 0, 8); ++i)
        all = Union(all, l.rows[i].strip);
    all = Union(all, l.xyToggle);
    return Union(all, l.xyText);
}

void LayLight(const AdvLayoutInput& in, AdvLayout& out) {
    const POINT at = in.dpiEft;
    out.light = Box(at.x, at.y, in.combo.cx, in.combo.cy);
    out.lightLabel = LabelLeftOf(at, in.combo.cy, 15);
    const POINT under{at.x, at.y + 40};
    out.lightSlider = Box(under.x, under.y, in.slider.cx, in.slider.cy);
    out.lightSliderLabel = LabelLeftOf(under, in.slider.cy, 15);
}

void LayPointer(const AdvLayoutInput& in, AdvLayout& out) {
    const int x = in.moveSpeed.x, y = in.moveSpeed.y;
    const SIZE s = in.slider;
    auto slider = [&](int dy, RECT& bar, RECT& label) {
        bar = Box(x, y + dy, s.cx, s.cy);
        label = LabelLeftOf({x, y + dy}, s.cy, kAdvLabelGap);
    };
    if (in.showDblClick) {
        slider(-260, out.dblClick, out.dblClickLabel);
        out.dblClickCaptions = Box(x, y - 260 + s.cy + 2, s.cx, 18);
    }
    slider(-170, out.wheel, out.wheelLabel);
    out.wheelValue = Box(x + s.cx + kValueGap, y - 170, kValueW, s.cy);
    out.oneScreen = Box(x, y - 130, in.check, in.check);
    out.oneScreenText = Box(x + in.check + kTextGap, y - 134, kTextW, in.check + 8);
    out.precision = Box(x, y - 90, in.check, in.check);
    out.precisionText = Box(x + in.check + kTextGap, y - 94, kTextW, in.check + 8);
    slider(0, out.speed, out.speedLabel);
    out.speedValue = Box(x + s.cx + kValueGap, y, kValueW, s.cy);
}

void LayLod(const AdvLayoutInput& in, AdvLayout& out) {
    const int x = in.lod.x, y = in.lod.y, r = in.radio;
    out.lodLabel = LabelLeftOf(in.lod, r, kAdvLabelGap);
    out.lod1 = Box(x, y, r, r);
    out.lod1Text = Box(x + r + kTextGap, y - 4, 64, r + 8);
    out.lod2 = Box(x + 100, y, r, r);
    out.lod2Text = Box(x + 100 + r + kTextGap, y - 4, 64, r + 8);
}

} // namespace

AdvLayout LayOutAdvPage(const AdvLayoutInput& in) {
    AdvLayout out;
    const int n = std::clamp(in.levels, 0, 8);
    const int rowBar = in.xy ? 2 * in.rowH : in.rowH;
    const int minPitch = rowBar + 4;
    int pitch = std::max(in.rowPitch, minPitch);
    if (in.showLight)
        LayLight(in, out);
    if (in.showSys)
        LayPointer(in, out);
    if (in.showLod)
        LayLod(in, out);
    LayLevels(in, pitch, out);

    // The rows close up rather than run into the DPI light under them.
    const RECT light =
        Union(Union(out.light, out.lightLabel), Union(out.lightSlider, out.lightSliderLabel));
    auto runsIntoLight = [&] {
        RECT levels = LevelsBounds(out, n);
        levels.bottom += kLightGap;
        return Overlap(levels, light) && light.top > levels.top;
    };
    while (n > 1 && pitch > minPitch && runsIntoLight())
        LayLevels(in, --pitch, out);

    Group title, levels, lightGroup, pointer, lod;
    RECT titleRect = in.title;
    title.Add(titleRect);
    for (int i = 0; i < n; ++i) {
        AdvLevelRow& r = out.rows[i];
        for (RECT* part : {&r.strip, &r.slider, &r.swatch, &r.check, &r.labelX, &r.labelY})
            levels.Add(*part);
    }
    levels.Add(out.xyToggle);
    levels.Add(out.xyText);
    for (RECT* part : {&out.light, &out.lightLabel, &out.lightSlider, &out.lightSliderLabel})
        lightGroup.Add(*part);
    for (RECT* part :
         {&out.dblClick, &out.dblClickLabel, &out.dblClickCaptions, &out.wheel, &out.wheelLabel,
          &out.wheelValue, &out.oneScreen, &out.oneScreenText, &out.precision, &out.precisionText,
          &out.speed, &out.speedLabel, &out.speedValue})
        pointer.Add(*part);
    for (RECT* part : {&out.lodLabel, &out.lod1, &out.lod1Text, &out.lod2, &out.lod2Text})
        lod.Add(*part);

    std::vector<RECT> placed;
    if (!title.None())
        placed.push_back(title.Bounds());
    Place(levels, placed, in.page);
    if (!Place(lightGroup, placed, in.page) && !levels.None()) {
        // Many rows leave the DPI light no room: the rows move up to the
        // title, and the light goes where there is room now.
        placed.pop_back();
        const RECT rows = levels.Bounds();
        const bool underTitle =
            !Empty(in.title) && rows.left < in.title.right && in.title.left < rows.right;
        const int top = underTitle ? int(in.title.bottom) + kGroupGap : kEdge;
        if (rows.top > top)
            levels.Move(0, top - rows.top);
        placed.back() = levels.Bounds();
        Place(lightGroup, placed, in.page);
    }
    Place(pointer, placed, in.page);
    Place(lod, placed, in.page);
    return out;
}

std::vector<AdvArea> ShownAdvAreas(const AdvLayout& l, const AdvLayoutInput& in) {
    std::vector<AdvArea> out;
    auto add = [&](const std::string& name, const RECT& r) {
        if (!Empty(r))
            out.push_back({name, r});
    };
    add("title", in.title);
    for (int i = 0; i < std::clamp(in.levels, 0, 8); ++i) {
        const std::string row = "level " + std::to_string(i + 1) + " ";
        const AdvLevelRow& r = l.rows[i];
        add(row + "slider", r.slider);
        add(row + "swatch", r.swatch);
        add(row + "check box", r.check);
        add(row + "value", r.labelX);
        add(row + "Y value", r.labelY);
    }
    // Groups that are not shown have empty places, and are left out.
    const std::pair<const char*, const RECT*> rest[] = {
        {"X/Y toggle", &l.xyToggle},
        {"X/Y text", &l.xyText},
        {"DPI light", &l.light},
        {"DPI light label", &l.lightLabel},
        {"DPI light slider", &l.lightSlider},
        {"DPI light slider label", &l.lightSliderLabel},
        {"double-click", &l.dblClick},
        {"double-click label", &l.dblClickLabel},
        {"double-click captions", &l.dblClickCaptions},
        {"wheel", &l.wheel},
        {"wheel label", &l.wheelLabel},
        {"wheel value", &l.wheelValue},
        {"one screen", &l.oneScreen},
        {"one screen text", &l.oneScreenText},
        {"precision", &l.precision},
        {"precision text", &l.precisionText},
        {"speed", &l.speed},
        {"speed label", &l.speedLabel},
        {"speed value", &l.speedValue},
        {"LOD label", &l.lodLabel},
        {"1 mm", &l.lod1},
        {"1 mm text", &l.lod1Text},
        {"2 mm", &l.lod2},
        {"2 mm text", &l.lod2Text},
    };
    for (const auto& [name, rect] : rest)
        add(name, *rect);
    return out;
}
