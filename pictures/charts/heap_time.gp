# heapsort: building a heap and sorting, against the number of values,
# beside the standard library.
load 'charts/style.gp'
set title 'heapsort: time against the number of values (fastest of the repetitions, CPU time)'
set logscale xy
set xrange [800:130000]
set format x '%.0s%c'
set xlabel 'number of values (random ints)'
set ylabel 'time (µs)'
set key top left
plot data.'/heapSortNumbers.dat' using 1:2 with linespoints lw 2 pt 7 lc rgb '#c0392b' title 'heapSortNumbers', \
     data.'/std_sort_heap.dat' using 1:2 with linespoints lw 1 pt 6 dt 2 lc rgb '#c0392b' title 'std::make\_heap + std::sort\_heap', \
     data.'/std_sort.dat' using 1:2 with linespoints lw 1 pt 4 dt 3 lc rgb '#7f8c8d' title 'std::sort', \
     data.'/buildMaxHeap.dat' using 1:2 with linespoints lw 2 pt 5 lc rgb '#2471a3' title 'buildMaxHeap', \
     data.'/std_make_heap.dat' using 1:2 with linespoints lw 1 pt 4 dt 2 lc rgb '#2471a3' title 'std::make\_heap'
