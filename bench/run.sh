#!/usr/bin/env bash
# Builds the benchmarks (in build/, or the build folder given as the first argument) and runs
# them one after another; each prints its details, and the end is one table: benchmark,
# measured value, target, met or not. Benchmarks are no tests: CTest never runs them.
#
#   bash bench/run.sh [BUILD_FOLDER]
#
# They run the real extractor and converter against media served on 127.0.0.1 and start the
# program offscreen on temporary data folders; nothing outside this machine is reached.
# Measure on a quiet machine: the load average is printed with the table.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
benches=(parse download startup history concurrent queue)

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja >/dev/null
fi
targets=()
for b in "${benches[@]}"; do targets+=("bench_$b"); done
cmake --build "$build" --target "${targets[@]}" quillane quillane_app_folder

export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 LANG=C.UTF-8
work="$(mktemp -d)"
loadBefore="$(cut -d' ' -f1-3 /proc/loadavg)"
trap 'rm -rf "$work"' EXIT

for b in "${benches[@]}"; do
    echo "== bench_$b"
    status=0
    "$build/bench/bench_$b" >"$work/$b.out" 2>"$work/$b.err" || status=$?
    grep -v '^BENCH' "$work/$b.out" || true
    grep -v 'XDG_RUNTIME_DIR' "$work/$b.err" >&2 || true
    if ! grep -q '^BENCH' "$work/$b.out"; then
        printf 'BENCH\tbench_%s\tfailed (exit %s)\t-\tmissed\n' "$b" "$status" >"$work/$b.out"
    fi
    grep '^BENCH' "$work/$b.out" >>"$work/table"
done

echo
echo "Load average (1, 5, 15 min): $loadBefore at the start, $(cut -d' ' -f1-3 /proc/loadavg) at the end"
echo
echo "| Benchmark | Measured | Target | Met |"
echo "|---|---|---|---|"
awk -F'\t' '{ printf "| %s | %s | %s | %s |\n", $2, $3, $4, ($5 == "met" ? "yes" : "no") }' \
    "$work/table"
