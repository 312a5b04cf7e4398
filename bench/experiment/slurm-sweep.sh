#!/usr/bin/env bash
# The sweep of the scale benchmark on a real one-node Slurm cluster, against
# the local engine on the same machine: runs as root, like the test that
# starts the cluster.
#
# usage: bench/experiment/slurm-sweep.sh [RUNS]   (100000; from the source folder, after a build)
here=$(dirname "$(readlink -f "$0")")
exec bash "$here/../../tests/experiment/slurm-round-trip.sh" "$here/../../build/app/velquin-cli" \
  "$here/../../examples/demo" "${1:-100000}"
