#!/usr/bin/env bash
# run-fuzzer.sh FUZZER SEED_DIR WORK_DIR SECONDS: a time-boxed libFuzzer run from the seed corpus.
set -euo pipefail
fuzzer=$1 seeds=$2 work=$3 seconds=$4
mkdir -p "$work"
exec "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$work/" "$work" "$seeds"
