// Where a line of a PO string may break, as gettext's tools break them: after spaces, and between
// the characters that the Unicode line breaking classes allow (after a hyphen or a slash before a
// letter, around CJK ideographs, after a closing bracket before an opening one, ...), never where
// the classes forbid it (inside a number, before a closing bracket, around a quotation mark).
#ifndef VELLIX_LINE_BREAKS_H
#define VELLIX_LINE_BREAKS_H

#include <cstdint>

namespace vellix {

// The line breaking classes that matter to the texts of programs, each named as Unicode names it
// (OW: an opening bracket of East Asian width, before which a word may break; QD: the ASCII double
// quote, which gettext's tools break before after punctuation); every other character counts as a
// letter (AL).
enum class BreakClass : std::uint8_t { AL, NU, SP, LF, GL, OP, OW, CL, CP, QU, QD, EX, IS, SY, HY, BA, B2, IN, PR, PO, ID, NS };

BreakClass break_class(std::uint32_t code_point);

// Whether a code point is East Asian wide or full-width: two columns on a terminal, as gettext's tools
// count them when they wrap, and a CJK character for breaking.
bool is_wide(std::uint32_t code_point);

// Whether a line may break between a character of class `before` and one of class `after` right
// after it.
bool may_break_between(BreakClass before, BreakClass after);

// Whether a line may break after a run of spaces that follows a character of class `before`, before
// one of class `after`: mostly yes, but never before what closes or separates, never after what
// opens, and never inside a quoted opening bracket or a run of dashes.
bool may_break_after_spaces(BreakClass before, BreakClass after);

}  // namespace vellix

#endif
