#include "cli/command_words.h"

#include <algorithm>

namespace morsela {
namespace {

// The option as typed, without a value after "=": "--pieces" of "--pieces=3".
std::string optionName(const std::string& word) {
    return word.substr(0, word.find('='));
}

UsageProblem needsValue(const std::string& typed, const std::string& what) {
    return {optionName(typed) + " needs " + what};
}

// Refuses "--quiet=yes": the flag was read from its own word, which holds an "=".
void refuseFlagValue(const CommandWords& words) {
    const std::string word = words.lastRead();
    if (word.starts_with("--") && word.find('=') != std::string::npos) {
        throw UsageProblem{optionName(word) + " takes no value; give it without '" +
                           word.substr(word.find('=')) + "'"};
    }
}

// Refuses a value read from the word after its option when that option ends in "=" or the
// value is "--": the value was left out.
void refuseMissingValue(const std::string& value, const std::string& what,
                        const CommandWords& words) {
    if (words.lastRead() != value) {
        return;  // read from the option's own word: "--pieces=3", "-n3"
    }
    const std::string option = words.lastRead(1);
    if (option.ends_with('=') || value == "--") {
        throw needsValue(option, what);
    }
}

// A flag is judged as it is read, so that the first problem of the line is the one named.
void refusingValues(CLI::Option* flag, const CommandWords& words) {
    flag->check([&words](const std::string&) {
            refuseFlagValue(words);
            return std::string();
        })
        ->trigger_on_parse();
}

}  // namespace

CommandWords::CommandWords(const std::vector<std::string>& words)
    : typed_(words), unread_(words.rbegin(), words.rend()) {}

std::string CommandWords::lastRead(std::size_t before) const {
    const std::size_t read = typed_.size() - std::min(unread_.size(), typed_.size());
    return read > before ? typed_[read - 1 - before] : "";
}

void addFlag(CLI::App& app, const std::string& names, bool& value, const CommandWords& words) {
    refusingValues(app.add_flag(names, value), words);
}

CLI::Option* addValueOption(CLI::App& app, const std::string& names, std::string& value,
                            const std::string& what, const CommandWords& words) {
    return app.add_option(names, value, what)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
        ->check([&words, what](const std::string& given) {
            refuseMissingValue(given, what, words);
            return std::string();
        })
        ->trigger_on_parse();
}

void addHelpAndVersion(CLI::App& app, const std::function<std::string()>& help,
                       const CommandWords& words) {
    app.set_help_flag();  // the program's own help, never CLI11's
    refusingValues(app.add_flag_callback("-h,--help", [help] { throw Answered{help()}; }), words);
    refusingValues(
        app.add_flag_callback(
            "--version", [] { throw Answered{std::string("morsela ") + MORSELA_VERSION + "\n"}; }),
        words);
}

std::optional<UsageProblem> valueMissingAtEnd(const CLI::App& app, const CommandWords& words) {
    if (words.typed().empty()) {
        return std::nullopt;
    }
    const std::string& last = words.typed().back();
    const CLI::Option* option = app.get_option_no_throw(optionName(last));
    if (option == nullptr || option->get_items_expected_max() == 0) {
        return std::nullopt;
    }
    return needsValue(last, option->get_description());
}

}  // namespace morsela
