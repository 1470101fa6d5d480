#pragma once

#include <string>
#include <string_view>

namespace morsela {

// How names stand in a rejoin script for the Windows command interpreter, and which names
// it can carry at all.

// A name as Windows and its file systems compare names: without regard to letter case, of
// any letter Unicode gives an upper case (é and É are one).
std::string foldCase(std::string_view name);

// Why no rejoin script can name this file, or "" when one can: a quote or a control
// character, which no script line can carry; a character that Windows file names cannot
// hold or that copy reads as a wildcard (* ? \ / : < > |); a name Windows takes for a device
// (CON, PRN, AUX, NUL, COM1-9, LPT1-9 before the first dot, in any case); or a dot or blank
// at the end, which Windows drops.
std::string unscriptableReason(std::string_view name);

// A name as it stands in the script line: as it is for ordinary names; in double quotes when
// the command interpreter would misread it (blanks, &()[]{}^=;!'+,~<>| or a backquote); and
// with every "%" doubled.
std::string scriptWord(std::string_view name);

// Characters that end or change a command when they stand unquoted in a line.
inline constexpr std::string_view kCommandCharacters = "&|<>^()";

bool isControlCharacter(char c);

}  // namespace morsela
