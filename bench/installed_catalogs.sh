#!/usr/bin/env bash
# Every GNU catalog installed on this machine (the .mo files under /usr/share/locale), turned back
# into PO with msgunfmt, judged by `msgfmt --check` and compiled by `vellix compile`; where both
# accept, every message and plural form is looked up through dgettext/dngettext in the original and
# through vellix in its catalog (installed_catalog_compare). Prints the counts, the files msgfmt
# accepts and vellix refuses (with vellix's first error), and the files whose lookups differ.
# Usage: installed_catalogs.sh [VELLIX] [COMPARE] [LIMIT]
#   VELLIX: the vellix program (build/vellix); COMPARE: build/bench/installed_catalog_compare;
#   LIMIT: at most so many catalogs (all).
set -euo pipefail
vellix=$(readlink -f "${1:-build/vellix}")
compare=$(readlink -f "${2:-build/bench/installed_catalog_compare}")
limit=${3:-0}
for tool in msgunfmt msgfmt; do
    command -v "$tool" >/dev/null || { echo "installed_catalogs: $tool not found (package gettext)" >&2; exit 2; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One catalog, in a directory of its own: prints "gnu-refuses", "vellix-refuses: ERROR",
# "differs: ..." or "same: ...", after the file's name.
one() {
    local mo=$1 dir
    dir=$(mktemp -d "$work/c.XXXXXX")
    mkdir -p "$dir/C.UTF-8/LC_MESSAGES"
    cp "$mo" "$dir/C.UTF-8/LC_MESSAGES/m.mo"
    if ! msgunfmt -o "$dir/m.po" "$mo" 2>/dev/null || ! msgfmt --check -o /dev/null "$dir/m.po" 2>/dev/null; then
        echo "$mo gnu-refuses"
    elif ! "$vellix" compile -o "$dir/m.18c" "$dir/m.po" >/dev/null 2>"$dir/err"; then
        echo "$mo vellix-refuses: $(grep -m1 error "$dir/err" || head -n1 "$dir/err")"
    elif "$compare" "$dir" m "$dir/m.po" "$dir/m.18c" >"$dir/out" 2>&1; then
        echo "$mo same: $(head -n1 "$dir/out" | cut -d' ' -f2-)"
    else
        echo "$mo differs: $(tr '\n' ' ' <"$dir/out" | cut -d' ' -f2-)"
    fi
    rm -rf "$dir"
}
export -f one
export vellix compare work

find /usr/share/locale -name '*.mo' -path '*/LC_MESSAGES/*' | sort >"$work/catalogs"
[ "$limit" -gt 0 ] && sed -i "$((limit + 1)),\$d" "$work/catalogs"
xargs -d '\n' -P "$(nproc)" -I{} bash -c 'one "$1"' _ {} <"$work/catalogs" >"$work/results"

awk '
    { files++ }
    / gnu-refuses$/ { gnu_refuses++; next }
    / vellix-refuses: / { vellix_refuses++; print "refused: " $0; next }
    {
        for (i = 1; i <= NF; i++) {
            split($i, pair, "=")
            if (pair[1] == "messages") messages += pair[2]
            if (pair[1] == "plural_lookups") lookups += pair[2]
            if (pair[1] == "differences") differences += pair[2]
        }
    }
    / differs: / { differing++; print "differs: " $0 }
    END {
        printf "catalogs: %d; msgfmt --check accepts %d; vellix compile accepts %d of those\n", files, files - gnu_refuses, files - gnu_refuses - vellix_refuses
        printf "compared: %d messages, %d plural lookups; %d differences in %d catalogs\n", messages, lookups, differences, differing
    }' "$work/results"
