#include "split/rejoin_script.h"

#include <unistd.h>

#include "split/file_handle.h"
#include "split/split_error.h"

namespace morsela {
namespace {

constexpr std::string_view kCommand = "copy /b ";
constexpr std::string_view kNeedsQuotes = " &()[]{}^=;!'+,~<>|`";

bool isControl(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7f;
}

SplitError notAScript(const std::string& why) {
    return refusal("not a rejoin script: " + why);
}

// Reads one name at `pos` and moves past it: a quoted name up to its closing quote, else
// up to the next "+", blank or line end. "%%" stands for "%".
std::string readWord(std::string_view line, std::size_t& pos) {
    const bool quoted = pos < line.size() && line[pos] == '"';
    if (quoted) {
        ++pos;
    }
    std::string word;
    while (pos < line.size()) {
        const char c = line[pos];
        if (quoted ? c == '"' : (c == '+' || c == ' ' || c == '\r' || c == '\n')) {
            break;
        }
        if (c == '%') {
            if (pos + 1 >= line.size() || line[pos + 1] != '%') {
                throw notAScript("a single \"%\" in a name");
            }
            ++pos;
        } else if (c == '"' || isControl(c)) {
            throw notAScript("a quote or control character in a name");
        }
        word += c;
        ++pos;
    }
    if (quoted) {
        if (pos >= line.size()) {
            throw notAScript("a quoted name without its closing quote");
        }
        ++pos;
    }
    if (word.empty()) {
        throw notAScript("an empty name");
    }
    return word;
}

}  // namespace

bool scriptCanName(std::string_view name) {
    for (char c : name) {
        if (c == '"' || isControl(c)) {
            return false;
        }
    }
    return true;
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

void RejoinLine::appendPiece(std::string_view pieceName) {
    text_ += scriptWord(pieceName);
    text_ += '+';
}

void RejoinLine::finish(std::string_view sourceName) {
    text_.pop_back();  // the "+" after the last piece
    text_ += ' ';
    text_ += scriptWord(sourceName);
}

void writeRejoinScript(const std::string& path, const std::string& line) {
    FileHandle script = createOutput(path);
    try {
        const std::string content = line + "\r\n";
        writeFully(script, content.data(), static_cast<std::int64_t>(content.size()), 0);
        closeOutput(script);
    } catch (const SplitError&) {
        // A script that may be incomplete would claim a split that did not finish.
        script.close();
        ::unlink(path.c_str());
        throw;
    }
}

RejoinCommand parseRejoinScript(std::string_view text) {
    if (text.substr(0, kCommand.size()) != kCommand) {
        throw notAScript("it does not begin with \"copy /b \"");
    }
    RejoinCommand command;
    std::size_t pos = kCommand.size();
    for (;;) {
        command.pieces.push_back(readWord(text, pos));
        if (pos < text.size() && text[pos] == '+') {
            ++pos;
            continue;
        }
        break;
    }
    if (pos >= text.size() || text[pos] != ' ') {
        throw notAScript("no target name after the pieces");
    }
    ++pos;
    command.target = readWord(text, pos);
    const std::string_view rest = text.substr(pos);
    if (!rest.empty() && rest != "\r\n" && rest != "\n") {
        throw notAScript("more than one command line");
    }
    return command;
}

}  // namespace morsela
