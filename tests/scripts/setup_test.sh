#!/usr/bin/env bash
# scripts/setup.sh against stand-ins for dpkg-query, apt-get and id, first on PATH, and
# a service policy file of its own: on a machine where every package is there, where
# some are missing, with and without a policy file, and when apt-get fails.
#
#   setup_test.sh SETUP_SH
set -uo pipefail

setup=${1:?usage: $0 SETUP_SH}
trabalho=$(mktemp -d /tmp/tessela-setup-test.XXXXXX)
trap 'rm -rf "$trabalho"' EXIT
falhas=0
falha() {
    echo "FAIL: $*"
    falhas=$((falhas + 1))
}
antes=0
# "ok" only when the group of checks since the last one found nothing.
ok() {
    [ "$falhas" -eq "$antes" ] && echo "ok: $*"
    antes=$falhas
}

# The package list the script asks for, taken from the script itself.
mapfile -t todos < <(sed -n '/^PACKAGES=(/,/^)/p' "$setup" | sed -e '1d' -e '$d' -e 's/#.*//' | tr -s ' ' '\n' | sed '/^$/d')
[ ${#todos[@]} -gt 10 ] || { echo "FAIL: no package list read from $setup"; exit 1; }

substitutos="$trabalho/bin"
mkdir -p "$substitutos"
# Installed packages are the lines of $INSTALADOS.
cat >"$substitutos/dpkg-query" <<'SH'
#!/bin/sh
pacote=$(eval echo "\${$#}")
grep -qx "$pacote" "$INSTALADOS" && printf 'install ok installed' && exit 0
exit 1
SH
# Logs each call with what the service policy answers during it; fails on demand
# ($FALHAR_APT = update or install); install adds the packages to $INSTALADOS.
cat >"$substitutos/apt-get" <<'SH'
#!/bin/bash
acao=""
pacotes=()
for a in "$@"; do
    case $a in
    -*) ;;
    update | install) acao=$a ;;
    *) pacotes+=("$a") ;;
    esac
done
politica=ausente
if [ -x "$TESSELA_POLICY_RC_D" ]; then "$TESSELA_POLICY_RC_D"; politica=$?; fi
echo "$acao politica=$politica ${pacotes[*]}" >>"$CHAMADAS"
[ "${FALHAR_APT:-}" = "$acao" ] && { echo "E: stand-in $acao failure"; exit 100; }
[ "$acao" = install ] && printf '%s\n' "${pacotes[@]}" >>"$INSTALADOS"
exit 0
SH
cat >"$substitutos/id" <<'SH'
#!/bin/sh
echo "${UID_SUBSTITUTO:-0}"
SH
chmod +x "$substitutos"/*

# One run of the script in a fresh state: INSTALLED packages (all or a list), the
# policy file (none, or its content). Sets status, saida (stderr) and chamadas.
rodar() { # installed, policy content or "-", environment assignments...
    local instalados=$1 politica=$2
    shift 2
    local caso="$trabalho/caso"
    rm -rf "$caso"
    mkdir -p "$caso/sbin"
    if [ "$instalados" = todos ]; then printf '%s\n' "${todos[@]}"; else printf '%s\n' $instalados; fi >"$caso/instalados"
    : >"$caso/chamadas"
    if [ "$politica" != - ]; then
        printf '%s' "$politica" >"$caso/sbin/policy-rc.d"
        chmod 750 "$caso/sbin/policy-rc.d"
    fi
    env PATH="$substitutos:$PATH" INSTALADOS="$caso/instalados" CHAMADAS="$caso/chamadas" \
        TESSELA_POLICY_RC_D="$caso/sbin/policy-rc.d" "$@" \
        bash "$setup" >"$caso/stdout" 2>"$caso/stderr"
    status=$?
    saida=$(cat "$caso/stderr")
    chamadas=$(cat "$caso/chamadas")
}
com_politica() { [ "$1" = - ] || printf 'policy-rc.d:750:%s' "$1"; }
politica_restante() { # what is left in the policy folder, as "name:mode:content" lines
    local f
    for f in "$trabalho/caso/sbin"/*; do
        [ -e "$f" ] || continue
        printf '%s:%s:%s\n' "$(basename "$f")" "$(stat -c %a "$f")" "$(cat "$f")"
    done
}

PERMITE=$'#!/bin/sh\nexit 0\n'
NEGA=$'#!/bin/sh\n# the image\'s own\nexit 101\n'
faltando="qt6-base-dev firebird3.0-server lintian"
parte=$(printf '%s\n' "${todos[@]}" | grep -vxF -f <(tr ' ' '\n' <<<"$faltando"))

# Everything there: nothing is asked of apt-get and the policy is left as it is.
for politica in - "$NEGA"; do
    rodar todos "$politica"
    restante=$(politica_restante)
    [ "$status" -eq 0 ] && [ -z "$chamadas" ] || falha "all installed (policy ${politica:0:1}): status $status, calls [$chamadas], stderr [$saida]"
    esperado=$(com_politica "$politica")
    [ "$restante" = "$esperado" ] || falha "all installed: the policy folder holds [$restante]"
done
ok "every package there: status 0, no apt-get, the policy untouched"

# Some missing: exactly those are installed while every service start is refused, and
# the machine's own policy (none, one that refuses, one that allows) is there again.
for politica in - "$NEGA" "$PERMITE"; do
    rodar "$parte" "$politica"
    restante=$(politica_restante)
    [ "$status" -eq 0 ] || falha "missing packages (policy ${politica:0:12}): status $status, stderr [$saida]"
    esperado_chamadas=$(printf 'update politica=101 \ninstall politica=101 %s' "$faltando")
    [ "$chamadas" = "$esperado_chamadas" ] || falha "missing packages: apt-get calls [$chamadas], expected [$esperado_chamadas]"
    esperado=$(com_politica "$politica")
    [ "$restante" = "$esperado" ] || falha "missing packages: the policy folder holds [$restante], expected [$esperado]"
    # Run again on the machine it left: nothing more to do.
    env PATH="$substitutos:$PATH" INSTALADOS="$trabalho/caso/instalados" CHAMADAS="$trabalho/caso/chamadas" \
        TESSELA_POLICY_RC_D="$trabalho/caso/sbin/policy-rc.d" bash "$setup" >/dev/null 2>&1 ||
        falha "second run after installing: status $?"
    [ "$(cat "$trabalho/caso/chamadas")" = "$esperado_chamadas" ] || falha "the second run called apt-get again"
done
ok "packages missing, with no policy, a refusing one or an allowing one: installed, status 0, policy given back"

# apt-get fails: non-zero, the reason on stderr, the policy given back.
for etapa in update install; do
    rodar "$parte" "$NEGA" FALHAR_APT=$etapa
    [ "$status" -ne 0 ] || falha "apt-get $etapa failing: status 0"
    grep -q "apt-get $etapa failed" <<<"$saida" && grep -q "stand-in $etapa failure" <<<"$saida" ||
        falha "apt-get $etapa failing: stderr [$saida]"
    [ "$(politica_restante)" = "$(com_politica "$NEGA")" ] || falha "apt-get $etapa failing: the policy folder holds [$(politica_restante)]"
done
ok "apt-get update or install failing: non-zero, apt-get's reason on stderr, policy given back"

# Not root, packages missing: refused with the reason, nothing changed.
rodar "$parte" "$NEGA" UID_SUBSTITUTO=1000
[ "$status" -ne 0 ] && grep -q "run this script as root" <<<"$saida" && [ -z "$chamadas" ] &&
    [ "$(politica_restante)" = "$(com_politica "$NEGA")" ] ||
    falha "not root: status $status, stderr [$saida], calls [$chamadas]"
ok "not root with packages missing: refused with the reason"

[ "$falhas" -eq 0 ] || exit 1
