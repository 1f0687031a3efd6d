#!/usr/bin/env bash
# A real single-node Slurm cluster on this machine, for running the survey with --slurm in CI
# or for trying the workflow's Slurm profile on a laptop.
#
#   survey/ci/local-slurm.sh start    install slurm-wlm and munge if missing, write the
#                                     configuration, start munged, slurmctld and slurmd
#   survey/ci/local-slurm.sh stop     stop exactly the daemons that start started
#
# Everything lives in one folder, $GALTK_SLURM_DIR (default /tmp/galtk-slurm): slurm.conf, a
# munge key and socket of its own, state, spool, logs and the daemons' process ids. Clients
# find the cluster through SLURM_CONF:
#
#   export SLURM_CONF=/tmp/galtk-slurm/slurm.conf
#
# The node is this machine (its hostname and cores), one partition "main", no accounting
# database, no cgroups. Run as root: slurmd starts the jobs as their users.
set -euo pipefail
dir=${GALTK_SLURM_DIR:-/tmp/galtk-slurm}
conf=$dir/slurm.conf
port=${GALTK_SLURM_PORT:-16817}

say() { echo "local-slurm: $*"; }

install_missing() {
    local missing=() p
    for p in slurm-wlm munge; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if ((${#missing[@]})); then
        say "installing ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update
        apt-get install -y --no-install-recommends "${missing[@]}"
    fi
}

write_config() {
    local host cpus memory
    host=$(hostname -s)
    cpus=$(nproc)
    memory=$(awk '/^MemTotal:/ { print int($2 / 1024 * 0.9) }' /proc/meminfo)
    mkdir -p "$dir/state" "$dir/spool" "$dir/munge"
    cat > "$conf" <<CONF
# Single-node cluster written by survey/ci/local-slurm.sh for host $host.
ClusterName=galtk
SlurmctldHost=$host
SlurmctldPort=$port
SlurmdPort=$((port + 1))
SlurmUser=$(id -un)
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$dir/munge/munge.socket
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/slurmctld.log
SlurmdLogFile=$dir/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
AccountingStorageType=accounting_storage/none
JobAcctGatherType=jobacct_gather/none
JobCompType=jobcomp/none
SchedulerType=sched/backfill
ReturnToService=2
MinJobAge=600
NodeName=$host CPUs=$cpus RealMemory=$memory State=UNKNOWN
PartitionName=main Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF
}

# Waits until a daemon has written its process id; the id is kept for stop.
started() {
    local name=$1 pidfile=$2
    for _ in $(seq 1 100); do
        if [[ -s $pidfile ]] && kill -0 "$(cat "$pidfile")" 2>/dev/null; then
            cp "$pidfile" "$dir/$name.started"
            return 0
        fi
        sleep 0.1
    done
    say "$name did not start; see $dir/$name.log"
    return 1
}

start() {
    install_missing
    if [[ -e $dir/munged.started || -e $dir/slurmctld.started || -e $dir/slurmd.started ]]; then
        say "already started from $dir (stop it first)"
        exit 1
    fi
    write_config
    dd if=/dev/urandom of="$dir/munge/munge.key" bs=1024 count=1 status=none
    chmod 700 "$dir/munge"
    chmod 400 "$dir/munge/munge.key"
    munged --force --key-file="$dir/munge/munge.key" --socket="$dir/munge/munge.socket" \
        --pid-file="$dir/munged.pid" --log-file="$dir/munged.log" --seed-file="$dir/munge/munge.seed"
    started munged "$dir/munged.pid"
    slurmctld -f "$conf" -i
    started slurmctld "$dir/slurmctld.pid"
    slurmd -f "$conf"
    started slurmd "$dir/slurmd.pid"
    # The node registers with the controller within a few seconds.
    for _ in $(seq 1 60); do
        if SLURM_CONF=$conf sinfo -h -o '%t' 2>/dev/null | grep -qE '^(idle|mix|alloc)'; then
            say "cluster up: $(SLURM_CONF=$conf sinfo -h -o '%P %D node(s) %c cpus %t'); export SLURM_CONF=$conf"
            return 0
        fi
        sleep 0.5
    done
    say "the node did not come up; see $dir/slurmctld.log and $dir/slurmd.log"
    exit 1
}

stop() {
    local name pid
    for name in slurmd slurmctld munged; do
        [[ -e $dir/$name.started ]] || continue
        pid=$(cat "$dir/$name.started")
        # Only the process we started: same id and still that program.
        if [[ $(cat "/proc/$pid/comm" 2>/dev/null) == "$name" ]]; then
            kill -TERM "$pid"
            for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
            kill -0 "$pid" 2>/dev/null && kill -KILL "$pid"
        fi
        rm -f "$dir/$name.started"
        say "stopped $name ($pid)"
    done
}

case ${1:-} in
    start) start ;;
    stop) stop ;;
    *) echo "usage: $0 start|stop" >&2; exit 64 ;;
esac
