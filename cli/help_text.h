#pragma once

#include <initializer_list>
#include <string>

namespace morsela {

// The usage lines of --help: "Usage: " before the first synopsis, "  or:  " before each
// other. Each text holds one or more synopses, one a line.
std::string usageText(std::initializer_list<const char*> synopses);

// The lines for --help and --version, what each does starting at `column`.
std::string helpAndVersion(int column);

}  // namespace morsela
