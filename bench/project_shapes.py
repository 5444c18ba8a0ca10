"""Inputs shaped like real projects, for the speed goals (bench/tool_goals.py).

Each maker writes its files under a directory and is deterministic for a given size: the same
seed gives the same bytes, so runs on different days compare.
"""
import os
import random

WORDS = ("file open save close window name value folder print error line page number list item "
         "user read write copy move delete search find replace color size text font table row "
         "column cell report chart image sound video network server client account password "
         "update install remove start stop pause resume settings option help about version").split()
NON_ASCII = ("größe", "café", "naïve", "déjà", "Ärger", "señal", "łódź", "über", "façade", "œuvre")


def _words(rng, low, high):
    return " ".join(rng.choice(WORDS) for _ in range(rng.randint(low, high)))


def _c_text(rng, kind):
    """A message text as a C string body (escapes written), for a key of this kind."""
    text = _words(rng, 3, 9).capitalize()
    if kind.get("format"):
        text += rng.choice((": %s", " %d times", " in %s (%d)"))
    if kind.get("quotes"):
        text += ' \\"' + rng.choice(WORDS) + '\\"'
    if kind.get("utf8"):
        text += " " + rng.choice(NON_ASCII)
    if kind.get("newline"):
        text += "\\n" + _words(rng, 2, 5)
    return text


def _literal(rng, text, split, indent):
    """TEXT as one literal, or as two adjacent ones on two lines when SPLIT."""
    if not split:
        return '"%s"' % text
    # Split at a space, never inside an escape.
    spaces = [i for i, c in enumerate(text) if c == " " and i > 0]
    at = spaces[len(spaces) // 2] if spaces else len(text)
    return '"%s"\n%s"%s"' % (text[:at], indent, text[at:])


ORDINARY = (
    "    int count{v} = {n} * width + offset;",
    "    total += count{v} / 2 - {n};",
    "    if (total > {n}) {{ total -= {n}; }}",
    '    printf("debug %d: %s\\n", {n}, "state {v}");',
    "    // Check the state before the next message ({n}).",
    "    /* The value {v} is kept for the report. */",
    "    const char *label{v} = names[{n} % 8];",
    "    for (int i = 0; i < {n}; ++i) sum{v} += i;",
    '    fprintf(stderr, "step {n} of %d\\n", steps);',
    "    double ratio{v} = (double)total / ({n} + 1);",
)


def extraction_tree(directory, files=2000, calls=50000, keys=30000, seed=27):
    """C and C++ files in 40 folders, about 8 KB each; returns their paths, relative to DIRECTORY.

    Half the keys are used once and the others share the remaining calls; each key has one kind
    (15% plural, 5% a line feed escape, 5% quotes, 15% a conversion, 5% non-ASCII UTF-8) and 30% of
    the texts are written as two adjacent literals on two lines. Every file defines the wrapper macro
    TR and uses it beside the library's own functions.
    """
    rng = random.Random(seed)
    kinds = []
    for k in range(keys):
        kinds.append({"plural": rng.random() < 0.15, "newline": rng.random() < 0.05,
                      "quotes": rng.random() < 0.05, "format": rng.random() < 0.15,
                      "utf8": rng.random() < 0.05, "split": rng.random() < 0.30})
    texts = [_c_text(rng, kind) for kind in kinds]
    plurals = [_c_text(rng, kind) + "s" if kind["plural"] else None for kind in kinds]
    once = keys // 2
    slots = list(range(once)) + [once + i % (keys - once) for i in range(calls - once)]
    rng.shuffle(slots)

    paths = []
    per_file = calls // files
    for f in range(files):
        folder = "module%02d" % (f % 40)
        os.makedirs(os.path.join(directory, folder), exist_ok=True)
        path = os.path.join(folder, "part%04d.%s" % (f, "cpp" if f % 2 else "c"))
        paths.append(path)
        out = ["#include <stdio.h>", '#include "vellix.h"', "#include \"vellix_index.h\"",
               "#define TR(k, t) vellix_get(cat, k, t)", "",
               "/* Part %d of the program: the messages of its screens. */" % f,
               "static const char *names[8];", "extern i18n *cat;", "extern vellix_index *index;", ""]
        for c in range(per_file):
            if c % 5 == 0:
                if c:
                    out += ["    return total;", "}", ""]
                out += ["int screen_%d_%d(unsigned long n, int width, int offset, int steps) {" % (f, c),
                        "    int total = 0, sum%d = 0;" % c]
            for _ in range(rng.randint(1, 4)):
                out.append(rng.choice(ORDINARY).format(v=c, n=rng.randint(1, 999)))
            k = slots[f * per_file + c]
            key = "screen.%s.%d" % (WORDS[k % len(WORDS)], k)
            kind = kinds[k]
            text = _literal(rng, texts[k], kind["split"], "            ")
            if kind["plural"]:
                plural = _literal(rng, plurals[k], kind["split"], "            ")
                if k % 2:
                    out.append('    printf(vellix_nget(cat, "%s", n, %s, %s), n);' % (key, text, plural))
                else:
                    out += ['    printf(vellix_index_nget(index, "%s", n,' % key,
                            "                             %s," % text,
                            "                             %s), n);" % plural]
            elif k % 2:
                out.append('    puts(TR("%s", %s));' % (key, text))
            else:
                out.append('    puts(vellix_get(cat, "%s", %s));' % (key, text))
        out += ["    return total;", "}", ""]
        with open(os.path.join(directory, path), "w", encoding="utf-8") as handle:
            handle.write("\n".join(out))
    return paths


def _po_string(text, width=76):
    """A PO string: one line, or "" and the text wrapped after spaces and line feeds."""
    if len(text) + 9 <= width and "\\n" not in text[:-2]:
        return '"%s"' % text
    lines, line = [], ""
    for piece in text.replace("\\n", "\\n\x00").split("\x00"):
        for word in piece.split(" "):
            candidate = word if not line else line + " " + word
            if len(candidate) > width - 2 and line:
                lines.append(line + " ")
                line = word
            else:
                line = candidate
        if piece.endswith("\\n"):
            lines.append(line)
            line = ""
    if line:
        lines.append(line)
    return '""\n' + "\n".join('"%s"' % part for part in lines if part)


HEADER = ('msgid ""\nmsgstr ""\n"Project-Id-Version: bench 1.0\\n"\n"Language: de\\n"\n'
          '"MIME-Version: 1.0\\n"\n"Content-Type: text/plain; charset=UTF-8\\n"\n'
          '"Content-Transfer-Encoding: 8bit\\n"\n"Plural-Forms: nplurals=2; plural=(n != 1);\\n"\n')


def compile_po(path, entries=100000, seed=28):
    """A translation of ENTRIES entries, about 210 bytes each: references, c-format on a fifth,
    msgctxt on a tenth, a tenth with multi-line texts and escapes, long texts wrapped, some fuzzy
    and untranslated, UTF-8."""
    rng = random.Random(seed)
    out = [HEADER]
    for i in range(entries):
        lines = ["#: src/module%02d/part%04d.c:%d" % (i % 40, i % 2000, rng.randint(1, 900))]
        formatted = i % 5 == 0
        source = _words(rng, 4, 12).capitalize() + (" %s of %d" if formatted else "")
        target = "Übersetzt " + _words(rng, 4, 12) + (" %s von %d" if formatted else "")
        if i % 10 == 3:
            source += ".\\nSecond line: \\\"" + _words(rng, 3, 8) + "\\\"\\n\\tEnd"
            target += ".\\nZweite Zeile: \\\"" + _words(rng, 3, 8) + "\\\"\\n\\tEnde"
        elif i % 7 == 0:
            source += " " + _words(rng, 10, 16)
            target += " " + _words(rng, 10, 16)
        fuzzy = i % 50 == 7
        if formatted or fuzzy:
            lines.append("#, " + ", ".join((["fuzzy"] if fuzzy else []) + (["c-format"] if formatted else [])))
        if i % 10 == 0:
            lines.append('msgctxt "menu.%d"' % i)
        # Every msgid differs: two entries with one text and no context would be duplicates.
        lines.append("msgid " + _po_string("%s [%d]" % (source, i)))
        lines.append("msgstr " + ("\"\"" if i % 40 == 11 else _po_string("%s [%d]" % (target, i))))
        out.append("\n".join(lines) + "\n")
    with open(path, "w", encoding="utf-8") as handle:
        handle.write("\n".join(out))


def merge_pair(old_path, template_path, entries=50000, seed=29):
    """A key-based translation of ENTRIES entries (10% plural, all translated) and its new template,
    in which 1% of the texts changed by one word, 0.5% of the keys are new and 0.5% are gone."""
    rng = random.Random(seed)
    header_keys = HEADER + '"X-Vellix-Keys: msgctxt\\n"\n'
    old, new = [header_keys], [header_keys.replace('"Language: de\\n"\n', "")]
    changed = set(rng.sample(range(entries), entries // 100))
    gone = set(rng.sample(range(entries), entries // 200))
    for i in range(entries):
        words = _words(rng, 4, 12).capitalize()
        reference = "#: src/module%02d/part%04d.c:%d" % (i % 40, i % 2000, rng.randint(1, 900))
        flag = "#, c-format\n" if i % 5 == 0 else ""
        text = words + (" %d" if i % 5 == 0 else "")
        key = 'msgctxt "screen.%s.%d"\n' % (WORDS[i % len(WORDS)], i)
        plural = i % 10 == 4
        if plural:
            old.append("%s\n%s%smsgid %s\nmsgid_plural %s\nmsgstr[0] \"Eine %s\"\nmsgstr[1] \"Viele %s\"\n"
                       % (reference, flag, key, _po_string(text), _po_string(text + "s"), words, words))
        else:
            old.append("%s\n%s%smsgid %s\nmsgstr %s\n" % (reference, flag, key, _po_string(text),
                                                          _po_string("Übersetzt: " + text)))
        if i in gone:
            continue
        if i in changed:
            text = text.replace(" ", " " + rng.choice(WORDS) + " ", 1)
        if plural:
            new.append("%s\n%s%smsgid %s\nmsgid_plural %s\nmsgstr[0] \"\"\nmsgstr[1] \"\"\n"
                       % (reference, flag, key, _po_string(text), _po_string(text + "s")))
        else:
            new.append("%s\n%s%smsgid %s\nmsgstr \"\"\n" % (reference, flag, key, _po_string(text)))
    for i in range(entries, entries + entries // 200):
        new.append('#: src/new.c:%d\nmsgctxt "screen.new.%d"\nmsgid "%s"\nmsgstr ""\n' % (i, i, _words(rng, 4, 10)))
    for path, parts in ((old_path, old), (template_path, new)):
        with open(path, "w", encoding="utf-8") as handle:
            handle.write("\n".join(parts))
