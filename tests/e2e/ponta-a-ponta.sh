#!/usr/bin/env bash
# The real executable end to end, as a user runs it: in a real X server (Xvfb), driven
# by key presses (xdotool), against the private Firebird server and cupsd of the test
# run, inside the test share (tests/support/com-compartilhamento.sh).
#
#   ponta-a-ponta.sh relatorio TESSELA   the report of 000123: the window, its caption,
#                                        Fichapes1.txt, ULTATIV.LLF, the ESTACOES stamp,
#                                        Alt+M on the PDF printer (Enter after each
#                                        page), the PDF pages, Alt+V and status 0
#   ponta-a-ponta.sh sem-ini TESSELA     no MAGNOLIA.INI: a message box, no report
#                                        window, nothing written, status 1
#   ponta-a-ponta.sh sinais TESSELA      the run ended by a signal as the close button
#                                        ends it: SIGTERM on the report screen, SIGHUP
#                                        in the PDF message between two pages, SIGINT
#                                        in a message box of the waiting panel
#
# Environment (set by CTest): TESSELA_FIREBIRD_RAIZ, TESSELA_CUPS_RAIZ,
# TESSELA_CUPS_PORTA, TESSELA_E2E_DOURADOS. Exits 77 when a component cannot run here.
# shellcheck disable=SC2015,SC2317 # "[ a ] && [ b ] || falha" is meant; the trap calls the helpers
set -uo pipefail

modo=${1:-}
executavel=${2:-}
[ -n "$modo" ] && [ -x "$executavel" ] || { echo "usage: $0 relatorio|sem-ini|sinais TESSELA"; exit 2; }

SENHA=tealcobra
ESPERA=60 # seconds any one step may take

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

[ -n "${TESSELA_COMPARTILHAMENTO:-}" ] || pular "not inside com-compartilhamento.sh"
for programa in Xvfb xdotool xwininfo isql-fb pdftotext pdfinfo; do
    command -v "$programa" >/dev/null || pular "$programa is missing (scripts/setup.sh)"
done
interfac="$TESSELA_COMPARTILHAMENTO/Interfac03"

trabalho=$(mktemp -d /tmp/tessela-e2e.XXXXXX)
xvfb_pid=""
tessela_pid=""
encerrar_programa() {
    [ -n "$tessela_pid" ] || return 0
    kill "$tessela_pid" 2>/dev/null
    for _ in $(seq 30); do kill -0 "$tessela_pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$tessela_pid" 2>/dev/null
    tessela_pid=""
}
banco_alterado=no
limpar() {
    trap '' INT TERM # a second signal must not cut the cleaning short
    encerrar_programa
    [ "$banco_alterado" = yes ] && restaurar_banco
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$trabalho"
}
trap limpar EXIT

# --- The private servers -------------------------------------------------------------

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

for _ in $(seq 20); do
    resposta=$(consultar dados "select 'x' from RDB\$DATABASE" 2>&1) && break
    sleep 0.5
done
[ "$resposta" = x ] || falha "the private Firebird server (FirebirdServer fixture) does not answer: $resposta"
banco_alterado=yes
restaurar_banco || falha "cannot reset station 03"

# --- The display, the print system's client side, the program folder ------------------

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$trabalho/display" >"$trabalho/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$trabalho/display" ] && break; sleep 0.1; done
[ -s "$trabalho/display" ] || falha "Xvfb did not start: $(cat "$trabalho/xvfb.log")"
DISPLAY=":$(head -n 1 "$trabalho/display")"
mkdir -m 0700 "$trabalho/runtime" "$trabalho/casa"
export DISPLAY QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$trabalho/runtime" HOME="$trabalho/casa"
export CUPS_SERVER="127.0.0.1:${TESSELA_CUPS_PORTA:-8631}"
unset LPDEST PRINTER

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

linha_ini() { printf '%-48s %s\r\n' "$1" "$2"; }
pasta="$trabalho/programa"
mkdir -p "$pasta"
cp "$executavel" "$pasta/tessela"
{
    linha_ini "IP DO SERVIDOR CENTRAL.........................:" SERVIDOR
    linha_ini "NOME DO BANCO DE DADOS CENTRAL.................:" MAGNOLIA.BD
} >"$pasta/CONFIGBD.INI"

# UTF-8 of the captions, as the X server holds them.
TITULO_APLICACAO=$(printf 'MAGNOLIA - Laudo de An\xc3\xa1lise')
LEGENDA=$(printf '  MAGNOLIA          Usu\xc3\xa1rio: "maria"   Esta\xc3\xa7\xc3\xa3o: 03')

rm -f "$TESSELA_COMPARTILHAMENTO/DiagOM.txt" "$interfac"/*
hoje_inicio=$(date +%d/%m/%Y)

# --- No MAGNOLIA.INI ------------------------------------------------------------------

if [ "$modo" = sem-ini ]; then
    "$pasta/tessela" 000123 L2301 "DISTRIBUIDORA CENTRAL" 12/2027 maria &
    tessela_pid=$!
    caixa=$(esperar_janela "^$TITULO_APLICACAO\$") || falha "no message box"
    sleep 0.5
    visiveis=$(janelas_visiveis)
    [ "$(wc -l <<<"$visiveis")" -eq 1 ] || falha "windows besides the message box: $visiveis"
    ok "the message box alone is shown: $(xdotool getwindowname "$caixa")"
    teclar "$caixa" Return
    esperar_fim
    [ "$status" = 1 ] || falha "exit status $status, expected 1"
    ok "status 1"
    [ -z "$(ls -A "$interfac")" ] && [ ! -e "$TESSELA_COMPARTILHAMENTO/DiagOM.txt" ] ||
        falha "files written on the share: $(ls -A "$TESSELA_COMPARTILHAMENTO" "$interfac")"
    [ "$(carimbo_da_estacao)" = "N|" ] || falha "station 03 stamped: $(carimbo_da_estacao)"
    ok "nothing written on the share, station 03 not stamped"
    exit 0
fi
case "$modo" in
relatorio | sinais) ;;
*) echo "unknown mode: $modo"; exit 2 ;;
esac

# --- The report, printed on the PDF printer -------------------------------------------

raiz_cups=${TESSELA_CUPS_RAIZ:-}
[ -n "$raiz_cups" ] && [ -f "$raiz_cups/pronto" ] ||
    pular "no private cupsd (the CupsServer fixture needs root and unshare)"
rm -rf "${raiz_cups:?}/pdf/"*
# The user's default printer before the print, given back after it.
mkdir -p "$HOME/.cups"
printf 'Default Bruta\n' >"$HOME/.cups/lpoptions"

# No margin, so the report is the example of the report layout; 12 lines per page, so
# the print takes two pages.
{
    linha_ini "IP DO SERVIDOR CENTRAL.........................:" SERVIDOR
    linha_ini "NOME DO COMPARTILHAMENTO DA PASTA MAGNOLIA.....:" MAGNOLIA
    linha_ini "TITULO CENTRAL DO LAUDO DO DO C.Q. PROD.PRONTOS:" MATERIAS-PRIMAS
    linha_ini "LARGURA DA OM (QDE TRACOS).....................:" 119
    linha_ini "MARGEM ESQUERDA DO LAUDO.......................:" 0
    linha_ini "TIPO DE IMPRESSORA.............................:" ""
    linha_ini "QUANTIDADE DE LINHAS POR PAGINA IMPRESSA OM....:" 12
} >"$pasta/MAGNOLIA.INI"

iniciar_relatorio() {
    rm -f "$interfac/Fichapes1.txt"
    "$pasta/tessela" 000123 L2301 "DISTRIBUIDORA CENTRAL" 12/2027 "${1:-maria}" &
    tessela_pid=$!
    janela=$(esperar_janela 'rio: "maria"') || falha "the window never took the user's caption"
    esperar_arquivo "$interfac/Fichapes1.txt" || falha "no Fichapes1.txt"
    sleep 1 # the report screen follows the file
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
# The end by a signal: the status a shell gives a run ended by it, no window left, no
# error logged.
verificar_fim_por_sinal() { # signal name, number, where
    [ "$status" = $((128 + $2)) ] || falha "$1 $3: status $status, expected $((128 + $2))"
    [ -z "$(janelas_visiveis)" ] || falha "$1 $3: windows left"
    [ -z "$(find "$pasta" -name 'erros*.log')" ] || falha "$1 $3: errors logged: $(cat "$pasta"/LOG/erros*.log)"
    ok "$1 $3: ended in $duracao ms, status $status, no window left"
}

if [ "$modo" = sinais ]; then
    iniciar_relatorio
    sinalizar TERM
    verificar_fim_por_sinal SIGTERM 15 "on the report screen"

    # The message after page 1 of 2 is open: the print ends there, whole pages only,
    # and the default printer is given back.
    iniciar_relatorio
    teclar "$janela" alt+m
    caixa=$(esperar_janela "^$TITULO_APLICACAO\$") || falha "no message after page 1"
    esperar_arquivo "$raiz_cups/pdf/Pagina_1.pdf" || falha "no page 1"
    sinalizar HUP
    verificar_fim_por_sinal SIGHUP 1 "in the message between two pages"
    grep -qx 'Default Bruta' "$HOME/.cups/lpoptions" ||
        falha "SIGHUP: the default printer was not given back: $(cat "$HOME/.cups/lpoptions")"
    sleep 2.5 # page 2 would have been begun at once
    [ "$(ls "$raiz_cups/pdf")" = Pagina_1.pdf ] || falha "SIGHUP: pages printed: $(ls "$raiz_cups/pdf")"
    [ "$(pdfinfo "$raiz_cups/pdf/Pagina_1.pdf" | awk '/^Pages:/ {print $2}')" = 1 ] ||
        falha "SIGHUP: page 1 is not a whole one-page document"
    ok "SIGHUP: page 1 whole, no page 2, the default printer Bruta again"

    # A user with no station: the waiting panel and the box naming the user.
    "$pasta/tessela" 000123 L2301 "DISTRIBUIDORA CENTRAL" 12/2027 ninguem &
    tessela_pid=$!
    caixa=$(esperar_janela "^$TITULO_APLICACAO\$") || falha "no message for the unknown user"
    sleep 0.5
    sinalizar INT
    verificar_fim_por_sinal SIGINT 2 "in a message box over the waiting panel"
    exit 0
fi

iniciar_relatorio

legenda=$(xdotool getwindowname "$janela")
[ "$legenda" = "$LEGENDA" ] || falha "caption [$legenda], expected [$LEGENDA]"
ok "caption $legenda"

# Alt+M: "I&mprimir". The PDF printer asks for Enter after every page.
teclar "$janela" alt+m
for pagina in 1 2; do
    caixa=$(esperar_janela "^$TITULO_APLICACAO\$") || falha "no message after page $pagina"
    sleep 0.3
    teclar "$caixa" Return
    esperar_sumir "$caixa" || falha "the message after page $pagina stays open"
done
ok "Alt+M printed, Enter pressed after each of the two pages"
sleep 1 # the print ends by giving the default printer back
grep -qx 'Default Bruta' "$HOME/.cups/lpoptions" ||
    falha "the default printer was not given back: $(cat "$HOME/.cups/lpoptions")"
ok "default printer Bruta again after the print"

teclar "$janela" alt+v
esperar_fim
[ "$status" = 0 ] || falha "exit status after Alt+V: $status, expected 0"
ok "Alt+V ended the run with status 0"
hoje_fim=$(date +%d/%m/%Y)

# The report file, byte for byte: the example with the date of the run.
dourado="$TESSELA_E2E_DOURADOS/Fichapes1.txt"
igual=no
for hoje in "$hoje_inicio" "$hoje_fim"; do
    sed "s#Data: 08/12/2026#Data: $hoje#" "$dourado" >"$trabalho/esperado.txt"
    cmp -s "$trabalho/esperado.txt" "$interfac/Fichapes1.txt" && igual=yes
done
if [ "$igual" != yes ]; then
    diff <(cat -A "$trabalho/esperado.txt") <(cat -A "$interfac/Fichapes1.txt")
    falha "Fichapes1.txt differs from $dourado"
fi
ok "Fichapes1.txt equals the golden file"

regra='|------------------------|--------------------------------------------------|------------|--------------|-------------|'
[ "$(cat "$interfac/LaudoACIDO ASCORBICO.txt")" = "$regra"$'\r' ] || falha "Laudo file: $(cat -A "$interfac/LaudoACIDO ASCORBICO.txt")"
[ "$(cat "$TESSELA_COMPARTILHAMENTO/DiagOM.txt")" = $'Inicio do Tessela\r' ] || falha "DiagOM.txt: $(cat -A "$TESSELA_COMPARTILHAMENTO/DiagOM.txt")"
ok "Laudo file and DiagOM.txt"

# ULTATIV.LLF: the date as dd/mm/yy and the time as hh:nn:ss, CR LF each.
dia_curto() { echo "${1:0:6}${1:8:2}"; }
ultativ=$(od -An -c "$interfac/ULTATIV.LLF" | tr -d ' \n')
[[ "$ultativ" =~ ^([0-9]{2}/[0-9]{2}/[0-9]{2})\\r\\n([0-2][0-9]:[0-5][0-9]:[0-5][0-9])\\r\\n$ ]] ||
    falha "ULTATIV.LLF: $(cat -A "$interfac/ULTATIV.LLF")"
dia=${BASH_REMATCH[1]}
[ "$dia" = "$(dia_curto "$hoje_inicio")" ] || [ "$dia" = "$(dia_curto "$hoje_fim")" ] ||
    falha "ULTATIV.LLF holds the date $dia"
ok "ULTATIV.LLF"

# The stamp of station 03.
carimbo=$(carimbo_da_estacao)
[[ "$carimbo" =~ ^S\|Ultima\ atividade:\ ([0-9]{2}/[0-9]{2}/[0-9]{2})\ [0-2][0-9]:[0-5][0-9]:[0-5][0-9]$ ]] ||
    falha "ESTACOES stamp: [$carimbo]"
[ "${BASH_REMATCH[1]}" = "$dia" ] || falha "ESTACOES stamp of another day: $carimbo"
[ "$(consultar interfac03 "select count(*) from FICHAPRO")" = "0" ] ||
    falha "FICHAPRO of station 03 not emptied"
ok "ESTACOES stamp [$carimbo], FICHAPRO emptied"

# The PDF pages: one file per page job, the lines of each page in order. Lines 0 to 11
# on the first page and 12 to 19 on the second (the report starts at line 2).
normalizar() { tr -s ' \t' ' ' | sed -e 's/^ //' -e 's/ $//' -e '/^$/d'; }
for pagina in 1 2; do
    pdf="$raiz_cups/pdf/Pagina_$pagina.pdf"
    esperar_arquivo "$pdf" || falha "no $pdf: $(ls "$raiz_cups/pdf")"
done
for _ in $(seq 50); do # cups-pdf may still be writing the second file
    [ "$(pdfinfo "$raiz_cups/pdf/Pagina_2.pdf" 2>/dev/null | awk '/^Pages:/ {print $2}')" = 1 ] && break
    sleep 0.2
done
[ "$(find "$raiz_cups/pdf" -name '*.pdf' | wc -l)" -eq 2 ] || falha "PDF files: $(ls "$raiz_cups/pdf")"
tr -d '\r' <"$interfac/Fichapes1.txt" >"$trabalho/linhas.txt"
for pagina in 1 2; do
    pdf="$raiz_cups/pdf/Pagina_$pagina.pdf"
    [ "$(pdfinfo "$pdf" | awk '/^Pages:/ {print $2}')" = 1 ] || falha "$pdf is not one page"
    case $pagina in
    1) sed -n '1,12p' "$trabalho/linhas.txt" ;;
    2) sed -n '13,20p' "$trabalho/linhas.txt" ;;
    esac | normalizar >"$trabalho/esperado-$pagina.txt"
    pdftotext -layout "$pdf" - | tr -d '\f' | normalizar >"$trabalho/pdf-$pagina.txt"
    if ! cmp -s "$trabalho/esperado-$pagina.txt" "$trabalho/pdf-$pagina.txt"; then
        diff "$trabalho/esperado-$pagina.txt" "$trabalho/pdf-$pagina.txt"
        falha "the text of page $pagina differs"
    fi
done
ok "two PDF pages holding the report lines in order"
exit 0
