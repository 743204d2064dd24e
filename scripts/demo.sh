#!/usr/bin/env bash
# Tessela's demo: installs what is missing, builds, and runs the program as the suite
# would, against private servers that it starts and stops itself.
#
#   scripts/demo.sh [CODE]      (run as root; CODE is the component, 000123 by default)
#
# The build folder is build (TESSELA_BUILD_DIR names another, as for scripts/test.sh).
# It sets up, all under build/demo/ and all gone again when the program ends:
#   - a private Firebird server on 127.0.0.1:3050 with the demo database
#     (sql/esquema.sql, sql/dados-exemplo.sql, sql/demo.sql);
#   - a private cupsd on 127.0.0.1:8641 with the PDF queue PDF_Laudo (files land in
#     build/demo/cups/pdf) and the raw queue Bruta (bytes land in build/demo/cups/bruta);
#   - the share \\SERVIDOR\MAGNOLIA with the folder Interfac03, a tmpfs in a private mount
#     namespace where the name SERVIDOR means this machine;
#   - the program folder build/demo/programa: a copy of the executable with MAGNOLIA.INI
#     and CONFIGBD.INI beside it.
# Then it runs: tessela CODE L2301 "DISTRIBUIDORA CENTRAL" 12/2027 maria
# With a display (DISPLAY or WAYLAND_DISPLAY set) the window opens there; without one the
# program runs in Xvfb, a screenshot is taken once the report is shown, and the program
# is closed with Alt+V. The files the run wrote on the share are copied to
# build/demo/resultado.
set -euo pipefail

PORTA_CUPS=8641 # the tests' cupsd uses 8631: both may run at once
ESPERA_JANELA=90    # seconds until the window shows the user's caption
ESPERA_RELATORIO=20 # seconds from then until the report file is written

fontes=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "$fontes/${TESSELA_BUILD_DIR:-build}")
demo="$build/demo"
programa="$demo/programa"
resultado="$demo/resultado"
raiz_firebird="$demo/firebird"
raiz_cups="$demo/cups"
casa="$demo/casa"

diga() { echo "demo: $*"; }
falha() {
    echo "demo: $*" >&2
    exit 1
}

# --- Inside the share's mount namespace: the run of the program ----------------------

porta_ocupada() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

# Copies what the run left on the share out of the tmpfs, which goes with the namespace.
copiar_do_compartilhamento() {
    local arquivo
    for arquivo in "$TESSELA_COMPARTILHAMENTO"/DiagOM.txt "$TESSELA_COMPARTILHAMENTO"/Interfac03/*; do
        [ -f "$arquivo" ] && cp -p "$arquivo" "$resultado/"
    done
    return 0
}

# Waits for a visible window whose name matches; prints its id.
esperar_janela() { # pattern, seconds
    local fim=$((SECONDS + $2)) id
    while [ $SECONDS -lt $fim ]; do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1) || true
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.2
    done
    return 1
}

executar_com_tela() {
    local onde="Wayland display ${WAYLAND_DISPLAY:-}"
    [ -n "${DISPLAY:-}" ] && onde="X display $DISPLAY"
    diga "the window opens on the $onde: Imprimir (Alt+M) prints on PDF_Laudo, Voltar (Alt+V) ends the demo"
    local status=0
    # In the background, so that Ctrl+C reaches this script's trap, which ends it.
    "$programa/tessela" "$codigo" L2301 "DISTRIBUIDORA CENTRAL" 12/2027 maria &
    tessela_pid=$!
    wait "$tessela_pid" || status=$?
    tessela_pid=""
    copiar_do_compartilhamento
    return "$status"
}

# The processes and files of the run, ended and removed by the trap whatever happens.
trabalho=""
xvfb_pid=""
tessela_pid=""
# SIGTERM ends the program as its close button does; SIGKILL only when it hangs.
encerrar_programa() {
    kill "$tessela_pid" 2>/dev/null || return 0
    for _ in $(seq 30); do kill -0 "$tessela_pid" 2>/dev/null || return 0; sleep 0.1; done
    kill -KILL "$tessela_pid" 2>/dev/null || true
}
# shellcheck disable=SC2317 # the trap calls it
limpar_execucao() {
    trap '' INT TERM # a second Ctrl+C must not cut the cleaning short
    [ -n "$tessela_pid" ] && encerrar_programa
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    [ -n "$trabalho" ] && rm -rf "$trabalho"
    return 0
}

executar_sem_tela() {
    command -v Xvfb >/dev/null || falha "Xvfb is missing (scripts/setup.sh installs it)"
    local janela="" status=0

    # The screen is the window's size: the window, centred, fills it.
    Xvfb -displayfd 3 -screen 0 960x610x24 -nolisten tcp 3>"$trabalho/display" >"$trabalho/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -s "$trabalho/display" ] && break; sleep 0.1; done
    [ -s "$trabalho/display" ] || falha "Xvfb did not start: $(cat "$trabalho/xvfb.log")"
    DISPLAY=":$(head -n 1 "$trabalho/display")"
    export DISPLAY QT_QPA_PLATFORM=xcb
    diga "no display: the program runs in Xvfb on $DISPLAY"

    "$programa/tessela" "$codigo" L2301 "DISTRIBUIDORA CENTRAL" 12/2027 maria &
    tessela_pid=$!
    local relatorio="$TESSELA_COMPARTILHAMENTO/Interfac03/Fichapes1.txt"
    # The caption names the user once the station is found; the report follows soon.
    janela=$(esperar_janela 'rio: "maria"' "$ESPERA_JANELA") || true
    local fim=$((SECONDS + ESPERA_RELATORIO))
    while [ -n "$janela" ] && [ $SECONDS -lt $fim ] && [ ! -s "$relatorio" ] &&
        kill -0 "$tessela_pid" 2>/dev/null; do
        sleep 0.2
    done
    sleep 1 # the report screen paints after the file is written
    if kill -0 "$tessela_pid" 2>/dev/null; then
        xwd -root -silent -display "$DISPLAY" | xwdtopnm 2>/dev/null | pnmtopng >"$resultado/tela.png" 2>/dev/null ||
            rm -f "$resultado/tela.png"
    fi
    if [ ! -s "$relatorio" ]; then
        diga "no report was written (is $codigo a component of the demo database? see sql/)"
        xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | sed 's/^/demo: window: /' || true
    fi
    copiar_do_compartilhamento

    if kill -0 "$tessela_pid" 2>/dev/null; then
        # Alt+V is "&Voltar"; the window must have the keyboard focus first.
        if [ -n "$janela" ]; then
            xdotool windowfocus --sync "$janela" 2>/dev/null || true
            xdotool key --clearmodifiers alt+v 2>/dev/null || true
        fi
        for _ in $(seq 100); do kill -0 "$tessela_pid" 2>/dev/null || break; sleep 0.1; done
        if kill -0 "$tessela_pid" 2>/dev/null; then
            diga "the program did not leave on Alt+V; ending it"
            encerrar_programa
        fi
    fi
    wait "$tessela_pid" || status=$?
    tessela_pid=""
    return "$status"
}

if [ "${TESSELA_DEMO_ETAPA:-}" = programa ]; then
    codigo=$1
    trabalho=$(mktemp -d /tmp/tessela-demo.XXXXXX)
    trap limpar_execucao EXIT
    trap 'exit 130' INT TERM
    # Qt keeps run-time files there; without one it would leave /tmp/runtime-root.
    if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
        mkdir -m 0700 "$trabalho/runtime"
        export XDG_RUNTIME_DIR="$trabalho/runtime"
    fi
    if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
        executar_com_tela
    else
        executar_sem_tela
    fi
    exit $?
fi

# --- The demo ------------------------------------------------------------------------

[ $# -le 1 ] || falha "usage: scripts/demo.sh [COMPONENT-CODE]"
codigo=${1:-000123}
[ "$(id -u)" -eq 0 ] || falha "run as root: the share is a mount in a private mount namespace and cups-pdf needs root"

# The ports before the long steps: Firebird's is fixed by the locations the program uses.
for porta in 3050 "$PORTA_CUPS" $((PORTA_CUPS + 1)); do
    if porta_ocupada "$porta"; then
        dono=$(ss -ltnpH "sport = :$porta" 2>/dev/null | head -n 1) || dono=""
        falha "port $porta on 127.0.0.1 is taken by another program (a Firebird service, a test run or an earlier demo); stop it first${dono:+: $dono}"
    fi
done

cd "$fontes"
scripts/setup.sh

diga "building in $build"
cmake -S "$fontes" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target tessela -j "$(nproc)"
executavel=$(find "$build/src" -type f -name tessela -perm -u+x | head -n 1)
[ -n "$executavel" ] || falha "the build left no executable tessela under $build/src"

servidores_iniciados=()
# shellcheck disable=SC2317 # the trap calls it
encerrar() {
    local status=$?
    trap - EXIT
    trap '' INT TERM # a second Ctrl+C must not leave a server running
    local s
    for s in "${servidores_iniciados[@]}"; do
        case "$s" in
        cups) scripts/cups-servidor.sh stop "$raiz_cups" >/dev/null 2>&1 || true ;;
        firebird) scripts/firebird-servidor.sh stop "$raiz_firebird" >/dev/null 2>&1 || true ;;
        esac
    done
    if [ ${#servidores_iniciados[@]} -gt 0 ]; then
        diga "servers stopped"
    fi
    exit "$status"
}
trap encerrar EXIT
trap 'exit 130' INT TERM

# Firebird first: it refuses clearly when port 3050 is taken.
servidores_iniciados+=(firebird)
TESSELA_SQL_EXTRA="$fontes/sql/demo.sql" scripts/firebird-servidor.sh start "$raiz_firebird"
servidores_iniciados+=(cups)
scripts/cups-servidor.sh start "$raiz_cups" "$PORTA_CUPS"

# The program folder: the executable is a copy, since the program folder is the folder
# of the executable itself (a symbolic link would lead back into the build).
rm -rf "$programa" "$resultado"
mkdir -p "$programa" "$resultado" "$casa"
cp "$executavel" "$programa/tessela"

# A settings line: the 48-character label, a blank, the value; CR LF.
linha() {
    [ ${#1} -eq 48 ] || falha "settings label of ${#1} characters: $1"
    printf '%s %s\r\n' "$1" "$2"
}
{
    linha "IP DO SERVIDOR CENTRAL.........................:" "SERVIDOR"
    linha "NOME DO BANCO DE DADOS CENTRAL.................:" "MAGNOLIA.BD"
} >"$programa/CONFIGBD.INI"
{
    linha "IP DO SERVIDOR CENTRAL.........................:" "SERVIDOR"
    linha "NOME DO COMPARTILHAMENTO DA PASTA MAGNOLIA.....:" "MAGNOLIA"
    linha "TITULO CENTRAL DO LAUDO DO DO C.Q. PROD.PRONTOS:" "MATERIAS-PRIMAS"
    linha "LARGURA DA OM (QDE TRACOS).....................:" "119"
    linha "MARGEM ESQUERDA DO LAUDO.......................:" "0"
    linha "TIPO DE IMPRESSORA.............................:" "GRAFICA"
    linha "QUANTIDADE DE LINHAS POR PAGINA IMPRESSA OM....:" "66"
    linha "FONTE DO LAUDO.................................:" "Consolas"
    linha "TAMANHO DA FONTE DO LAUDO......................:" "8"
    linha "ENTRELINHAMENTO DO LAUDO.......................:" "16"
    linha "COR DO FONTE...................................:" "0"
} >"$programa/MAGNOLIA.INI"

diga "program folder $programa (MAGNOLIA.INI, CONFIGBD.INI)"
diga "running: tessela $codigo L2301 \"DISTRIBUIDORA CENTRAL\" 12/2027 maria"

# CUPS clients find the private cupsd through CUPS_SERVER; the user's default printer
# is kept in HOME/.cups/lpoptions, so the program gets a HOME of its own.
if [ -n "${DISPLAY:-}" ] && [ -z "${XAUTHORITY:-}" ] && [ -f "${HOME:-/root}/.Xauthority" ]; then
    export XAUTHORITY="${HOME:-/root}/.Xauthority" # HOME changes below
fi
export CUPS_SERVER="127.0.0.1:$PORTA_CUPS" HOME="$casa"
unset LPDEST PRINTER
status=0
TESSELA_DEMO_ETAPA=programa tests/support/com-compartilhamento.sh "$fontes/scripts/demo.sh" "$codigo" ||
    status=$?

# What the run left behind.
for arquivo in "$raiz_cups"/pdf/*.pdf; do
    [ -f "$arquivo" ] && cp -p "$arquivo" "$resultado/"
done
echo
diga "the program ended with status $status"
[ -f "$resultado/Fichapes1.txt" ] && diga "report file:  $resultado/Fichapes1.txt"
[ -f "$resultado/tela.png" ] && diga "screenshot:   $resultado/tela.png"
for arquivo in "$resultado"/*.pdf; do
    [ -f "$arquivo" ] && diga "printed page: $arquivo"
done
diga "all files of the share: $resultado"
exit "$status"
