#!/bin/sh
# Times versefind's query mode as whole processes: 500 words of a text
# answered by one `versefind --text TEXT 10 -` (the words on standard input,
# one a line), beside
#   - map_concordance, the same concordance kept in a std::map (the same
#     reading and word rules, every place as numbers, the lines kept the same
#     way, the same answers), and
#   - a shell loop running one `grep -nwi` per word (on the first text only:
#     on the large one it would take minutes a run),
# on two texts: TEXT (by default the generated text of the benchmarks) and a
# generated text of 10 MB with 100,000 distinct words. Then prints the ratios
# beside their aims.
#
#   concordance_bench.sh BIN_DIR WORK_DIR [TEXT]
#
# BIN_DIR holds versefind, map_concordance and index_bench; WORK_DIR is a
# scratch folder for the words, the answers and the figures. The 500 words
# are drawn from the text's own vocabulary, every k-th in word order.
# RUNS=N times each command N times with hyperfine (default: as hyperfine
# decides, at least 10); page faults and peak memory are the mean of 5 runs
# under /usr/bin/time.
set -eu
bin=$(cd "$1" && pwd)
mkdir -p "$2"
work=$(cd "$2" && pwd)
text=${3:-}
order=10
count=500

if [ -z "$text" ]; then
  text="$work/generated.txt"
  "$bin/index_bench" --write-text "$text"
  textname="the generated text"
else
  text=$(cd "$(dirname "$text")" && pwd)/$(basename "$text")
  textname=$(basename "$text")
fi
large="$work/large.txt"
"$bin/index_bench" --write-large-text "$large"

# bench_text NAME TEXT WITH_GREP: the words, the check of the answers, the
# times (hyperfine, to NAME.csv) and the memory (NAME.mem: page faults, then
# peak resident KiB, for versefind and then map_concordance).
bench_text() {
  name=$1
  file=$2
  grep=$3
  "$bin/map_concordance" "$file" --words > "$work/$name.vocabulary"
  distinct=$(wc -l < "$work/$name.vocabulary")
  step=$((distinct / count))
  [ "$step" -ge 1 ] || step=1
  awk -v step="$step" -v count="$count" '(NR - 1) % step == 0 && taken++ < count' \
    "$work/$name.vocabulary" > "$work/$name.words"
  echo "$name: $(wc -c < "$file") bytes, $distinct distinct words;" \
       "$(wc -l < "$work/$name.words") of them asked, every ${step}th"

  # Both concordances must give the same answers, or the comparison means
  # nothing. Without a width versefind cuts no line, as map_concordance.
  versefind="'$bin/versefind' --text '$file' --width 0 $order - < '$work/$name.words'"
  baseline="'$bin/map_concordance' '$file' < '$work/$name.words'"
  greploop="while IFS= read -r word; do grep -nwi -- \"\$word\" '$file'; done < '$work/$name.words'"
  sh -c "$versefind" > "$work/$name.versefind.out"
  sh -c "$baseline" > "$work/$name.map_concordance.out"
  if cmp -s "$work/$name.versefind.out" "$work/$name.map_concordance.out"; then
    echo "versefind and map_concordance give the same answers," \
         "$(wc -l < "$work/$name.versefind.out") lines"
  else
    echo "WARNING: versefind and map_concordance answer differently (see $work/$name.*.out);" \
         "the comparison is not like for like" >&2
  fi

  # Every output goes through a pipe: GNU grep writing to /dev/null stops
  # at its first match, and would be timed doing less than it does.
  if [ "$grep" = yes ]; then
    hyperfine --output=pipe --warmup 3 ${RUNS:+--runs "$RUNS"} --export-csv "$work/$name.csv" \
      --command-name "versefind $order -" "$versefind" \
      --command-name "map_concordance" "$baseline" \
      --command-name "grep -nwi loop" "$greploop"
  else
    hyperfine --output=pipe --warmup 1 ${RUNS:+--runs "$RUNS"} --export-csv "$work/$name.csv" \
      --command-name "versefind $order -" "$versefind" \
      --command-name "map_concordance" "$baseline"
  fi

  # Minor and major page faults, and the peak resident set, of each whole
  # process, the mean of 5 runs.
  : > "$work/$name.mem"
  for program in versefind map_concordance; do
    if [ "$program" = versefind ]; then
      set -- "$bin/versefind" --text "$file" --width 0 "$order" -
    else
      set -- "$bin/map_concordance" "$file"
    fi
    for run in 1 2 3 4 5; do
      /usr/bin/time -f '%R %F %M' -o "$work/$name.time" "$@" < "$work/$name.words" > /dev/null
      cat "$work/$name.time"
    done | awk '{ faults += $1 + $2; peak += $3 } END { printf "%.0f %.0f\n", faults / NR, peak / NR }' \
      >> "$work/$name.mem"
  done
}

bench_text example "$text" yes
bench_text large "$large" no

# CPU time is user plus system time, of the process and its children; wall
# time is the mean elapsed time. hyperfine subtracts the shell's own start.
report() {
  awk -F , -v name="$1" -v title="$2" '
    FNR == NR { fault[FNR] = $1; split($0, f, " "); peak[FNR] = f[2]; next }
    FNR > 1 { n++; command[n] = $1; wall[n] = $2 * 1000; cpu[n] = ($5 + $6) * 1000 }
    END {
      printf "\n%s\n%-18s %10s %10s %12s %12s\n", title, "whole process", "wall ms", "CPU ms",
             "page faults", "peak KiB"
      for (i = 1; i <= n; i++) {
        if (i <= 2) printf "%-18s %10.2f %10.2f %12d %12d\n", command[i], wall[i], cpu[i], fault[i], peak[i]
        else printf "%-18s %10.2f %10.2f\n", command[i], wall[i], cpu[i]
      }
      printf "versefind / map_concordance: CPU time %.2f, page faults %.2f, peak memory %.2f\n",
             cpu[1] / cpu[2], fault[1] / fault[2], peak[1] / peak[2]
      if (n >= 3) printf "grep loop / versefind: wall time %.1f, CPU time %.1f\n",
                         wall[3] / wall[1], cpu[3] / cpu[1]
    }' "$work/$1.mem" "$work/$1.csv"
}
report example "$textname, 500 words (aims: CPU at most 1.3, page faults at most 1.5, grep at least 50)"
report large "the large text, 500 words (aims: CPU and peak memory at most 1.5)"
