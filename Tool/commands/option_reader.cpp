#include "option_reader.h"

namespace vellix {
namespace {

class Reader {
public:
    Reader(const Messages &messages, const char *command, const Arguments &words, const std::vector<OptionSpec> &specs,
           CommandLine &line)
        : messages_(messages), command_(command), words_(words), specs_(specs), line_(line) {}

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
    bool next_word_value(const OptionSpec &spec, const std::string &written, std::string &value) {
        if (at_ + 1 == words_.size()) return usage_error(written + " needs " + spec.value_name);
        value = words_[++at_];
        return true;
    }

    bool given(const OptionSpec &spec, std::string value, const std::string &written) {
        if (spec.value_name && value.empty()) return usage_error(written + " needs " + spec.value_name);
        line_.options.push_back(GivenOption{spec.long_name, std::move(value)});
        return true;
    }

    bool long_option(const std::string &word) {
        const std::size_t equals = word.find('=');
        const std::string name = word.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        for (const OptionSpec &spec : specs_) {
            if (name != spec.long_name) continue;
            const std::string written = "--" + name;
            if (equals != std::string::npos) {
                if (!spec.value_name) return usage_error(written + " takes no value");
                return given(spec, word.substr(equals + 1), written);
            }
            std::string value;
            if (spec.value_name && !next_word_value(spec, written, value)) return false;
            return given(spec, value, written);
        }
        return usage_error("unknown option '" + word.substr(0, equals) + "'");
    }

    // "-abc": flags a, b and c; "-oFILE": -o with FILE; "-o FILE": with the next word.
    bool short_options(const std::string &word) {
        for (std::size_t i = 1; i < word.size(); ++i) {
            const OptionSpec *spec = nullptr;
            for (const OptionSpec &candidate : specs_) {
                if (candidate.short_name != '\0' && candidate.short_name == word[i]) spec = &candidate;
            }
            const std::string written = std::string("-") + word[i];
            if (!spec) return usage_error("unknown option '" + (i == 1 ? word : written) + "'");
            if (!spec->value_name) {
                line_.options.push_back(GivenOption{spec->long_name, std::string()});
                continue;
            }
            std::string value = word.substr(i + 1);
            if (value.empty() && !next_word_value(*spec, written, value)) return false;
            return given(*spec, value, written);
        }
        return true;
    }

    const Messages &messages_;
    const char *command_;
    const Arguments &words_;
    const std::vector<OptionSpec> &specs_;
    CommandLine &line_;
    std::size_t at_ = 0;
};

}  // namespace

bool read_command_line(const Messages &messages, const char *command, const Arguments &words,
                       const std::vector<OptionSpec> &specs, CommandLine &line) {
    return Reader{messages, command, words, specs, line}.read();
}

}  // namespace vellix
