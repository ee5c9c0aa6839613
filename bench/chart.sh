#!/usr/bin/env bash
# Draws the parse and full-load throughput of every contender at 1 MiB and 20 MiB from
# xml_bench's tab-separated results (scripts/bench --chart does this into docs/benchmarks.png).
#
#   bench/chart.sh RESULTS.tsv OUTPUT.png
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: bench/chart.sh RESULTS.tsv OUTPUT.png" >&2; exit 2; }
results=$1
output=$2
data=$(mktemp)
trap 'rm -f "$data"' EXIT

# One row per contender, in the program's order: label, MB/s at 1 MiB, at 20 MiB ("-": not run).
awk -F'\t' '
  NR > 1 && ($2 == "parse" || $2 == "full load") && ($1 == "1 MiB" || $1 == "20 MiB") {
    label = $3
    if ($2 == "full load") label = label "\\nfull load"
    else if ($3 == "gamehost") label = label "\\nparse (model)"
    else if ($3 == "expat") label = label "\\n(builds no tree)"
    if (!(label in seen)) { seen[label] = 1; order[++n] = label }
    rate[label, $1] = $5
  }
  END {
    for (i = 1; i <= n; i++) {
      a = rate[order[i], "1 MiB"]; b = rate[order[i], "20 MiB"]
      printf "\"%s\"\t%s\t%s\n", order[i], a == "" ? "-" : a, b == "" ? "-" : b
    }
  }' "$results" > "$data"
[ -s "$data" ] || { echo "bench/chart.sh: no 1 MiB or 20 MiB parse results in $results" >&2; exit 1; }

gnuplot <<GNUPLOT
set terminal pngcairo size 1000,560 font "DejaVu Sans,11"
set output "$output"
set datafile separator "\t"
set datafile missing "-"
set title "Bytes to tree: generated game data, UTF-8 (MB/s, higher is better)"
set style data histograms
set style histogram clustered gap 1
set style fill solid 0.85 border -1
set boxwidth 0.9
set yrange [0:*]
set ylabel "MB/s (10^6 bytes per second)"
set grid ytics
set key top left
set xtics nomirror scale 0
set offsets 0, 0, graph 0.08, 0
set bmargin 4
# Two bars per cluster and a gap of one bar: their centres lie a sixth either side of the tick.
plot "$data" using 2:xtic(1) title "1 MiB" linecolor rgb "#4C72B0", \
     "" using 3 title "20 MiB" linecolor rgb "#DD8452", \
     "" using (\$0 - 1.0/6):2:(sprintf("%.0f", \$2)) with labels offset 0,0.7 font ",9" notitle, \
     "" using (\$0 + 1.0/6):3:(sprintf("%.0f", \$3)) with labels offset 0,0.7 font ",9" notitle
GNUPLOT
