#!/bin/sh
# Draws the cost charts: runs the benchmark sweeps, splits their JSON output
# into one data file per line of a chart, and draws each chart with gnuplot.
#
#   draw_charts.sh BIN_DIR OUT_DIR [TEXT]
#
# BIN_DIR holds heap_bench and index_bench; the SVG charts go to OUT_DIR,
# their data to OUT_DIR/data. TEXT, when given, is indexed instead of the
# generated text. SWEEP=short runs a quick sweep (a few sizes and orders,
# short runs), to check that the charts can be drawn; REDRAW=1 draws the
# charts again from the JSON output of the last run, without running anything.
#
# JSON rather than CSV: the CSV writer takes its columns from the first case
# it reports and stops at a later case with a counter of its own, and the
# cases run in a random order.
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
  options="$sweep --benchmark_report_aggregates_only=true --benchmark_out_format=json"

  # run NAME COMMAND...: runs a sweep with its output in NAME.log; when it
  # fails, the end of that log is shown here, where the failure is seen.
  run() {
    log="$data/$1.log"
    shift
    "$@" > "$log" 2>&1 || {
      status=$?
      echo "draw_charts.sh: $(basename "$1") failed (status $status); the end of $log:" >&2
      tail -n 20 "$log" >&2
      exit 1
    }
  }

  echo "heapsort: the heap algorithms from 1,000 to 99,999 numbers"
  run heap "$bin/heap_bench" $options --benchmark_out="$data/heap.json"
  echo "versefind: building the index and searching it, by order"
  if [ -n "$text" ]; then
    run index "$bin/index_bench" $options --text "$text" --benchmark_out="$data/index.json"
    textname="$(basename "$text")"
  else
    run index "$bin/index_bench" $options --benchmark_out="$data/index.json"
    textname="the generated text"
  fi
  echo "$textname" > "$data/text-name"
fi
textname=$(cat "$data/text-name")
rm -f "$data"/*.dat

# Each case "SERIES/ARG_min" (the fastest repetition) adds "ARG CPU-TIME" to
# SERIES.dat, with the slashes of SERIES turned into underscores, and
# "ARG VALUE" to SERIES_COUNTER.dat for each counter the case carries.
# Google Benchmark writes its JSON one "key": value pair a line, and a
# counter is a numeric pair beside the fields every case has.
for json in "$data/heap.json" "$data/index.json"; do
  awk -v dir="$data" '
    BEGIN {
      split("family_index per_family_instance_index repetitions threads iterations " \
            "real_time cpu_time repetition_index", names, " ")
      for (i in names) standard[names[i]] = 1
    }
    /^ *"benchmarks": \[/ { inside = 1; next }
    !inside { next }
    /^ *\{ *$/ { name = ""; cpu = ""; ncounters = 0; next }
    /^ *"[^"]*": / {
      key = $0; sub(/^ *"/, "", key); sub(/".*/, "", key)
      value = $0; sub(/^ *"[^"]*": */, "", value); sub(/,$/, "", value)
      if (key == "name") { gsub(/"/, "", value); name = value }
      else if (key == "cpu_time") cpu = value
      else if (!(key in standard) && value ~ /^-?[0-9]/) {
        ncounters++; counter[ncounters] = key; counted[ncounters] = value
      }
      next
    }
    /^ *\},? *$/ {
      if (name !~ /_min$/) next
      sub(/_min$/, "", name)
      n = split(name, part, "/")
      arg = part[n]
      if (arg ~ /^[0-9]+$/) { n--; } else { arg = 0 }
      series = part[1]; for (i = 2; i <= n; i++) series = series "_" part[i]
      print arg, cpu + 0 > (dir "/" series ".dat")
      for (i = 1; i <= ncounters; i++) print arg, counted[i] + 0 > (dir "/" series "_" counter[i] ".dat")
      next
    }
    /^ *\]/ { inside = 0 }' "$json"
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
