#!/usr/bin/env bash
# Runs one fuzz target: first every input of its seed and regression folders,
# then new inputs for the given number of seconds. New interesting inputs go
# to the work folder, which with --fresh is emptied first (the smoke of the
# test suite), so that a run's length does not grow with earlier runs.
#   run_fuzz.sh [--fresh] BINARY SECONDS WORKDIR SEEDDIR...
set -euo pipefail
fresh=0
if [[ "${1:-}" == "--fresh" ]]; then
  fresh=1
  shift
fi
binary=$1 seconds=$2 work=$3
shift 3
if ((fresh)); then
  rm -rf "$work"
fi
mkdir -p "$work" "$work.artifacts"
seeds=()
for d in "$@"; do
  [[ -d "$d" ]] && seeds+=("$d")
done
# One worker: the machines are shared. Inputs over 1 MB add nothing that a
# smaller one cannot find and slow every run down; a single input that takes
# over 10 seconds is a hang; over 2 GB of memory is an unbounded allocation.
exec "$binary" -max_total_time="$seconds" -max_len=1048576 -timeout=10 -rss_limit_mb=2048 \
  -malloc_limit_mb=2048 -print_final_stats=1 -close_fd_mask=1 \
  -artifact_prefix="$work.artifacts/" "$work" "${seeds[@]}"
