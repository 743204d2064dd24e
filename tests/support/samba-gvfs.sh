# A real SMB share for the tests, as a workstation mounts the central server's: a private
# smbd on 127.0.0.1:445 (libsmbclient, and so gvfs, reach no other port) with its own
# configuration and state under $trabalho/samba, the share MAGNOLIA over
# $trabalho/samba/MAGNOLIA and the user root with a password of its own; mounted by gvfs
# on a D-Bus session of the test's own, under $XDG_RUNTIME_DIR/gvfs. Another client can
# hold a file open meanwhile (segurar_smb.py). Sourced (bash) by tests/e2e/samba.sh after
# programa-real.sh; the caller runs in a pid namespace of its own, so that whatever D-Bus
# started is its child, and calls parar_samba_gvfs on its way out.
# shellcheck shell=bash disable=SC2034 # callers read the variables

SENHA_SMB=magnolia-teste
samba_raiz=""
smbd_pid=""
dbus_pid=""
barramento=""
segurador_pid=""
compartilhamento_gvfs=""

# The smbd processes: the server and its children (one per connection).
processos_smbd() {
    [ -n "$smbd_pid" ] || return 0
    echo "$smbd_pid"
    cat /proc/"$smbd_pid"/task/*/children 2>/dev/null | tr ' ' '\n' | sed '/^$/d'
}
congelar_smbd() { processos_smbd | xargs -r kill -STOP; }
descongelar_smbd() { processos_smbd | xargs -r kill -CONT 2>/dev/null; }

smbclient_teste() { # command
    smbclient -s "$samba_raiz/smb.conf" //127.0.0.1/MAGNOLIA -U "root%$SENHA_SMB" -c "$1" 2>&1
}

iniciar_samba() {
    samba_raiz="$trabalho/samba"
    mkdir -p "$samba_raiz"/{estado,travas,privado,cache,pid,ncalrpc} "$samba_raiz/MAGNOLIA"
    cat >"$samba_raiz/smb.conf" <<EOF
[global]
  server role = standalone server
  workgroup = WORKGROUP
  netbios name = TESSELATESTE
  interfaces = 127.0.0.1
  bind interfaces only = yes
  smb ports = 445
  disable netbios = yes
  state directory = $samba_raiz/estado
  lock directory = $samba_raiz/travas
  private dir = $samba_raiz/privado
  cache directory = $samba_raiz/cache
  pid directory = $samba_raiz/pid
  ncalrpc dir = $samba_raiz/ncalrpc
  passdb backend = tdbsam:$samba_raiz/privado/passdb.tdb
  log file = $samba_raiz/smbd.log
  load printers = no
  printcap name = /dev/null
  disable spoolss = yes
  unix charset = UTF-8
[MAGNOLIA]
  path = $samba_raiz/MAGNOLIA
  read only = no
EOF
    printf '%s\n%s\n' "$SENHA_SMB" "$SENHA_SMB" | smbpasswd -c "$samba_raiz/smb.conf" -s -a root >/dev/null ||
        falha "cannot add the share's user"
    # In a process group of its own (no --no-process-group): smbd ends its whole group
    # when it ends.
    smbd -s "$samba_raiz/smb.conf" --foreground >"$samba_raiz/smbd.saida" 2>&1 &
    smbd_pid=$!
    local fim=$((SECONDS + ESPERA))
    until smbclient_teste ls >/dev/null; do
        kill -0 "$smbd_pid" 2>/dev/null && [ $SECONDS -lt $fim ] ||
            falha "smbd does not answer: $(tail -n 5 "$samba_raiz/smbd.saida" "$samba_raiz/smbd.log" 2>/dev/null)"
        sleep 0.2
    done
}

# gvfs of a D-Bus session of its own; the credentials are answered on stdin.
montar_gvfs() {
    dbus-daemon --session --nofork --print-address=3 3>"$trabalho/barramento" >/dev/null 2>&1 &
    dbus_pid=$!
    for _ in $(seq 100); do [ -s "$trabalho/barramento" ] && break; sleep 0.05; done
    barramento=$(head -n 1 "$trabalho/barramento")
    [ -n "$barramento" ] || falha "no D-Bus session"
    printf 'root\nWORKGROUP\n%s\n' "$SENHA_SMB" |
        DBUS_SESSION_BUS_ADDRESS=$barramento GIO_USE_VOLUME_MONITOR=unix \
            timeout "$ESPERA" gio mount smb://127.0.0.1/MAGNOLIA >"$trabalho/gio.log" 2>&1 ||
        falha "gio mount failed: $(cat "$trabalho/gio.log")"
    compartilhamento_gvfs="$XDG_RUNTIME_DIR/gvfs/smb-share:server=127.0.0.1,share=magnolia"
    [ -d "$compartilhamento_gvfs" ] || falha "no gvfs folder: $(ls -A "$XDG_RUNTIME_DIR/gvfs" 2>&1)"
}

# Another client holds the file (a path inside the share, with backslashes) open, with
# the given sharing, until soltar.
segurar() { # file, share access
    rm -f "$trabalho/segurador"
    mkfifo "$trabalho/segurador"
    /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/../e2e/segurar_smb.py" "$samba_raiz/smb.conf" root \
        "$SENHA_SMB" "$1" "$2" <"$trabalho/segurador" >"$trabalho/segurador.log" 2>&1 &
    segurador_pid=$!
    exec 8>"$trabalho/segurador"
    local fim=$((SECONDS + ESPERA))
    until grep -q segurando "$trabalho/segurador.log"; do
        kill -0 "$segurador_pid" 2>/dev/null && [ $SECONDS -lt $fim ] ||
            falha "the other client cannot hold $1: $(cat "$trabalho/segurador.log")"
        sleep 0.1
    done
}
soltar() {
    [ -n "$segurador_pid" ] || return 0
    echo >&8
    exec 8>&-
    wait "$segurador_pid"
    segurador_pid=""
}
# True while the server keeps the file only until its last client closes it.
marcado_para_apagar() { # file inside the share
    smbclient_teste "allinfo \"$1\"" | grep -q NT_STATUS_DELETE_PENDING
}

# Every server by its process id, smbd woken first; the gvfs daemons that D-Bus started
# are this pid namespace's other processes.
parar_samba_gvfs() {
    descongelar_smbd
    if [ -n "$segurador_pid" ]; then
        kill "$segurador_pid" 2>/dev/null
        wait "$segurador_pid" 2>/dev/null
    fi
    if [ -n "$barramento" ]; then
        DBUS_SESSION_BUS_ADDRESS=$barramento timeout 20 gio mount -u smb://127.0.0.1/MAGNOLIA >/dev/null 2>&1
    fi
    [ -n "${XDG_RUNTIME_DIR:-}" ] && mountpoint -q "$XDG_RUNTIME_DIR/gvfs" && fusermount3 -u -z "$XDG_RUNTIME_DIR/gvfs"
    local p
    for p in /proc/[0-9]*; do
        p=${p#/proc/}
        case " 1 $$ $BASHPID $smbd_pid $dbus_pid $xvfb_pid " in *" $p "*) continue ;; esac
        kill "$p" 2>/dev/null
    done
    [ -n "$dbus_pid" ] && kill "$dbus_pid" 2>/dev/null
    [ -n "$smbd_pid" ] && kill "$smbd_pid" 2>/dev/null
    wait 2>/dev/null
    return 0
}
