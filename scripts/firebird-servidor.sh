#!/usr/bin/env bash
# A private Firebird 3 server for the tests and the demo, on 127.0.0.1:3050, with its
# own configuration, security database, aliases and lock folder under ROOT. It never
# touches the machine's own Firebird service or its files under /etc.
#
# TESSELA_FIREBIRD_PORTA puts it on another port (RemoteServicePort in ROOT's own
# firebird.conf), for a proxy to take 3050: clients that do not read ROOT's
# firebird.conf (no FIREBIRD=ROOT) still go to 3050; this script's isql-fb does read
# it and goes straight to the server.
#
#   firebird-servidor.sh start ROOT   (re)creates ROOT, starts the server, creates the
#                                     databases from sql/ and returns once they exist
#   firebird-servidor.sh stop ROOT    stops the server started in ROOT
#
# Extra SQL files named in TESSELA_SQL_EXTRA (blank-separated) are run after the seed
# data on every database (the demo adds its components this way).
set -euo pipefail

SENHA=tealcobra # SYSDBA's password, the one the program stores
PORTA=${TESSELA_FIREBIRD_PORTA:-3050} # 3050: the port of every "host:path" location
SERVIDOR_BIN=/usr/sbin/firebird
ISQL=/usr/bin/isql-fb
SEGURANCA_SQL=/usr/share/firebird/3.0/security.sql
ESPERA_SEGUNDOS=30
MARCA=.servidor-firebird-de-teste

falha() {
  echo "firebird-servidor: $*" >&2
  exit 1
}

uso() {
  echo "usage: $0 start|stop ROOT" >&2
  exit 2
}

[ $# -eq 2 ] || uso
acao=$1
raiz=$(realpath -m "$2")
fontes=$(cd "$(dirname "$0")/.." && pwd)
arquivo_pid="$raiz/firebird.pid"

# The folder of the server's own libraries (intl/libfbintl.so, firebird.msg).
pasta_biblioteca() {
  local d
  for d in /usr/lib/*/firebird/3.0 /usr/lib/firebird/3.0 /opt/firebird; do
    if [ -f "$d/intl/libfbintl.so" ]; then
      echo "$d"
      return
    fi
  done
  falha "libfbintl.so not found: install firebird3.0-server (scripts/setup.sh)"
}

porta_ocupada() {
  (exec 3<>"/dev/tcp/127.0.0.1/$PORTA") 2>/dev/null
}

# The pid of our server, when it runs.
pid_do_servidor() {
  [ -f "$arquivo_pid" ] || return 1
  local pid
  pid=$(cat "$arquivo_pid")
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || return 1
  # The pid may have been reused by another program since.
  [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$SERVIDOR_BIN" ] || return 1
  echo "$pid"
}

parar() {
  local pid i
  if pid=$(pid_do_servidor); then
    kill -TERM "$pid" 2>/dev/null || true
    for ((i = 0; i < 100; i++)); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
      kill -KILL "$pid" 2>/dev/null || true
      for ((i = 0; i < 50; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
      done
    fi
    kill -0 "$pid" 2>/dev/null && falha "the server (pid $pid) does not stop"
  fi
  rm -f "$arquivo_pid"
}

# isql-fb with this server's configuration (the client reads $FIREBIRD/firebird.conf).
isql() {
  FIREBIRD="$raiz" FIREBIRD_LOCK="$raiz/lock" "$ISQL" -q -b "$@"
}

escrever_configuracao() {
  local lib=$1
  mkdir -p "$raiz/lock" "$raiz/intl" "$raiz/bancos"
  # Copied, not linked: the server resolves $(root)/intl itself and refuses links
  # into another root.
  cp "$lib/intl/libfbintl.so" "$raiz/intl/"
  cat >"$raiz/intl/fbintl.conf" <<'EOF'
intl_module = fbintl {
    filename = $(root)/intl/fbintl
}
charset = WIN1252 {
    intl_module = fbintl
    collation = WIN1252
    collation = PXW_INTL
    collation = PXW_INTL850
    collation = PXW_NORDAN4
    collation = PXW_SPAN
    collation = PXW_SWEDFIN
    collation = WIN_PTBR
}
EOF
  cp "$lib/firebird.msg" "$raiz/"
  : >"$raiz/plugins.conf"
  cat >"$raiz/firebird.conf" <<EOF
RemoteBindAddress = 127.0.0.1
RemoteServicePort = $PORTA
ServerMode = Super
SecurityDatabase = $raiz/security3.fdb
AuthServer = Srp256, Srp
UserManager = Srp
WireCrypt = Enabled
DatabaseAccess = Restrict $raiz/bancos
UdfAccess = None
GuardianOption = 0
EOF
  # Every location the program builds for the test settings (server SERVIDOR or
  # 127.0.0.1, database MAGNOLIA.BD, station 03). Alias names match case-sensitively.
  cat >"$raiz/databases.conf" <<EOF
security.db = $raiz/security3.fdb
dados = $raiz/bancos/dados.fdb
interfac = $raiz/bancos/interfac.fdb
interfac03 = $raiz/bancos/interfac03.fdb
C:\\MAGNOLIA\\DADOS\\MAGNOLIA.BD = $raiz/bancos/dados.fdb
C:\\magnolia\\dados\\MAGNOLIA.BD = $raiz/bancos/dados.fdb
C:\\magnolia\\interfac\\MAGNOLIA.BD = $raiz/bancos/interfac.fdb
C:\\magnolia\\Interfac03\\MAGNOLIA.BD = $raiz/bancos/interfac03.fdb
EOF
}

criar_seguranca() {
  isql -user SYSDBA >"$raiz/seguranca.log" 2>&1 <<EOF || { cat "$raiz/seguranca.log" >&2; falha "cannot create the security database"; }
create database '$raiz/security3.fdb';
input '$SEGURANCA_SQL';
create or alter user SYSDBA password '$SENHA' using plugin Srp;
commit;
EOF
}

iniciar_servidor() {
  rm -f "$arquivo_pid"
  # The shell writes its own pid, then becomes the server: the pid is right whether
  # setsid had to fork or not.
  # shellcheck disable=SC2016
  FIREBIRD="$raiz" FIREBIRD_LOCK="$raiz/lock" setsid sh -c 'echo $$ >"$1"; exec "$2"' \
    sh "$arquivo_pid" "$SERVIDOR_BIN" </dev/null >>"$raiz/firebird.out" 2>&1 &
  local i pid=""
  for ((i = 0; i < ESPERA_SEGUNDOS * 10; i++)); do
    [ -z "$pid" ] && [ -s "$arquivo_pid" ] && pid=$(cat "$arquivo_pid")
    if [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null; then
      cat "$raiz/firebird.out" >&2 || true
      falha "the server ended at start-up"
    fi
    if [ -n "$pid" ] && porta_ocupada; then
      return 0
    fi
    sleep 0.1
  done
  parar
  falha "the server did not accept connections within $ESPERA_SEGUNDOS s"
}

criar_banco() {
  local alias=$1
  local scripts=("$fontes/sql/esquema.sql" "$fontes/sql/dados-exemplo.sql")
  local extra
  for extra in ${TESSELA_SQL_EXTRA:-}; do
    scripts+=("$(realpath "$extra")")
  done
  {
    echo "create database '127.0.0.1:$alias' user 'SYSDBA' password '$SENHA'"
    echo "  page_size 8192 default character set WIN1252;"
    local s
    for s in "${scripts[@]}"; do
      echo "input '$s';"
    done
    echo "commit;"
  } | isql -ch UTF8 >"$raiz/criar-$alias.log" 2>&1 || {
    cat "$raiz/criar-$alias.log" >&2
    falha "cannot create the database $alias"
  }
}

iniciar() {
  if [ ! -x "$SERVIDOR_BIN" ] || [ ! -x "$ISQL" ]; then
    falha "the Firebird 3 server is not installed: run scripts/setup.sh"
  fi
  local lib
  lib=$(pasta_biblioteca)
  parar
  if porta_ocupada; then
    local dono=""
    command -v ss >/dev/null && dono=$(ss -ltnpH "sport = :$PORTA" 2>/dev/null | head -n 1)
    falha "port $PORTA on 127.0.0.1 is taken by another program (the machine's own Firebird service, or a test server of another build folder); stop it first${dono:+: $dono}"
  fi
  # ROOT is emptied on every start: refuse a folder that this script did not make.
  if [ -d "$raiz" ] && [ -n "$(ls -A "$raiz")" ] && [ ! -f "$raiz/$MARCA" ] &&
    ! { [ -f "$raiz/firebird.conf" ] && [ -f "$raiz/databases.conf" ] && [ -d "$raiz/bancos" ]; }; then
    falha "$raiz is not empty and was not made by this script; choose another ROOT"
  fi
  rm -rf "$raiz"
  mkdir -p "$raiz"
  : >"$raiz/$MARCA"
  escrever_configuracao "$lib"
  criar_seguranca
  iniciar_servidor
  local banco
  for banco in dados interfac interfac03; do
    criar_banco "$banco"
  done
  echo "firebird-servidor: running on 127.0.0.1:$PORTA (pid $(cat "$arquivo_pid")), root $raiz"
}

case "$acao" in
start) iniciar ;;
stop) parar ;;
*) uso ;;
esac
