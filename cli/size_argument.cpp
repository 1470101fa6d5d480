#include "cli/size_argument.h"

namespace morsela {
namespace {

constexpr double kKiB = 1024.0;
constexpr double kMiB = kKiB * 1024;
constexpr double kGiB = kMiB * 1024;
constexpr double kTiB = kGiB * 1024;
constexpr double kPiB = kTiB * 1024;
constexpr double kEiB = kPiB * 1024;
constexpr double kZiB = kEiB * 1024;
constexpr double kYiB = kZiB * 1024;

// The units of the standard split tool: b, and each letter alone or with "iB" in powers of
// 1024, with "B" (or the older "D") in powers of 1000; g and t besides, as G and T. Z and Y
// are read, and are too large for any piece.
constexpr SizeUnit kUnits[] = {
    {"", kKiB},    {"b", 512},    {"k", kKiB},   {"K", kKiB},   {"kiB", kKiB}, {"KiB", kKiB},
    {"kB", 1e3},   {"KB", 1e3},   {"kD", 1e3},   {"KD", 1e3},   {"m", kMiB},   {"M", kMiB},
    {"miB", kMiB}, {"MiB", kMiB}, {"mB", 1e6},   {"MB", 1e6},   {"mD", 1e6},   {"MD", 1e6},
    {"g", kGiB},   {"G", kGiB},   {"GiB", kGiB}, {"GB", 1e9},   {"GD", 1e9},   {"t", kTiB},
    {"T", kTiB},   {"TiB", kTiB}, {"TB", 1e12},  {"TD", 1e12},  {"P", kPiB},   {"PiB", kPiB},
    {"PB", 1e15},  {"PD", 1e15},  {"E", kEiB},   {"EiB", kEiB}, {"EB", 1e18},  {"ED", 1e18},
    {"Z", kZiB},   {"ZiB", kZiB}, {"ZB", 1e21},  {"ZD", 1e21},  {"Y", kYiB},   {"YiB", kYiB},
    {"YB", 1e24},  {"YD", 1e24},
};

}  // namespace

PieceSize sizeArgument(std::string_view text) {
    return readPieceSize(text, kUnits);
}

}  // namespace morsela
