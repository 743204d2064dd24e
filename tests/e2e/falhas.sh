#!/usr/bin/env bash
# The real executable when something around it fails, as on a pharmacy's workstation:
# in Xvfb, against the private Firebird server, inside the test share
# (tests/support/com-compartilhamento.sh). One fault a mode:
#
#   falhas.sh trava TESSELA           another transaction holds the station's ESTACOES
#                                     row: SIGTERM during the wait on its lock ends the
#                                     run at once, status 143, no stamp, no report
#   falhas.sh rede-muda TESSELA       the central server's link is silent from the start
#                                     (a proxy that forwards nothing): SIGTERM during the
#                                     first attach ends the run at once, status 143
#   falhas.sh fechamento TESSELA      the link goes silent on the report screen, then
#                                     "Voltar": SIGTERM while the data module detaches
#                                     ends the run by the cut of the detaches (at once,
#                                     or at 300 ms for one begun after the signal), by
#                                     the signal, no crash
#   falhas.sh servidor-mudo TESSELA   the central server takes the connections and never
#                                     answers, from the first byte, and no signal comes:
#                                     the window is drawn while the first attach waits,
#                                     the Config box comes after one wait, the station's
#                                     error at once, naming the server; the run then waits
#                                     for the user, and closing the window ends it at once
#   falhas.sh rede-lenta TESSELA      the central server 150 ms away each way: slow is not
#                                     silent, the report comes
#   falhas.sh compartilhamento-cheio TESSELA
#                                     the share fills up while Fichapes1.txt is written:
#                                     the error box, and the earlier Fichapes1.txt is
#                                     there byte for byte, with no temporary file left
#   falhas.sh cups-morto TESSELA      the print server dies between two pages of a PDF
#                                     print: the box names the server that does not
#                                     answer, and the user's default printer is given
#                                     back byte for byte
#   falhas.sh cups-mudo TESSELA       the same with a print server that stops answering
#                                     (it still takes connections): given up on after
#                                     15 s
#
# Environment (set by CTest): TESSELA_FIREBIRD_RAIZ, TESSELA_E2E_DOURADOS, and for
# rede-muda and fechamento TESSELA_REDE_LENTA (the proxy bench/rede_lenta). Exits 77
# when a component cannot run here.
# shellcheck disable=SC2015,SC2317 # "[ a ] && [ b ] || falha" is meant; the trap calls the helpers
set -uo pipefail

modo=${1:-}
executavel=${2:-}
[ -n "$modo" ] && [ -x "$executavel" ] || { echo "usage: $0 MODE TESSELA"; exit 2; }

# shellcheck source=../support/programa-real.sh
. "$(dirname "$0")/../support/programa-real.sh"

[ -n "${TESSELA_COMPARTILHAMENTO:-}" ] || pular "not inside com-compartilhamento.sh"
for programa in Xvfb xdotool xwininfo isql-fb; do
    command -v "$programa" >/dev/null || pular "$programa is missing (scripts/setup.sh)"
done
interfac="$TESSELA_COMPARTILHAMENTO/Interfac03"

trabalho=$(mktemp -d /tmp/tessela-falhas.XXXXXX)
segurador_pid=""
proxy_pid=""
limpar() {
    trap '' INT TERM
    # Killed, never ended: its change must not be committed; and before the rows are reset.
    [ -n "$segurador_pid" ] && kill -KILL "$segurador_pid" 2>/dev/null
    limpar_programa_real
    [ -n "$proxy_pid" ] && kill "$proxy_pid" 2>/dev/null
    [ -f "$trabalho/cups/pronto" ] && "$(dirname "$0")/../../scripts/cups-servidor.sh" stop "$trabalho/cups" >/dev/null 2>&1
    mountpoint -q "$trabalho/cheio" && umount "$trabalho/cheio"
    rm -rf "$trabalho"
}
trap limpar EXIT
preparar_banco
iniciar_xvfb
unset LPDEST PRINTER

# Another workstation's transaction holding rows of a database until soltar_linhas.
segurar_linhas() { # alias, statements
    mkfifo "$trabalho/segurador"
    FIREBIRD="$TESSELA_FIREBIRD_RAIZ" isql-fb -q -user SYSDBA -password "$SENHA" "127.0.0.1:$1" \
        <"$trabalho/segurador" >"$trabalho/segurador.log" 2>&1 &
    segurador_pid=$!
    exec 7>"$trabalho/segurador"
    printf '%s\n' "$2" >&7
}
soltar_linhas() {
    printf 'rollback;\nquit;\n' >&7
    exec 7>&-
    wait "$segurador_pid"
    segurador_pid=""
}
# True while station 03's row is held: a no-wait update of it meets the lock (and is
# undone, so that it never holds the row itself).
estacao_presa() {
    local resposta
    resposta=$(printf 'set transaction read committed no wait;\nupdate ESTACOES set EMUSO = EMUSO where ESTACAO = %s;\nrollback;\n' "'03'" |
        isql dados 2>&1)
    grep -q "concurrent update\|lock conflict" <<<"$resposta"
}
# The central server through a proxy on 127.0.0.2:3050 (SERVIDOR resolves there, inside
# this namespace only); the stored local location still goes to 127.0.0.1 directly.
ligar_proxy() { # [--mudo | --atraso-ms D]
    [ -x "${TESSELA_REDE_LENTA:-}" ] || pular "no proxy rede_lenta (it is built with the benchmarks)"
    "$TESSELA_REDE_LENTA" --escuta 127.0.0.2:3050 --destino 127.0.0.1:3050 \
        --registro "$trabalho/rede.log" "$@" >"$trabalho/proxy.out" 2>&1 &
    proxy_pid=$!
    for _ in $(seq 50); do grep -q escutando "$trabalho/proxy.out" && break; sleep 0.1; done
    grep -q escutando "$trabalho/proxy.out" || falha "the proxy did not start: $(cat "$trabalho/proxy.out")"
    { grep -v -i servidor /etc/hosts; echo "127.0.0.2 SERVIDOR servidor"; } >"$trabalho/hosts"
    mount --bind "$trabalho/hosts" /etc/hosts
}
# The colour of most of a window's pixels, "R G B", as the X server holds them.
cor_dominante() { # window id
    xwd -silent -id "$1" 2>/dev/null | xwdtopnm 2>/dev/null | ppmhist -noheader 2>/dev/null |
        sort -k5 -n -r | awk 'NR == 1 {print $1, $2, $3}'
}
ms_desde() { echo $((($(date +%s%N) - $1) / 1000000)); }
nada_escrito() { # where
    [ "$(carimbo_da_estacao)" = "N|" ] || falha "$1: station 03 stamped: $(carimbo_da_estacao)"
    [ -z "$(ls -A "$interfac")" ] || falha "$1: files in Interfac03: $(ls -A "$interfac")"
    ok "$1: no stamp, nothing written in Interfac03"
}
# The program is still running after the given seconds, its window without the user's
# caption: it waits.
ainda_esperando() { # seconds, what it waits on
    sleep "$1"
    kill -0 "$tessela_pid" 2>/dev/null || { esperar_fim; falha "the run ended by itself (status $status)"; }
    [ -z "$(xdotool search --name 'rio: "maria"' 2>/dev/null)" ] || falha "the run went past $2"
    ok "after $1 s the run still waits on $2"
}

case "$modo" in
trava)
    preparar_programa "$executavel" 0
    rm -f "$interfac"/*
    segurar_linhas dados "set transaction read committed wait;
update ESTACOES set ATCAIXA = 'OUTRA ESTACAO' where ESTACAO = '03';"
    for _ in $(seq 50); do estacao_presa && break; sleep 0.1; done
    estacao_presa || falha "the other transaction does not hold the row: $(cat "$trabalho/segurador.log")"
    iniciar_tessela
    ainda_esperando 3 "the lock of station 03's row"
    sinalizar TERM
    verificar_fim_por_sinal SIGTERM 15 "waiting on the lock"
    soltar_linhas
    nada_escrito "after the other transaction rolled back"
    ;;
rede-muda)
    preparar_programa "$executavel" 0
    rm -f "$interfac"/*
    ligar_proxy --mudo
    iniciar_tessela
    ainda_esperando 3 "the silent link"
    grep -q " aceita" "$trabalho/rede.log" || falha "the run never reached the proxy: $(cat "$trabalho/rede.log")"
    sinalizar TERM
    verificar_fim_por_sinal SIGTERM 15 "attaching over a silent link"
    nada_escrito "after the silent link"
    ;;
fechamento)
    preparar_programa "$executavel" 0
    ligar_proxy
    iniciar_tessela
    esperar_relatorio
    kill -USR1 "$proxy_pid" # from here on the link forwards nothing
    teclar "$janela" alt+v
    esperar_sumir "$janela" || falha "the window stays after Voltar"
    sleep 0.3
    kill -0 "$tessela_pid" 2>/dev/null || { esperar_fim; falha "the run ended before the signal (status $status): nothing was detaching"; }
    # The link comes back a while after the signal: a run still detaching then would go
    # on past it.
    (sleep 1.5 && kill -USR2 "$proxy_pid" 2>/dev/null) &
    sinalizar TERM
    verificar_fim_por_sinal SIGTERM 15 "while the data module detaches over a silent link" 700
    ;;
servidor-mudo)
    preparar_programa "$executavel" 0
    rm -f "$interfac"/*
    ligar_proxy --mudo
    inicio=$(date +%s%N)
    iniciar_tessela
    principal=$(esperar_janela "^$TITULO_APLICACAO\$") || falha "no window"
    sleep 2
    grep -q " aceita" "$trabalho/rede.log" || falha "the run never reached the proxy: $(cat "$trabalho/rede.log")"
    cor=$(cor_dominante "$principal")
    [ -n "$cor" ] && [ "$cor" != "0 0 0" ] || falha "the window is not drawn while the first attach waits: [$cor]"
    ok "the window is drawn while the first attach waits (most of it $cor)"
    caixa=$(esperar_caixa) || falha "no Config box"
    t=$(ms_desde "$inicio")
    # Given up on at 15 s, not at once and not after the client's own 180 s.
    [ "$t" -ge 14000 ] && [ "$t" -le 17000 ] || falha "the Config box came after $t ms"
    ok "the Config box after $t ms"
    teclar "$caixa" Return
    esperar_sumir "$caixa" || falha "the Config box stays"
    caixa=$(esperar_caixa) || falha "no error box for the station"
    t=$(ms_desde "$inicio")
    [ "$t" -le 25000 ] || falha "the station's error came after $t ms"
    erro=$(cat "$pasta"/LOG/erros-*.log 2>/dev/null)
    [ "${erro#* * }" = "ErroConexao: O servidor SERVIDOR (127.0.0.2:3050) $(printf 'n\xe3o') responde."$'\r' ] ||
        falha "the error logged: [$erro]"
    ok "the station's error after $t ms, logged as: ${erro#* * }"
    teclar "$caixa" Return
    esperar_sumir "$caixa" || falha "the error box stays"
    sleep 1
    kill -0 "$tessela_pid" 2>/dev/null || { esperar_fim; falha "the run ended by itself (status $status)"; }
    [ "$(janelas_visiveis | wc -l)" -eq 1 ] || falha "other windows than the main one"
    ok "the run waits for the user"
    nada_escrito "after the silent server"
    # Closed as the title bar's button closes it; the attach left behind must not hold it.
    "$(dirname "$0")/../support/fechar-janela.py" "$principal" || falha "cannot close the window"
    sinalizar 0
    [ "$status" = 0 ] || falha "closing the window: status $status after $duracao ms"
    ok "closing the window ended the run in $duracao ms, status 0"
    ;;
rede-lenta)
    preparar_programa "$executavel" 0
    ligar_proxy --atraso-ms 150
    inicio=$(date +%s%N)
    iniciar_tessela
    esperar_relatorio
    verificar_relatorio "$interfac/Fichapes1.txt" "$TESSELA_E2E_DOURADOS/Fichapes1.txt" "$(date +%d/%m/%Y)" "$(date -d '-1 min' +%d/%m/%Y)"
    ok "the report over a link of 150 ms each way, on screen after $(ms_desde "$inicio") ms"
    grep -q "ida_e_volta" "$trabalho/rede.log" || falha "the run did not go through the proxy"
    ;;
compartilhamento-cheio)
    # A margin of 120 blanks: the report takes two pages of the file system.
    preparar_programa "$executavel" 120
    # A small share of its own, mounted last under the same source name: it is the one
    # the program finds.
    cheio="$trabalho/cheio"
    mkdir "$cheio" && mount -t tmpfs -o size=1m //SERVIDOR/MAGNOLIA "$cheio" || falha "cannot mount a small share"
    interfac="$cheio/Interfac03"
    mkdir "$interfac"
    # The files of an earlier run, the report one page long.
    cp "$TESSELA_E2E_DOURADOS/Fichapes1.txt" "$interfac/Fichapes1.txt"
    printf '01/12/26\r\n10:00:00\r\n' >"$interfac/ULTATIV.LLF"
    printf 'Inicio do Tessela\r\n' >"$cheio/DiagOM.txt"
    printf '%s\r\n' '|------------------------|' >"$interfac/LaudoACIDO ASCORBICO.txt"
    cp -p "$interfac/Fichapes1.txt" "$trabalho/Fichapes1.anterior"
    # One page left: enough for each smaller file to be replaced in turn, not for the report.
    livre=$(stat -f -c %a "$cheio")
    dd if=/dev/zero of="$cheio/enchimento" bs="$(stat -f -c %S "$cheio")" count=$((livre - 1)) status=none
    iniciar_tessela
    caixa=$(esperar_caixa) || falha "no error box"
    erro=$(cat "$pasta"/LOG/erros-*.log 2>/dev/null)
    grep -q 'Interfac03\\Fichapes1.txt: No space left on device' <<<"$erro" || falha "the error logged: [$erro]"
    ok "an error box, logged as: ${erro#* * }"
    teclar "$caixa" Return
    cmp "$trabalho/Fichapes1.anterior" "$interfac/Fichapes1.txt" ||
        falha "the earlier Fichapes1.txt changed: $(ls -l "$interfac")"
    restantes=$(ls -A "$interfac" | tr '\n' '|')
    [ "$restantes" = "Fichapes1.txt|LaudoACIDO ASCORBICO.txt|ULTATIV.LLF|" ] ||
        falha "files in Interfac03: $restantes"
    ok "the earlier Fichapes1.txt is there byte for byte, no temporary file left"
    ;;
cups-morto | cups-mudo)
    # A print server of this test's own, to be killed.
    raiz_cups="$trabalho/cups"
    porta=$((${TESSELA_CUPS_PORTA:-8631} + 30))
    "$(dirname "$0")/../../scripts/cups-servidor.sh" start "$raiz_cups" "$porta" >"$trabalho/cups.log" 2>&1
    case $? in
    0) ;;
    77) pular "no private cupsd here: $(tail -n 1 "$trabalho/cups.log")" ;;
    *) falha "cannot start a print server: $(tail -n 5 "$trabalho/cups.log")" ;;
    esac
    export CUPS_SERVER="127.0.0.1:$porta"
    # Station 03 prints on a PDF queue: two pages of 12 lines, a box after each.
    preparar_programa "$executavel" 0 \
        "TIPO DE IMPRESSORA.............................:" "" \
        "QUANTIDADE DE LINHAS POR PAGINA IMPRESSA OM....:" 12
    mkdir -p "$HOME/.cups"
    printf 'Default Bruta\nDest Laudo media=A4\n' >"$HOME/.cups/lpoptions"
    cp "$HOME/.cups/lpoptions" "$trabalho/lpoptions.antes"
    iniciar_tessela
    esperar_relatorio
    teclar "$janela" alt+m
    caixa=$(esperar_caixa) || falha "no box after page 1"
    esperar_arquivo "$raiz_cups/pdf/Pagina_1.pdf" || falha "no page 1"
    grep -q '^Default PDF_' "$HOME/.cups/lpoptions" ||
        falha "the PDF queue is not the default during the print: $(cat "$HOME/.cups/lpoptions")"
    if [ "$modo" = cups-morto ]; then
        kill -KILL "$(cat "$raiz_cups/run/cupsd.pid")"
        motivo=": Connection refused"
    else
        # Stopped, not gone: it still takes connections, and answers nothing.
        kill -STOP "$(cat "$raiz_cups/run/cupsd.pid")"
        motivo="."
    fi
    inicio=$(date +%s%N)
    teclar "$caixa" Return
    esperar_sumir "$caixa" || falha "the box after page 1 stays"
    caixa=$(esperar_caixa) || falha "no box for page 2"
    t=$(ms_desde "$inicio")
    erro=$(cat "$pasta"/LOG/erros-*.log 2>/dev/null)
    [ "${erro#* * }" = "ErroImpressao: $(printf 'O servidor de impress\xe3o') 127.0.0.1:$porta $(printf 'n\xe3o') responde$motivo"$'\r' ] ||
        falha "the error logged: [$erro]"
    ok "the box names the server that does not answer, after $t ms: ${erro#* * }"
    if [ "$modo" = cups-mudo ]; then
        [ "$t" -ge 10000 ] && [ "$t" -le 16500 ] || falha "the silent server was given up on after $t ms"
        kill -CONT "$(cat "$raiz_cups/run/cupsd.pid")"
    fi
    teclar "$caixa" Return
    cmp -s "$trabalho/lpoptions.antes" "$HOME/.cups/lpoptions" ||
        falha "the default printer was not given back: $(cat "$HOME/.cups/lpoptions")"
    ok "the user's lpoptions are again as before the print, byte for byte"
    ;;
*)
    echo "unknown mode: $modo"
    exit 2
    ;;
esac
exit 0
