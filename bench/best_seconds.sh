# Sourced by the benchmark scripts. best_seconds CMD...: the fastest of $runs wall-clock times of
# CMD, in seconds, with its output (and errors) discarded.
best_seconds() {
    local best="" start end elapsed
    for _ in $(seq "$runs"); do
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1
        end=$(date +%s%N)
        elapsed=$((end - start))
        if [ -z "$best" ] || [ "$elapsed" -lt "$best" ]; then best=$elapsed; fi
    done
    awk -v ns="$best" 'BEGIN { printf "%.4f", ns / 1e9 }'
}
