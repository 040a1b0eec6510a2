#!/bin/sh
# Times `heapsort --all` as a whole process beside `LC_ALL=C sort -n` with
# the same memory, on 20,000,000 random ints (about 220 MB of text), and
# counts the runs that replacement selection forms at 64K on random, sorted
# and reversed input.
#
#   heapsort_all_bench.sh BIN_DIR WORK_DIR
#
# BIN_DIR holds heapsort; WORK_DIR is a scratch folder for the numbers (made
# once and kept: generating them takes about a minute) and the results. The
# wall time and the peak memory come from /usr/bin/time -v, one run each,
# sort first; COUNT=N sorts N numbers instead.
set -eu
bin=$(cd "$1" && pwd)
mkdir -p "$2/input"
work=$(cd "$2" && pwd)
count=${COUNT:-20000000}
cd "$work"

numbers=input/random-$count.txt
if [ ! -s "$numbers" ]; then
  echo "generating $count random ints in $work/$numbers"
  awk -v n="$count" 'BEGIN { srand(26); for (i = 0; i < n; i++)
    printf "%d\n", int(rand() * 4294967296) - 2147483648 }' > "$numbers.new"
  mv "$numbers.new" "$numbers"
fi

# "wall SECONDS peak KIB" of one run under /usr/bin/time -v.
measure() {
  /usr/bin/time -v "$@" 2> time.txt >/dev/null
  awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0;
                for (i = 1; i <= n; i++) s = s * 60 + t[i]; wall = s }
              /Maximum resident set size/ { peak = $2 }
              END { printf "wall %.2f peak %d\n", wall, peak }' time.txt
}

sort_figures=$(measure env LC_ALL=C sort -n -S 64M -T "$work" -o sorted.txt "$numbers")
heap_figures=$(measure "$bin/heapsort" -i "$(basename "$numbers")" -t s --all --memory 64M)
cmp -s sorted.txt "output/random-${count}_s.txt" || { echo "the results differ" >&2; exit 1; }
echo "sort -n -S 64M:            $sort_figures"
echo "heapsort --all --memory 64M: $heap_figures"
echo "$sort_figures $heap_figures" | awk '{ printf "wall ratio %.3f (aim <= 0.25), peak %.1f MiB (aim <= 72)\n",
  $6 / $2, $8 / 1024 }'

# Runs at 64K: random input, the same sorted, and reversed. The numbers
# over the runs are a lower bound of the runs but the last, the last being
# the shortest.
head -n 1000000 "$numbers" > input/runs-random.txt
sort -n input/runs-random.txt > input/runs-sorted.txt
sort -rn input/runs-random.txt > input/runs-reversed.txt
for kind in random sorted reversed; do
  "$bin/heapsort" -i "runs-$kind.txt" -t s --all --memory 64K --cost > cost.txt
  awk -v kind="$kind" -F'\t' '{ v[$1] = $2 }
    END { printf "%-8s runs %d, heap_capacity %d, %.2f heaps a run at least\n",
                 kind, v["runs"], v["heap_capacity"], v["numbers"] / v["runs"] / v["heap_capacity"] }' cost.txt
done
