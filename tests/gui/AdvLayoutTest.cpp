// The DPI and advanced page's layout: for the sensors of the default product,
// for sensors with eight levels and with X and Y values, and for product
// settings at the ends of their range, every control and label lies inside
// the page and over no other.

#include "pages/AdvLayout.h"
#include "model/SensorCatalogue.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

using settings::g_opt;

namespace {

std::string Describe(const RECT& r) {
    std::ostringstream out;
    out << '(' << r.left << ',' << r.top << ")-(" << r.right << ',' << r.bottom << ')';
    return out.str();
}

// Every shown area inside the page and apart from every other; the failures
// name them.
void ExpectTidy(const AdvLayoutInput& in) {
    const AdvLayout layout = LayOutAdvPage(in);
    const std::vector<AdvArea> areas = ShownAdvAreas(layout, in);
    for (const AdvArea& a : areas)
        EXPECT_TRUE(a.rect.left >= 0 && a.rect.top >= 0 && a.rect.right <= in.page.cx &&
                    a.rect.bottom <= in.page.cy)
            << a.name << " " << Describe(a.rect) << " leaves the page";
    for (size_t i = 0; i < areas.size(); ++i)
        for (size_t j = i + 1; j < areas.size(); ++j) {
            RECT both{};
            EXPECT_FALSE(::IntersectRect(&both, &areas[i].rect, &areas[j].rect))
                << areas[i].name << " " << Describe(areas[i].rect) << " lies over " << areas[j].name
                << " " << Describe(areas[j].rect);
        }
}

// The input the page makes from the default product's settings.
AdvLayoutInput ProductInput(const SensorCfg& cfg, bool xy) {
    AdvLayoutInput in;
    const settings::Rect& sub = g_opt.rcSubDlg;
    in.page = {sub.right - sub.left, sub.bottom - sub.top};
    const settings::Rect& t = g_opt.rcTitle3;
    in.title = {t.left, t.top, t.right, t.bottom};
    in.dpiBar = {g_opt.ptDpiBar.x, g_opt.ptDpiBar.y};
    in.rowPitch = cfg.nDpiRowH > 0 ? cfg.nDpiRowH : 48;
    in.levels = cfg.nLevels;
    in.xy = xy;
    in.dpiEft = {g_opt.ptDpiEft.x, g_opt.ptDpiEft.y};
    in.moveSpeed = {g_opt.ptMoveSpeed.x, g_opt.ptMoveSpeed.y};
    in.lod = {g_opt.ptLOD.x, g_opt.ptLOD.y};
    in.showLod = cfg.bShowLOD != 0;
    return in;
}

TEST(AdvLayout, TheDefaultProductsSensorsAndEightLevelsFitThePage) {
    int sensors = 0;
    for (const SensorCfg& cfg : g_SensorCfg) {
        if (cfg.nSensor == 0)
            continue;
        ++sensors;
        for (bool xy : {false, true}) {
            std::ostringstream name;
            name << "sensor 0x" << std::hex << cfg.nSensor << (xy ? " X/Y" : "");
            SCOPED_TRACE(name.str());
            ExpectTidy(ProductInput(cfg, xy));
            SensorCfg eight = cfg;
            eight.nLevels = 8;
            SCOPED_TRACE("8 levels");
            ExpectTidy(ProductInput(eight, xy));
        }
    }
    EXPECT_GE(sensors, 3);
}

TEST(AdvLayout, RowsOfEightLevelsCloseUpAboveTheDpiLight) {
    SensorCfg eight{};
    eight.nLevels = 8;
    eight.nDpiRowH = 48;
    const AdvLayoutInput in = ProductInput(eight, false);
    const AdvLayout layout = LayOutAdvPage(in);
    EXPECT_LT(layout.rowPitch, 48);
    // The DPI light keeps the place the product gives it.
    EXPECT_EQ(layout.light.left, in.dpiEft.x);
    EXPECT_EQ(layout.light.top, in.dpiEft.y);
    EXPECT_LT(layout.rows[7].strip.bottom, layout.lightLabel.top);
}

TEST(AdvLayout, SettingsAtTheEndsOfTheirRangeStillGiveATidyPage) {
    const struct {
        const char* name;
        std::function<void(AdvLayoutInput&)> set;
    } cases[] = {
        {"pointer speed at the page's top", [](AdvLayoutInput& in) { in.moveSpeed.y = 10; }},
        {"pointer speed at the page's bottom", [](AdvLayoutInput& in) { in.moveSpeed.y = 495; }},
        {"pointer speed at the left edge", [](AdvLayoutInput& in) { in.moveSpeed.x = 0; }},
        {"pointer speed at the right edge", [](AdvLayoutInput& in) { in.moveSpeed.x = 990; }},
        {"lift-off on the pointer speed", [](AdvLayoutInput& in) { in.lod = in.moveSpeed; }},
        {"DPI light over the first level",
         [](AdvLayoutInput& in) {
             in.dpiEft = {in.dpiBar.x, in.dpiBar.y};
         }},
        {"DPI light at the bottom", [](AdvLayoutInput& in) { in.dpiEft.y = 495; }},
        {"levels at the top left",
         [](AdvLayoutInput& in) {
             in.dpiBar = {0, 0};
         }},
        {"levels 8 rows of 80",
         [](AdvLayoutInput& in) {
             in.levels = 8;
             in.rowPitch = 80;
         }},
        {"levels 8 X/Y rows of 10",
         [](AdvLayoutInput& in) {
             in.levels = 8;
             in.xy = true;
             in.rowPitch = 10;
         }},
        {"no colour swatches, no boxes",
         [](AdvLayoutInput& in) {
             in.showColor = false;
             in.showCheck = false;
         }},
        {"taller thumbs and sliders",
         [](AdvLayoutInput& in) {
             in.rowH = 26;
             in.slider.cy = 28;
             in.levels = 8;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AdvLayoutInput in;
        c.set(in);
        ExpectTidy(in);
    }
}

} // namespace
