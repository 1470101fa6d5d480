#pragma once

#include <string>
#include <string_view>

namespace morsela {

// `text` safe to print on a terminal: every run of bytes that a terminal would act on rather
// than show (control characters, DEL, C1 controls, bytes that are no UTF-8, and the marks
// that turn the direction of text around) is shown in the shells' $'...' notation, as the
// standard tools show such file names: "x\e[2K" gives "x$'\e'[2K". Anything else, blanks
// and letters beyond ASCII included, is left as it is.
std::string printable(std::string_view text);

}  // namespace morsela
