#include "app/form_layout.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <string_view>

namespace morsela {

const ControlPlace& placeOf(std::string_view name) {
    for (const ControlPlace& p : kControlPlaces) {
        if (name == p.name) {
            return p;
        }
    }
    throw std::logic_error("no place in the layout for a control named " + std::string(name));
}

namespace {

double pixels(int twips) {
    return static_cast<double>(twips) / kTwipsPerPixel;
}

// Room a caption needs beside its text: a button's bevel and padding.
constexpr int kButtonPadding = 12;
// Room a text field needs above and below its line: frame and margins.
constexpr int kFieldPadding = 6;

}  // namespace

QRect pixelRect(const ControlPlace& p, double factor) {
    auto scaled = [factor](int twips) {
        return static_cast<int>(std::lround(pixels(twips) * factor));
    };
    return {scaled(p.left), scaled(p.top), scaled(p.width), scaled(p.height)};
}

QSize clientSize(double factor) {
    return {static_cast<int>(std::lround(pixels(kClientWidth) * factor)),
            static_cast<int>(std::lround(pixels(kClientHeight) * factor))};
}

double layoutFactor(const QFontMetrics& metrics) {
    struct Caption {
        const char* control;
        const char* text;
        int padding;
    };
    const Caption captions[] = {
        {"cmdLoadfile", "Open File", kButtonPadding},
        {"cmdRun", "Do Stuff", kButtonPadding},
        {"cmdEnd", "End", kButtonPadding},
        {"lblSave", "Output directory", 0},
        {"lblSize", "Size in KB of splits", 0},
    };
    double factor = 1.0;
    for (const Caption& c : captions) {
        const double needed = metrics.horizontalAdvance(c.text) + c.padding;
        factor = std::max(factor, needed / pixels(placeOf(c.control).width));
    }
    factor =
        std::max(factor, (metrics.height() + kFieldPadding) / pixels(placeOf("txtFile").height));
    return std::ceil(factor * 100) / 100;
}

}  // namespace morsela
