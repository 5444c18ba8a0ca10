#!/bin/bash
# vellix_snprintf beside the C library's snprintf, format by format: the two sides run in turn,
# five rounds each, and each side's least time counts, so that a busy machine's pauses do not
# decide the ratio. Goal: at most 1.5 for every format.
# Usage: bench/format_ratio.sh [FORMAT_BENCH]  (built with -DVELLIX_BUILD_BENCHMARKS=ON)
set -euo pipefail
bench=${1:-build-bench/bench/format_bench}
names=(text string_int mixed numbered double)
worst=0
for k in "${!names[@]}"; do
    best_vellix="" best_c=""
    for round in 1 2 3 4 5; do
        for side in vellix_format c_library_format; do
            time=$("$bench" --benchmark_filter="^$side/$k\$" --benchmark_min_time=0.2 --benchmark_format=csv 2>/dev/null |
                   tail -1 | cut -d, -f3)
            if [ "$side" = vellix_format ]; then
                best_vellix=$(awk -v a="$time" -v b="${best_vellix:-$time}" 'BEGIN { print (a < b ? a : b) }')
            else
                best_c=$(awk -v a="$time" -v b="${best_c:-$time}" 'BEGIN { print (a < b ? a : b) }')
            fi
        done
    done
    ratio=$(awk -v a="$best_vellix" -v b="$best_c" 'BEGIN { printf "%.2f", a / b }')
    worst=$(awk -v a="$ratio" -v b="$worst" 'BEGIN { print (a > b ? a : b) }')
    printf '%-10s vellix_snprintf %7.1f ns  snprintf %7.1f ns  ratio %s\n' "${names[$k]}" "$best_vellix" "$best_c" "$ratio"
done
echo "largest ratio $worst (goal: at most 1.50)"
