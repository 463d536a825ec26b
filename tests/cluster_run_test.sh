#!/usr/bin/env bash
# An archive converted by four copies of zel-cli, each taking one shard, must come out
# exactly as one `zel-cli --jobs 1` run: every file converted once, byte for byte the
# same. MODE slurm runs the copies as a job array on a one-node Slurm cluster that this
# script starts (munged, slurmctld, slurmd, state in WORK) and stops by PID on exit;
# MODE parallel runs them with GNU parallel. A cluster that does not come up fails the
# test with the reason.
#
# Usage: cluster_run_test.sh ZEL_CLI WORK slurm|parallel
set -euo pipefail
cli=$1
work=$2/cluster-$3
mode=$3
readonly shards=4 folders=12 subfolders=5 files_each=5
readonly deadline=60

fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
tree=$work/tree

# A mono 16-bit file of $3 frames at $2 Hz, noise from /dev/urandom.
write_wav() {
  local path=$1 rate=$2 frames=$3 data=$(($3 * 2))
  le32() {
    local hex
    printf -v hex '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) \
      $(($1 >> 16 & 255)) $(($1 >> 24 & 255))
    printf "$hex"
  }
  { printf 'RIFF'; le32 $((data + 36)); printf 'WAVEfmt '; le32 16
    printf '\x01\x00\x01\x00'; le32 "$rate"; le32 $((rate * 2)); printf '\x02\x00\x10\x00'
    printf 'data'; le32 "$data"; head -c "$data" /dev/urandom; } > "$path"
}

generate_tree() {
  local d s f n=0
  for d in $(seq -w 1 $folders); do
    for s in $(seq 1 $subfolders); do
      mkdir -p "$tree/set$d/take $s"
      for f in $(seq 1 $files_each); do
        n=$((n + 1))
        write_wav "$tree/set$d/take $s/clip$f.WAV" $((8000 + n % 3 * 8000)) $((1000 + n * 7))
      done
    done
  done
  # Left out by the walk: a hidden folder and an abandoned temporary file.
  mkdir -p "$tree/.cache"
  write_wav "$tree/.cache/hidden.wav" 8000 100
  write_wav "$tree/set01/.zeltmp-abandoned.wav" 8000 100
}

expected_count() { echo $((folders * subfolders * files_each)); }

# Every input appears in exactly one result line, with code 0, and the outputs match the
# reference byte for byte.
check_results() {
  local results=$work/results/all.jsonl
  cat "$work"/results/*.jsonl > "$results"
  local lines unique ok
  lines=$(wc -l < "$results")
  unique=$(sed 's/^{"input":"\([^"]*\)".*/\1/' "$results" | sort -u | wc -l)
  ok=$(grep -c '"code":0,' "$results" || true)
  echo "results: $lines lines, $unique distinct inputs, $ok converted"
  [ "$lines" -eq "$(expected_count)" ] || fail "expected $(expected_count) result lines, got $lines"
  [ "$unique" -eq "$lines" ] || fail "some file was converted more than once"
  [ "$ok" -eq "$lines" ] || fail "some file failed: $(grep -v '"code":0,' "$results" | head -3)"
  diff -r "$work/reference" "$work/out" > "$work/diff.txt" ||
    fail "outputs differ from the single run: $(head -5 "$work/diff.txt")"
  echo "outputs: $(find "$work/out" -type f | wc -l) files, identical to the single run"
}

shard_command() {
  echo "\"$cli\" -q -r --skip-existing --results jsonl --shard $1/$shards" \
       "--output-dir \"$work/out\" \"$tree\" > \"$work/results/$1.jsonl\""
}

run_with_parallel() {
  command -v parallel > /dev/null || fail "GNU parallel is not installed (scripts/install-deps.sh)"
  mkdir -p "$work/results"
  seq 0 $((shards - 1)) | timeout $deadline parallel --will-cite -j $shards \
    "\"$cli\" -q -r --skip-existing --results jsonl --shard {}/$shards --output-dir" \
    "\"$work/out\" \"$tree\" > \"$work/results/{}.jsonl\"" || fail "a parallel copy failed"
}

# --- Slurm -------------------------------------------------------------------------
pids=()
stop_daemons() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2> /dev/null || true; done
}
show_logs() {
  local log
  for log in "$state"/*.log; do
    [ -f "$log" ] && { echo "--- $log (last lines)"; tail -n 15 "$log"; }
  done >&2
}

wait_until() {  # wait_until SECONDS WHAT COMMAND...
  local seconds=$1 what=$2
  local limit=$(($(date +%s) + seconds))
  shift 2
  until "$@" > /dev/null 2>&1; do
    [ "$(date +%s)" -lt $limit ] || { show_logs; fail "$what within ${seconds}s"; }
    sleep 0.2
  done
}

node_idle() { [ "$(sinfo -h -o %t 2> /dev/null)" = idle ]; }

# slurmd reads the cgroup file system at start and never reports the node idle without it.
cgroup_mounted() { grep -qE '^[^ ]+ /sys/fs/cgroup[/ ]' /proc/mounts; }

# Two ports no one listens on now, so that a second run on the same machine (another build's
# suites) does not meet this one's daemons on Slurm's fixed ports.
free_ports() {
  python3 -c 'import socket
held = [socket.socket() for _ in range(2)]
for s in held: s.bind(("127.0.0.1", 0))
print(*(s.getsockname()[1] for s in held))'
}

start_cluster() {
  local tool
  for tool in munged mungekey slurmctld slurmd sbatch sinfo; do
    command -v "$tool" > /dev/null ||
      fail "$tool is missing: install slurm-wlm and munge (scripts/install-deps.sh)"
  done
  state=$work/slurm
  mkdir -p "$state/ctld" "$state/spool"
  chmod 755 "$state"
  local host user
  host=$(hostname -s)
  user=$(id -un)
  mungekey --create --keyfile="$state/munge.key" > /dev/null
  munged --foreground --force --socket="$state/munge.sock" --key-file="$state/munge.key" \
    --pid-file="$state/munged.pid" --log-file="$state/munged.log" \
    --seed-file="$state/munged.seed" > "$state/munged.out" 2>&1 &
  pids+=($!)
  wait_until 10 "munged did not start" test -S "$state/munge.sock"
  cgroup_mounted ||
    fail "the cgroup file system is not mounted at /sys/fs/cgroup: slurmd cannot start"
  export SLURM_CONF=$state/slurm.conf
  local ctld_port node_port
  read -r ctld_port node_port < <(free_ports)
  cat > "$SLURM_CONF" <<CONF
ClusterName=zeltest
SlurmctldPort=$ctld_port
SlurmdPort=$node_port
SlurmctldHost=$host(127.0.0.1)
SlurmUser=$user
SlurmdUser=$user
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$state/munge.sock
StateSaveLocation=$state/ctld
SlurmdSpoolDir=$state/spool
SlurmctldPidFile=$state/slurmctld.pid
SlurmdPidFile=$state/slurmd.pid
SlurmctldLogFile=$state/slurmctld.log
SlurmdLogFile=$state/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
MailProg=/bin/true
ReturnToService=2
JobCompType=jobcomp/none
AccountingStorageType=accounting_storage/none
NodeName=$host NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=zel Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF
  slurmctld -D -i -f "$SLURM_CONF" > "$state/slurmctld.out" 2>&1 &
  pids+=($!)
  slurmd -D -f "$SLURM_CONF" -N "$host" > "$state/slurmd.out" 2>&1 &
  pids+=($!)
  wait_until 30 "the Slurm node did not become idle" node_idle
  echo "slurm: node $host idle"
}

run_with_slurm() {
  start_cluster
  mkdir -p "$work/results" "$work/logs"
  cat > "$work/job.sh" <<JOB
#!/usr/bin/env bash
$(shard_command '$SLURM_ARRAY_TASK_ID')
JOB
  chmod +x "$work/job.sh"
  local submitted
  submitted=$(timeout $deadline sbatch --wait --parsable --array=0-$((shards - 1)) \
    --output="$work/logs/%A_%a.out" --chdir="$work" "$work/job.sh") ||
    { show_logs; fail "the job array did not complete (sbatch: ${submitted:-no job id})"; }
  echo "slurm: job array $submitted finished"
  grep -h "_job_complete.* done" "$state/slurmctld.log" | sed 's/^/slurmctld: /' | tail -n $shards
}

generate_tree
"$cli" -q -r --jobs 1 --output-dir "$work/reference" "$tree" > "$work/reference.tsv" ||
  fail "the single run failed"
case $mode in
  slurm) trap stop_daemons EXIT; run_with_slurm ;;
  parallel) run_with_parallel ;;
  *) fail "unknown mode $mode" ;;
esac
check_results
