# What every chart shares: the size, the font, the grid, and the machine and
# date of the run in the lower right corner. Loaded by each chart's script.
set terminal svg size 900,520 dynamic enhanced font 'Helvetica,12' background '#ffffff'
set output outfile
set grid lc rgb '#dddddd'
set key box opaque
set bmargin 5
set label 99 corner at screen 0.99, 0.015 right font ',9' textcolor rgb '#666666'
