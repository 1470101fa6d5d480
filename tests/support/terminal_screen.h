#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace morsela::test {

// What a terminal of `columns` shows after it was sent some output: enough of a terminal to
// see what a program leaves on it. It knows "\r", "\n" (a pseudo-terminal sends "\r\n"),
// erasing to the end of the line ("\e[K") and of the screen ("\e[J") and the wrap to the
// next line after the last column; other control characters and escape sequences are
// skipped. Each byte takes one column.
class TerminalScreen {
  public:
    // How a terminal made narrower treats a line longer than its new width: tmux, VTE and
    // most terminals of today wrap it into more rows and keep the cursor at the same place
    // in the line; xterm and the Linux console cut it, and the cursor stays on its row.
    enum class Narrower { Rewraps, Cuts };
    explicit TerminalScreen(int columns, Narrower narrower = Narrower::Rewraps)
        : columns_(columns), narrower_(narrower) {}

    void feed(std::string_view bytes);
    // The terminal is made `columns` wide.
    void resize(int columns);
    // The lines shown, each ended by "\n" and without blanks at its end, and without empty
    // lines at the end. A line that went past the last column and on in the next row is one
    // line here, as it was sent.
    std::string text() const;

  private:
    void put(char c);
    std::string& line();
    void eraseBelow();
    void rewrap(int columns);

    int columns_;
    Narrower narrower_;
    std::vector<std::string> lines_{""};
    std::vector<bool> continued_{false};  // the row goes on from the row above
    std::size_t row_ = 0;
    int column_ = 0;
    bool pendingWrap_ = false;
};

}  // namespace morsela::test
