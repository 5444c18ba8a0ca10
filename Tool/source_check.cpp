#include "source_check.h"

#include "printf_format.h"
#include "source_parser.h"
#include "text_escape.h"

#include <algorithm>
#include <limits>

namespace vellix {
namespace {

bool is_blank_byte(char c) { return c == ' ' || c == '\t'; }

std::string count_of(std::uint64_t count, const char *unit) {
    return std::to_string(count) + " " + unit + (count == 1 ? "" : "s");
}

Finding warning(std::uint64_t line, std::string text) {
    Finding finding;
    finding.line = line;
    finding.text = std::move(text);
    return finding;
}

class CheckSink : public SourceSink {
public:
    explicit CheckSink(SourceCheck &check) : check_(check) {}

    bool entry(std::string_view key, std::string_view value, std::uint64_t key_line) override {
        const auto [first, inserted] = check_.first_definitions.try_emplace(std::string(key), Definition{key_line, std::string(value)});
        if (inserted) {
            check_.keys.emplace_back(key);
        } else {
            Finding duplicate = warning(key_line, "duplicate key " + quoted(key) + ": lookups find only its first definition");
            duplicate.note = "first defined here";
            duplicate.note_line = first->second.line;
            add(std::move(duplicate));
        }
        return true;
    }

    void dropped_key(std::string_view key, std::uint64_t key_line) override {
        add(warning(key_line, "key " + quoted(key) +
                           " has no value line before the next key line or the end of the source, so it is dropped"));
    }

    void keyless_text(std::uint64_t first_line) override {
        add(warning(first_line, "text before the first key line belongs to no key and is dropped"));
    }

    void line(std::uint64_t number, LineKind kind, std::string_view content, std::string_view cut) override {
        if (cut.size() > 1) {
            add(warning(number, "a carriage return that is not part of a CR LF line end cuts this line: what follows it (" +
                             count_of(cut.size() - 1, "byte") + ") is ignored"));
        }
        if (kind != LineKind::key && kind != LineKind::value) return;
        const std::size_t text_start = content.find_first_not_of(" \t");
        if (text_start == std::string_view::npos) {
            add(warning(number, "the line holds only spaces or tabs: it is a value line, not a blank line"));
            return;
        }
        if (is_blank_byte(content.back())) {
            add(warning(number, std::string("the line ends in spaces or tabs, which are part of the ") +
                             (kind == LineKind::key ? "key" : "value")));
        }
        if (kind == LineKind::value && text_start != 0 && (content[text_start] == '-' || content[text_start] == '#')) {
            add(warning(number, content[text_start] == '-'
                             ? "the line starts with spaces or tabs before '-': it is a value line, not a key line"
                             : "the line starts with spaces or tabs before '#': it is a value line, not a comment"));
        }
    }

    void nul_byte(std::uint64_t line, std::size_t ignored_bytes) override {
        if (ignored_bytes == 0) return;
        add(warning(line, "a NUL byte ends the source here: what follows it (" + count_of(ignored_bytes, "byte") + ") is ignored"));
    }

private:
    void add(Finding finding) { check_.findings.push_back(std::move(finding)); }

    SourceCheck &check_;
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
    return warning(1, text);
}

std::string listed(const std::vector<std::string> &conversions) {
    if (conversions.empty()) return "none";
    std::string text;
    for (const std::string &conversion : conversions) {
        if (!text.empty()) text += ' ';
        text += escape_bytes(conversion, false);
    }
    return text;
}

// Line order, stable; findings about the whole file come last.
void sort_by_line(std::vector<Finding> &findings) {
    std::stable_sort(findings.begin(), findings.end(), [](const Finding &a, const Finding &b) {
        const auto order = [](const Finding &f) { return f.line ? f.line : std::numeric_limits<std::uint64_t>::max(); };
        return order(a) < order(b);
    });
}

}  // namespace

std::string quoted(std::string_view key) { return "'" + escape_bytes(key, false) + "'"; }

SourceCheck check_source(const char *bytes, std::size_t size) {
    SourceCheck check;
    if (starts_with_byte_order_mark(bytes, size)) check.findings.push_back(byte_order_mark_finding(bytes, size));
    CheckSink sink{check};
    parse_source(bytes, size, sink);
    sort_by_line(check.findings);
    return check;
}

void check_against(SourceCheck &source, const SourceCheck &reference) {
    for (const std::string &key : source.keys) {
        const Definition &here = source.first_definitions.at(key);
        const auto there = reference.first_definitions.find(key);
        if (there == reference.first_definitions.end()) {
            source.findings.push_back(warning(here.line, "key " + quoted(key) + " is not in the reference"));
            continue;
        }
        const PrintfFormat here_format = read_printf_format(here.value);
        const PrintfFormat there_format = read_printf_format(there->second.value);
        if (same_arguments(here_format, there_format)) continue;
        Finding mismatch = warning(here.line, "the printf conversions of key " + quoted(key) +
                                                  " differ from the reference: here " + listed(here_format.conversions) +
                                                  ", in the reference " + listed(there_format.conversions));
        mismatch.serious = true;
        mismatch.note = "the reference's value is defined here";
        mismatch.note_line = there->second.line;
        mismatch.note_in_reference = true;
        source.findings.push_back(std::move(mismatch));
    }
    for (const std::string &key : reference.keys) {
        if (source.first_definitions.count(key)) continue;
        Finding missing = warning(0, "key " + quoted(key) + " of the reference is missing");
        missing.serious = true;
        missing.note = "the reference defines it here";
        missing.note_line = reference.first_definitions.at(key).line;
        missing.note_in_reference = true;
        source.findings.push_back(std::move(missing));
    }
    sort_by_line(source.findings);
}

}  // namespace vellix
