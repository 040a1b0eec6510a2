#!/bin/sh
# Measures versefind's index in a file against its targets, on a generated
# text of 100,000,000 bytes with 1,000,000 distinct words whose frequencies
# fall off as 1/rank (index_bench --write-large-text):
#   - the build's CPU time, `versefind 64 --save`, beside map_concordance
#     reading the same text into its std::map of every place (no query);
#   - the build's peak with `--memory 64M`, and whether its index is the
#     same file;
#   - the index's bytes beside the text's;
#   - one word of 10 to 300 places, `versefind --index`, whole process, wall
#     time, beside `grep -nwi WORD` on the text;
#   - `--count` of the most frequent word beside `grep -cwi WORD`;
#   - the peak memory of the one-word query;
# then prints them in a table beside their targets. Last, for the pages read
# per look-up by order, it builds indexes of the 10,000,000-byte text of
# 100,000 words at orders 2 to 256 and prints each one's height (from
# `--index INDEX --stats`) beside the in-memory tree's height and the
# comparisons and nodes of its searches (`ORDER --explain`).
#
#   index_bench.sh BIN_DIR WORK_DIR
#
# BIN_DIR holds versefind, map_concordance and index_bench; WORK_DIR is a
# scratch folder for the texts (made once and kept: the large one takes
# seconds to write and 100 MB), the indexes and the figures. BYTES=N and
# DISTINCT=N generate another text; RUNS=N runs each timed command N times
# (by default 3 for the builds, as hyperfine decides for the queries);
# ORDERS="..." the orders of the last table.
set -eu
bin=$(cd "$1" && pwd)
mkdir -p "$2"
work=$(cd "$2" && pwd)
bytes=${BYTES:-100000000}
distinct=${DISTINCT:-1000000}
orders=${ORDERS:-2 4 16 64 256}
cd "$work"

echo "load before: $(uptime)"
text=$work/text-$bytes-$distinct.txt
if [ ! -s "$text" ]; then
  echo "generating $bytes bytes of $distinct distinct words in $text"
  "$bin/index_bench" --write-large-text "$text.new" --bytes "$bytes" --distinct "$distinct"
  mv "$text.new" "$text"
fi
index=$work/text.idx

# ---- the build -----------------------------------------------------------------
# CPU time is user plus system time, the mean of the runs; the peak memory
# comes from one run under /usr/bin/time.
hyperfine --runs "${RUNS:-3}" --export-csv build.csv \
  --command-name "versefind 64 --save" "'$bin/versefind' 64 --save '$index' --text '$text' 2>/dev/null" \
  --command-name "map_concordance" "'$bin/map_concordance' '$text' < /dev/null"
/usr/bin/time -f '%M' -o build.peak "$bin/versefind" 64 --save "$index" --text "$text"
/usr/bin/time -f '%M' -o map.peak "$bin/map_concordance" "$text" < /dev/null
# The same build in 64 MiB: its peak, and whether it writes the same index.
/usr/bin/time -f '%M' -o bounded.peak "$bin/versefind" 64 --save "$work/bounded.idx" --memory 64M --text "$text"
if cmp -s "$index" "$work/bounded.idx"; then echo same > bounded.same; else echo differs > bounded.same; fi

# ---- the words asked ---------------------------------------------------------------
# The word of 10 to 300 places is the middle one, in word order, of all such
# words; the most frequent is the first of --by-count.
"$bin/versefind" --index "$index" --words > vocabulary.txt
awk -F '\t' '$2 >= 10 && $2 <= 300' vocabulary.txt > middling.txt
word=$(awk -v middle="$(( ($(wc -l < middling.txt) + 1) / 2 ))" -F '\t' 'NR == middle { print $1 }' middling.txt)
places=$(awk -v w="$word" -F '\t' '$1 == w { print $2 }' vocabulary.txt)
frequent=$("$bin/versefind" --index "$index" --words --by-count | head -n 1)
top=${frequent%%	*}
echo "$(wc -l < vocabulary.txt) distinct words; $(wc -l < middling.txt) of 10 to 300 places;" \
     "asked: $word ($places places) and the most frequent, $top (${frequent#*	} places)"
echo "grep -nwi $word: $(grep -nwi -- "$word" "$text" | wc -l) lines;" \
     "grep -cwi $top: $(grep -cwi -- "$top" "$text") lines"

# ---- the queries ---------------------------------------------------------------------
# Through a pipe: GNU grep writing to /dev/null stops at the first match.
hyperfine --output=pipe --warmup 2 ${RUNS:+--runs "$RUNS"} --export-csv query.csv \
  --command-name "versefind --index $word" "'$bin/versefind' --index '$index' --width 0 -- '$word'" \
  --command-name "grep -nwi $word" "grep -nwi -- '$word' '$text'" \
  --command-name "versefind --index --count $top" "'$bin/versefind' --index '$index' --count -- '$top'" \
  --command-name "grep -cwi $top" "grep -cwi -- '$top' '$text'" \
  --command-name "versefind --version" "'$bin/versefind' --version"
for run in 1 2 3 4 5; do
  /usr/bin/time -f '%M' -o query.time "$bin/versefind" --index "$index" --width 0 -- "$word" > /dev/null
  cat query.time
done | sort -n | tail -n 1 > query.peak
echo "load after: $(uptime)"

# ---- the table ---------------------------------------------------------------------------
awk -F , -v textBytes="$(wc -c < "$text")" -v indexBytes="$(wc -c < "$index")" \
    -v buildPeak="$(cat build.peak)" -v mapPeak="$(cat map.peak)" -v queryPeak="$(cat query.peak)" \
    -v boundedPeak="$(cat bounded.peak)" -v boundedSame="$(cat bounded.same)" '
  FILENAME ~ /build.csv$/ && FNR > 1 { build[FNR - 1] = ($5 + $6) * 1000 }
  FILENAME ~ /query.csv$/ && FNR > 1 { wall[FNR - 1] = $2 * 1000 }
  function row(measure, figure, target, met) {
    printf "%-46s %-34s %-10s %s\n", measure, figure, target, met ? "met" : "NOT met"
  }
  END {
    printf "\n%-46s %-34s %-10s %s\n", "measure", "measured", "target", ""
    ratio = build[1] / build[2]
    row("build CPU, versefind 64 --save / std::map",
        sprintf("%.0f / %.0f ms = %.2f", build[1], build[2], ratio), "<= 0.5", ratio <= 0.5)
    printf "%-46s %s\n", "  (peak memory of the builds)",
           sprintf("%.0f MiB / %.0f MiB", buildPeak / 1024, mapPeak / 1024)
    ratio = indexBytes / textBytes
    row("index size / text size", sprintf("%d / %d bytes = %.3f", indexBytes, textBytes, ratio),
        "<= 0.4", ratio <= 0.4)
    row("build with --memory 64M: peak, the same index",
        sprintf("%.0f MiB, %s", boundedPeak / 1024, boundedSame), "<= 96 MiB",
        boundedPeak / 1024 <= 96 && boundedSame == "same")
    ratio = wall[2] / wall[1]
    row("one word of 10-300 places, grep -nwi / versefind",
        sprintf("%.1f / %.1f ms = %.3gx", wall[2], wall[1], ratio), ">= 50x", ratio >= 50)
    ratio = wall[4] / wall[3]
    row("--count of the most frequent, grep -cwi / versefind",
        sprintf("%.1f / %.1f ms = %.3gx", wall[4], wall[3], ratio), ">= 20x", ratio >= 20)
    row("peak memory of a one-word query", sprintf("%.1f MiB", queryPeak / 1024), "<= 16 MiB",
        queryPeak / 1024 <= 16)
    printf "%-46s %s\n", "  (versefind --version, wall)", sprintf("%.1f ms", wall[5])
  }' build.csv query.csv

# ---- pages read per look-up, by order ---------------------------------------------------------
# On the 10,000,000-byte text of 100,000 words. A look-up in the file reads
# one page per level down to the word: at most the index's height. The
# comparisons and nodes are the means over 200 words of the text, every k-th
# in word order, as --explain counts them in the tree built in memory.
small=$work/text-10000000-100000.txt
[ -s "$small" ] || "$bin/index_bench" --write-large-text "$small"
"$bin/versefind" --text "$small" --words | cut -f 1 > small.vocabulary
awk -v step="$(( $(wc -l < small.vocabulary) / 200 ))" '(NR - 1) % step == 0 && n++ < 200' \
  small.vocabulary > small.words
printf '\n%-6s %-22s %-14s %-28s %s\n' ORDER "pages of the file" "file height" "in memory: height" \
  "nodes read, comparisons a search (mean)"
for order in $orders; do
  "$bin/versefind" "$order" --save "$work/order.idx" --text "$small" 2>/dev/null
  "$bin/versefind" --index "$work/order.idx" --stats > order.stats
  "$bin/versefind" "$order" --text "$small" --stats > memory.stats
  # Each word a separate argument: --explain takes a quoted one as a phrase.
  # shellcheck disable=SC2046
  "$bin/versefind" "$order" --text "$small" --explain $(cat small.words) > explain.txt
  awk -v order="$order" '
    FILENAME ~ /order.stats$/ && $1 == "height" { fileHeight = $2 }
    FILENAME ~ /order.stats$/ && $1 == "pages" && !pages { pages = $2 + 0 }
    FILENAME ~ /memory.stats$/ && $1 == "height" { memoryHeight = $2 }
    FILENAME ~ /explain.txt$/ && $1 == "found:" {
      for (i = 1; i <= NF; i++) {
        if ($i == "depth") depth += $(i + 1) + 1
        if ($i == "after") comparisons += $(i + 1)
      }
      searches++
    }
    END { printf "%-6d %-22d %-14d %-28d %.2f, %.1f (%d searches)\n", order, pages, fileHeight,
                 memoryHeight, depth / searches, comparisons / searches, searches }' \
    order.stats memory.stats explain.txt
done
