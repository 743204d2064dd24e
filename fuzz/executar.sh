#!/usr/bin/env bash
# Runs one fuzz target for a bounded time on a copy of its seed corpus, so that the run
# never writes into the repository. An input that breaks the target is kept beside it
# (falhas-<target>/) and fails the run.
#   executar.sh TARGET CORPUS SECONDS [DICTIONARY]
set -u
alvo=$1
corpus=$2
segundos=$3
dicionario=${4:-}

trabalho=$(mktemp -d /tmp/tessela-fuzz.XXXXXX)
trap 'rm -rf "$trabalho"' EXIT
mkdir "$trabalho/corpus"
cp -r "$corpus"/. "$trabalho/corpus/"
falhas="$(dirname "$alvo")/falhas-$(basename "$alvo")"
mkdir -p "$falhas"

opcoes=(-max_total_time="$segundos" -max_len=8192 -timeout=10 -rss_limit_mb=2048
  -print_final_stats=1 -artifact_prefix="$falhas/")
[ -n "$dicionario" ] && opcoes+=(-dict="$dicionario")
"$alvo" "${opcoes[@]}" "$trabalho/corpus" >"$trabalho/log" 2>&1
status=$?
if [ $status -ne 0 ]; then
  tail -n 80 "$trabalho/log"
  echo "fuzz: $(basename "$alvo") failed with status $status; the input is in $falhas"
  exit $status
fi
grep -E '^stat::(number_of_executed_units|new_units_added|peak_rss_mb)' "$trabalho/log"
echo "fuzz: $(basename "$alvo") ran $segundos s on $(ls "$corpus" | wc -l) seeds without a finding"
