#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace morsela::test {

// What a terminal of `columns` shows after it was sent some output: enough of a terminal to
// see what a program leaves on it. It knows "\r", "\n" (a pseudo-terminal sends "\r\n"),
// erasing to the end of the line ("\e[K") and the wrap to the next line after the last
// column; other control characters and escape sequences are skipped. Each byte takes one
// column.
class TerminalScreen {
  public:
    explicit TerminalScreen(int columns) : columns_(columns) {}

    void feed(std::string_view bytes);
    // The lines shown, each ended by "\n" and without blanks at its end, and without empty
    // lines at the end. A line that went past the last column and on in the next row is one
    // line here, as it was sent.
    std::string text() const;

  private:
    void put(char c);
    std::string& line();

    int columns_;
    std::vector<std::string> lines_{""};
    std::vector<bool> continued_{false};  // the row goes on from the row above
    std::size_t row_ = 0;
    int column_ = 0;
    bool pendingWrap_ = false;
};

}  // namespace morsela::test
