# Helpers of the tests that run the real program as a user runs it: in a real X server
# (Xvfb), driven by key presses and signals, against the private Firebird server of the
# test run, inside the test share. Sourced (bash) by tests/e2e/ponta-a-ponta.sh,
# tests/e2e/falhas.sh, tests/e2e/samba.sh (on a real SMB share instead) and
# tests/packaging/instalado.sh, which set `trabalho` (their work
# folder) first, put the running program's pid in tessela_pid, and call
# limpar_programa_real on their way out.
# shellcheck shell=bash disable=SC2015,SC2034 # "[ a ] && [ b ] || falha" is meant; callers read the variables

SENHA=tealcobra
ESPERA=60 # seconds any one step may take
# UTF-8 of the captions, as the X server holds them.
TITULO_APLICACAO=$(printf 'MAGNOLIA - Laudo de An\xc3\xa1lise')
LEGENDA=$(printf '  MAGNOLIA          Usu\xc3\xa1rio: "maria"   Esta\xc3\xa7\xc3\xa3o: 03')

xvfb_pid=""
tessela_pid=""
banco_alterado=no

# The program's visible windows (the root window is not one of them), with their names.
janelas_visiveis() {
    local id raiz
    raiz=$(xwininfo -root -int 2>/dev/null | awk '/Window id:/ {print $4}')
    for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
        [ "$id" = "$raiz" ] && continue
        printf '%s %s\n' "$id" "$(xdotool getwindowname "$id" 2>/dev/null)"
    done
}
pular() {
    echo "skipped: $*"
    exit 77
}
falha() {
    echo "FAIL: $*"
    janelas_visiveis | sed 's/^/  window: /'
    exit 1
}
ok() { echo "ok: $*"; }

encerrar_programa() {
    [ -n "$tessela_pid" ] || return 0
    kill "$tessela_pid" 2>/dev/null
    for _ in $(seq 30); do kill -0 "$tessela_pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$tessela_pid" 2>/dev/null
    tessela_pid=""
}
limpar_programa_real() {
    encerrar_programa
    [ "$banco_alterado" = yes ] && restaurar_banco
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    return 0
}

# --- The private Firebird server -----------------------------------------------------

isql() { # database alias; SQL on stdin
    FIREBIRD="$TESSELA_FIREBIRD_RAIZ" isql-fb -q -b -user SYSDBA -password "$SENHA" "127.0.0.1:$1"
}
# One value per line: the query's single column, without blanks around it.
consultar() { # alias, select of one column named V
    printf 'set heading off;\n%s;\n' "$2" | isql "$1" | sed -e '/^ *$/d' -e 's/^ *//' -e 's/ *$//'
}
executar_sql() { # alias, statements
    printf '%s\ncommit;\n' "$2" | isql "$1" >/dev/null
}
# Station 03 and its work table as the seed data leaves them.
restaurar_banco() {
    executar_sql dados "update ESTACOES set EMUSO = 'N', ATCAIXA = '' where ESTACAO = '03';"
    executar_sql interfac03 "delete from FICHAPRO;
insert into FICHAPRO (ESTACAO, LINHA, TEXTO) values ('03', 1, 'LAUDO ANTERIOR');
insert into FICHAPRO (ESTACAO, LINHA, TEXTO) values ('03', 2, 'LINHA 2');
insert into FICHAPRO (ESTACAO, LINHA, TEXTO) values ('04', 1, 'OUTRA ESTACAO');"
}
carimbo_da_estacao() {
    consultar dados "select EMUSO || '|' || ATCAIXA from ESTACOES where ESTACAO = '03'"
}
# Waits for the server of the FirebirdServer fixture and resets station 03.
preparar_banco() {
    local resposta=""
    for _ in $(seq 20); do
        resposta=$(consultar dados "select 'x' from RDB\$DATABASE" 2>&1) && break
        sleep 0.5
    done
    [ "$resposta" = x ] || falha "the private Firebird server (FirebirdServer fixture) does not answer: $resposta"
    banco_alterado=yes
    restaurar_banco || falha "cannot reset station 03"
}
# The stamp of station 03 as a run of one of the given days (dd/mm/yy) leaves it.
verificar_carimbo() { # days...
    local carimbo
    carimbo=$(carimbo_da_estacao)
    [[ "$carimbo" =~ ^S\|Ultima\ atividade:\ ([0-9]{2}/[0-9]{2}/[0-9]{2})\ [0-2][0-9]:[0-5][0-9]:[0-5][0-9]$ ]] ||
        falha "ESTACOES stamp: [$carimbo]"
    local dia
    for dia in "$@"; do [ "${BASH_REMATCH[1]}" = "$dia" ] && return 0; done
    falha "ESTACOES stamp of another day: $carimbo"
}

# --- The display and the program's window ---------------------------------------------

# Starts Xvfb, which stays up between runs (-noreset), and exports DISPLAY.
iniciar_xvfb() {
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$trabalho/display" >"$trabalho/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -s "$trabalho/display" ] && break; sleep 0.1; done
    [ -s "$trabalho/display" ] || falha "Xvfb did not start: $(cat "$trabalho/xvfb.log")"
    DISPLAY=":$(head -n 1 "$trabalho/display")"
    export DISPLAY QT_QPA_PLATFORM=xcb
}
# Waits for a visible window whose name matches; prints its id.
esperar_janela() { # pattern
    local fim=$((SECONDS + ESPERA)) id
    while [ $SECONDS -lt $fim ]; do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        kill -0 "$tessela_pid" 2>/dev/null || return 1
        sleep 0.2
    done
    return 1
}
# Waits for a message box: a window with the application's title that is not the main
# window, which has that title too until the sequence names the user (it is 960 wide).
esperar_caixa() {
    local fim=$((SECONDS + ESPERA)) id largura
    while [ $SECONDS -lt $fim ]; do
        for id in $(xdotool search --onlyvisible --name "^$TITULO_APLICACAO\$" 2>/dev/null); do
            largura=$(xdotool getwindowgeometry --shell "$id" 2>/dev/null | sed -n 's/^WIDTH=//p')
            [ -n "$largura" ] && [ "$largura" -lt 900 ] && { echo "$id"; return 0; }
        done
        kill -0 "$tessela_pid" 2>/dev/null || return 1
        sleep 0.2
    done
    return 1
}
esperar_sumir() { # window id
    local fim=$((SECONDS + ESPERA))
    while [ $SECONDS -lt $fim ]; do
        xdotool search --onlyvisible --name '' 2>/dev/null | grep -qx "$1" || return 0
        sleep 0.2
    done
    return 1
}
esperar_arquivo() { # file
    local fim=$((SECONDS + ESPERA))
    while [ $SECONDS -lt $fim ]; do
        [ -s "$1" ] && return 0
        sleep 0.2
    done
    return 1
}
# Key presses through the X server's test extension, to the window holding the focus.
teclar() { # window id, keys
    timeout 10 xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
    timeout 10 xdotool key --clearmodifiers "$2"
}
# Waits for the program to end; sets status ("timeout" when it does not).
esperar_fim() {
    local fim=$((SECONDS + ESPERA))
    status=timeout
    while [ $SECONDS -lt $fim ]; do
        if ! kill -0 "$tessela_pid" 2>/dev/null; then
            wait "$tessela_pid"
            status=$?
            tessela_pid=""
            return 0
        fi
        sleep 0.2
    done
}
# Sends the signal and waits for the end (sets status, and duracao in ms). The old
# program was still running 5 s after SIGTERM; the end must come well before.
sinalizar() { # signal
    local inicio fim
    inicio=$(date +%s%N)
    kill -"$1" "$tessela_pid"
    fim=$((inicio + 5000000000))
    status=timeout
    while [ "$(date +%s%N)" -lt "$fim" ]; do
        if ! kill -0 "$tessela_pid" 2>/dev/null; then
            wait "$tessela_pid"
            status=$?
            tessela_pid=""
            break
        fi
        sleep 0.02
    done
    duracao=$((($(date +%s%N) - inicio) / 1000000))
}
# The report file of a run, byte for byte against the golden file, which holds the
# example's date; the run's day may be either of two (dd/mm/yyyy: its start and end).
verificar_relatorio() { # report file, golden file, day, day
    local hoje
    for hoje in "$3" "$4"; do
        sed "s#Data: 08/12/2026#Data: $hoje#" "$2" >"$trabalho/esperado.txt"
        cmp -s "$trabalho/esperado.txt" "$1" && return 0
    done
    diff <(cat -A "$trabalho/esperado.txt") <(cat -A "$1")
    falha "$1 differs from $2"
}

linha_ini() { printf '%-48s %s\r\n' "$1" "$2"; }

# The program folder $trabalho/programa, as the suite installs it beside the program: a
# copy of the executable, CONFIGBD.INI naming the central server ($servidor_central,
# SERVIDOR unless set) and MAGNOLIA.INI for the example report, with the left margin
# given and any further settings lines; HOME and XDG_RUNTIME_DIR of the run's own.
preparar_programa() { # executable, margin, [settings line, value]...
    pasta="$trabalho/programa"
    mkdir -p "$pasta" && cp "$1" "$pasta/tessela"
    mkdir -m 0700 -p "$trabalho/runtime" "$trabalho/casa"
    export XDG_RUNTIME_DIR="$trabalho/runtime" HOME="$trabalho/casa"
    {
        linha_ini "IP DO SERVIDOR CENTRAL.........................:" "${servidor_central:-SERVIDOR}"
        linha_ini "NOME DO BANCO DE DADOS CENTRAL.................:" MAGNOLIA.BD
    } >"$pasta/CONFIGBD.INI"
    {
        linha_ini "IP DO SERVIDOR CENTRAL.........................:" "${servidor_central:-SERVIDOR}"
        linha_ini "NOME DO COMPARTILHAMENTO DA PASTA MAGNOLIA.....:" MAGNOLIA
        linha_ini "TITULO CENTRAL DO LAUDO DO DO C.Q. PROD.PRONTOS:" MATERIAS-PRIMAS
        linha_ini "LARGURA DA OM (QDE TRACOS).....................:" 119
        linha_ini "MARGEM ESQUERDA DO LAUDO.......................:" "$2"
        shift 2
        while [ $# -ge 2 ]; do
            linha_ini "$1" "$2"
            shift 2
        done
    } >"$pasta/MAGNOLIA.INI"
}
# Starts the program for the example (user maria unless given); tessela_pid is set.
iniciar_tessela() { # [user]
    "$pasta/tessela" 000123 L2301 "DISTRIBUIDORA CENTRAL" 12/2027 "${1:-maria}" &
    tessela_pid=$!
}
# The window of the run on the report screen (janela), Fichapes1.txt written in interfac.
esperar_relatorio() {
    janela=$(esperar_janela 'rio: "maria"') || falha "the window never took the user's caption"
    esperar_arquivo "$interfac/Fichapes1.txt" || falha "no Fichapes1.txt"
    sleep 1 # the report screen follows the file
}
# The end by a signal: the status a shell gives a run ended by it, no window left, no
# error logged and no crash report, and before the bound. The call in progress is cut at
# once (300 ms), one that closes the run at 300 ms (give 700); the backstop that ends a
# run whose main thread never comes back is 800 ms, and must not be what ended it.
verificar_fim_por_sinal() { # signal name, number, where, [bound in ms]
    local limite=${4:-300}
    [ "$status" = $((128 + $2)) ] || falha "$1 $3: status $status, expected $((128 + $2))"
    [ "$duracao" -lt "$limite" ] || falha "$1 $3: the end took $duracao ms (bound $limite ms)"
    [ -z "$(janelas_visiveis)" ] || falha "$1 $3: windows left"
    [ -z "$(find "$pasta" -name '*.log' -size +0)" ] ||
        falha "$1 $3: reports written: $(cat "$pasta"/LOG/*.log)"
    ok "$1 $3: ended in $duracao ms, status $status, no window left, nothing logged"
}
