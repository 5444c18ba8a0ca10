#include "source_check.h"

#include "printf_format.h"
#include "source_parser.h"
#include "text_escape.h"

#include <algorithm>
#include <deque>
#include <optional>

namespace vellix {
namespace {

bool is_blank_byte(char c) { return c == ' ' || c == '\t'; }

std::string count_of(std::uint64_t count, const char *unit) {
    return std::to_string(count) + " " + unit + (count == 1 ? "" : "s");
}

// What the first definition of a key says against the reference: the key is extra, or its printf
// arguments differ; nothing when they agree.
std::optional<Finding> compare_with_reference(const std::string &key, const Definition &here, const SourceKeys &reference) {
    const auto there = reference.first_definitions.find(key);
    if (there == reference.first_definitions.end()) return extra_key_finding(key, here.line);
    if (here.no_c_format || there->second.no_c_format) return std::nullopt;
    const PrintfFormat here_format = read_printf_format(here.value);
    const PrintfFormat there_format = read_printf_format(there->second.value);
    if (same_arguments(here_format, there_format)) return std::nullopt;
    Finding mismatch = warning_at(here.line, "the printf conversions of key " + quoted(key) +
                                              " differ from the reference: here " + listed_conversions(here_format) +
                                              ", in the reference " + listed_conversions(there_format));
    mismatch.serious = true;
    mismatch.note = "the reference's value is defined here";
    mismatch.note_line = there->second.line;
    mismatch.note_in_reference = true;
    return mismatch;
}

// A flags comment, as in PO files: "#," and a list such as "no-c-format" or "fuzzy, no-c-format".
bool names_no_c_format(std::string_view comment) {
    if (comment.compare(0, 2, "#,") != 0) return false;
    std::string_view flags = comment.substr(2);
    while (!flags.empty()) {
        const std::size_t comma = flags.find(',');
        std::string_view flag = flags.substr(0, comma);
        while (!flag.empty() && is_blank_byte(flag.front())) flag.remove_prefix(1);
        while (!flag.empty() && is_blank_byte(flag.back())) flag.remove_suffix(1);
        if (flag == "no-c-format") return true;
        if (comma == std::string_view::npos) break;
        flags.remove_prefix(comma + 1);
    }
    return false;
}

// Finds what the parser shows and hands each finding on in line order. A key's own findings (a
// duplicate, no value) come only when its entry ends, lines later, so findings wait until every
// key line before them has ended.
class CheckSink : public SourceSink {
public:
    CheckSink(SourceKeys &keys, const SourceKeys *reference, FindingSink &report)
        : keys_(keys), reference_(reference), report_(report) {}

    bool entry(std::string_view key, std::string_view value, std::uint64_t key_line) override {
        // Entries end in the order of their key lines, lines after later comments were read.
        while (!flagged_keys_.empty() && flagged_keys_.front() < key_line) flagged_keys_.pop_front();
        const bool no_c_format = !flagged_keys_.empty() && flagged_keys_.front() == key_line;
        const auto [first, inserted] =
            keys_.first_definitions.try_emplace(std::string(key), Definition{key_line, std::string(value), no_c_format});
        if (inserted) {
            keys_.keys.emplace_back(key);
            if (reference_) {
                if (std::optional<Finding> finding = compare_with_reference(first->first, first->second, *reference_)) {
                    add(std::move(*finding));
                }
            }
        } else {
            Finding duplicate = warning_at(key_line, "duplicate key " + quoted(key) + ": lookups find only its first definition");
            duplicate.note = "first defined here";
            duplicate.note_line = first->second.line;
            add(std::move(duplicate));
        }
        key_ended();
        return true;
    }

    void dropped_key(std::string_view key, std::uint64_t key_line) override {
        add(warning_at(key_line, "key " + quoted(key) +
                           " has no value line before the next key line or the end of the source, so it is dropped"));
        key_ended();
    }

    void keyless_text(std::uint64_t first_line) override {
        add(warning_at(first_line, "text before the first key line belongs to no key and is dropped"));
    }

    void line(std::uint64_t number, LineKind kind, std::string_view content, std::string_view cut) override {
        last_line_ = number;
        if (kind == LineKind::key) open_keys_.push_back(number);
        if (kind == LineKind::key && number == no_c_format_key_line_) flagged_keys_.push_back(number);
        if (kind == LineKind::comment && names_no_c_format(content)) no_c_format_key_line_ = number + 1;
        check_line(number, kind, content, cut);
        pass_on_certain();
    }

    void nul_byte(std::uint64_t line, std::size_t ignored_bytes) override {
        if (ignored_bytes == 0) return;
        add(warning_at(line, "a NUL byte ends the source here: what follows it (" + count_of(ignored_bytes, "byte") + ") is ignored"));
    }

    void add(Finding finding) {
        // Kept in line order; a finding joins the others of its line after them.
        const auto place = std::upper_bound(held_.begin(), held_.end(), finding.line,
                                            [](std::uint64_t line, const Finding &held) { return line < held.line; });
        held_.insert(place, std::move(finding));
    }

    // Hands on every finding still held, at the end of the source.
    void pass_on_all() {
        for (const Finding &finding : held_) report_.finding(finding);
        held_.clear();
    }

private:
    void key_ended() {
        if (!open_keys_.empty()) open_keys_.pop_front();
        pass_on_certain();
    }

    // Findings before the first key line whose entry has not ended, and before the next line, are final.
    void pass_on_certain() {
        const std::uint64_t bound = open_keys_.empty() ? last_line_ + 1 : open_keys_.front();
        std::size_t certain = 0;
        while (certain < held_.size() && held_[certain].line < bound) report_.finding(held_[certain++]);
        held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(certain));
    }

    void check_line(std::uint64_t number, LineKind kind, std::string_view content, std::string_view cut) {
        if (cut.size() > 1) {
            add(warning_at(number, "a carriage return that is not part of a CR LF line end cuts this line: what follows it (" +
                             count_of(cut.size() - 1, "byte") + ") is ignored"));
        }
        if (kind != LineKind::key && kind != LineKind::value) return;
        const std::size_t text_start = content.find_first_not_of(" \t");
        if (text_start == std::string_view::npos) {
            add(warning_at(number, "the line holds only spaces or tabs: it is a value line, not a blank line"));
            return;
        }
        if (is_blank_byte(content.back())) {
            add(warning_at(number, std::string("the line ends in spaces or tabs, which are part of the ") +
                             (kind == LineKind::key ? "key" : "value")));
        }
        if (kind == LineKind::value && text_start != 0 && (content[text_start] == '-' || content[text_start] == '#')) {
            add(warning_at(number, content[text_start] == '-'
                             ? "the line starts with spaces or tabs before '-': it is a value line, not a key line"
                             : "the line starts with spaces or tabs before '#': it is a value line, not a comment"));
        }
    }

    SourceKeys &keys_;
    const SourceKeys *reference_;
    FindingSink &report_;
    std::vector<Finding> held_;
    std::deque<std::uint64_t> open_keys_;  // key lines whose entry has not ended yet
    std::uint64_t last_line_ = 0;
    std::uint64_t no_c_format_key_line_ = 0;  // the line after a "#, no-c-format" comment
    std::deque<std::uint64_t> flagged_keys_;  // key lines right after such a comment, whose entry has not ended
};

// The mark hides the first line's '-' or '#', whatever follows it.
Finding byte_order_mark_finding(const char *bytes, std::size_t size) {
    const std::string_view rest(bytes + 3, size - 3);
    const std::string_view first_line = rest.substr(0, rest.find_first_of(std::string_view("\r\n\0", 3)));
    std::string text = "the source begins with a UTF-8 byte-order mark, so its first line is never a key line or a comment";
    if (!first_line.empty() && first_line.front() == '-') {
        text += ": the key line for " + quoted(first_line.substr(1)) + " is not recognised and that key is not defined";
    } else if (!first_line.empty() && first_line.front() == '#') {
        text += ": the comment on it is value text";
    }
    return warning_at(1, text);
}

}  // namespace

SourceKeys check_source(const char *bytes, std::size_t size, const SourceKeys *reference, FindingSink &report) {
    SourceKeys keys;
    CheckSink sink{keys, reference, report};
    if (starts_with_byte_order_mark(bytes, size)) sink.add(byte_order_mark_finding(bytes, size));
    parse_source(bytes, size, sink);
    sink.pass_on_all();
    if (!reference) return keys;
    for (const std::string &key : reference->keys) {
        if (keys.first_definitions.count(key)) continue;
        report.finding(missing_key_finding(key, *reference));
    }
    return keys;
}

Finding missing_key_finding(const std::string &key, const SourceKeys &reference) {
    Finding missing = warning_at(0, "key " + quoted(key) + " of the reference is missing");
    missing.serious = true;
    missing.note = "the reference defines it here";
    missing.note_line = reference.first_definitions.at(key).line;
    missing.note_in_reference = true;
    return missing;
}

Finding extra_key_finding(const std::string &key, std::uint64_t line) {
    return warning_at(line, "key " + quoted(key) + " is not in the reference");
}

SourceCheck check_source(const char *bytes, std::size_t size, const SourceKeys *reference) {
    SourceCheck check;
    struct Collector : FindingSink {
        explicit Collector(std::vector<Finding> &findings) : findings_(findings) {}
        void finding(const Finding &finding) override { findings_.push_back(finding); }
        std::vector<Finding> &findings_;
    } collector{check.findings};
    static_cast<SourceKeys &>(check) = check_source(bytes, size, reference, collector);
    return check;
}

}  // namespace vellix
