#!/usr/bin/env bash
# A real one-node Slurm cluster for one test: munged, slurmctld and slurmd
# started from a configuration in a temporary folder on free ports. A small
# sweep goes to it as a job array with a collector job, and its results.csv
# must equal the local engine's. Every daemon started here is stopped by its
# pid. Where the cluster cannot be started (not root, no packages), the test
# says why and is skipped (exit 77), and the rest of the suite runs.
#
# usage: slurm-round-trip.sh VELQUIN_CLI DEMO_DIR [RUNS | calibration]
#
# With RUNS, a benchmark instead of the test: a sweep of RUNS short runs that
# keeps only summaries, on this machine's engine and then on the cluster,
# with the wall time of each (bench/experiment/slurm-sweep.sh).
#
# With "calibration", a small calibration instead, each of its generations
# one job array: its evaluations.csv and report.csv must equal the local
# engine's.
set -u

cli=$(readlink -f "$1")
demo=$(readlink -f "$2")

skip() {
  echo "SKIPPED: the Slurm round trip cannot run here: $*"
  exit 77
}

fail() {
  echo "FAILED: $*"
  for log in "$tmp"/log/*.log; do
    [ -f "$log" ] && { echo "--- $log"; tail -n 30 "$log"; }
  done
  exit 1
}

[ "$(id -u)" -eq 0 ] || skip "it must start munged and the Slurm daemons as root"

missing=""
for package in slurm-wlm munge; do
  dpkg -s "$package" >/dev/null 2>&1 || missing="$missing $package"
done
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  { apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing; } \
    >/dev/null 2>&1 || skip "the packages$missing could not be installed"
fi
for program in munged slurmctld slurmd sbatch squeue sinfo scontrol setpriv; do
  command -v "$program" >/dev/null || skip "$program is missing"
done

tmp=$(mktemp -d /tmp/velquin-slurm.XXXXXX)
chmod 755 "$tmp"
mkdir -p "$tmp/log" "$tmp/state" "$tmp/spool" "$tmp/munge"
pids=()
collector=""

stop_daemons() {
  [ -n "$collector" ] && scancel "$collector" >/dev/null 2>&1
  # Newest first: slurmd, slurmctld, then munged.
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
  done
  rm -f "$socket"
  rm -rf "$tmp"
}
socket=/run/munge/velquin-test-$$.socket
trap stop_daemons EXIT

port_is_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
free_port() {
  local port=$((20000 + RANDOM % 30000))
  while ! port_is_free "$port" || [ "$port" = "${1:-}" ]; do port=$((port + 1)); done
  echo "$port"
}
ctld_port=$(free_port)
slurmd_port=$(free_port "$ctld_port")

# munged, as the munge user, with a key of this test's own.
mkdir -p /run/munge
chown munge:munge /run/munge "$tmp/munge"
chmod 755 /run/munge
chmod 700 "$tmp/munge"
dd if=/dev/urandom of="$tmp/munge/munge.key" bs=1024 count=1 status=none
chown munge:munge "$tmp/munge/munge.key"
chmod 400 "$tmp/munge/munge.key"
setpriv --reuid=munge --regid=munge --init-groups munged --foreground --force \
  --socket="$socket" --key-file="$tmp/munge/munge.key" --pid-file="$tmp/munge/munged.pid" \
  --seed-file="$tmp/munge/munged.seed" --log-file="$tmp/log/munged.log" >"$tmp/log/munged.out.log" 2>&1 &
pids+=($!)

host=$(hostname -s)
export SLURM_CONF="$tmp/slurm.conf"
cat >"$SLURM_CONF" <<EOF
ClusterName=velquintest
SlurmctldHost=$host(127.0.0.1)
SlurmUser=root
SlurmdUser=root
SlurmctldPort=$ctld_port
SlurmdPort=$slurmd_port
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$socket
StateSaveLocation=$tmp/state
SlurmdSpoolDir=$tmp/spool
SlurmctldPidFile=$tmp/slurmctld.pid
SlurmdPidFile=$tmp/slurmd.pid
SlurmctldLogFile=$tmp/log/slurmctld.log
SlurmdLogFile=$tmp/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MpiDefault=none
SchedulerType=sched/builtin
SchedulerParameters=batch_sched_delay=0
DependencyParameters=kill_invalid_depend
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
MaxArraySize=3
NodeName=$host NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=test Nodes=$host Default=YES MaxTime=INFINITE State=UP
EOF

for _ in $(seq 50); do [ -S "$socket" ] && break; sleep 0.1; done
[ -S "$socket" ] || fail "munged did not start"
slurmctld -D -i -f "$SLURM_CONF" >"$tmp/log/slurmctld.out.log" 2>&1 &
pids+=($!)
slurmd -D -f "$SLURM_CONF" >"$tmp/log/slurmd.out.log" 2>&1 &
pids+=($!)

state=""
for _ in $(seq 120); do
  state=$(sinfo -h -o %t 2>/dev/null | head -n 1)
  [ "$state" = "idle" ] && break
  sleep 0.5
done
[ "$state" = "idle" ] || fail "the node did not become idle within a minute (state '$state')"

if [ "${3:-}" = calibration ]; then
  # 12 agents, weeks 53..90 of which 20 train, 3 paths, 2 seeds; two
  # generations of six candidates. Asked for no least work per task, with
  # MaxArraySize=3 each generation's twelve runs go to two tasks of six.
  mkdir -p "$tmp/calibration/in"
  cp "$demo/price.txt" "$demo/data.txt" "$demo/wdata.txt" "$tmp/calibration/in/"
  printf '0.00435\n6\n0.01088\n0.02176\n0.01538\n12\n53\n90\n20\n0.6\n0.02\n0.5\n0.3\n0.01\n0.25\n3\n2\nwrite\n' \
    >"$tmp/calibration/in/para.txt"
  cat >"$tmp/calibration/calibration.toml" <<EOF
inputs = "in"
[estimate]
delta = { from = 0.003, to = 0.006 }
gap2 = { from = 0.1, to = 0.5 }
[moments]
use = ["std", "mean", "acf_abs_1"]
weights = "identity"
[replications]
seeds = 2
[search]
budget = 12
seed = 4
EOF
  cd "$tmp/calibration" || fail "no calibration folder"
  "$cli" calibrate run calibration.toml --out local --quiet || fail "the local engine failed"
  "$cli" calibrate run calibration.toml --out cluster --engine slurm --task-seconds 0 --sbatch "--time=5" \
    >cluster.log 2>&1 || fail "the calibration on the cluster failed: $(cat cluster.log)"
  cmp local/evaluations.csv cluster/evaluations.csv || fail "evaluations.csv differs between the engines"
  cmp local/report.csv cluster/report.csv || fail "report.csv differs between the engines"
  # The start, two generations and the three final batches (the Jacobian's
  # steps): six arrays of two tasks.
  arrays=$(grep -c '_slurm_rpc_submit_batch_job' "$tmp/log/slurmctld.log")
  tasks=$(grep -c 'sched: Allocate JobId=' "$tmp/log/slurmctld.log")
  [ "$arrays" -eq 6 ] && [ "$tasks" -eq 12 ] || fail "expected 6 arrays of 2 tasks, got $arrays arrays of $tasks tasks"
  [ ! -e cluster/work ] || fail "the calibration left its last batch's folder behind"
  echo "The Slurm round trip of a calibration gave the local engine's evaluations.csv" \
    "($(($(wc -l <cluster/evaluations.csv) - 1)) candidates) and report.csv."
  exit 0
fi

if [ -n "${3:-}" ]; then
  mkdir -p "$tmp/bench/short"
  cp "$demo/price.txt" "$demo/data.txt" "$demo/wdata.txt" "$tmp/bench/short/"
  printf '0.00435\n6\n0.01088\n0.02176\n0.01538\n12\n53\n70\n10\n0.6\n0.02\n0.5\n0.3\n0.01\n0.25\n1\n1\nwrite\n' \
    >"$tmp/bench/short/para.txt"
  printf 'inputs = "short"\n[replications]\nseeds = %d\n[output]\nkeep = "summaries"\n' "$3" >"$tmp/bench/lean.toml"
  cd "$tmp/bench" || fail "no bench folder"
  start=$(date +%s.%N)
  "$cli" sweep run lean.toml --out local --quiet || fail "the local engine failed"
  local_wall=$(echo "$(date +%s.%N) - $start" | bc)
  start=$(date +%s.%N)
  submitted=$("$cli" sweep run lean.toml --out cluster --engine slurm 2>&1) || fail "the submission failed: $submitted"
  echo "$submitted" | grep Submitted
  collector=$(echo "$submitted" | sed -n 's/.*collector job \([0-9]*\).*/\1/p')
  while [ -n "$(squeue -h -j "$collector" 2>/dev/null)" ] || [ ! -f cluster/results.csv ]; do sleep 0.5; done
  cluster_wall=$(echo "$(date +%s.%N) - $start" | bc)
  cmp -s local/results.csv cluster/results.csv || fail "results.csv differs between the engines"
  printf '%d short runs, summaries only: local engine %.1f s, Slurm (one node, 2 CPUs) %.1f s = %.2f x local\n' \
    "$3" "$local_wall" "$cluster_wall" "$(echo "$cluster_wall / $local_wall" | bc -l)"
  exit 0
fi

# A sweep of four short runs: two points, two seeds. Asked for no least work
# per task, with MaxArraySize=3 the array has two tasks of two runs each.
mkdir -p "$tmp/work/in"
cp "$demo/price.txt" "$demo/data.txt" "$demo/wdata.txt" "$tmp/work/in/"
printf '0.00435\n6\n0.01088\n0.02176\n0.01538\n12\n53\n90\n20\n0.6\n0.02\n0.5\n0.3\n0.01\n0.25\n3\n2\nwrite\n' \
  >"$tmp/work/in/para.txt"
cat >"$tmp/work/sweep.toml" <<EOF
inputs = "in"
[vary]
popsize = [10, 12]
[replications]
seeds = 2
EOF
cd "$tmp/work" || fail "no work folder"

"$cli" sweep run sweep.toml --out local --quiet || fail "the local engine failed"
submitted=$("$cli" sweep run sweep.toml --out cluster --engine slurm --task-seconds 0 --sbatch "--time=5" 2>&1) ||
  fail "the submission failed: $submitted"
echo "$submitted"
echo "$submitted" | grep -q "(2 tasks, 2 runs each," || fail "expected an array of two tasks of two runs"
collector=$(echo "$submitted" | sed -n 's/.*collector job \([0-9]*\).*/\1/p')
[ -n "$collector" ] || fail "no collector job id in: $submitted"

for _ in $(seq 240); do
  [ -z "$(squeue -h -j "$collector" 2>/dev/null)" ] && [ -f cluster/results.csv ] && break
  sleep 0.5
done
[ -f cluster/results.csv ] || fail "the collector wrote no results.csv within two minutes"
cmp local/results.csv cluster/results.csv || fail "results.csv differs between the engines"
[ "$(grep -c ',done,$' cluster/results.csv)" -eq 12 ] || fail "not every path of the cluster's runs is done"
"$cli" sweep status cluster | grep -q "4 runs: 4 done, 0 failed, 0 pending" || fail "sweep status disagrees"

echo "The Slurm round trip gave the local engine's results.csv ($(wc -l <cluster/results.csv) lines)."
