#!/usr/bin/env bash
# Times the translation workflow against GNU gettext's tools on generated data: `vellix extract`
# beside `xgettext` on a tree of FILES C files holding CALLS lookups, and `vellix merge` beside
# `msgmerge --previous` on a translation of ENTRIES entries and a template in which a tenth of the
# texts changed, some keys are new and some gone. Prints the best of RUNS times and the goals.
# Usage: translation_bench.sh [VELLIX] [FILES] [CALLS] [ENTRIES] [RUNS]
set -euo pipefail
vellix=$(readlink -f "${1:-build/vellix}")
files=${2:-2000}
calls=${3:-50000}
entries=${4:-50000}
runs=${5:-3}
for tool in xgettext msgmerge; do
    command -v "$tool" >/dev/null || { echo "translation_bench: $tool not found (package gettext)" >&2; exit 2; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# shellcheck source=bench/best_seconds.sh
source "$(dirname "$0")/best_seconds.sh"

# The source tree: each file a function of lookups, plain and plural, some over several lines.
awk -v files="$files" -v calls="$calls" -v dir="$work/src" 'BEGIN {
    system("mkdir -p " dir)
    per_file = int(calls / files)
    for (f = 0; f < files; f++) {
        path = sprintf("%s/file%04d.c", dir, f)
        printf "#include \"vellix.h\"\n/* Generated file %d. */\nvoid show%d(i18n *h, unsigned long n) {\n", f, f > path
        for (c = 0; c < per_file; c++) {
            k = f * per_file + c
            if (c % 7 == 0) {
                printf "    printf(vellix_nget(h, \"count.%d\", n, \"%%lu thing %d\", \"%%lu things %d\"), n);\n", k, k, k > path
            } else if (c % 5 == 0) {
                printf "    puts(vellix_get(h,\n             \"menu.item.%d\",\n             \"Menu item number %d\"));\n", k, k > path
            } else {
                printf "    puts(vellix_get(h, \"message.%d\", \"The text of message %d, with some words\"));\n", k, k > path
            }
        }
        printf "}\n" > path
        close(path)
    }
}'
(cd "$work/src" && ls *.c > ../files.txt)

t_extract=$(cd "$work/src" && best_seconds "$vellix" extract -o "$work/ours.pot" $(cat ../files.txt))
t_xgettext=$(cd "$work/src" && best_seconds xgettext --keyword=vellix_get:2c,3 --keyword=vellix_nget:2c,4,5 --from-code=UTF-8 -C \
    -o "$work/theirs.pot" $(cat ../files.txt))

# The translation: ENTRIES entries, all translated; the new template changes a tenth of the texts,
# drops a twentieth of the keys and adds as many new ones.
awk -v n="$entries" -v old="$work/old.po" -v new="$work/new.pot" 'BEGIN {
    header = "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n\"X-Vellix-Keys: msgctxt\\n\"\n\n"
    printf "%s", header > old
    printf "%s", header > new
    for (i = 0; i < n; i++) {
        printf "#: src/file.c:%d\nmsgctxt \"key.%d\"\nmsgid \"Source text number %d of the program\"\nmsgstr \"Translated text %d\"\n\n", i, i, i, i > old
        if (i % 20 == 0) continue
        text = (i % 10 == 1) ? sprintf("Source text number %d of the whole program", i) : sprintf("Source text number %d of the program", i)
        printf "#: src/file.c:%d\nmsgctxt \"key.%d\"\nmsgid \"%s\"\nmsgstr \"\"\n\n", i, i, text > new
    }
    for (i = n; i < n + n / 20; i++) printf "#: src/new.c:%d\nmsgctxt \"key.%d\"\nmsgid \"New text %d\"\nmsgstr \"\"\n\n", i, i, i > new
}'
t_merge=$(best_seconds "$vellix" merge -o "$work/merged.po" "$work/old.po" "$work/new.pot")
t_msgmerge=$(best_seconds msgmerge --previous -q -o "$work/merged-gnu.po" "$work/old.po" "$work/new.pot")

awk -v f="$files" -v c="$calls" -v e="$entries" -v te="$t_extract" -v tx="$t_xgettext" -v tm="$t_merge" -v tg="$t_msgmerge" 'BEGIN {
    printf "extract: %d files, %d calls\n", f, c
    printf "vellix extract     %.4f s\n", te
    printf "xgettext           %.4f s\n", tx
    printf "extract / xgettext %.3f   (goal: at most 0.25)\n", te / tx
    printf "merge: %d entries\n", e
    printf "vellix merge       %.4f s\n", tm
    printf "msgmerge --previous %.4f s\n", tg
    printf "merge / msgmerge   %.3f   (goal: at most 0.1)\n", tm / tg
}'
