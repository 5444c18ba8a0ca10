#include "line_breaks.h"

#include <initializer_list>

namespace vellix {
namespace {

BreakClass ascii_class(char c) {
    if (c >= '0' && c <= '9') return BreakClass::NU;
    switch (c) {
    case ' ': return BreakClass::SP;
    case '\n': return BreakClass::LF;
    case '|': return BreakClass::BA;
    case '(': case '[': case '{': return BreakClass::OP;
    case '}': return BreakClass::CL;
    case ')': case ']': return BreakClass::CP;
    case '"': return BreakClass::QD;
    case '\'': return BreakClass::QU;
    case '!': case '?': return BreakClass::EX;
    case ',': case '.': case ':': case ';': return BreakClass::IS;
    case '/': return BreakClass::SY;
    case '-': return BreakClass::HY;
    case '$': case '+': case '\\': return BreakClass::PR;
    case '%': return BreakClass::PO;
    default: return BreakClass::AL;
    }
}

// CJK punctuation among the wide characters: brackets and stops that cling to their neighbours.
BreakClass cjk_class(std::uint32_t code_point) {
    switch (code_point) {
    case 0x3008: case 0x300A: case 0x300C: case 0x300E: case 0x3010: case 0x3014: case 0xFF08: case 0xFF3B: case 0xFF5B:
        return BreakClass::OW;
    case 0x3001: case 0x3002: case 0x3009: case 0x300B: case 0x300D: case 0x300F: case 0x3011: case 0x3015: case 0xFF09:
    case 0xFF0C: case 0xFF0E: case 0xFF3D: case 0xFF5D:
        return BreakClass::CL;
    case 0xFF01: case 0xFF1F: return BreakClass::EX;
    case 0xFF1A: case 0xFF1B: case 0x30FC: case 0x309D: case 0x309E: case 0x30FD: case 0x30FE: return BreakClass::NS;
    default: break;
    }
    // Small kana cling to what comes before them.
    const bool small_kana = (code_point >= 0x3041 && code_point <= 0x3049 && code_point % 2 == 1) ||
                            (code_point >= 0x30A1 && code_point <= 0x30A9 && code_point % 2 == 1) || code_point == 0x3063 ||
                            code_point == 0x3083 || code_point == 0x3085 || code_point == 0x3087 || code_point == 0x30C3 ||
                            code_point == 0x30E3 || code_point == 0x30E5 || code_point == 0x30E7;
    return small_kana ? BreakClass::NS : BreakClass::ID;
}


bool is_one_of(BreakClass value, std::initializer_list<BreakClass> classes) {
    for (const BreakClass candidate : classes) {
        if (value == candidate) return true;
    }
    return false;
}

}  // namespace

bool is_wide(std::uint32_t code_point) {
    return (code_point >= 0x1100 && code_point <= 0x115F) || (code_point >= 0x2E80 && code_point <= 0xA4CF) ||
           (code_point >= 0xAC00 && code_point <= 0xD7A3) || (code_point >= 0xF900 && code_point <= 0xFAFF) ||
           (code_point >= 0xFE30 && code_point <= 0xFE4F) || (code_point >= 0xFF00 && code_point <= 0xFF60) ||
           (code_point >= 0xFFE0 && code_point <= 0xFFE6) || (code_point >= 0x20000 && code_point <= 0x3FFFD);
}

BreakClass break_class(std::uint32_t code_point) {
    if (code_point < 0x80) return ascii_class(static_cast<char>(code_point));
    switch (code_point) {
    case 0x00A0: case 0x2007: case 0x202F: return BreakClass::GL;  // no-break spaces
    case 0x00A1: case 0x00BF: return BreakClass::OP;               // ¡ ¿
    case 0x00AB: case 0x00BB: case 0x2018: case 0x2019: case 0x201C: case 0x201D: case 0x2039: case 0x203A:
        return BreakClass::QU;
    case 0x00B0: case 0x2030: case 0x2032: case 0x2033: case 0x00A2: return BreakClass::PO;
    case 0x00A3: case 0x00A5: case 0x20AC: case 0x00B1: return BreakClass::PR;
    case 0x2010: case 0x2012: case 0x2013: return BreakClass::BA;
    case 0x2014: return BreakClass::B2;
    case 0x2024: case 0x2025: case 0x2026: return BreakClass::IN;
    default: break;
    }
    return is_wide(code_point) ? cjk_class(code_point) : BreakClass::AL;
}

bool may_break_between(BreakClass before, BreakClass after) {
    using C = BreakClass;
    // Never before what closes, ends or joins, never after what opens or glues, never around quotes.
    if (is_one_of(after, {C::SP, C::LF, C::CL, C::CP, C::EX, C::IS, C::SY, C::NS, C::BA, C::HY, C::IN, C::GL, C::QU})) return false;
    if (is_one_of(before, {C::OP, C::OW, C::GL, C::QU, C::QD})) return false;
    if (after == C::QD) return is_one_of(before, {C::IS, C::HY, C::BA, C::B2, C::IN, C::EX, C::SY, C::ID, C::NS, C::PO, C::PR});
    if (before == C::B2 || after == C::B2) return !(before == C::B2 && after == C::B2);
    // A prefix or postfix sign stays with its number or word; ideographs break around them otherwise.
    if (before == C::PR) return !is_one_of(after, {C::AL, C::NU, C::OP, C::OW, C::ID, C::NS});
    if (after == C::PR) return !is_one_of(before, {C::AL, C::NU, C::CP, C::CL});
    if (after == C::PO) return !is_one_of(before, {C::AL, C::NU, C::ID, C::CP, C::CL});
    if (before == C::PO) return !is_one_of(after, {C::AL, C::NU, C::OP, C::OW});
    if (before == C::ID || before == C::NS || after == C::ID) return true;
    // Numbers keep their separators: no break in "1.5", "1,000", "3-4" or "1/2".
    if (after == C::NU) return !is_one_of(before, {C::AL, C::NU, C::IS, C::SY, C::HY, C::CP});
    // Words keep their brackets: "f(x)" and "(x)y" stay whole; a wide bracket may begin a line.
    if (after == C::OP) return !is_one_of(before, {C::AL, C::NU});
    if (after == C::OW) return true;
    if (before == C::CP) return false;  // before a letter (a number was decided above)
    return is_one_of(before, {C::EX, C::IS, C::SY, C::HY, C::BA, C::CL, C::IN});
}

bool may_break_after_spaces(BreakClass before, BreakClass after) {
    using C = BreakClass;
    if (is_one_of(after, {C::SP, C::LF, C::CL, C::CP, C::EX, C::IS, C::SY})) return false;
    if (before == C::OP || before == C::OW) return false;
    if ((before == C::QU || before == C::QD) && (after == C::OP || after == C::OW)) return false;
    if (before == C::CL && after == C::NS) return false;
    return !(before == C::B2 && after == C::B2);
}

}  // namespace vellix
