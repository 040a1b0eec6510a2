#!/bin/sh
# Times versefind's query mode as whole processes, with hyperfine: 500 words
# of a text answered by one `versefind --text TEXT 10 -` (the words on
# standard input, one a line), beside
#   - map_concordance, the same concordance kept in a std::map (same word
#     rules, at most 50 places a word, the lines kept in memory, the same
#     answers), and
#   - a shell loop running one `grep -nwi` per word,
# then prints the ratios.
#
#   concordance_bench.sh BIN_DIR WORK_DIR [TEXT]
#
# BIN_DIR holds versefind, map_concordance and index_bench; WORK_DIR is a
# scratch folder for the words, the answers and hyperfine's figures. TEXT
# defaults to the generated text of the benchmarks. The 500 words are drawn
# from the text's own vocabulary, every k-th in word order. RUNS=N times each
# command N times (default: as hyperfine decides, at least 10).
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

# Every k-th distinct word, so that the words spread over the whole
# vocabulary, from rare to common.
"$bin/map_concordance" "$text" --words > "$work/vocabulary.txt"
distinct=$(wc -l < "$work/vocabulary.txt")
step=$((distinct / count))
[ "$step" -ge 1 ] || step=1
awk -v step="$step" -v count="$count" '(NR - 1) % step == 0 && taken++ < count' \
  "$work/vocabulary.txt" > "$work/words.txt"
asked=$(wc -l < "$work/words.txt")
echo "$textname: $distinct distinct words; $asked of them asked, every ${step}th"

# Both concordances must give the same answers, or the comparison means
# nothing. Without a width versefind cuts no line, as map_concordance.
versefind="'$bin/versefind' --text '$text' --width 0 $order - < '$work/words.txt'"
baseline="'$bin/map_concordance' '$text' < '$work/words.txt'"
greploop="while IFS= read -r word; do grep -nwi -- \"\$word\" '$text'; done < '$work/words.txt'"
sh -c "$versefind" > "$work/versefind.out"
sh -c "$baseline" > "$work/map_concordance.out"
if cmp -s "$work/versefind.out" "$work/map_concordance.out"; then
  echo "versefind and map_concordance give the same answers," \
       "$(wc -l < "$work/versefind.out") lines"
else
  echo "WARNING: versefind and map_concordance answer differently (see $work/*.out);" \
       "the comparison is not like for like" >&2
fi

hyperfine --warmup 3 ${RUNS:+--runs "$RUNS"} --export-csv "$work/times.csv" \
  --command-name "versefind $order -" "$versefind" \
  --command-name "map_concordance" "$baseline" \
  --command-name "grep -nwi loop" "$greploop"

# CPU time is user plus system time, of the process and its children; wall
# time is the mean elapsed time. hyperfine subtracts the shell's own start.
awk -F , 'NR > 1 {
      n++; name[n] = $1; wall[n] = $2 * 1000; cpu[n] = ($5 + $6) * 1000
    }
    END {
      printf "\n%-18s %12s %12s\n", "whole process", "wall ms", "CPU ms"
      for (i = 1; i <= n; i++) printf "%-18s %12.2f %12.2f\n", name[i], wall[i], cpu[i]
      printf "\nversefind CPU time / map_concordance CPU time: %.2f (target: at most 2)\n",
             cpu[1] / cpu[2]
      printf "grep loop wall time / versefind wall time:     %.1f (target: at least 50)\n",
             wall[3] / wall[1]
      printf "grep loop CPU time / versefind CPU time:       %.1f\n", cpu[3] / cpu[1]
    }' "$work/times.csv"
