#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace morsela {

// How pieces and the rejoin script are named. Every name comes from the source's bare file
// name: its last three characters, whatever they are, give way to the piece number or to
// "bat". The name is not inspected for a dot, so data.tar.gz gives data.tar001.
//
// Characters are those of UTF-8, so that café gives ca001 rather than half a character;
// a byte that is not part of valid UTF-8 counts as one character of its own.

// Names shorter than this have no characters to replace.
inline constexpr std::size_t kReplacedSuffix = 3;

// The length in bytes of all of the name but its last three characters; npos when the name
// has fewer than three characters.
std::size_t keptLength(std::string_view sourceName);

// The last three characters of the name, the part that gives way; empty when there are
// fewer than three.
std::string_view replacedPart(std::string_view sourceName);

// The decimal digits of a piece count, padded with zeros to three: 001 ... 999, 1000, ...
std::string pieceNumberText(std::int64_t pieceCount);

// All of the file name but its last three characters, followed by the piece number text.
std::string pieceName(std::string_view sourceName, std::string_view numberText);

// The rejoin script's name: all of the file name but its last three characters, followed by
// "bat", where that gives a name ending in ".bat" (archive.zip gives archive.bat); else the
// whole file name followed by ".bat" (report.docx gives report.docx.bat), since the command
// interpreter runs only files ending in ".bat" as scripts.
std::string scriptName(std::string_view sourceName);

// The name earlier versions gave every script, by the last-three-characters rule alone
// (report.docx gave report.dbat): a split of the same source may have left one.
std::string ruleScriptName(std::string_view sourceName);

// How many pieces a source of this length gives: at least one, also for an empty source.
std::int64_t piecesFor(std::int64_t sourceLength, std::int64_t pieceSize);

}  // namespace morsela
