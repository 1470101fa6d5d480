#include "tests/support/terminal_screen.h"

#include <algorithm>

namespace morsela::test {

std::string& TerminalScreen::line() {
    while (lines_.size() <= row_) {
        lines_.emplace_back();
        continued_.push_back(false);
    }
    return lines_[row_];
}

void TerminalScreen::put(char c) {
    if (pendingWrap_) {
        ++row_;
        column_ = 0;
        pendingWrap_ = false;
        line();
        continued_[row_] = true;
    }
    std::string& text = line();
    if (text.size() <= static_cast<std::size_t>(column_)) {
        text.resize(static_cast<std::size_t>(column_) + 1, ' ');
    }
    text[static_cast<std::size_t>(column_)] = c;
    if (column_ + 1 == columns_) {
        pendingWrap_ = true;
    } else {
        ++column_;
    }
}

void TerminalScreen::feed(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r') {
            column_ = 0;
            pendingWrap_ = false;
        } else if (c == '\n') {
            ++row_;
            pendingWrap_ = false;
        } else if (c == '\x1b' && i + 1 < bytes.size() && bytes[i + 1] == '[') {
            std::size_t end = i + 2;
            while (end < bytes.size() && (bytes[end] < 0x40 || bytes[end] > 0x7e)) {
                ++end;
            }
            if (end < bytes.size() && (bytes[end] == 'K' || bytes[end] == 'J')) {
                std::string& text = line();
                if (text.size() > static_cast<std::size_t>(column_)) {
                    text.resize(static_cast<std::size_t>(column_));
                }
            }
            if (end < bytes.size() && bytes[end] == 'J') {
                eraseBelow();
            }
            i = end;
        } else if (static_cast<unsigned char>(c) >= 0x20) {
            put(c);
        }
    }
}

void TerminalScreen::eraseBelow() {
    lines_.resize(row_ + 1);
    continued_.resize(row_ + 1);
}

void TerminalScreen::resize(int columns) {
    if (narrower_ == Narrower::Rewraps) {
        rewrap(columns);
    } else {
        for (std::string& text : lines_) {
            text.resize(std::min(text.size(), static_cast<std::size_t>(columns)));
        }
        column_ = std::min(column_, columns - 1);
    }
    columns_ = columns;
}

// Each line sent is laid out again in rows of the new width; the cursor keeps its place in
// its line.
void TerminalScreen::rewrap(int columns) {
    line();
    const auto oldWidth = static_cast<std::size_t>(columns_);
    const auto width = static_cast<std::size_t>(columns);
    std::vector<std::string> rows;
    std::vector<bool> continued;
    std::size_t cursorRow = 0;
    int cursorColumn = 0;
    bool cursorWraps = false;
    for (std::size_t first = 0; first < lines_.size();) {
        std::string text;
        std::size_t cursorAt = std::string::npos;  // the cursor's place in this line
        std::size_t next = first;
        do {
            text.resize((next - first) * oldWidth, ' ');
            text += lines_[next];
            if (row_ == next) {
                cursorAt = (next - first) * oldWidth + static_cast<std::size_t>(column_) +
                           (pendingWrap_ ? 1 : 0);
            }
            ++next;
        } while (next < lines_.size() && continued_[next]);
        if (cursorAt != std::string::npos) {
            text.resize(std::max(text.size(), cursorAt), ' ');
        }
        const std::size_t start = rows.size();
        for (std::size_t at = 0; at == 0 || at < text.size(); at += width) {
            rows.push_back(text.substr(std::min(at, text.size()), width));
            continued.push_back(at > 0);
        }
        if (cursorAt != std::string::npos) {
            // At the end of a full row the cursor waits there to wrap.
            cursorWraps = cursorAt > 0 && cursorAt % width == 0 && cursorAt == text.size();
            cursorRow = start + (cursorWraps ? cursorAt / width - 1 : cursorAt / width);
            cursorColumn = static_cast<int>(cursorWraps ? width - 1 : cursorAt % width);
        }
        first = next;
    }
    lines_ = rows;
    continued_ = continued;
    row_ = cursorRow;
    column_ = cursorColumn;
    pendingWrap_ = cursorWraps;
    line();
}

std::string TerminalScreen::text() const {
    std::vector<std::string> logical;
    for (std::size_t row = 0; row < lines_.size(); ++row) {
        if (continued_[row] && !logical.empty()) {
            logical.back() += lines_[row];
        } else {
            logical.push_back(lines_[row]);
        }
    }
    std::string all;
    std::string pending;  // empty lines, kept until a line with text follows
    for (const std::string& text : logical) {
        const std::size_t end = text.find_last_not_of(' ');
        if (end == std::string::npos) {
            pending += "\n";
            continue;
        }
        all += pending + text.substr(0, end + 1) + "\n";
        pending.clear();
    }
    return all;
}

}  // namespace morsela::test
