# versefind: building the index and one search, against the order of the
# B-tree, beside an index kept in a std::map (the dashed line).
load 'charts/style.gp'
stats data.'/build_map.dat' using 2 nooutput
buildMap = STATS_max
stats data.'/search_map.dat' using 2 nooutput
searchMap = STATS_max
set multiplot layout 1,2 title "versefind: cost by B-tree order (fastest of the repetitions, CPU time)\n{/*0.8 ".textinfo."}"
set logscale x
set xrange [1.5:*]
set xlabel 'order t (minimum degree, log scale)'
set yrange [0:*]
set key bottom right
set title 'building the index'
set ylabel 'time (ms)'
plot data.'/build_tree.dat' using 1:2 with linespoints lw 2 pt 7 lc rgb '#2471a3' title 'buildIndex', \
     buildMap with lines dt 2 lw 2 lc rgb '#7f8c8d' title 'std::map index'
set title 'one search (the word, and a copy of its places)'
set ylabel 'time (µs)'
plot data.'/search_tree.dat' using 1:2 with linespoints lw 2 pt 7 lc rgb '#c0392b' title 'search', \
     searchMap with lines dt 2 lw 2 lc rgb '#7f8c8d' title 'std::map find + copy'
unset multiplot
