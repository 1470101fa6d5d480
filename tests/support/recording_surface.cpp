#include "tests/support/recording_surface.h"

namespace morsela::test {

void RecordingSurface::scale(double x1, double y1, double x2, double y2) {
    scaleCorners = {x1, y1, x2, y2};
}

void RecordingSurface::cls() {
    ++clears;
    lines.clear();
}

void RecordingSurface::box(double, double, double x2, double, Colour colour) {
    barEnds.push_back(x2);
    barColours.push_back(colour);
}

void RecordingSurface::print(const std::string& line) {
    lines.push_back(line);
}

void RecordingSurface::messageBox(const std::string& prompt, const std::string& title,
                                  MessageKind kind) {
    messages.push_back({prompt, title, kind});
}

bool RecordingSurface::stopRequested() {
    ++checks;
    if (onCheck) {
        onCheck(checks);
    }
    return checks == stopAfterChecks;
}

void RecordingSurface::fileWritten(const std::string& path) {
    written.push_back(path);
}

std::string RecordingSurface::errorHeadline() const {
    for (const Message& m : messages) {
        if (m.kind == MessageKind::Critical) {
            return m.prompt.substr(0, m.prompt.find('\n'));
        }
    }
    return "";
}

}  // namespace morsela::test
