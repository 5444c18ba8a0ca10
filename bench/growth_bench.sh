#!/usr/bin/env bash
# Grows each hostile input shape from 0.5 to 4 MB and times the tools on it: the time should double
# with the size. Prints, per shape and command, the best of RUNS times at each size, the ratio of
# each doubling, their geometric mean and the peak memory at 4 MB as a multiple of the input size.
# With --check, exits 1 when a shape's mean ratio per doubling exceeds 2.5.
# Usage: growth_bench.sh [--check] [VELLIX] [RUNS] [LARGEST_KIB]
set -euo pipefail
check=false
if [ "${1:-}" = "--check" ]; then check=true; shift; fi
vellix=$(readlink -f "${1:-build/vellix}")
runs=${2:-3}
largest=${3:-4096}
[ -x /usr/bin/time ] || { echo "growth_bench: /usr/bin/time not found (package time)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# shellcheck source=bench/best_seconds.sh
source "$(dirname "$0")/best_seconds.sh"

# repeat TEXT BYTES: TEXT repeated until about BYTES bytes, with no line feed added.
# (The text goes through the environment: awk would read escapes in a -v value.)
repeat() { T="$1" awk -v n="$2" 'BEGIN { t = ENVIRON["T"]; c = int(n / length(t)); for (i = 0; i < c; i++) printf "%s", t }'; }

header='msgid ""
msgstr "Content-Type: text/plain; charset=UTF-8\n"
'
# make_SHAPE BYTES FILE: writes the shape at about BYTES bytes.
make_po_escapes() { { printf '%s\nmsgid "k"\nmsgstr "' "$header"; repeat '\n\t\\' "$1"; printf '"\n'; } > "$2"; }
make_po_quotes() { { printf '%s\nmsgid "k"\nmsgstr "' "$header"; repeat 'a\"' "$1"; printf '"\n'; } > "$2"; }
make_po_strings() { { printf '%s\nmsgid "k"\nmsgstr ' "$header"; repeat '"ab" ' "$1"; printf '\n'; } > "$2"; }
make_po_lines() { { printf '%s\nmsgid "k"\nmsgstr ""\n' "$header"; repeat '"a line of text\\n"
' "$1"; } > "$2"; }
make_po_nul() { head -c "$1" /dev/zero > "$2"; }
make_po_garbage() { repeat 'not po at all
' "$1" > "$2"; }
make_src_keys() { repeat '-key
a value
' "$1" > "$2"; }
make_src_value() { { printf -- '-key\n'; repeat 'one line of a long value
' "$1"; } > "$2"; }
make_c_nested() { { repeat 'vellix_get(c, "k", ' "$1"; printf '"t"'; repeat ')' "$(($1 / 19))"; printf ';\n'; } > "$2"; }
make_c_unclosed() { repeat 'vellix_get(c, "k", ' "$1" > "$2"; }
make_c_raw() {
    local d
    d=$(repeat d 1000)
    { printf 'vellix_get(c, "k", R"%s(' "$d"; repeat ")${d:1} " "$1"; printf ')%s");\n' "$d"; } > "$2"
}
make_c_raw_parens() {
    # A delimiter as long as the text: a raw string in C++ cannot hold ')' in its delimiter.
    { printf 'vellix_get(c, "k", R"'; repeat ')' $(($1 / 3)); printf '('; repeat ')' $(($1 / 3)); repeat ')' $(($1 / 3))
      printf '");\n'; } > "$2"
}
make_c_escapes() { { printf 'vellix_get(c, "k", "'; repeat '\101\x42\u00fc' "$1"; printf '");\n'; } > "$2"; }
make_c_adjacent() { { printf 'vellix_get(c, "k", '; repeat '"ab" ' "$1"; printf ');\n'; } > "$2"; }
make_c_same_key() { repeat 'vellix_get(c, "k", "t");
' "$1" > "$2"; }

# Each shape and the commands timed on it: "SHAPE EXTENSION COMMAND..." with FILE for the input.
template="$work/template.pot"
printf '%s\nmsgid "k"\nmsgstr ""\n' "$header" > "$template"
cases=(
    "po_escapes po compile -o $work/out.18c FILE"
    "po_escapes po check FILE"
    "po_escapes po stats FILE"
    "po_escapes po merge -o $work/out.po FILE $template"
    "po_quotes po merge -o $work/out.po FILE $template"
    "po_strings po compile -o $work/out.18c FILE"
    "po_lines po merge -o $work/out.po FILE $template"
    "po_nul po compile -o $work/out.18c FILE"
    "po_garbage po check FILE"
    "src_keys src compile -o $work/out.18c FILE"
    "src_keys src check FILE"
    "src_value src compile -o $work/out.18c FILE"
    "c_nested c extract -o $work/out.pot FILE"
    "c_unclosed c extract -o $work/out.pot FILE"
    "c_raw c extract -o $work/out.pot FILE"
    "c_raw_parens c extract -o $work/out.pot FILE"
    "c_escapes c extract -o $work/out.pot FILE"
    "c_adjacent c extract -o $work/out.pot FILE"
    "c_same_key c extract -o $work/out.pot FILE"
)

sizes=()
for ((kib = largest / 8; kib <= largest; kib *= 2)); do sizes+=("$kib"); done
failed=0
printf '%-44s' "shape: command"
for kib in "${sizes[@]}"; do printf '%9s' "${kib}K"; done
printf '%9s %7s\n' "mean x2" "peak/in"
for entry in "${cases[@]}"; do
    read -r shape extension words <<< "$entry"
    times=()
    for kib in "${sizes[@]}"; do
        input="$work/$shape-$kib.$extension"
        [ -f "$input" ] || "make_$shape" $((kib * 1024)) "$input"
        # shellcheck disable=SC2086
        times+=("$(best_seconds "$vellix" ${words//FILE/$input})")
    done
    # Some shapes are errors by design: the status of the run does not matter, its memory does.
    # shellcheck disable=SC2086
    peak=$( (/usr/bin/time -f %M "$vellix" ${words//FILE/$input} 2>&1 >/dev/null || true) | tail -n 1)
    bytes=$(stat -c %s "$input")
    label="$shape: ${words%% *}"
    result=$(awk -v label="$label" -v times="${times[*]}" -v peak="$peak" -v bytes="$bytes" 'BEGIN {
        n = split(times, t, " ")
        printf "%-44s", label
        for (i = 1; i <= n; i++) printf "%9.4f", t[i]
        # Each time counts at least a millisecond, so that start-up noise is no ratio.
        product = 1
        for (i = 2; i <= n; i++) product *= (t[i] > 0.001 ? t[i] : 0.001) / (t[i - 1] > 0.001 ? t[i - 1] : 0.001)
        mean = product ^ (1 / (n - 1))
        printf "%9.2f %7.1f\n", mean, peak * 1024 / bytes
        exit mean > 2.5 ? 1 : 0
    }') && status=0 || status=$?
    echo "$result"
    [ "$status" -eq 0 ] || failed=1
done
echo "goal: time doubles with the size (mean ratio per doubling <= 2.5)"
if $check && [ "$failed" -ne 0 ]; then
    echo "growth_bench: a shape grows faster than its input" >&2
    exit 1
fi
