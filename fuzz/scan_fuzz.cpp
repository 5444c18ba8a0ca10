// Feeds arbitrary bytes to the C and C++ scanner of `vellix extract`: every call and argument must
// name a line that exists, calls must come in the order of their names, and every literal that a
// PO file can hold (valid UTF-8 without NUL) must read back unchanged once the PO writer has written
// it, as a template that the tools read.
#include "code_scanner.h"
#include "po_reader.h"
#include "po_writer.h"
#include "utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Texts : vellix::PoSink {
    std::vector<std::string> ids;
    void message(const vellix::PoMessage &message) override { ids.push_back(message.id); }
    void syntax_error(std::uint64_t, const std::string &) override { std::abort(); }
};

void check_round_trip(const std::string &text) {
    if (text.empty() || text.find('\0') != std::string::npos || !vellix::is_valid_utf8(text)) return;
    vellix::PoMessage message;
    message.has_context = true;
    message.context = "k";
    message.id = text;
    message.translations.assign(1, std::string());
    const std::string po = vellix::po_entry(message);
    Texts back;
    vellix::read_po(po.data(), po.size(), back);
    if (back.ids.size() != 1 || back.ids.front() != text) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view code(reinterpret_cast<const char *>(data), size);
    const std::uint64_t lines = static_cast<std::uint64_t>(std::count(code.begin(), code.end(), '\n')) + 1;
    std::uint64_t previous_line = 0;
    // Short names, so that random bytes hold calls.
    const auto wanted = [](std::string_view name) { return name.size() <= 2; };
    vellix::scan_calls(code, wanted, "T:", [&](const vellix::FoundCall &call) {
        if (call.line == 0 || call.line > lines || call.line < previous_line || !wanted(call.name)) std::abort();
        previous_line = call.line;
        for (const vellix::CallArgument &argument : call.arguments) {
            if (argument.line == 0 || argument.line > lines) std::abort();
            if (argument.is_literal) check_round_trip(std::string(argument.text));
        }
    });
    return 0;
}
