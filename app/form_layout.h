#pragma once

#include <QRect>
#include <QString>
#include <string_view>

class QFontMetrics;

namespace morsela {

// Where the window's controls stand, in twips (1/1440 inch) from the top left corner of the
// client area. At the reference size, 96 dots per inch, 15 twips make one pixel.
inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kClientWidth = 5145;
inline constexpr int kClientHeight = 3495;

struct ControlPlace {
    const char* name;
    int left;
    int top;
    int width;
    int height;
};

// In the order the window creates its controls.
inline constexpr ControlPlace kControlPlaces[] = {
    {"txtSavepath", 240, 1320, 4575, 285}, {"Dir1", 240, 1680, 2175, 1665},
    {"Drive1", 1560, 960, 975, 315},       {"pic1", 2520, 2400, 2295, 855},
    {"cmdLoadfile", 240, 120, 1335, 615},  {"dlgBox", 2760, 2280, 480, 480},
    {"txtSize", 3240, 600, 1575, 285},     {"txtFile", 1800, 120, 3135, 285},
    {"cmdEnd", 3960, 1800, 855, 495},      {"cmdRun", 2520, 1800, 1335, 495},
    {"lblSave", 240, 960, 1215, 255},      {"lblSize", 1800, 600, 1455, 255},
};

// The place of the control with this object name; a name the layout does not know is a
// programming error and throws std::logic_error.
const ControlPlace& placeOf(std::string_view name);

// A place in pixels, the whole layout scaled by `factor` (1 at the reference size).
QRect pixelRect(const ControlPlace& place, double factor);
QSize clientSize(double factor);

// The smallest factor, at least 1, at which every caption and text line fits its control in
// a font of these metrics.
double layoutFactor(const QFontMetrics& metrics);

}  // namespace morsela
