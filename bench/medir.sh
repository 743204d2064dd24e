#!/usr/bin/env bash
# Measures the start of the real program against the baseline program (linha_de_base),
# over repeated runs, with the private Firebird test server and the test share:
#   - tessela: from the start to the report file Fichapes1.txt written whole, and to
#     the report on the screen (the window with the user's caption, the file written);
#     peak memory (maximum resident set, /usr/bin/time);
#   - linha_de_base: from the start to its rows shown (the line it prints then);
#     peak memory.
# Runs under Xvfb. Needs root (mount namespace of the test share); when port 3050 is
# taken (another build's test server) it runs in a private network namespace.
#   bench/medir.sh [BUILD_DIR [RUNS]]     defaults: build, 10
set -euo pipefail
fontes=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$fontes/build}")
vezes=${2:-10}
tessela=$build/src/startup/tessela
base=$build/bench/linha_de_base
for f in "$tessela" "$base"; do
  [ -x "$f" ] || { echo "medir: $f is missing: cmake --build $build --target tessela linha_de_base" >&2; exit 1; }
done

if [ -z "${TESSELA_COMPARTILHAMENTO:-}" ] && [ -z "${TESSELA_REDE_PROPRIA:-}" ] &&
  (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null; then
  export TESSELA_REDE_PROPRIA=1
  exec unshare -n bash -c 'ip link set lo up && exec "$0" "$@"' "$0" "$build" "$vezes"
fi

if [ -z "${TESSELA_COMPARTILHAMENTO:-}" ]; then
  raiz=$(mktemp -d /tmp/tessela-medir.XXXXXX)
  parar() {
    "$fontes/scripts/firebird-servidor.sh" stop "$raiz/firebird" >/dev/null 2>&1 || true
    rm -rf "$raiz"
  }
  trap parar EXIT
  "$fontes/scripts/firebird-servidor.sh" start "$raiz/firebird" >/dev/null
  status=0
  "$fontes/tests/support/com-compartilhamento.sh" "$0" "$build" "$vezes" || status=$?
  exit "$status"
fi

for c in Xvfb xdotool /usr/bin/time python3; do
  command -v "$c" >/dev/null || { echo "medir: $c is missing: run scripts/setup.sh" >&2; exit 1; }
done
export TESSELA_BINARIO="$tessela" TESSELA_BASE="$base" TESSELA_VEZES="$vezes"
exec python3 - <<'PY'
import os, statistics, subprocess, sys, tempfile, time

tessela, base = os.environ["TESSELA_BINARIO"], os.environ["TESSELA_BASE"]
vezes = int(os.environ["TESSELA_VEZES"])
share = os.environ["TESSELA_COMPARTILHAMENTO"]
relatorio = os.path.join(share, "Interfac03", "Fichapes1.txt")
trabalho = tempfile.mkdtemp(prefix="tessela-medir.")

# One X server for every run.
r, w = os.pipe()
xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
                        pass_fds=(w,), stderr=subprocess.DEVNULL)
os.close(w)
display = os.read(r, 16).decode().strip()
env = dict(os.environ, DISPLAY=":" + display, QT_QPA_PLATFORM="xcb")

# A program folder: the executable and its settings.
pasta = os.path.join(trabalho, "programa")
os.makedirs(pasta)
subprocess.run(["cp", tessela, os.path.join(pasta, "tessela")], check=True)
with open(os.path.join(pasta, "MAGNOLIA.INI"), "wb") as f:
    for rotulo, valor in [("IP DO SERVIDOR CENTRAL.........................:", "SERVIDOR"),
                          ("NOME DO COMPARTILHAMENTO DA PASTA MAGNOLIA.....:", "MAGNOLIA"),
                          ("TITULO CENTRAL DO LAUDO DO DO C.Q. PROD.PRONTOS:", "MATERIAS-PRIMAS"),
                          ("QUANTIDADE DE LINHAS POR PAGINA IMPRESSA OM....:", "66")]:
        f.write((rotulo + " " + valor + "\r\n").encode())
argumentos = ["000123", "L2301", "DISTRIBUIDORA CENTRAL", "12/2027", "maria"]

def pico(arquivo):
    with open(arquivo) as f:
        return int(f.read().split()[-1]) / 1024.0  # KiB -> MiB

def completo():
    try:
        with open(relatorio, "rb") as f:
            return f.read().endswith(b"_\r\n\r\n\r\n\r\n\r\n")
    except OSError:
        return False

def janela():
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", 'rio: "maria"'],
                       env=env, capture_output=True, text=True)
    return r.stdout.split()[0] if r.stdout.split() else None

def uma_vez_tessela():
    if os.path.exists(relatorio):
        os.remove(relatorio)
    rss = os.path.join(trabalho, "rss-tessela")
    t0 = time.perf_counter()
    p = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", rss, os.path.join(pasta, "tessela")] + argumentos,
                         env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    arquivo = tela = None
    id_janela = None
    while time.perf_counter() - t0 < 60:
        agora = time.perf_counter() - t0
        if arquivo is None and completo():
            arquivo = agora
        if arquivo is not None:
            id_janela = janela()
            if id_janela:
                tela = time.perf_counter() - t0
                break
        if p.poll() is not None:
            break
        time.sleep(0.002)
    if tela is None:
        p.kill()
        sys.exit("medir: the report never appeared")
    # "&Voltar" (Alt+V) ends the run; the window may take the key only once focused.
    for _ in range(60):
        # No window manager under Xvfb: activation is refused, focus is given directly.
        subprocess.run(["xdotool", "windowfocus", "--sync", id_janela], env=env, capture_output=True)
        subprocess.run(["xdotool", "key", "--window", id_janela, "--clearmodifiers", "alt+v"],
                       env=env, capture_output=True)
        try:
            p.wait(0.5)
            break
        except subprocess.TimeoutExpired:
            pass
    if p.poll() != 0:
        p.kill()
        sys.exit("medir: tessela did not end with status 0 after Alt+V (%s)" % p.returncode)
    return arquivo * 1000, tela * 1000, pico(rss)

def uma_vez_base():
    rss = os.path.join(trabalho, "rss-base")
    t0 = time.perf_counter()
    p = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", rss, base, "SERVIDOR", "maria", "000123"],
                         env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    linhas = None
    for linha in p.stdout:
        if linha.startswith("linhas"):
            linhas = (time.perf_counter() - t0) * 1000
    if p.wait(60) != 0 or linhas is None:
        sys.exit("medir: linha_de_base failed")
    return linhas, pico(rss)

try:
    uma_vez_tessela(); uma_vez_base()  # warm-up: caches, the server's first attach
    t, b = [], []
    for _ in range(vezes):
        t.append(uma_vez_tessela())
        b.append(uma_vez_base())
    med = statistics.median
    arquivo, tela, mem_t = (med(x[i] for x in t) for i in range(3))
    base_ms, mem_b = med(x[0] for x in b), med(x[1] for x in b)
    print("runs: %d (medians; min-max in brackets)" % vezes)
    print("tessela       report file written %7.0f ms [%.0f-%.0f]" % (arquivo, min(x[0] for x in t), max(x[0] for x in t)))
    print("tessela       report on the screen %6.0f ms [%.0f-%.0f]" % (tela, min(x[1] for x in t), max(x[1] for x in t)))
    print("linha_de_base rows on the screen   %6.0f ms [%.0f-%.0f]" % (base_ms, min(x[0] for x in b), max(x[0] for x in b)))
    print("start ratio (report on the screen / baseline): %.2f" % (tela / base_ms))
    print("peak memory: tessela %.1f MiB, linha_de_base %.1f MiB (ratio %.2f)" % (mem_t, mem_b, mem_t / mem_b))
finally:
    xvfb.terminate()
    subprocess.run(["rm", "-rf", trabalho])
PY
