#!/usr/bin/env bash
# The Debian package installed on this machine and used as a workstation user uses it:
# dpkg -i, the settings written into /etc/tessela (from the package's own examples),
# /usr/bin/tessela run by an ordinary user (one this test creates) in Xvfb, against the
# private Firebird server, inside the test share (tests/support/com-compartilhamento.sh).
# The report and the stamp are there; SIGTERM on the report screen ends the run; an
# unreachable database leaves its error in /var/log/tessela/erros-LOGIN.log and a
# fatal signal its crash report in falhas-LOGIN.log. The package, the settings and the
# user are removed afterwards.
#
#   instalado.sh BUILD     BUILD is the build folder (cpack makes the package there)
#
# Environment (set by CTest): TESSELA_FIREBIRD_RAIZ, TESSELA_E2E_DOURADOS. Exits 77 when
# this machine cannot take the test: not root, or a package or settings of an
# administrator already there, which the test never touches.
# shellcheck disable=SC2015,SC2317 # "[ a ] && [ b ] || falha" is meant; the trap calls the helpers
set -uo pipefail

build=${1:-}
[ -f "$build/CMakeCache.txt" ] || { echo "usage: $0 BUILD"; exit 2; }
# shellcheck source=../support/programa-real.sh
. "$(dirname "$0")/../support/programa-real.sh"

USUARIO=tesselateste
LOGS=/var/log/tessela
[ "$(id -u)" -eq 0 ] || pular "installing a package needs root"
[ -n "${TESSELA_COMPARTILHAMENTO:-}" ] || pular "not inside com-compartilhamento.sh"
for programa in dpkg cpack useradd userdel setpriv Xvfb xdotool xwininfo isql-fb; do
    command -v "$programa" >/dev/null || pular "$programa is missing (scripts/setup.sh)"
done
dpkg-query -W -f='${Status}' tessela 2>/dev/null | grep -q installed &&
    pular "a tessela package is already installed on this machine"
[ -e /etc/tessela/MAGNOLIA.INI ] || [ -e /etc/tessela/CONFIGBD.INI ] &&
    pular "/etc/tessela already holds settings"
id "$USUARIO" >/dev/null 2>&1 && pular "a user $USUARIO already exists"

trabalho=$(mktemp -d /tmp/tessela-instalado.XXXXXX)
chmod 755 "$trabalho"
interfac="$TESSELA_COMPARTILHAMENTO/Interfac03"
instalado=no
limpar() {
    trap '' INT TERM # a second signal must not cut the cleaning short
    limpar_programa_real
    if [ "$instalado" = yes ]; then
        rm -f /etc/tessela/MAGNOLIA.INI /etc/tessela/CONFIGBD.INI
        dpkg -P tessela >/dev/null 2>&1 || echo "FAIL: dpkg -P tessela"
    fi
    id "$USUARIO" >/dev/null 2>&1 && userdel "$USUARIO"
    rm -rf "$trabalho"
}
trap limpar EXIT
preparar_banco

# --- The package, installed -----------------------------------------------------------

(cd "$build" && cpack -G DEB -B "$trabalho/pacote") >"$trabalho/cpack.log" 2>&1 ||
    { cat "$trabalho/cpack.log"; falha "cpack -G DEB"; }
instalado=yes
dpkg -i "$trabalho"/pacote/tessela_*.deb >"$trabalho/dpkg.log" 2>&1 ||
    { cat "$trabalho/dpkg.log"; falha "dpkg -i"; }
[ "$(stat -c %a:%U "$LOGS")" = 1777:root ] || falha "$LOGS: $(stat -c %a:%U "$LOGS" 2>&1)"
ok "dpkg -i; $LOGS made by the package, sticky and open to every user"

# Without settings the program says so (its own message box) and ends with status 1.
useradd --no-create-home --home-dir "$trabalho/casa" --shell /usr/sbin/nologin "$USUARIO" ||
    falha "useradd $USUARIO"
mkdir -m 0700 "$trabalho/casa" "$trabalho/casa/runtime"
chown -R "$USUARIO:" "$trabalho/casa"
# The share as a workstation mounts it: the user's own files, under a mount point the
# user can reach.
chmod 755 "$(dirname "$TESSELA_COMPARTILHAMENTO")"
chown "$USUARIO:" "$TESSELA_COMPARTILHAMENTO" "$interfac"
rm -f "$TESSELA_COMPARTILHAMENTO/DiagOM.txt" "$interfac"/*
iniciar_xvfb

executar() { # arguments of the program, run by the user in the background
    setpriv --reuid="$USUARIO" --regid="$USUARIO" --init-groups --reset-env \
        env LANG=C.UTF-8 DISPLAY="$DISPLAY" QT_QPA_PLATFORM=xcb HOME="$trabalho/casa" \
        XDG_RUNTIME_DIR="$trabalho/casa/runtime" /usr/bin/tessela "$@" &
    tessela_pid=$!
}
executar 000123 L2301 "DISTRIBUIDORA CENTRAL" 12/2027 maria
caixa=$(esperar_caixa) || falha "no message box without settings"
teclar "$caixa" Return
esperar_fim
[ "$status" = 1 ] || falha "without /etc/tessela/MAGNOLIA.INI: status $status, expected 1"
ok "without settings: the program's message box, status 1"

# --- The settings in /etc/tessela, the report --------------------------------------------

exemplos=/usr/share/doc/tessela/examples
cp "$exemplos/MAGNOLIA.INI" "$exemplos/CONFIGBD.INI" /etc/tessela/ || falha "no examples in $exemplos"
hoje_inicio=$(date +%d/%m/%Y)
executar 000123 L2301 "DISTRIBUIDORA CENTRAL" 12/2027 maria
janela=$(esperar_janela 'rio: "maria"') || falha "the window never took the user's caption"
esperar_arquivo "$interfac/Fichapes1.txt" || falha "no Fichapes1.txt"
sleep 1 # the report screen follows the file
[ "$(xdotool getwindowname "$janela")" = "$LEGENDA" ] || falha "caption [$(xdotool getwindowname "$janela")]"
sinalizar TERM
[ "$status" = 143 ] || falha "SIGTERM on the report screen: status $status, expected 143"
ok "SIGTERM on the report screen: ended in $duracao ms, status 143"
hoje_fim=$(date +%d/%m/%Y)
verificar_relatorio "$interfac/Fichapes1.txt" "$TESSELA_E2E_DOURADOS/Fichapes1.txt" "$hoje_inicio" "$hoje_fim"
[ "$(stat -c %U "$interfac/Fichapes1.txt")" = "$USUARIO" ] || falha "Fichapes1.txt not the user's"
curto() { echo "${1:0:6}${1:8:2}"; }
verificar_carimbo "$(curto "$hoje_inicio")" "$(curto "$hoje_fim")"
ok "as $USUARIO: Fichapes1.txt equals the golden file, station 03 stamped [$(carimbo_da_estacao)]"
[ ! -e "$LOGS/erros-$USUARIO.log" ] || falha "errors logged: $(cat "$LOGS/erros-$USUARIO.log")"

# --- Reports of an error and of a crash ---------------------------------------------------

# CONFIGBD.INI takes precedence: a central server on a closed port.
linha_ini "IP DO SERVIDOR CENTRAL.........................:" "127.0.0.1/1" >/etc/tessela/CONFIGBD.INI
executar 000123 L2301 "DISTRIBUIDORA CENTRAL" 12/2027 maria
# First the message that CONFIG cannot be read; then the error reaches the general
# handler, which logs it and shows it.
caixa=$(esperar_caixa) || falha "no message for CONFIG"
teclar "$caixa" Return
esperar_arquivo "$LOGS/erros-$USUARIO.log" || falha "no $LOGS/erros-$USUARIO.log"
grep -q 'ErroConexao: .*127\.0\.0\.1' "$LOGS/erros-$USUARIO.log" ||
    falha "the error log holds: $(cat -A "$LOGS/erros-$USUARIO.log")"
[ "$(stat -c %U:%a "$LOGS/erros-$USUARIO.log")" = "$USUARIO:644" ] ||
    falha "error log: $(stat -c %U:%a "$LOGS/erros-$USUARIO.log")"
sinalizar TERM
[ "$status" = 143 ] || falha "SIGTERM over the error box: status $status"
ok "an unreachable database: $LOGS/erros-$USUARIO.log, the user's own: $(head -c 120 "$LOGS/erros-$USUARIO.log")"

cp "$exemplos/CONFIGBD.INI" /etc/tessela/
executar 000123 L2301 "DISTRIBUIDORA CENTRAL" 12/2027 maria
esperar_janela 'rio: "maria"' >/dev/null || falha "no report window for the crash"
kill -SEGV "$tessela_pid"
esperar_fim
[ "$status" = 139 ] || falha "SIGSEGV: status $status, expected 139"
grep -q 'Falha fatal: SIGSEGV' "$LOGS/falhas-$USUARIO.log" && grep -q 'Pilha de chamadas:' "$LOGS/falhas-$USUARIO.log" ||
    falha "crash log: $(cat -A "$LOGS/falhas-$USUARIO.log")"
ok "a fatal signal: its report in $LOGS/falhas-$USUARIO.log"

# --- Removed ----------------------------------------------------------------------------

rm -f /etc/tessela/MAGNOLIA.INI /etc/tessela/CONFIGBD.INI
dpkg -P tessela >"$trabalho/dpkg.log" 2>&1 || { cat "$trabalho/dpkg.log"; falha "dpkg -P"; }
instalado=no
[ ! -e /usr/bin/tessela ] && [ ! -e /usr/lib/tessela ] && [ ! -e "$LOGS" ] && [ ! -e /etc/tessela ] ||
    falha "left after dpkg -P: $(ls -d /usr/bin/tessela /usr/lib/tessela "$LOGS" /etc/tessela 2>/dev/null)"
ok "dpkg -P removes the program, its folder, /etc/tessela and the reports"
exit 0
