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

# shellcheck source=../support/programa-real.sh
. "$(dirname "$0")/../support/programa-real.sh"

[ -n "${TESSELA_COMPARTILHAMENTO:-}" ] || pular "not inside com-compartilhamento.sh"
for programa in Xvfb xdotool xwininfo isql-fb pdftotext pdfinfo; do
    command -v "$programa" >/dev/null || pular "$programa is missing (scripts/setup.sh)"
done
interfac="$TESSELA_COMPARTILHAMENTO/Interfac03"

trabalho=$(mktemp -d /tmp/tessela-e2e.XXXXXX)
limpar() {
    trap '' INT TERM # a second signal must not cut the cleaning short
    limpar_programa_real
    rm -rf "$trabalho"
}
trap limpar EXIT
preparar_banco

# --- The display, the print system's client side, the program folder ------------------

iniciar_xvfb
export CUPS_SERVER="127.0.0.1:${TESSELA_CUPS_PORTA:-8631}"
unset LPDEST PRINTER
# No margin, so the report is the example of the report layout; 12 lines per page, so
# the print takes two pages.
preparar_programa "$executavel" 0 \
    "TIPO DE IMPRESSORA.............................:" "" \
    "QUANTIDADE DE LINHAS POR PAGINA IMPRESSA OM....:" 12

rm -f "$TESSELA_COMPARTILHAMENTO/DiagOM.txt" "$interfac"/*
hoje_inicio=$(date +%d/%m/%Y)

# --- No MAGNOLIA.INI ------------------------------------------------------------------

if [ "$modo" = sem-ini ]; then
    rm "$pasta/MAGNOLIA.INI"
    iniciar_tessela
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

iniciar_relatorio() {
    rm -f "$interfac/Fichapes1.txt"
    iniciar_tessela
    esperar_relatorio
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
    iniciar_tessela ninguem
    caixa=$(esperar_caixa) || falha "no message for the unknown user"
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
verificar_relatorio "$interfac/Fichapes1.txt" "$TESSELA_E2E_DOURADOS/Fichapes1.txt" "$hoje_inicio" "$hoje_fim"
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
verificar_carimbo "$dia"
carimbo=$(carimbo_da_estacao)
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
