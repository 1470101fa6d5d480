#include "tests/support/terminal_screen.h"

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
            if (end < bytes.size() && bytes[end] == 'K') {
                std::string& text = line();
                if (text.size() > static_cast<std::size_t>(column_)) {
                    text.resize(static_cast<std::size_t>(column_));
                }
            }
            i = end;
        } else if (static_cast<unsigned char>(c) >= 0x20) {
            put(c);
        }
    }
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
