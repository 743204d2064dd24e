#!/usr/bin/env bash
# Measures the start of the real program against the baseline program (linha_de_base),
# over repeated runs, with the private Firebird test server and the test share:
#   - tessela: from the start to the report file Fichapes1.txt written whole, and to
#     the report on the screen (the window with the user's caption, the file written);
#     peak memory (maximum resident set, /usr/bin/time);
#   - linha_de_base: from the start to its rows shown (the line it prints then);
#     peak memory.
# Runs under Xvfb. Needs root (mount namespace of the test share); when port 3050 is
# taken (another build's test server) it runs in a private network namespace.
#
# --rede: over a slow link instead. The server listens on 3051 and the proxy
# bench/rede_lenta takes 3050, delaying the central server's connections by each
# one-way delay of TESSELA_ATRASOS in turn (milliseconds, default "0 10 25"); the
# stored local location is not delayed. For each delay: both programs' times to the
# screen and their round trips and attachments, to the central server and to the
# local location, up to that moment. Always in a private network namespace.
# TESSELA_REGISTROS=DIR keeps the proxy's event logs there. TESSELA_ANTES=FILE runs that
# other tessela (the program before a change) in turn with them, and checks that every
# report file either writes is the same, byte for byte.
#
#   bench/medir.sh [--rede] [BUILD_DIR [RUNS]]     defaults: build, 10
set -euo pipefail
fontes=$(cd "$(dirname "$0")/.." && pwd)
rede=
if [ "${1:-}" = --rede ]; then
  rede=--rede
  shift
fi
build=$(realpath "${1:-$fontes/build}")
vezes=${2:-10}
tessela=$build/src/startup/tessela
base=$build/bench/linha_de_base
proxy=$build/bench/rede_lenta/rede_lenta
necessarios=("$tessela" "$base")
[ -n "$rede" ] && necessarios+=("$proxy")
for f in "${necessarios[@]}"; do
  [ -x "$f" ] || { echo "medir: $f is missing: cmake --build $build --target tessela linha_de_base rede_lenta" >&2; exit 1; }
done
[[ "$vezes" =~ ^[1-9][0-9]*$ ]] || { echo "medir: RUNS must be a whole number, not '$vezes'" >&2; exit 2; }
export TESSELA_MEDIR_INICIO=${TESSELA_MEDIR_INICIO:-$(date +%s.%N)}
argumentos=("$build" "$vezes")
[ -n "$rede" ] && argumentos=(--rede "${argumentos[@]}")

if [ -z "${TESSELA_COMPARTILHAMENTO:-}" ] && [ -z "${TESSELA_REDE_PROPRIA:-}" ] &&
  { [ -n "$rede" ] || (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null; }; then
  export TESSELA_REDE_PROPRIA=1
  exec unshare -n bash -c 'ip link set lo up && exec "$0" "$@"' "$0" "${argumentos[@]}"
fi

if [ -z "${TESSELA_COMPARTILHAMENTO:-}" ]; then
  raiz=$(mktemp -d /tmp/tessela-medir.XXXXXX)
  parar() {
    "$fontes/scripts/firebird-servidor.sh" stop "$raiz/firebird" >/dev/null 2>&1 || true
    rm -rf "$raiz"
  }
  trap parar EXIT
  # Over the slow link the server leaves 3050 to the proxy.
  [ -n "$rede" ] && export TESSELA_FIREBIRD_PORTA=3051
  "$fontes/scripts/firebird-servidor.sh" start "$raiz/firebird" >/dev/null
  status=0
  "$fontes/tests/support/com-compartilhamento.sh" "$0" "${argumentos[@]}" || status=$?
  exit "$status"
fi

command -v python3 >/dev/null || { echo "medir: python3 is missing: run scripts/setup.sh" >&2; exit 1; }
export TESSELA_BINARIO="$tessela" TESSELA_BASE="$base" TESSELA_VEZES="$vezes"
if [ -n "$rede" ]; then
  export TESSELA_PROXY="$proxy" TESSELA_PORTA_SERVIDOR="$TESSELA_FIREBIRD_PORTA"
  if [ -n "${TESSELA_REGISTROS:-}" ]; then
    mkdir -p "$TESSELA_REGISTROS"
    TESSELA_REGISTROS=$(realpath "$TESSELA_REGISTROS")
  fi
fi
exec python3 "$fontes/bench/medir.py"
