#!/bin/sh
# Draws the cost charts: runs the benchmark sweeps, splits their CSV output
# into one data file per line of a chart, and draws each chart with gnuplot.
#
#   draw_charts.sh BIN_DIR OUT_DIR [TEXT]
#
# BIN_DIR holds heap_bench and index_bench; the SVG charts go to OUT_DIR,
# their data to OUT_DIR/data. TEXT, when given, is indexed instead of the
# generated text. SWEEP=short runs a quick sweep (a few sizes and orders,
# short runs), to check that the charts can be drawn; REDRAW=1 draws the
# charts again from the CSV output of the last run, without running anything.
set -eu
mkdir -p "$2"
bin=$(cd "$1" && pwd)
out=$(cd "$2" && pwd)   # absolute: index_bench works in a folder of its own
text=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
data="$out/data"
if [ -z "${REDRAW:-}" ]; then
  rm -rf "$data"
  mkdir -p "$data"

  if [ "${SWEEP:-}" = short ]; then
    sweep="--sweep --short --benchmark_min_time=0.01 --benchmark_repetitions=2"
  else
    sweep="--sweep --benchmark_repetitions=3 --benchmark_enable_random_interleaving=true"
  fi
  options="$sweep --benchmark_report_aggregates_only=true --benchmark_out_format=csv"

  echo "heapsort: the heap algorithms from 1,000 to 99,999 numbers"
  "$bin/heap_bench" $options --benchmark_out="$data/heap.csv" > "$data/heap.log" 2>&1
  echo "versefind: building the index and searching it, by order"
  if [ -n "$text" ]; then
    "$bin/index_bench" $options --text "$text" --benchmark_out="$data/index.csv" > "$data/index.log" 2>&1
    textname="$(basename "$text")"
  else
    "$bin/index_bench" $options --benchmark_out="$data/index.csv" > "$data/index.log" 2>&1
    textname="the generated text"
  fi
  echo "$textname" > "$data/text-name"
fi
textname=$(cat "$data/text-name")
rm -f "$data"/*.dat

# Each row "SERIES/ARG_min" (the fastest repetition) adds "ARG CPU-TIME" to
# SERIES.dat, with the slashes of SERIES turned into underscores, and
# "ARG VALUE" to SERIES_COUNTER.dat for each counter the row carries.
for csv in "$data/heap.csv" "$data/index.csv"; do
  awk -F, -v dir="$data" '
    /^name,/ { for (i = 1; i <= NF; i++) { gsub(/"/, "", $i); column[i] = $i }; next }
    {
      name = $1; gsub(/"/, "", name)
      if (name !~ /_min$/) next
      sub(/_min$/, "", name)
      n = split(name, part, "/")
      arg = part[n]
      if (arg ~ /^[0-9]+$/) { n--; } else { arg = 0 }
      series = part[1]; for (i = 2; i <= n; i++) series = series "_" part[i]
      print arg, $4 > (dir "/" series ".dat")
      for (i = 11; i <= NF; i++) if ($i != "") print arg, $i > (dir "/" series "_" column[i] ".dat")
    }' "$csv"
done
for dat in "$data"/*.dat; do sort -n -o "$dat" "$dat"; done  # the cases ran in a random order

cpu=$(grep -m1 'model name' /proc/cpuinfo 2>/dev/null | sed 's/.*: *//' || true)
corner="${cpu:-$(uname -m)}, $(nproc 2>/dev/null || echo '?') cores, $(uname -s); $(date -u +%Y-%m-%d)"
facts=$(grep -m1 '^text:' "$data/index.log" | sed 's/^text: //')

for chart in heap_time index_time index_memory; do
  (cd "$here" && gnuplot -e "data='$data'; corner='$corner'; textinfo='$textname: $facts'; outfile='$out/$chart.svg'" \
    "charts/$chart.gp")
  echo "  $out/$chart.svg"
done
