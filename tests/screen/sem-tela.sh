#!/usr/bin/env bash
# The executable with no display at all, and with one that does not answer (a stale
# DISPLAY over ssh, an X server that has just restarted): a clear message and status 1,
# where Qt itself would abort.
set -u
falhou=0
caso() { # what the message must say, environment...
    local esperado=$1 saida status
    shift
    saida=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" "$executavel" 000123 L2301 F 12/2027 maria 2>&1)
    status=$?
    echo "$saida"
    if [ "$status" -ne 1 ]; then
        echo "$*: exit status $status, expected 1"
        falhou=1
    elif ! grep -q "$esperado" <<<"$saida"; then
        echo "$*: the message does not say why"
        falhou=1
    fi
}
executavel=$1
caso "DISPLAY e WAYLAND_DISPLAY"
caso "DISPLAY=:59997 n" DISPLAY=:59997
exit "$falhou"
