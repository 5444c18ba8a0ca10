#!/usr/bin/env python3
"""Turns CLDR's cardinal plural rules into the table vellix init uses: for each locale code, the
Plural-Forms expression over the integer n that picks one form per category some non-negative
integer reaches, in CLDR's order (zero, one, two, few, many, other), with the category names and
CLDR's own rule text (the tests evaluate that text independently and compare).

Usage: scripts/cldr_plural_rules.py [CLDR_ROOT] > Tool/po/cldr_plural_rules.inc
CLDR_ROOT defaults to /usr/share/unicode/cldr (Debian's unicode-cldr-core). Only the standard library.
"""
import re
import sys
import xml.etree.ElementTree as ElementTree

ORDER = ["zero", "one", "two", "few", "many", "other"]
# For an integer, every operand but n and i is 0 (no visible fraction digits, no exponent).
ZERO_OPERANDS = set("vwftce")


def tokens_of(condition):
    return re.findall(r"\.\.|!=|[=%,]|[a-z]+|\d+", condition)


class Parser:
    """condition = and_condition ('or' and_condition)*; and_condition = relation ('and' relation)*;
    relation = operand ('%' value)? ('=' | '!=') range (',' range)*; range = value ('..' value)?"""

    def __init__(self, condition):
        self.tokens = tokens_of(condition)
        self.at = 0

    def peek(self):
        return self.tokens[self.at] if self.at < len(self.tokens) else None

    def take(self, expected=None):
        token = self.peek()
        if token is None or (expected is not None and token != expected):
            raise ValueError("expected %r at %r in %r" % (expected, token, self.tokens))
        self.at += 1
        return token

    def condition(self):
        groups = [self.and_condition()]
        while self.peek() == "or":
            self.take()
            groups.append(self.and_condition())
        if self.peek() is not None:
            raise ValueError("unexpected %r" % self.peek())
        return groups

    def and_condition(self):
        relations = [self.relation()]
        while self.peek() == "and":
            self.take()
            relations.append(self.relation())
        return relations

    def relation(self):
        operand = self.take()
        modulus = None
        if self.peek() == "%":
            self.take()
            modulus = int(self.take())
        operator = self.take()
        if operator not in ("=", "!="):
            raise ValueError("operator %r" % operator)
        ranges = [self.range()]
        while self.peek() == ",":
            self.take()
            ranges.append(self.range())
        return (operand, modulus, operator == "=", ranges)

    def range(self):
        low = int(self.take())
        if self.peek() == "..":
            self.take()
            return (low, int(self.take()))
        return (low, low)


def relation_value(relation):
    """True or False when the relation is constant for integers, else None."""
    operand, modulus, equal, ranges = relation
    if operand not in ZERO_OPERANDS:
        return None
    inside = any(low <= 0 <= high for low, high in ranges)
    return inside == equal


def relation_text(relation):
    """The relation as C over n, and whether it is one comparison (no && or || at its top)."""
    operand, modulus, equal, ranges = relation
    x = "n" if modulus is None else "n%%%d" % modulus
    # "0,1" reads as "0..1": adjacent values and ranges become one range.
    merged = []
    for low, high in sorted(ranges):
        if merged and low <= merged[-1][1] + 1:
            merged[-1] = (merged[-1][0], max(high, merged[-1][1]))
        else:
            merged.append((low, high))
    ranges = merged
    parts = []
    for low, high in ranges:
        if low == high:
            parts.append("%s%s%d" % (x, "==" if equal else "!=", low))
        elif equal:
            parts.append("%s<=%d" % (x, high) if low == 0 else "%s>=%d && %s<=%d" % (x, low, x, high))
        else:
            parts.append("%s>%d" % (x, high) if low == 0 else "(%s<%d || %s>%d)" % (x, low, x, high))
    if len(parts) == 1:
        return parts[0], "&&" not in parts[0] and "||" not in parts[0]
    if equal:
        return "(" + " || ".join("(%s)" % p if "&&" in p else p for p in parts) + ")", False
    return " && ".join(parts), False


def condition_text(groups):
    """The condition as C over n for integers, or True/False when it is constant."""
    ors = []
    for relations in groups:
        texts = []
        constant_false = False
        for relation in relations:
            value = relation_value(relation)
            if value is False:
                constant_false = True
                break
            if value is None:
                texts.append(relation_text(relation)[0])
        if constant_false:
            continue
        if not texts:
            return True
        ors.append(" && ".join(texts))
    if not ors:
        return False
    if len(ors) == 1:
        return ors[0]
    # "n==0 || n==1" (from "i = 0 or n = 1") reads as one relation: "n<=1".
    equalities = [re.fullmatch(r"(n(?:%\d+)?)==(\d+)", text) for text in ors]
    if all(equalities) and len({match.group(1) for match in equalities}) == 1:
        x = equalities[0].group(1)
        modulus = int(x[2:]) if "%" in x else None
        return relation_text(("n", modulus, True, [(int(m.group(2)), int(m.group(2))) for m in equalities]))[0]
    # Each alternative that is more than one comparison in parentheses, for the reader.
    return " || ".join(text if re.fullmatch(r"n(%\d+)?[=!<>]=?\d+|\(.*\)", text) and not
                       (text.startswith("(") and ") && (" in text) else "(%s)" % text for text in ors)


NEGATED = {"==": "!=", "!=": "==", "<=": ">", ">": "<=", ">=": "<", "<": ">="}


def negated(text):
    """The negation of a single comparison, or None."""
    match = re.fullmatch(r"(n(?:%\d+)?)(==|!=|<=|>=|<|>)(\d+)", text)
    if not match:
        return None
    return "%s %s %s" % (match.group(1), NEGATED[match.group(2)], match.group(3))


def plural_forms(categories):
    """categories: [(name, condition text or True/False)] of the integer categories, in order."""
    count = len(categories)
    if count == 1:
        return "nplurals=1; plural=0;"
    conditions = [condition for _, condition in categories[:-1]]
    if count == 2:
        single = negated(conditions[0])
        if single:
            return "nplurals=2; plural=(%s);" % single
        return "nplurals=2; plural=(%s ? 0 : 1);" % conditions[0]
    chain = " : ".join("%s ? %d" % (condition, index) for index, condition in enumerate(conditions))
    return "nplurals=%d; plural=(%s : %d);" % (count, chain, count - 1)


def rules_of(root):
    tree = ElementTree.parse(root + "/common/supplemental/plurals.xml")
    for rules in tree.getroot().iter("pluralRules"):
        per_category = {}
        for rule in rules.iter("pluralRule"):
            text = rule.text or ""
            condition, _, samples = text.partition("@")
            per_category[rule.get("count")] = (condition.strip(), "@integer" in text)
        for locale in rules.get("locales").split():
            if locale != "root":
                yield locale, per_category


def cldr_version(root):
    with open(root + "/common/dtd/ldmlSupplemental.dtd", encoding="utf-8") as dtd:
        match = re.search(r'cldrVersion CDATA #FIXED "([^"]+)"', dtd.read())
    if not match:
        raise SystemExit("no cldrVersion in ldmlSupplemental.dtd")
    return match.group(1)


def c_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "/usr/share/unicode/cldr"
    version = cldr_version(root)
    rows = []
    for locale, per_category in rules_of(root):
        integer = []
        for name in ORDER:
            if name in per_category and per_category[name][1]:
                condition = per_category[name][0]
                integer.append((name, condition_text(Parser(condition).condition()) if condition else True))
        rules_text = "; ".join("%s: %s" % (name, per_category[name][0])
                               for name in ORDER if name in per_category and per_category[name][0])
        rows.append((locale, plural_forms(integer), " ".join(name for name, _ in integer), rules_text))
    rows.sort()
    out = sys.stdout
    out.write("// Generated by scripts/cldr_plural_rules.py from CLDR %s (common/supplemental/plurals.xml);\n" % version)
    out.write("// do not edit. %d locale codes: the code, its Plural-Forms over the integer n, the CLDR\n" % len(rows))
    out.write("// categories its forms stand for, and CLDR's rules as written (the tests evaluate them).\n")
    out.write("#define VELLIX_CLDR_VERSION %s\n" % c_string(version))
    for locale, forms, names, rules_text in rows:
        out.write("{%s, %s, %s, %s},\n" % (c_string(locale), c_string(forms), c_string(names), c_string(rules_text)))


if __name__ == "__main__":
    main()
