#!/bin/sh
# Measures versefind's corpus tools against their targets, as whole
# processes timed by hyperfine (CPU: user plus system time, the mean of the
# runs), on a generated text of 10,000,000 bytes with 100,000 distinct words
# whose frequencies fall off as 1/rank (index_bench --write-large-text):
#   - --collocates WORD, for the word whose places are nearest 1,000, beside
#     the same word's concordance lines, in memory and from an index file;
#   - --ngrams 3 beside indexing the text alone (--count of that word), in
#     memory, from an index file, and in 16 MiB of counts, spilled to runs;
#   - the peak memory of --ngrams 3 at its default --memory and at 16M;
# then prints them in a table beside their targets. The two commands from
# the index take milliseconds, and the machine's speed drifts over the
# seconds between two blocks of runs: their ratio is taken again from 9
# short rounds, each timing both, and the median round's is shown too.
#
#   corpus_tools_bench.sh BIN_DIR WORK_DIR
#
# BIN_DIR holds versefind and index_bench; WORK_DIR is a scratch folder for
# the text (made once and kept), the index and the figures. RUNS=N runs
# each command N times (by default as hyperfine decides).
set -eu
bin=$(cd "$1" && pwd)
mkdir -p "$2"
work=$(cd "$2" && pwd)
cd "$work"

echo "load before: $(uptime)"
text=$work/text-10000000-100000.txt
[ -s "$text" ] || "$bin/index_bench" --write-large-text "$text"
index=$work/text.idx
"$bin/versefind" 64 --save "$index" --text "$text"
word=$("$bin/versefind" --index "$index" --words |
       awk -F '\t' '{ d = $2 - 1000; d = d < 0 ? -d : d } NR == 1 || d < best { best = d; w = $1 } END { print w }')
places=$("$bin/versefind" --index "$index" --count -- "$word" | cut -f 2)
echo "asked: $word ($places places)"

# Every output goes through a pipe, as a reader of it would take it.
hyperfine --output=pipe --warmup 1 ${RUNS:+--runs "$RUNS"} --export-csv tools.csv \
  --command-name "concordance in memory" "'$bin/versefind' --text '$text' --width 0 -- '$word'" \
  --command-name "collocates in memory" "'$bin/versefind' --text '$text' --collocates '$word'" \
  --command-name "concordance from the index" "'$bin/versefind' --index '$index' --width 0 -- '$word'" \
  --command-name "collocates from the index" "'$bin/versefind' --index '$index' --collocates '$word'" \
  --command-name "count in memory" "'$bin/versefind' --text '$text' --count -- '$word'" \
  --command-name "ngrams 3 in memory" "'$bin/versefind' --text '$text' --ngrams 3" \
  --command-name "ngrams 3 from the index" "'$bin/versefind' --index '$index' --ngrams 3" \
  --command-name "ngrams 3 in 16M" "'$bin/versefind' --text '$text' --ngrams 3 --memory 16M"
/usr/bin/time -f '%M' -o ngrams.peak "$bin/versefind" --text "$text" --ngrams 3 > ngrams.out
/usr/bin/time -f '%M' -o spilled.peak "$bin/versefind" --text "$text" --ngrams 3 --memory 16M > spilled.out
cmp -s ngrams.out spilled.out || echo "WARNING: --ngrams 3 answers otherwise in 16M" >&2
echo "--ngrams 3: $(wc -l < ngrams.out) lines, the same in 16M of counts"
for round in 1 2 3 4 5 6 7 8 9; do
  hyperfine -N --output=pipe --warmup 3 --runs 40 --export-csv "round-$round.csv" \
    "'$bin/versefind' --index '$index' --width 0 -- '$word'" "'$bin/versefind' --index '$index' --collocates '$word'" > /dev/null
done
rounds=$(for round in 1 2 3 4 5 6 7 8 9; do
  awk -F , 'FNR > 1 { cpu[FNR - 1] = $5 + $6 } END { printf "%.3f\n", cpu[2] / cpu[1] }' "round-$round.csv"
done | sort -n | tr '\n' ' ')
echo "load after: $(uptime)"

awk -F , -v peak="$(cat ngrams.peak)" -v spilled="$(cat spilled.peak)" -v rounds="$rounds" '
  FNR > 1 { cpu[FNR - 1] = ($5 + $6) * 1000 }
  function row(measure, a, b, target, limit) {
    printf "%-48s %-28s %-8s %s\n", measure, sprintf("%.0f / %.0f ms = %.2f", cpu[a], cpu[b], cpu[a] / cpu[b]),
           target, cpu[a] / cpu[b] <= limit ? "met" : "NOT met"
  }
  END {
    printf "\n%-48s %-28s %-8s %s\n", "CPU of whole processes", "measured", "target", ""
    row("--collocates / concordance lines, in memory", 2, 1, "<= 2", 2)
    row("--collocates / concordance lines, index file", 4, 3, "<= 2", 2)
    n = split(rounds, ratio, " ")
    printf "%-48s %-28s %-8s %s\n", "  the same, the median of 9 rounds", ratio[5], "<= 2", ratio[5] <= 2 ? "met" : "NOT met"
    printf "%-48s %s\n", "  (the rounds, least to most)", rounds
    row("--ngrams 3 / indexing the text (--count)", 6, 5, "<= 3", 3)
    row("--ngrams 3 from the index / indexing the text", 7, 5, "<= 3", 3)
    row("--ngrams 3 in 16M / indexing the text", 8, 5, "<= 3", 3)
    printf "%-48s %.0f MiB, %.0f MiB in 16M\n", "peak memory of --ngrams 3", peak / 1024, spilled / 1024
  }' tools.csv
