#include "engine/script/script_parser.h"

#include <algorithm>
#include <cctype>

#include "engine/error.h"
#include "engine/script/script_words.h"

namespace morsela {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// The interpreter reads 8191 characters of a line; in UTF-8 a character takes up to four
// bytes. A longer line would not run as a script, and could take any memory.
constexpr std::size_t kLongestLine = 4 * 8191;

[[noreturn]] void refuse(std::size_t lineNumber, const std::string& why) {
    throw Error::refused("",
                         "not a rejoin script: line " + std::to_string(lineNumber) + ": " + why);
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

// Reads the words of one "copy /b" line from left to right.
class CopyLine {
  public:
    CopyLine(std::string_view text, std::size_t lineNumber)
        : text_(text), lineNumber_(lineNumber) {}

    // "copy /b p1+p2+... T": the sources and then the target.
    std::pair<std::vector<std::string>, std::string> read() {
        pos_ = 4;  // past "copy"
        skipBlanks(text_, pos_);
        if (!sameName(text_.substr(pos_, 2), "/b") ||
            (pos_ + 2 < text_.size() && !isBlank(text_[pos_ + 2]))) {
            refuse(lineNumber_, "a copy without /b");
        }
        pos_ += 2;
        skipBlanks(text_, pos_);
        std::vector<std::string> sources{name()};
        for (skipBlanks(text_, pos_); pos_ < text_.size() && text_[pos_] == '+';
             skipBlanks(text_, pos_)) {
            ++pos_;
            skipBlanks(text_, pos_);
            sources.push_back(name());
        }
        if (pos_ >= text_.size()) {
            refuse(lineNumber_, "no target name after the pieces");
        }
        std::string target = name();
        skipBlanks(text_, pos_);
        if (pos_ < text_.size()) {
            refuse(lineNumber_, "more than one target");
        }
        return {std::move(sources), std::move(target)};
    }

  private:
    // One name, moving past it: a quoted name up to its closing quote, else up to the next
    // "+", blank or the end. "%%" stands for "%".
    std::string name() {
        const bool quoted = pos_ < text_.size() && text_[pos_] == '"';
        pos_ += quoted ? 1 : 0;
        std::string name;
        for (; pos_ < text_.size(); ++pos_) {
            const char c = text_[pos_];
            if (quoted ? c == '"' : (c == '+' || isBlank(c))) {
                break;
            }
            checkCharacter(c, quoted);
            name += c;
        }
        if (quoted && pos_++ >= text_.size()) {
            refuse(lineNumber_, "a quoted name without its closing quote");
        }
        if (name.empty()) {
            refuse(lineNumber_, "an empty name");
        }
        return name;
    }

    void checkCharacter(char c, bool quoted) {
        if (c == '%') {
            if (pos_ + 1 >= text_.size() || text_[pos_ + 1] != '%') {
                refuse(lineNumber_, "a single \"%\" in a name");
            }
            ++pos_;
        } else if (c == '"' || isControlCharacter(c)) {
            refuse(lineNumber_, "a quote or control character in a name");
        } else if (!quoted && kCommandCharacters.find(c) != std::string_view::npos) {
            refuse(lineNumber_,
                   std::string("an unquoted \"") + c + "\", which the interpreter would misread");
        }
    }

    std::string_view text_;
    std::size_t lineNumber_;
    std::size_t pos_ = 0;
};

}  // namespace

RejoinParser::RejoinParser(PieceVisitor piece) : piece_(std::move(piece)) {}

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
            refuse(lineNumber_ + 1, "longer than the command interpreter reads");
        }
        pending_ += c;
    }
}

std::string RejoinParser::finish() {
    if (!pending_.empty()) {
        line(pending_);
        pending_.clear();
    }
    if (!copied_) {
        throw Error::refused("", "not a rejoin script: it has no \"copy /b\" line");
    }
    return target_;
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
        refuse(lineNumber_, "\"" + std::string(text.substr(0, 60)) + "\" is no part of one");
    }
}

// "copy /b p1+p2+... T" first; then any number of "copy /b T+p3+... T" that append to T.
void RejoinParser::copyLine(std::string_view text) {
    const auto [sources, target] = CopyLine(text, lineNumber_).read();
    std::size_t first = 1;  // past the target that the line appends to
    if (!copied_) {
        target_ = target;
        copied_ = true;
        first = 0;
    } else if (!sameName(target, target_) || !sameName(sources.front(), target_) ||
               sources.size() < 2) {
        refuse(lineNumber_, "a second target; a rejoin script makes one file");
    }
    for (std::size_t i = first; i < sources.size(); ++i) {
        piece_(sources[i], target_);
    }
}

RejoinCommand parseRejoinScript(std::string_view text) {
    RejoinCommand command;
    RejoinParser parser(
        [&](const std::string& piece, const std::string&) { command.pieces.push_back(piece); });
    parser.feed(text);
    command.target = parser.finish();
    return command;
}

std::string readRejoinScript(const FileHandle& file, const RejoinParser::PieceVisitor& piece) {
    RejoinParser parser(piece);
    try {
        char buffer[65536];
        for (std::int64_t offset = 0, n; (n = readAt(file, buffer, sizeof buffer, offset)) > 0;
             offset += n) {
            parser.feed(std::string_view(buffer, static_cast<std::size_t>(n)));
        }
        return parser.finish();
    } catch (const Error& error) {
        if (!error.path().empty()) {
            throw;
        }
        throw Error::refused(file.path(), error.reason());
    }
}

}  // namespace morsela
