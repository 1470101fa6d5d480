#include "cli/size_argument.h"

namespace morsela {
namespace {

constexpr SizeUnit kUnits[] = {
    {"", 1024.0},
    {"K", 1024.0},
    {"M", 1048576.0},
    {"G", 1073741824.0},
    {"T", 1099511627776.0},
    {"KiB", 1024.0},
    {"MiB", 1048576.0},
    {"GiB", 1073741824.0},
    {"TiB", 1099511627776.0},
    {"KB", 1e3},
    {"MB", 1e6},
    {"GB", 1e9},
    {"TB", 1e12},
};

}  // namespace

PieceSize sizeArgument(std::string_view text) {
    return readPieceSize(text, kUnits);
}

}  // namespace morsela
