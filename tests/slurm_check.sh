#!/usr/bin/env bash
# Starts a one-node Slurm cluster on the loopback interface (munged,
# slurmctld, slurmd; configuration, keys and state in a scratch folder) and
# checks that `srun --mpi=pmix -n 2 pandemie-cli ...` gives the same files and
# output streams as one plain process, for an ensemble and a sweep. Every
# daemon started here is stopped at the end. Needs root (slurmd starts the
# job's processes; not root: skipped, status 77, or a failure under CI=true)
# and Debian's slurm-wlm and munge.
# Usage: tests/slurm_check.sh path/to/pandemie-cli
set -uo pipefail
cli=$(realpath "$1")
# shellcheck source=tests/skips.sh
source "$(dirname "$0")/skips.sh"
[ "$(id -u)" -eq 0 ] || cannot_check "not root: slurmd is not started"
for program in munged mungekey slurmctld slurmd srun sinfo; do
    command -v "$program" >/dev/null || { echo "$program is missing (packages-checks.txt)" >&2; exit 1; }
done
scratch=$(mktemp -d)
daemons=()
slurmd_pid=
stop_daemons() {
    local pid waited
    # First the jobs end and slurmd has reaped their step daemons.
    if [ -n "$slurmd_pid" ]; then
        for waited in $(seq 50); do
            [ -z "$(timeout 5 squeue -h 2>/dev/null)" ] && ! pgrep -P "$slurmd_pid" >/dev/null && break
            sleep 0.2
        done
    fi
    for pid in "${daemons[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${daemons[@]}"; do
        for waited in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
        kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    rm -rf "$scratch"
}
trap stop_daemons EXIT
show_logs() { tail -n 20 "$scratch"/log/* >&2; }

# Two free ports for the controller and the node daemon.
free_port() {
    local port
    for port in $(shuf -i 20000-59999 -n 50); do
        ss -Htln "sport = :$port" | grep -q . || { echo "$port"; return; }
    done
    return 1
}
ctld_port=$(free_port) && node_port=$(free_port) || { echo "no free port" >&2; exit 1; }
[ "$ctld_port" != "$node_port" ] || node_port=$((ctld_port + 1))

mkdir -p "$scratch"/{key,munge,state,spool,tmp,log}
chmod 700 "$scratch/key"
chmod 755 "$scratch" "$scratch/munge"
mungekey --create --keyfile="$scratch/key/munge.key" || exit 1
socket=$scratch/munge/socket
munged --foreground --force --key-file="$scratch/key/munge.key" --socket="$socket" \
    --pid-file="$scratch/munge/pid" --log-file="$scratch/log/munged.log" --seed-file="$scratch/munge/seed" \
    --origin=127.0.0.1 --group-update-time=-1 2>>"$scratch/log/munged.log" &
daemons+=($!)

export SLURM_CONF=$scratch/slurm.conf
cat >"$SLURM_CONF" <<EOF
ClusterName=pandemiecheck
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$node_port
SlurmUser=root
AuthType=auth/munge
AuthInfo=socket=$socket
CredType=cred/munge
StateSaveLocation=$scratch/state
SlurmdSpoolDir=$scratch/spool
SlurmctldPidFile=$scratch/slurmctld.pid
SlurmdPidFile=$scratch/slurmd.pid
SlurmctldLogFile=$scratch/log/slurmctld.log
SlurmdLogFile=$scratch/log/slurmd.log
PlugStackConfig=$scratch/plugstack.conf
TmpFS=$scratch/tmp
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
MpiDefault=none
ReturnToService=2
NodeName=localhost NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=check Nodes=localhost Default=YES MaxTime=10 State=UP
EOF
: >"$scratch/plugstack.conf"

for waited in $(seq 50); do [ -S "$socket" ] && break; sleep 0.2; done
[ -S "$socket" ] || { echo "munged did not start" >&2; show_logs; exit 1; }
slurmctld -D -i >>"$scratch/log/slurmctld.out" 2>&1 &
daemons+=($!)
slurmd -D -N localhost >>"$scratch/log/slurmd.out" 2>&1 &
slurmd_pid=$!
daemons+=("$slurmd_pid")
# Waits until the node takes a job at once (srun would note a wait on stderr).
wait_idle() {
    local state= waited
    for waited in $(seq 60); do
        state=$(timeout 5 sinfo -h -n localhost -o %T 2>/dev/null)
        [ "$state" = idle ] && return 0
        sleep 0.5
    done
    echo "the node is not idle (state '$state')" >&2
    show_logs
    return 1
}
wait_idle || exit 1
echo "Slurm up on 127.0.0.1:$ctld_port"

run_in() {  # folder, threads, launcher words (none for a plain start), then -- and the tool's arguments
    local folder=$scratch/runs/$1 threads=$2
    shift 2
    local launcher=()
    while [ "$1" != -- ]; do launcher+=("$1"); shift; done
    shift
    rm -rf "$folder"
    mkdir -p "$folder"
    (cd "$folder" && timeout 300 "${launcher[@]}" "$cli" "$@" --threads "$threads" >stdout 2>progress
     echo $? >status)
    # A forwarded progress line (redrawn after a carriage return) is no result.
    grep -av $'\r' "$folder/progress" >"$folder/stderr"
    rm "$folder/progress"
}

failures=0
compare() {  # case name, the tool's arguments
    local name=$1
    shift
    run_in "$name-single" 2 -- "$@"
    wait_idle || exit 1
    run_in "$name-srun" 1 srun --mpi=pmix -n 2 -- "$@"
    if [ "$(cat "$scratch/runs/$name-single/status")" != 0 ]; then
        echo "FAIL $name: status $(cat "$scratch/runs/$name-single/status") on one process"
        cat "$scratch/runs/$name-single/stderr"
        failures=$((failures + 1))
    elif ! diff -r "$scratch/runs/$name-single" "$scratch/runs/$name-srun"; then
        echo "FAIL $name: srun -n 2 differs from one process"
        failures=$((failures + 1))
    else
        echo "ok   $name: srun --mpi=pmix -n 2 gives the bytes of one process"
    fi
}
compare ensemble --runs 301 --bands bands.csv --summary summary.csv --output runs.csv
compare sweep --sweep encounters=4..8:2 --sweep infection=6,8 --runs 50 --output sweep.csv --png sweep.png
[ "$failures" -eq 0 ] || show_logs
exit $((failures > 0))
