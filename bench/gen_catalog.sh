#!/usr/bin/env bash
# Writes the same N entries as a vellmake source and as a gettext .po file, for side-by-side runs.
# Keys look like "menu.item.N.label"; values are 20 to 80 bytes.
# Usage: gen_catalog.sh N SOURCE_OUT PO_OUT
set -euo pipefail
entries=$1 source_out=$2 po_out=$3
awk -v n="$entries" -v src="$source_out" -v po="$po_out" 'BEGIN {
    srand(12345)
    alphabet = "abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ,."
    printf "# generated catalog of %d entries\n", n > src
    printf "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n" > po
    for (i = 0; i < n; i++) {
        length_wanted = 20 + int(rand() * 61)
        value = ""
        while (length(value) < length_wanted) value = value substr(alphabet, 1 + int(rand() * 55), 1)
        key = "menu.item." i ".label"
        printf "-%s\n%s\n", key, value > src
        printf "msgid \"%s\"\nmsgstr \"%s\"\n\n", key, value > po
    }
}'
