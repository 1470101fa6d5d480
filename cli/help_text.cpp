#include "cli/help_text.h"

#include <algorithm>
#include <string_view>

namespace morsela {

std::string usageText(std::initializer_list<const char*> synopses) {
    std::string text;
    for (const std::string_view lines : synopses) {
        for (std::size_t start = 0, end; start < lines.size(); start = end + 1) {
            end = std::min(lines.find('\n', start), lines.size());
            text += text.empty() ? "Usage: " : "  or:  ";
            text += lines.substr(start, end - start);
            text += '\n';
        }
    }
    return text;
}

std::string helpAndVersion(int column) {
    const auto line = [&](const std::string& option, const char* what) {
        const std::size_t width = static_cast<std::size_t>(column);
        return option + std::string(width > option.size() ? width - option.size() : 1, ' ') + what +
               "\n";
    };
    return line("      --help", "show this help and exit") +
           line("      --version", "show the version and exit");
}

}  // namespace morsela
