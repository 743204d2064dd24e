#!/usr/bin/env bash
# The executable `tessela` in a real X server (Xvfb), driven with xdotool: with its
# settings it shows the report and ends with status 0 after Alt+V ("&Voltar"); without
# MAGNOLIA.INI it shows its message and ends with status 1. Runs inside
# com-compartilhamento.sh, with the private Firebird server up.
#   executavel-xvfb.sh TESSELA
set -u
executavel=$1
[ -n "${TESSELA_COMPARTILHAMENTO:-}" ] || { echo "run inside com-compartilhamento.sh"; exit 1; }
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "skipped: no Xvfb/xdotool"; exit 77; }

trabalho=$(mktemp -d /tmp/tessela-xvfb.XXXXXX)
xvfb_pid=
tessela_pid=
limpar() {
  [ -n "$tessela_pid" ] && kill "$tessela_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$trabalho"
}
trap limpar EXIT

falha() {
  echo "FAIL: $*"
  exit 1
}

# A display number that is free: Xvfb picks it and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$trabalho/display" 2>"$trabalho/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$trabalho/display" ] && break; sleep 0.1; done
[ -s "$trabalho/display" ] || falha "Xvfb did not start: $(cat "$trabalho/xvfb.log")"
export DISPLAY=":$(head -n1 "$trabalho/display")"
export QT_QPA_PLATFORM=xcb

# A program folder: the executable and its settings.
preparar() { # folder, with-ini
  mkdir -p "$1"
  cp "$executavel" "$1/tessela"
  if [ "$2" = sim ]; then
    printf '%s\r\n' \
      "IP DO SERVIDOR CENTRAL.........................: SERVIDOR" \
      "NOME DO COMPARTILHAMENTO DA PASTA MAGNOLIA.....: MAGNOLIA" \
      "TITULO CENTRAL DO LAUDO DO DO C.Q. PROD.PRONTOS: MATERIAS-PRIMAS" \
      "QUANTIDADE DE LINHAS POR PAGINA IMPRESSA OM....: 66" >"$1/MAGNOLIA.INI"
  fi
}

# Waits for a window whose name matches; prints its id.
esperar_janela() { # pattern, seconds
  local fim=$((SECONDS + $2)) id
  while [ $SECONDS -lt $fim ]; do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.2
  done
  return 1
}

# Waits for the program to end; sets status (or "timeout").
esperar_fim() { # seconds
  local fim=$((SECONDS + $1))
  status=timeout
  while [ $SECONDS -lt $fim ]; do
    if ! kill -0 "$tessela_pid" 2>/dev/null; then
      wait "$tessela_pid"
      status=$?
      tessela_pid=
      return 0
    fi
    sleep 0.2
  done
}

# 1. The report, then Alt+V.
preparar "$trabalho/com-ini" sim
rm -f "$TESSELA_COMPARTILHAMENTO/Interfac03/Fichapes1.txt"
"$trabalho/com-ini/tessela" 000123 L2301 "DISTRIBUIDORA CENTRAL" 12/2027 maria &
tessela_pid=$!
janela=$(esperar_janela 'rio: "maria"' 60) || falha "the window never took the user's caption"
for _ in $(seq 100); do [ -s "$TESSELA_COMPARTILHAMENTO/Interfac03/Fichapes1.txt" ] && break; sleep 0.2; done
[ -s "$TESSELA_COMPARTILHAMENTO/Interfac03/Fichapes1.txt" ] || falha "no report file"
sleep 1
kill -0 "$tessela_pid" 2>/dev/null || falha "the program ended before Alt+V"
xdotool windowactivate --sync "$janela" 2>/dev/null || xdotool windowfocus --sync "$janela"
xdotool key --window "$janela" --clearmodifiers alt+v
esperar_fim 30
[ "$status" = 0 ] || falha "exit status after Alt+V: $status, expected 0"
echo "ok: report shown, Alt+V ended the run with status 0"

# 2. No MAGNOLIA.INI: the message, then status 1.
preparar "$trabalho/sem-ini" nao
"$trabalho/sem-ini/tessela" 000123 L2301 "DISTRIBUIDORA CENTRAL" 12/2027 maria &
tessela_pid=$!
caixa=$(esperar_janela 'MAGNOLIA - Laudo de An' 60) || falha "no message box"
sleep 0.5
xdotool windowfocus --sync "$caixa" 2>/dev/null
# The box closes at the key press; the release then finds no window: not an error.
xdotool key --window "$caixa" Return 2>/dev/null
esperar_fim 30
[ "$status" = 1 ] || falha "exit status without MAGNOLIA.INI: $status, expected 1"
echo "ok: without MAGNOLIA.INI the run ended with status 1"
