#!/bin/sh
# Prints where a demo run left its results and, per path, the rmse of the
# simulation and of the random walk from the run report.
result=$1
report="$result/eval.txt"
[ -f "$report" ] || { echo "no run report at $report" >&2; exit 1; }
echo "Results are in $(cd "$result" && pwd)"
awk '
  /^No\. = / { path = $3 }
  /^me\(sim\)/ { getline; printf "path %s: rmse(sim) %s  rmse(rw) %s\n", path, $5, $6 }
' "$report"
