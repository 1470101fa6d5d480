#include "cli/size_argument.h"

namespace morsela {
namespace {

constexpr double kKiB = 1024.0;
constexpr double kMiB = kKiB * 1024;
constexpr double kGiB = kMiB * 1024;
constexpr double kTiB = kGiB * 1024;

constexpr SizeUnit kUnits[] = {
    {"", kKiB},    {"k", kKiB}, {"K", kKiB}, {"KiB", kKiB}, {"m", kMiB}, {"M", kMiB},
    {"MiB", kMiB}, {"g", kGiB}, {"G", kGiB}, {"GiB", kGiB}, {"t", kTiB}, {"T", kTiB},
    {"TiB", kTiB}, {"kB", 1e3}, {"KB", 1e3}, {"MB", 1e6},   {"GB", 1e9}, {"TB", 1e12},
};

}  // namespace

PieceSize sizeArgument(std::string_view text) {
    return readPieceSize(text, kUnits);
}

}  // namespace morsela
