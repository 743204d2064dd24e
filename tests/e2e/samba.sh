#!/usr/bin/env bash
# The real executable writing its files to a real SMB share, as a workstation mounts the
# central server's with GNOME: a private smbd on 127.0.0.1 and gvfs on a D-Bus session
# of the test's own (tests/support/samba-gvfs.sh), the settings naming the server
# 127.0.0.1 both for \\127.0.0.1\MAGNOLIA and for the databases, in Xvfb, against the
# private Firebird server. Not inside com-compartilhamento.sh: its tmpfs, found in the
# mount table first, would hide the share. One case a mode:
#
#   samba.sh relatorio TESSELA    the report of 000123 written to the share through gvfs
#                                 (the golden file), then replaced by a run of 000789
#                                 (accented product and test names; the Laudo file's
#                                 name in UTF-8 on the server); no temporary file left
#   samba.sh segurado TESSELA     another client holds Fichapes1.txt open sharing read,
#                                 write and delete: the failed rename marks it for
#                                 deletion; once that client closes it, Fichapes1.txt
#                                 is there and whole, and no temporary file is left;
#                                 held past the program's wait, the box names the
#                                 temporary file, which keeps the new report
#   samba.sh aberto TESSELA       another client holds Fichapes1.txt sharing read and
#                                 write: the report is written in place; sharing read
#                                 only: the box says the file is open in another
#                                 program, the earlier file stays, no temporary file
#   samba.sh congelado TESSELA    smbd stopped (SIGSTOP) before the start, then as the
#                                 first temporary file is made; SIGTERM: the window goes
#                                 within 1 s, the time to the process's end is shown,
#                                 and what the run left is removed by a later run once
#                                 it is an hour old
#
# Environment (set by CTest): TESSELA_FIREBIRD_RAIZ, TESSELA_E2E_DOURADOS. Exits 77 when
# a component cannot run here.
# shellcheck disable=SC2015,SC2317 # "[ a ] && [ b ] || falha" is meant; the trap calls the helpers
set -uo pipefail

modo=${1:-}
executavel=${2:-}
[ -n "$modo" ] && [ -x "$executavel" ] || { echo "usage: $0 MODE TESSELA"; exit 2; }
[ -n "${TESSELA_DENTRO_DO_NAMESPACE:-}" ] && { echo "not inside com-compartilhamento.sh"; exit 2; }

# shellcheck source=../support/programa-real.sh
. "$(dirname "$0")/../support/programa-real.sh"
# shellcheck source=../support/samba-gvfs.sh
. "$(dirname "$0")/../support/samba-gvfs.sh"

# A mount and pid namespace of its own: the FUSE mount and every daemon go with it.
if [ "${TESSELA_SAMBA_NAMESPACE:-}" != 1 ]; then
    [ "$(id -u)" = 0 ] || pular "needs root (smbd on port 445, a FUSE mount)"
    [ -c /dev/fuse ] || pular "no /dev/fuse"
    for programa in smbd smbpasswd smbclient gio dbus-daemon fusermount3 Xvfb xdotool xwininfo isql-fb; do
        command -v "$programa" >/dev/null || pular "$programa is missing (scripts/setup.sh)"
    done
    [ -x /usr/libexec/gvfsd-smb ] && [ -x /usr/libexec/gvfsd-fuse ] || pular "gvfs-backends or gvfs-fuse is missing"
    /usr/bin/python3 -c 'import samba.samba3.libsmb_samba_internal' 2>/dev/null || pular "python3-samba is missing"
    if ss -Hltn 'sport = :445' | grep -q .; then pular "port 445 is taken by another program"; fi
    unshare -m -p -f --kill-child --propagation private --mount-proc true 2>/dev/null ||
        pular "no private mount and pid namespace here"
    export TESSELA_SAMBA_NAMESPACE=1
    exec unshare -m -p -f --kill-child --propagation private --mount-proc "$0" "$@"
fi

trabalho=$(mktemp -d /tmp/tessela-samba.XXXXXX)
limpar() {
    trap '' INT TERM
    limpar_programa_real
    parar_samba_gvfs
    rm -rf "$trabalho"
}
trap limpar EXIT
preparar_banco
iniciar_xvfb
servidor_central=127.0.0.1
preparar_programa "$executavel" 0
iniciar_samba
montar_gvfs
raiz="$samba_raiz/MAGNOLIA"
interfac="$raiz/Interfac03"
mkdir "$interfac"
unc='\\127.0.0.1\MAGNOLIA\Interfac03\Fichapes1.txt'
hoje_inicio=$(date +%d/%m/%Y)

temporarios() { find "$raiz" -name '.*.tessela-*' -printf '%P (%s bytes)\n'; }
sem_temporarios() { # where
    [ -z "$(temporarios)" ] || falha "$1: temporary files left: $(temporarios)"
}
# The files of an earlier run on the share.
arquivos_anteriores() {
    printf 'LAUDO ANTERIOR\r\n' >"$interfac/Fichapes1.txt"
    cp "$interfac/Fichapes1.txt" "$trabalho/Fichapes1.anterior"
}
verificar_novo() { # where
    verificar_relatorio "$interfac/Fichapes1.txt" "$TESSELA_E2E_DOURADOS/Fichapes1.txt" \
        "$hoje_inicio" "$(date +%d/%m/%Y)"
    ok "$1: Fichapes1.txt on the server equals the golden file"
}
voltar() {
    teclar "$janela" alt+v
    esperar_fim
    [ "$status" = 0 ] || falha "exit status after Alt+V: $status"
}
# The box's text, as the error log holds it (date and time dropped).
erro_registrado() { sed -e 's/^[^ ]* [^ ]* //' -e 's/\r$//' "$pasta"/LOG/erros-*.log 2>/dev/null; }
utf8() { iconv -f CP1252 -t UTF-8 <<<"$1"; }
# Until the run has written the new report or shown an error.
esperar_resultado() {
    local fim=$((SECONDS + ESPERA))
    sed "s#Data: 08/12/2026#Data: $(date +%d/%m/%Y)#" "$TESSELA_E2E_DOURADOS/Fichapes1.txt" >"$trabalho/novo.txt"
    until [ -n "$(erro_registrado)" ] || cmp -s "$trabalho/novo.txt" "$interfac/Fichapes1.txt"; do
        [ $SECONDS -lt $fim ] || falha "neither the report nor an error: $(ls -A "$interfac")"
        sleep 0.1
    done
}
# SIGTERM to a run held inside the frozen share: the moments its windows are gone and
# its process ends (waited for 10 s, then smbd wakes up and the end is waited for again).
# Sets fim_janela and fim_processo (ms, or "never" with the time after the wake-up).
medir_fim() {
    local inicio agora limite
    fim_janela="" fim_processo=""
    inicio=$(date +%s%N)
    limite=$((inicio + 10000000000))
    kill -TERM "$tessela_pid"
    while :; do
        agora=$(date +%s%N)
        if [ -z "$fim_janela" ] && [ -z "$(janelas_visiveis)" ]; then
            fim_janela=$(((agora - inicio) / 1000000))
        fi
        if ! kill -0 "$tessela_pid" 2>/dev/null; then
            fim_processo=$(((agora - inicio) / 1000000))
            break
        fi
        [ "$agora" -lt "$limite" ] || break
        sleep 0.02
    done
    if [ -z "$fim_processo" ]; then
        descongelar_smbd
        inicio=$(date +%s%N)
        while kill -0 "$tessela_pid" 2>/dev/null; do sleep 0.02; done
        fim_processo="not within 10 s; $((($(date +%s%N) - inicio) / 1000000)) ms after smbd woke up"
        [ -n "$fim_janela" ] || fim_janela="not within 10 s"
    fi
    wait "$tessela_pid" 2>/dev/null
    status=$?
    tessela_pid=""
}

case "$modo" in
relatorio)
    iniciar_tessela
    esperar_relatorio
    voltar
    verificar_novo "written through gvfs"
    regra='|------------------------|--------------------------------------------------|------------|--------------|-------------|'
    [ "$(cat "$interfac/LaudoACIDO ASCORBICO.txt")" = "$regra"$'\r' ] || falha "Laudo file: $(ls "$interfac")"
    [ "$(cat "$raiz/DiagOM.txt")" = $'Inicio do Tessela\r' ] || falha "DiagOM.txt: $(cat -A "$raiz/DiagOM.txt")"
    sem_temporarios "first run"
    ok "Laudo file, DiagOM.txt and ULTATIV.LLF on the server, no temporary file"

    sleep 1.1 # the station's stamp is kept to the second
    cp "$interfac/Fichapes1.txt" "$trabalho/Fichapes1.anterior"
    "$pasta/tessela" 000789 L2301 "DISTRIBUIDORA CENTRAL" 12/2027 maria &
    tessela_pid=$!
    janela=$(esperar_janela 'rio: "maria"') || falha "the second run never took the user's caption"
    for _ in $(seq 100); do
        grep -q "ZINCO" "$interfac/Fichapes1.txt" 2>/dev/null && break
        sleep 0.1
    done
    voltar
    LC_ALL=C grep -qF "$(printf 'Produto...: \xd3XIDO DE ZINCO')" "$interfac/Fichapes1.txt" &&
        LC_ALL=C grep -qF "$(printf '| CARACTER\xcdSTICAS        | P\xd3 BRANCO, AMORFO')" "$interfac/Fichapes1.txt" ||
        falha "Fichapes1.txt not replaced by the report of 000789: $(LC_ALL=C grep -a -n "ZINCO\|CARACTER" "$interfac/Fichapes1.txt" | cat -A)"
    [ "$(tail -c 8 "$interfac/Fichapes1.txt" | od -An -c | tr -d ' \n')" = '\r\n\r\n\r\n\r\n' ] ||
        falha "Fichapes1.txt does not end with its four empty lines"
    [ -f "$interfac/$(utf8 $'Laudo\xd3XIDO DE ZINCO.txt')" ] || falha "no Laudo file named in UTF-8: $(ls "$interfac")"
    sem_temporarios "second run"
    ok "replaced by the report of 000789, accented names right, no temporary file"
    ;;
segurado)
    arquivos_anteriores
    segurar 'Interfac03\Fichapes1.txt' 7
    iniciar_tessela
    fim=$((SECONDS + ESPERA))
    until marcado_para_apagar 'Interfac03\Fichapes1.txt'; do
        [ $SECONDS -lt $fim ] && kill -0 "$tessela_pid" 2>/dev/null || falha "Fichapes1.txt was never marked for deletion"
        sleep 0.1
    done
    ok "the rename over Fichapes1.txt failed and left it marked for deletion"
    soltar
    ok "the other client closed Fichapes1.txt"
    esperar_resultado
    [ -f "$interfac/Fichapes1.txt" ] || falha "Fichapes1.txt is gone; on the share: $(ls -A "$interfac"); box: $(erro_registrado)"
    [ -z "$(erro_registrado)" ] || falha "an error box: $(erro_registrado)"
    verificar_novo "after the other client closed it"
    sem_temporarios "held with delete sharing"
    janela=$(esperar_janela 'rio: "maria"') || falha "no report screen"
    voltar

    # The other client keeps it open past the program's wait: the box names the
    # temporary file, which keeps the new report once Fichapes1.txt is gone.
    sleep 1.1
    arquivos_anteriores
    segurar 'Interfac03\Fichapes1.txt' 7
    iniciar_tessela
    caixa=$(esperar_caixa) || falha "no error box"
    temporario=$(temporarios | sed 's/ (.*//')
    [ "$(wc -w <<<"$temporario")" = 1 ] || falha "temporary files: [$(temporarios)]"
    esperado="ErroEntradaSaida: $(printf 'O arquivo %s est\xe1 aberto em outro programa. O novo conte\xfado ficou em %s.' \
        "$unc" '\\127.0.0.1\MAGNOLIA\'"${temporario//\//\\}")"
    [ "$(erro_registrado)" = "$esperado" ] || falha "the box says [$(erro_registrado)], expected [$esperado]"
    ok "the box: $(erro_registrado | iconv -f CP1252 -t UTF-8)"
    teclar "$caixa" Return
    soltar
    [ ! -e "$interfac/Fichapes1.txt" ] || falha "Fichapes1.txt is still there after the other client closed it"
    verificar_relatorio "$raiz/$temporario" "$TESSELA_E2E_DOURADOS/Fichapes1.txt" "$hoje_inicio" "$(date +%d/%m/%Y)"
    ok "Fichapes1.txt went with the other client's close; $temporario holds the new report whole"
    ;;
aberto)
    arquivos_anteriores
    segurar 'Interfac03\Fichapes1.txt' 3
    iniciar_tessela
    esperar_relatorio
    verificar_novo "held sharing read and write, written in place"
    sem_temporarios "held sharing read and write"
    voltar
    soltar
    [ "$(erro_registrado)" = "" ] || falha "errors logged: $(erro_registrado)"

    sleep 1.1
    arquivos_anteriores
    segurar 'Interfac03\Fichapes1.txt' 1
    iniciar_tessela
    caixa=$(esperar_caixa) || falha "no error box"
    esperado="ErroEntradaSaida: $(printf 'O arquivo %s est\xe1 aberto em outro programa.' "$unc")"
    [ "$(erro_registrado)" = "$esperado" ] || falha "the box says [$(erro_registrado)], expected [$esperado]"
    ok "the box: $(erro_registrado | iconv -f CP1252 -t UTF-8)"
    teclar "$caixa" Return
    soltar
    cmp -s "$trabalho/Fichapes1.anterior" "$interfac/Fichapes1.txt" || falha "the earlier Fichapes1.txt changed"
    sem_temporarios "held sharing read only"
    ok "the earlier Fichapes1.txt is there byte for byte, no temporary file left"
    ;;
congelado)
    lentos=()
    relatar() { # where
        echo "figures: $1: window gone after ${fim_janela/%[0-9]/& ms}, process ended after ${fim_processo/%[0-9]/& ms}, status $status"
        [[ "$fim_janela" =~ ^[0-9]+$ ]] && [ "$fim_janela" -lt 1000 ] || lentos+=("$1: window gone $fim_janela")
    }
    # Before the start: the run is held at its first look at the share.
    arquivos_anteriores
    congelar_smbd
    iniciar_tessela
    esperar_janela "^$TITULO_APLICACAO\$" >/dev/null || falha "no window while smbd is stopped"
    sleep 1
    kill -0 "$tessela_pid" 2>/dev/null || falha "the run ended by itself with smbd stopped"
    medir_fim
    relatar "smbd stopped before the start"
    descongelar_smbd

    # On the report screen, where the run no longer uses the share.
    sleep 1.1
    rm -f "$interfac/Fichapes1.txt"
    iniciar_tessela
    esperar_relatorio
    congelar_smbd
    medir_fim
    relatar "smbd stopped on the report screen"
    descongelar_smbd

    # As the first temporary file is made: smbd stops once it has created it, before it
    # answers, so that the run is held with the file just made.
    sleep 1.1
    arquivos_anteriores
    "$(dirname "$0")/congelar_ao_criar.py" "$(processos_smbd | paste -sd,)" "$raiz" "$interfac" \
        >"$trabalho/congelado" 2>&1 &
    vigia_pid=$!
    for _ in $(seq 100); do grep -qs pronto "$trabalho/congelado" && break; sleep 0.05; done
    grep -q pronto "$trabalho/congelado" || falha "cannot watch the share's folders: $(cat "$trabalho/congelado")"
    iniciar_tessela
    fim=$((SECONDS + ESPERA))
    while kill -0 "$vigia_pid" 2>/dev/null; do
        [ $SECONDS -lt $fim ] && kill -0 "$tessela_pid" 2>/dev/null || falha "no temporary file was made"
        sleep 0.05
    done
    wait "$vigia_pid" || falha "congelar_ao_criar.py: $(cat "$trabalho/congelado")"
    criado=$(sed -n 2p "$trabalho/congelado")
    ok "smbd stopped once $criado was made"
    sleep 1
    kill -0 "$tessela_pid" 2>/dev/null || falha "the run ended by itself with smbd stopped"
    medir_fim
    relatar "smbd stopped as $criado was made"
    descongelar_smbd
    deixados=$(temporarios)
    grep -q "$criado" <<<"$deixados" || falha "the ended run left no temporary file: [$deixados]"
    ok "on the share after the ended runs: $(tr '\n' ' ' <<<"$deixados")"

    # An hour later, the next run in the folders takes them away.
    find "$raiz" -name '.*.tessela-*' -exec touch -d '2 hours ago' {} +
    sleep 1.1
    rm -f "$pasta"/LOG/*.log "$interfac/Fichapes1.txt"
    iniciar_tessela
    esperar_relatorio
    voltar
    sem_temporarios "the next run, an hour later"
    ok "the next run removed them"
    [ ${#lentos[@]} -eq 0 ] || falha "the window did not go within 1 s of SIGTERM: ${lentos[*]}"
    ;;
*)
    echo "unknown mode: $modo"
    exit 2
    ;;
esac
exit 0
