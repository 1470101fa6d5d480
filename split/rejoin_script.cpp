#include "split/rejoin_script.h"

#include <algorithm>
#include <cctype>

#include "split/split_error.h"

namespace morsela {
namespace {

constexpr std::string_view kCommand = "copy /b ";
constexpr std::string_view kNeedsQuotes = " &()[]{}^=;!'+,~<>|`";
// Characters that Windows file names cannot hold, and copy's wildcards.
constexpr std::string_view kNotInWindowsNames = "*?\\/:<>|";
// Characters that end or change a command when they stand unquoted in a line.
constexpr std::string_view kCommandCharacters = "&|<>^()";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// Far above the longest line any split wrote; a longer one is no rejoin script.
constexpr std::size_t kLongestLine = 64 * 1024 * 1024;

bool isControl(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7f;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool sameName(std::string_view a, std::string_view b) {
    return foldCase(a) == foldCase(b);
}

void skipBlanks(std::string_view text, std::size_t& pos) {
    while (pos < text.size() && isBlank(text[pos])) {
        ++pos;
    }
}

// A line as the interpreter sees its command: leading blanks and one "@" dropped.
std::string_view commandOf(std::string_view text) {
    std::size_t pos = 0;
    skipBlanks(text, pos);
    if (pos < text.size() && text[pos] == '@') {
        ++pos;
        skipBlanks(text, pos);
    }
    return text.substr(pos);
}

// True when `text` starts with the word `word` (in any case), followed by a blank or the end.
bool startsWithWord(std::string_view text, std::string_view word) {
    return text.size() >= word.size() && sameName(text.substr(0, word.size()), word) &&
           (text.size() == word.size() || isBlank(text[word.size()]));
}

bool onlyBlanks(std::string_view text) {
    return std::all_of(text.begin(), text.end(), isBlank);
}

// "chcp 65001", "chcp 850>nul", "chcp 1252 > NUL": a change of code page, shown or not.
bool isCodePageLine(std::string_view command) {
    if (!startsWithWord(command, "chcp")) {
        return false;
    }
    std::size_t pos = 4;
    skipBlanks(command, pos);
    const std::size_t digits = pos;
    while (pos < command.size() && std::isdigit(static_cast<unsigned char>(command[pos]))) {
        ++pos;
    }
    if (pos == digits) {
        return false;
    }
    skipBlanks(command, pos);
    if (pos < command.size() && command[pos] == '>') {
        ++pos;
        skipBlanks(command, pos);
        if (!sameName(command.substr(pos, 3), "nul")) {
            return false;
        }
        pos += 3;
    }
    return onlyBlanks(command.substr(pos));
}

// A line that changes nothing on disk: comments, echo without redirection, pause, chcp.
bool isHarmless(std::string_view command) {
    if (command.empty() || command.substr(0, 2) == "::" || startsWithWord(command, "rem") ||
        isCodePageLine(command)) {
        return true;
    }
    if (startsWithWord(command, "pause")) {
        return onlyBlanks(command.substr(5));
    }
    if (startsWithWord(command, "echo") || sameName(command.substr(0, 5), "echo.")) {
        return command.find_first_of(kCommandCharacters) == std::string_view::npos;
    }
    return false;
}

}  // namespace

std::string foldCase(std::string_view name) {
    std::string result(name);
    for (char& c : result) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return result;
}

std::string unscriptableReason(std::string_view name) {
    for (char c : name) {
        if (c == '"' || isControl(c)) {
            return "the file name holds a quote or control character, which no rejoin script "
                   "can carry; rename the file without it";
        }
        if (kNotInWindowsNames.find(c) != std::string_view::npos) {
            return std::string("the file name holds \"") + c +
                   "\", which a Windows file name cannot hold or copy reads as a wildcard; "
                   "rename the file without it";
        }
    }
    return "";
}

bool scriptCanName(std::string_view name) {
    return unscriptableReason(name).empty();
}

std::string scriptWord(std::string_view name) {
    std::string word;
    bool quote = false;
    for (char c : name) {
        quote = quote || kNeedsQuotes.find(c) != std::string_view::npos;
        word += c;
        if (c == '%') {
            word += '%';
        }
    }
    return quote ? '"' + word + '"' : word;
}

RejoinLines::RejoinLines(std::string_view sourceName, std::function<void(std::string_view)> put)
    : target_(scriptWord(sourceName)), line_(kCommand), put_(std::move(put)) {
    // Piece names are made of the source's name, so it alone decides the code page.
    const bool beyondAscii = std::any_of(sourceName.begin(), sourceName.end(), [](char c) {
        return static_cast<unsigned char>(c) > 127;
    });
    if (beyondAscii) {
        put_(kUtf8Line);
    }
}

void RejoinLines::appendPiece(std::string_view pieceName) {
    const std::string word = scriptWord(pieceName);
    // Room for "+word" and then " target" at the end of the line.
    if (hasPiece_ && line_.size() + 1 + word.size() + 1 + target_.size() > kLineMax) {
        put_(line_ + " " + target_ + "\r\n");
        line_ = std::string(kCommand) + target_;  // appends to what the lines so far made
    }
    if (line_.size() > kCommand.size()) {
        line_ += '+';
    }
    line_ += word;
    hasPiece_ = true;
}

void RejoinLines::finish() {
    put_(line_ + " " + target_ + "\r\n");
}

void RejoinParser::feed(std::string_view bytes) {
    for (const char c : bytes) {
        if (c == '\n' && afterCarriageReturn_) {
            afterCarriageReturn_ = false;  // the second half of CR LF
            continue;
        }
        afterCarriageReturn_ = c == '\r';
        if (c == '\r' || c == '\n') {
            line(pending_);
            pending_.clear();
            continue;
        }
        if (pending_.size() >= kLongestLine) {
            throw refusal("not a rejoin script: line " + std::to_string(lineNumber_ + 1) +
                          " is too long");
        }
        pending_ += c;
    }
}

RejoinCommand RejoinParser::finish() {
    if (!pending_.empty()) {
        line(pending_);
        pending_.clear();
    }
    if (!copied_) {
        throw refusal("not a rejoin script: it has no \"copy /b\" line");
    }
    return command_;
}

void RejoinParser::line(std::string_view text) {
    ++lineNumber_;
    if (lineNumber_ == 1 && text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        text.remove_prefix(kByteOrderMark.size());
    }
    const std::string_view command = commandOf(text);
    if (startsWithWord(command, "copy")) {
        copyLine(command);
    } else if (!isHarmless(command)) {
        throw refusal("not a rejoin script: line " + std::to_string(lineNumber_) + ", \"" +
                      std::string(text.substr(0, 60)) + "\", is no part of one");
    }
}

// "copy /b p1+p2+... T" first; then any number of "copy /b T+p3+... T" that append to T.
void RejoinParser::copyLine(std::string_view text) {
    const std::string where = "line " + std::to_string(lineNumber_) + ": ";
    auto refuse = [&](const std::string& why) {
        throw refusal("not a rejoin script: " + where + why);
    };
    std::size_t pos = 4;
    skipBlanks(text, pos);
    if (!sameName(text.substr(pos, 2), "/b") ||
        (pos + 2 < text.size() && !isBlank(text[pos + 2]))) {
        refuse("a copy without /b");
    }
    pos += 2;
    skipBlanks(text, pos);

    // Reads one name at `pos` and moves past it: a quoted name up to its closing quote, else
    // up to the next "+", blank or the end. "%%" stands for "%".
    auto readName = [&]() {
        const bool quoted = pos < text.size() && text[pos] == '"';
        if (quoted) {
            ++pos;
        }
        std::string name;
        while (pos < text.size()) {
            const char c = text[pos];
            if (quoted ? c == '"' : (c == '+' || isBlank(c))) {
                break;
            }
            if (c == '%') {
                if (pos + 1 >= text.size() || text[pos + 1] != '%') {
                    refuse("a single \"%\" in a name");
                }
                ++pos;
            } else if (c == '"' || isControl(c)) {
                refuse("a quote or control character in a name");
            } else if (!quoted && kCommandCharacters.find(c) != std::string_view::npos) {
                refuse(std::string("an unquoted \"") + c +
                       "\", which the interpreter would misread");
            }
            name += c;
            ++pos;
        }
        if (quoted) {
            if (pos >= text.size()) {
                refuse("a quoted name without its closing quote");
            }
            ++pos;
        }
        if (name.empty()) {
            refuse("an empty name");
        }
        return name;
    };

    std::vector<std::string> sources{readName()};
    for (;;) {
        skipBlanks(text, pos);
        if (pos < text.size() && text[pos] == '+') {
            ++pos;
            skipBlanks(text, pos);
            sources.push_back(readName());
            continue;
        }
        break;
    }
    if (pos >= text.size()) {
        refuse("no target name after the pieces");
    }
    std::string target = readName();
    skipBlanks(text, pos);
    if (pos < text.size()) {
        refuse("more than one target");
    }

    if (!copied_) {
        command_.target = std::move(target);
        copied_ = true;
        command_.pieces = std::move(sources);
        return;
    }
    if (!sameName(target, command_.target) || !sameName(sources.front(), command_.target) ||
        sources.size() < 2) {
        refuse("a second target; a rejoin script makes one file");
    }
    command_.pieces.insert(command_.pieces.end(), std::make_move_iterator(sources.begin() + 1),
                           std::make_move_iterator(sources.end()));
}

RejoinCommand parseRejoinScript(std::string_view text) {
    RejoinParser parser;
    parser.feed(text);
    return parser.finish();
}

}  // namespace morsela
