#include "option_reader.h"

namespace vellix {
namespace {

class Reader {
public:
    Reader(const Messages &messages, const char *command, const Arguments &words,
           const std::vector<KnownOption> &known_options, CommandLine &line)
        : messages_(messages), command_(command), words_(words), known_options_(known_options), line_(line) {}

    bool read() {
        bool options_ended = false;
        for (at_ = 0; at_ < words_.size(); ++at_) {
            const std::string &word = words_[at_];
            if (options_ended || word.size() < 2 || word[0] != '-') {
                line_.operands.push_back(word);
            } else if (word == "--") {
                options_ended = true;
            } else if (word[1] == '-') {
                if (!long_option(word)) return false;
            } else if (!short_options(word)) {
                return false;
            }
        }
        return true;
    }

private:
    bool usage_error(const std::string &problem) const {
        messages_.usage_error(std::string(command_) + ": " + problem);
        return false;
    }

    // The value of an option whose value is the next word; false when there is none.
    bool next_word_value(const KnownOption &known, const std::string &written, std::string &value) {
        if (at_ + 1 == words_.size()) return usage_error(written + " needs " + known.value_name);
        value = words_[++at_];
        return true;
    }

    bool given(const KnownOption &known, std::string value, const std::string &written) {
        if (known.value_name && value.empty()) return usage_error(written + " needs " + known.value_name);
        line_.options.push_back(GivenOption{known.long_name, std::move(value)});
        return true;
    }

    bool long_option(const std::string &word) {
        const std::size_t equals = word.find('=');
        const std::string name = word.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        for (const KnownOption &known : known_options_) {
            if (name != known.long_name) continue;
            const std::string written = "--" + name;
            if (equals != std::string::npos) {
                if (!known.value_name) return usage_error(written + " takes no value");
                return given(known, word.substr(equals + 1), written);
            }
            std::string value;
            if (known.value_name && !next_word_value(known, written, value)) return false;
            return given(known, value, written);
        }
        return usage_error("unknown option '" + word.substr(0, equals) + "'");
    }

    // "-abc": flags a, b and c; "-oFILE": -o with FILE; "-o FILE": with the next word.
    bool short_options(const std::string &word) {
        for (std::size_t i = 1; i < word.size(); ++i) {
            const KnownOption *known = nullptr;
            for (const KnownOption &candidate : known_options_) {
                if (candidate.short_name != '\0' && candidate.short_name == word[i]) known = &candidate;
            }
            const std::string written = std::string("-") + word[i];
            if (!known) return usage_error("unknown option '" + (i == 1 ? word : written) + "'");
            if (!known->value_name) {
                line_.options.push_back(GivenOption{known->long_name, std::string()});
                continue;
            }
            std::string value = word.substr(i + 1);
            if (value.empty() && !next_word_value(*known, written, value)) return false;
            return given(*known, value, written);
        }
        return true;
    }

    const Messages &messages_;
    const char *command_;
    const Arguments &words_;
    const std::vector<KnownOption> &known_options_;
    CommandLine &line_;
    std::size_t at_ = 0;
};

}  // namespace

bool read_command_line(const Messages &messages, const char *command, const Arguments &words,
                       const std::vector<KnownOption> &known_options, CommandLine &line) {
    return Reader{messages, command, words, known_options, line}.read();
}

}  // namespace vellix
