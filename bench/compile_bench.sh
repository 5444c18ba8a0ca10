#!/usr/bin/env bash
# Compiles generated catalogs with vellmake and with GNU msgfmt side by side, and prints the time
# (best of several runs) and peak memory of each, with the goals they are held to.
# The same PO file is also compiled with `vellix compile` (found beside VELLMAKE).
# Usage: compile_bench.sh [VELLMAKE] [ENTRIES] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
vellmake=$(readlink -f "${1:-build/vellmake}")
entries=${2:-100000}
runs=${3:-5}
vellix=$(dirname "$vellmake")/vellix
command -v msgfmt >/dev/null || { echo "compile_bench: msgfmt not found (package gettext)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "compile_bench: /usr/bin/time not found (package time)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# shellcheck source=bench/best_seconds.sh
source "$(dirname "$0")/best_seconds.sh"

# peak_kib CMD...: the largest resident set of one run, in KiB.
peak_kib() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }

for count in "$entries" $((entries * 2)); do
    "$here/gen_catalog.sh" "$count" "$work/$count.src" "$work/$count.po"
done

small=$entries large=$((entries * 2))
t_vellmake=$(best_seconds "$vellmake" "$work/out.18c" "$work/$small.src")
t_vellmake_large=$(best_seconds "$vellmake" "$work/out.18c" "$work/$large.src")
t_msgfmt=$(best_seconds msgfmt -o "$work/out.mo" "$work/$small.po")
t_po=$(best_seconds "$vellix" compile -o "$work/po.18c" "$work/$small.po")
t_po_large=$(best_seconds "$vellix" compile -o "$work/po.18c" "$work/$large.po")
source_bytes=$(stat -c %s "$work/$small.src")
peak=$(peak_kib "$vellmake" "$work/out.18c" "$work/$small.src")
peak_large=$(peak_kib "$vellmake" "$work/out.18c" "$work/$large.src")
large_bytes=$(stat -c %s "$work/$large.src")

awk -v n="$small" -v tv="$t_vellmake" -v tvl="$t_vellmake_large" -v tm="$t_msgfmt" -v tp="$t_po" -v tpl="$t_po_large" \
    -v sb="$source_bytes" -v lb="$large_bytes" -v pk="$peak" -v pkl="$peak_large" 'BEGIN {
    printf "entries            %d (source %d bytes)\n", n, sb
    printf "vellmake           %.4f s\n", tv
    printf "msgfmt             %.4f s\n", tm
    printf "vellmake / msgfmt  %.3f   (goal: at most 0.1)\n", tv / tm
    printf "vellmake %d       %.4f s\n", 2 * n, tvl
    printf "time ratio 2N / N  %.2f   (goal: at most 2.6)\n", tvl / tv
    limit = 3 * sb / 1024 + 16384
    printf "peak memory N      %d KiB (goal: at most %d KiB = 3 x source + 16 MiB)\n", pk, limit
    printf "peak memory 2N     %d KiB (goal: at most %d KiB)\n", pkl, 3 * lb / 1024 + 16384
    printf "vellix compile PO  %.4f s\n", tp
    printf "PO / msgfmt        %.3f   (goal: at most 0.1)\n", tp / tm
    printf "PO time 2N / N     %.2f   (goal: at most 2.6)\n", tpl / tp
}'
