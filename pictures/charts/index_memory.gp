# versefind: memory of the tree against its order, computed from the tree
# that the build leaves: every node's slots, and the part holding keys.
load 'charts/style.gp'
set title "versefind: memory of the tree by order (computed: nodes × their slots)\n{/*0.8 ".textinfo."}"
set logscale x
set xrange [1.5:*]
set xlabel 'order t (minimum degree, log scale)'
set ylabel 'memory (MiB)'
set yrange [0:*]
set key top right
MiB = 1024.0 * 1024.0
plot data.'/build_tree_slot_bytes.dat' using 1:($2 / MiB) with linespoints lw 2 pt 7 lc rgb '#2471a3' \
       title 'all slots: 2t entries and 2t+1 child pointers per node', \
     data.'/build_tree_key_bytes.dat' using 1:($2 / MiB) with linespoints lw 2 pt 5 dt 2 lc rgb '#7f8c8d' \
       title 'slots holding a key'
