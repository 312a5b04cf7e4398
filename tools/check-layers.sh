#!/bin/sh
# Checks that every source folder includes only the folders beneath it, so a
# wrong include fails the test suite instead of waiting for a review:
#
#   io        file and number utilities: the reader, the formats, output
#             files, the error type
#   model     the market model: the run state and its limits, the agents,
#             the week step, the path loop, the display operations -> io
#   run       the run driver and its files -> model, io
#   analysis  the summaries of a result directory, the earlier run's files
#             -> run, io
#   experiment sweeps of many runs and their results table -> analysis, run,
#             model, io
#   calibration parameters estimated by simulated moments -> experiment, analysis, run, model, io
#   chart     the chart adapter and the chart views -> calibration,
#             experiment, analysis, io, Qt
#   ui        the windows -> chart, calibration, experiment, analysis, run,
#             model, io, Qt
#   app       the programs -> ui, chart, analysis, calibration, experiment, run,
#             model, io
#
# The folders stand in that order, io at the bottom: each may include only
# folders below it, so no two folders include each other; the check refuses
# a table that breaks the order before it looks at a file. run and model
# build as one library, the simulation: the run reads the input files and
# drives the paths, the model computes on the run state, and only run calls
# its path loop. No folder of the core (io, model, run, analysis) and none of
# its tests includes a Qt or Qwt header.
#
# Usage: check-layers.sh SOURCE_ROOT. Prints each violation; exits 1 if any.

root=${1:?usage: check-layers.sh SOURCE_ROOT}
failed=0

allowed() {
  case $1 in
    io) echo "io" ;;
    model) echo "model io" ;;
    run) echo "run model io" ;;
    analysis) echo "analysis run io" ;;
    experiment) echo "experiment analysis run model io" ;;
    calibration) echo "calibration experiment analysis run model io" ;;
    chart) echo "chart calibration experiment analysis io" ;;
    ui) echo "ui chart calibration experiment analysis run model io" ;;
    app) echo "app ui chart analysis calibration experiment run model io" ;;
  esac
}

report() {
  echo "$1"
  failed=1
}

# Bottom first.
layers="io model run analysis experiment calibration chart ui app"

# The table itself: a folder may name only folders below it, and two folders
# that name each other are a loop however the order reads.
below=""
for folder in $layers; do
  for permitted in $(allowed "$folder"); do
    case " $folder $below " in *" $permitted "*) continue ;; esac
    case " $(allowed "$permitted") " in
      *" $folder "*) report "check-layers.sh: $folder and $permitted may include each other" ;;
      *) report "check-layers.sh: $folder may include $permitted, which does not stand below it" ;;
    esac
  done
  below="$below $folder"
done

sources_of() {
  [ -d "$root/$1" ] && find "$root/$1" -type f \( -name '*.h' -o -name '*.cpp' \) | sort
}

# Project includes: every "folder/File.h" must name an allowed folder.
for folder in $layers; do
  for file in $(sources_of "$folder"); do
    grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" | while IFS= read -r hit; do
      target=$(printf '%s\n' "$hit" | sed 's/^[^"]*"\([^"]*\)".*/\1/')
      case $target in */*) ;; *) continue ;; esac
      used=${target%%/*}
      ok=0
      for permitted in $(allowed "$folder"); do
        [ "$used" = "$permitted" ] && ok=1
      done
      [ "$ok" = 1 ] || echo "${file#$root/}:${hit%%:*}: $folder may not include $target"
    done
  done
done > "${TMPDIR:-/tmp}/check-layers.$$"

if [ -s "${TMPDIR:-/tmp}/check-layers.$$" ]; then
  cat "${TMPDIR:-/tmp}/check-layers.$$"
  failed=1
fi
rm -f "${TMPDIR:-/tmp}/check-layers.$$"

# The path loop has one caller: the run driver.
for file in $(sources_of analysis; sources_of experiment; sources_of calibration; sources_of chart; sources_of ui; sources_of app); do
  hits=$(grep -n '#[[:space:]]*include[[:space:]]*"model/PathLoop.h"' "$file")
  [ -n "$hits" ] && report "${file#$root/}:${hits%%:*}: only run may call the path loop (model/PathLoop.h)"
done

# The core and its tests know no window toolkit.
for folder in io model run analysis experiment calibration tests/io tests/model tests/run tests/analysis tests/experiment tests/calibration; do
  for file in $(sources_of "$folder"); do
    hits=$(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*<\(Q\|qwt\)' "$file")
    [ -n "$hits" ] && report "${file#$root/}:${hits%%:*}: the core may not include Qt or Qwt ($folder)"
  done
done

[ "$failed" = 0 ] && echo "Layers: every include goes the permitted way."
exit "$failed"
