"""The runs of bench/medir.sh, started by it inside the test share with the private
Firebird server running. Environment: TESSELA_BINARIO (tessela), TESSELA_BASE
(linha_de_base), TESSELA_VEZES (runs), TESSELA_COMPARTILHAMENTO (the share); for the
slow link also TESSELA_PROXY (rede_lenta), TESSELA_PORTA_SERVIDOR (the server's own
port), TESSELA_ATRASOS (one-way delays in ms) and, to keep the proxy's event logs,
TESSELA_REGISTROS (a folder; with each measured run's start and screen moment).
TESSELA_ANTES: another tessela (the program before a change), run in turn with the two
others; every report file either writes must then be the same, byte for byte."""

import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

ARGUMENTOS = ["000123", "L2301", "DISTRIBUIDORA CENTRAL", "12/2027", "maria"]
# The stored local location's path as the client sends it, without the host.
LOCAL = "C:\\MAGNOLIA\\DADOS\\MAGNOLIA.BD"
OP_ATTACH = "19"
LIMITE_S = 30  # a start that shows nothing in this time has hung


def agora_ms(t0):
    return (time.monotonic_ns() - t0) / 1e6


class Ambiente:
    """One X server for every run and a program folder: the executable and its settings."""

    def __init__(self):
        self.tessela, self.base = os.environ["TESSELA_BINARIO"], os.environ["TESSELA_BASE"]
        share = os.environ["TESSELA_COMPARTILHAMENTO"]
        self.relatorio = os.path.join(share, "Interfac03", "Fichapes1.txt")
        self.trabalho = tempfile.mkdtemp(prefix="tessela-medir.")
        # The clients read the machine's firebird.conf (port 3050), never the server's.
        self.env = {k: v for k, v in os.environ.items() if k not in ("FIREBIRD", "FIREBIRD_LOCK")}
        self.iniciar_x()
        self.ultima_tela_ns = 0  # of the last tessela run
        self.antes = os.environ.get("TESSELA_ANTES")
        self.arquivos = None  # the share's files of the first run, to compare the others with
        self.diferentes = []
        self.pasta = self.programa("programa", self.tessela)
        self.pasta_antes = self.programa("programa-antes", self.antes) if self.antes else None

    def programa(self, nome, binario):
        pasta = os.path.join(self.trabalho, nome)
        os.makedirs(pasta)
        subprocess.run(["cp", binario, os.path.join(pasta, "tessela")], check=True)
        with open(os.path.join(pasta, "MAGNOLIA.INI"), "wb") as f:
            for rotulo, valor in [("IP DO SERVIDOR CENTRAL.........................:", "SERVIDOR"),
                                  ("NOME DO COMPARTILHAMENTO DA PASTA MAGNOLIA.....:", "MAGNOLIA"),
                                  ("TITULO CENTRAL DO LAUDO DO DO C.Q. PROD.PRONTOS:", "MATERIAS-PRIMAS"),
                                  ("QUANTIDADE DE LINHAS POR PAGINA IMPRESSA OM....:", "66")]:
                f.write((rotulo + " " + valor + "\r\n").encode())
        return pasta

    def comparar(self, nome):
        """The report files of the run just ended against those of the first run."""
        share = os.path.dirname(os.path.dirname(self.relatorio))
        lidos = {}
        for relativo in ("Interfac03/Fichapes1.txt", "Interfac03/LaudoACIDO ASCORBICO.txt", "DiagOM.txt"):
            with open(os.path.join(share, relativo), "rb") as f:
                lidos[relativo] = f.read()
        if self.arquivos is None:
            self.arquivos = lidos
        elif lidos != self.arquivos:
            self.diferentes.append(nome)

    def iniciar_x(self):
        r, w = os.pipe()
        with open(os.path.join(self.trabalho, "xvfb.log"), "a") as registro:
            self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x800x24",
                                          "-nolisten", "tcp"], pass_fds=(w,), stderr=registro)
        os.close(w)
        # Xvfb writes the number, then the line end: closing sooner would kill it.
        lido = b""
        while not lido.endswith(b"\n"):
            parte = os.read(r, 16)
            if not parte:
                sys.exit("medir: Xvfb did not start: " + self.estado_x())
            lido += parte
        os.close(r)
        display = lido.decode().strip()
        self.env.update(DISPLAY=":" + display, QT_QPA_PLATFORM="xcb")

    def reiniciar_x(self):
        self.xvfb.kill()
        self.xvfb.wait()
        self.iniciar_x()

    def estado_x(self):
        if self.xvfb.poll() is not None:
            estado = "ended with status %s" % self.xvfb.returncode
        else:
            with open("/proc/%d/status" % self.xvfb.pid) as f:
                estado = next((l.split(None, 1)[1].strip() for l in f if l.startswith("State:")), "?")
        with open(os.path.join(self.trabalho, "xvfb.log")) as f:
            return estado + "; its last words: " + " | ".join(f.read().splitlines()[-3:])

    def fechar(self):
        self.xvfb.terminate()
        shutil.rmtree(self.trabalho, ignore_errors=True)


def pilhas(p):
    """The stacks of the program under /usr/bin/time p, when gdb is there: why it hangs."""
    if not shutil.which("gdb"):
        return "(no gdb for its stacks)"
    try:
        with open("/proc/%d/task/%d/children" % (p.pid, p.pid)) as f:
            filho = f.read().split()[0]
    except (OSError, IndexError):
        return "(program gone)"
    r = subprocess.run(["gdb", "-p", filho, "-batch", "-ex", "thread apply all bt 12"],
                       capture_output=True, text=True, timeout=60)
    ss = subprocess.run(["ss", "-xpn"], capture_output=True, text=True).stdout
    meus = [l for l in ss.splitlines() if "pid=%s," % filho in l]
    pares = []
    for l in meus:
        campos = l.split()
        if len(campos) > 7:
            pares += [m for m in ss.splitlines() if (" %s " % campos[7]) in m and m not in meus][:1]
    return "\n".join(l for l in r.stdout.splitlines() if l.startswith(("#", "Thread"))) + \
        "\nits sockets:\n" + "\n".join(meus) + "\npeers:\n" + "\n".join(pares)


def matar(p):
    """The program and /usr/bin/time around it: the run's own process group."""
    try:
        os.killpg(p.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    p.wait()


def pico(arquivo):
    with open(arquivo) as f:
        return int(f.read().split()[-1]) / 1024.0  # KiB -> MiB


def completo(relatorio):
    try:
        with open(relatorio, "rb") as f:
            return f.read().endswith(b"_\r\n\r\n\r\n\r\n\r\n")
    except OSError:
        return False


def janela(env):
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", 'rio: "maria"'],
                       env=env, capture_output=True, text=True)
    return r.stdout.split()[0] if r.stdout.split() else None


def uma_vez_tessela(a, pasta=None):
    """Times of one run, in ms from the start: report file written whole, report on the
    screen; the start and the report on the screen on the monotonic clock (ns)."""
    pasta = pasta or a.pasta
    # The stamp of the station holds the time to the second: a run within the second of
    # the last one would find it unchanged and skip its UPDATE, which no real start does.
    espera = a.ultima_tela_ns + 1_100_000_000 - time.monotonic_ns()
    if espera > 0:
        time.sleep(espera / 1e9)
    if os.path.exists(a.relatorio):
        os.remove(a.relatorio)
    rss = os.path.join(a.trabalho, "rss-tessela")
    t0 = time.monotonic_ns()
    p = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", rss, os.path.join(pasta, "tessela")] + ARGUMENTOS,
                         env=a.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
    arquivo = tela = id_janela = None
    while agora_ms(t0) < LIMITE_S * 1000:
        if arquivo is None and completo(a.relatorio):
            arquivo = agora_ms(t0)
        if arquivo is not None:
            id_janela = janela(a.env)
            if id_janela:
                tela_ns = time.monotonic_ns()
                tela = (tela_ns - t0) / 1e6
                break
        if p.poll() is not None:
            break
        time.sleep(0.002)
    if tela is None:
        if p.poll() is not None and a.xvfb.poll() is None:
            sys.exit("medir: tessela ended without showing the report (status %s; X server: %s)"
                     % (p.returncode, a.estado_x()))
        if p.poll() is None:
            print("medir: tessela hangs, its stacks:\n" + pilhas(p), file=sys.stderr)
        matar(p)
        return None
    a.ultima_tela_ns = tela_ns
    # "&Voltar" (Alt+V) ends the run; the window may take the key only once focused.
    for _ in range(60):
        # No window manager under Xvfb: activation is refused, focus is given directly.
        subprocess.run(["xdotool", "windowfocus", "--sync", id_janela], env=a.env, capture_output=True)
        subprocess.run(["xdotool", "key", "--window", id_janela, "--clearmodifiers", "alt+v"],
                       env=a.env, capture_output=True)
        try:
            p.wait(0.5)
            break
        except subprocess.TimeoutExpired:
            pass
    if p.poll() != 0:
        matar(p)
        sys.exit("medir: tessela did not end with status 0 after Alt+V (%s)" % p.returncode)
    if a.antes:
        a.comparar(pasta)
    return {"arquivo": arquivo, "tela": tela, "rss": pico(rss), "inicio_ns": t0, "tela_ns": tela_ns}


def uma_vez_base(a):
    """The time to the rows on the screen (ms), the start and that moment (ns); None when
    the start hung and was stopped."""
    rss = os.path.join(a.trabalho, "rss-base")
    with open(os.path.join(a.trabalho, "erros-base"), "w+") as erros:
        t0 = time.monotonic_ns()
        p = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", rss, a.base, "SERVIDOR", "maria", "000123"],
                             env=a.env, stdout=subprocess.PIPE, stderr=erros, text=True, start_new_session=True)
        def parar():
            print("medir: linha_de_base hangs, its stacks:\n" + pilhas(p), file=sys.stderr)
            matar(p)

        limite = threading.Timer(LIMITE_S, parar)
        limite.start()
        linhas = tela_ns = None
        for linha in p.stdout:
            if linha.startswith("linhas"):
                linhas = agora_ms(t0)
                # Its own moment of the rows shown: what it does after (detaching) is not counted.
                m = re.search(r"steady_clock (\d+) ns", linha)
                tela_ns = int(m.group(1)) if m else time.monotonic_ns()
        limite.cancel()
        if p.wait() == -signal.SIGKILL or (p.returncode != 0 and a.xvfb.poll() is not None):
            return None
        if p.returncode != 0 or linhas is None:
            erros.seek(0)
            sys.exit("medir: linha_de_base failed (status %s): %s" % (p.returncode, erros.read()[-2000:]))
    return {"tela": linhas, "rss": pico(rss), "inicio_ns": t0, "tela_ns": tela_ns}


def uma_vez_antes(a):
    return uma_vez_tessela(a, a.pasta_antes)


def uma_vez(programa, a):
    """One run of programa. A start that hangs (rarely: seen waiting for the X server to
    answer its connection) is stopped after 30 s and run again on a new X server."""
    for _ in range(3):
        r = programa(a)
        if r is not None:
            return r
        print("medir: %s hung before its window (X server: %s); run again on a new X server"
              % (programa.__name__, a.estado_x()), file=sys.stderr)
        a.reiniciar_x()
    sys.exit("medir: %s hung three times" % programa.__name__)


def faixa(valores, formato="%.0f"):
    return "[%s-%s]" % (formato % min(valores), formato % max(valores))


def medir_inicio(a, vezes):
    uma_vez(uma_vez_tessela, a); uma_vez(uma_vez_base, a)  # warm-up: caches, the server's first attach
    t, b = [], []
    for _ in range(vezes):
        t.append(uma_vez(uma_vez_tessela, a))
        b.append(uma_vez(uma_vez_base, a))
    med = statistics.median
    arquivo, tela, mem_t = (med(x[k] for x in t) for k in ("arquivo", "tela", "rss"))
    base_ms, mem_b = med(x["tela"] for x in b), med(x["rss"] for x in b)
    print("runs: %d (medians; min-max in brackets)" % vezes)
    print("tessela       report file written %7.0f ms %s" % (arquivo, faixa([x["arquivo"] for x in t])))
    print("tessela       report on the screen %6.0f ms %s" % (tela, faixa([x["tela"] for x in t])))
    print("linha_de_base rows on the screen   %6.0f ms %s" % (base_ms, faixa([x["tela"] for x in b])))
    print("start ratio (report on the screen / baseline): %.2f" % (tela / base_ms))
    print("peak memory: tessela %.1f MiB, linha_de_base %.1f MiB (ratio %.2f)" % (mem_t, mem_b, mem_t / mem_b))


# ---------------------------------------------------------------------------------
# Over a slow link: the proxy rede_lenta between the programs and the server.

def ler_registro(arquivo):
    """The proxy's event log: each connection's class and requested operation, and the
    round trips and bytes as (ns, connection, event, number)."""
    classes, eventos = {}, []
    with open(arquivo, encoding="latin-1") as f:
        for linha in f:
            partes = linha.split(None, 3)
            if len(partes) < 4:
                continue
            t, ligacao, evento, resto = int(partes[0]), int(partes[1]), partes[2], partes[3]
            if evento == "classe":
                op = re.search(r"operacao=(\S+)", resto)
                classes[ligacao] = (resto.split()[0], op.group(1) if op else "", t)
            elif evento in ("ida_e_volta", "envio", "resposta"):
                eventos.append((t, ligacao, evento, int(resto.split()[0])))
    return classes, eventos


def contar(registro, inicio, fim):
    """Round trips, attachments and bytes each way from inicio to fim (ns), by class."""
    classes, eventos = registro
    r = {c: {"idas_e_voltas": 0, "anexos": 0, "ida": 0, "volta": 0} for c in ("central", "local")}
    for classe, op, t in classes.values():
        if inicio <= t <= fim and op == OP_ATTACH:
            r[classe]["anexos"] += 1
    chave = {"ida_e_volta": "idas_e_voltas", "envio": "ida", "resposta": "volta"}
    for t, ligacao, evento, n in eventos:
        if inicio <= t <= fim and ligacao in classes:
            r[classes[ligacao][0]][chave[evento]] += 1 if evento == "ida_e_volta" else n
    return r


def contagem(corridas, classe, chave):
    """The median over the runs, with the range when they differ."""
    valores = [c[classe][chave] for c in corridas]
    m = statistics.median(valores)
    texto = "%g" % m
    return texto if min(valores) == max(valores) else "%s (%d-%d)" % (texto, min(valores), max(valores))


def medir_atraso(a, vezes, atraso, proxy, porta):
    registro = os.path.join(a.trabalho, "rede-%s.log" % atraso)
    p = subprocess.Popen([proxy, "--escuta", "127.0.0.1:3050", "--destino", "127.0.0.1:%s" % porta,
                          "--atraso-ms", str(atraso), "--local", LOCAL, "--registro", registro],
                         stdout=subprocess.PIPE, text=True)
    if not p.stdout.readline().startswith("escutando"):
        sys.exit("medir: the proxy did not start")
    try:
        uma_vez(uma_vez_tessela, a); uma_vez(uma_vez_base, a)  # warm-up
        t, b, ta = [], [], []
        for _ in range(vezes):
            t.append(uma_vez(uma_vez_tessela, a))
            if a.antes:
                ta.append(uma_vez(uma_vez_antes, a))
            b.append(uma_vez(uma_vez_base, a))
    finally:
        p.terminate()
        p.wait(10)
    if os.environ.get("TESSELA_REGISTROS"):
        shutil.copy(registro, os.environ["TESSELA_REGISTROS"])
        # Each measured run's start and screen moment, on the log's clock.
        with open(os.path.join(os.environ["TESSELA_REGISTROS"], "rede-%s.corridas" % atraso), "w") as f:
            for nome, corridas in (("tessela", t), ("linha_de_base", b)):
                for x in corridas:
                    f.write("%s %d %d\n" % (nome, x["inicio_ns"], x["tela_ns"]))
    eventos = ler_registro(registro)
    ct = [contar(eventos, x["inicio_ns"], x["tela_ns"]) for x in t]
    cb = [contar(eventos, x["inicio_ns"], x["tela_ns"]) for x in b]
    cta = [contar(eventos, x["inicio_ns"], x["tela_ns"]) for x in ta]
    if any(c["local"]["anexos"] + c["central"]["anexos"] == 0 for c in ct + cb + cta):
        sys.exit("medir: a run attached through no proxy: does the client read a firebird.conf with another port?")
    return {"atraso": atraso, "tessela": t, "base": b, "ct": ct, "cb": cb, "antes": ta, "cta": cta}


def linha_de_programa(nome, tempos, corridas):
    print("  %-13s %6.0f ms %-13s round trips central %s, local %s; attachments central %s, local %s; "
          "bytes to/from the central server %s/%s" % (
              nome, statistics.median(tempos), faixa(tempos), contagem(corridas, "central", "idas_e_voltas"),
              contagem(corridas, "local", "idas_e_voltas"), contagem(corridas, "central", "anexos"),
              contagem(corridas, "local", "anexos"), contagem(corridas, "central", "ida"),
              contagem(corridas, "central", "volta")))


def medir_rede(a, vezes):
    proxy, porta = os.environ["TESSELA_PROXY"], os.environ["TESSELA_PORTA_SERVIDOR"]
    atrasos = os.environ.get("TESSELA_ATRASOS", "0 10 25").split()
    print("runs: %d per program and delay (medians; min-max in brackets); counts up to the report/rows on the screen"
          % vezes)
    resultados = []
    for atraso in atrasos:
        r = medir_atraso(a, vezes, atraso, proxy, porta)
        resultados.append(r)
        tt, tb = [x["tela"] for x in r["tessela"]], [x["tela"] for x in r["base"]]
        print("one-way delay %s ms on the central server's traffic:" % atraso)
        linha_de_programa("tessela", tt, r["ct"])
        if r["antes"]:
            linha_de_programa("tessela before", [x["tela"] for x in r["antes"]], r["cta"])
        linha_de_programa("linha_de_base", tb, r["cb"])
        print("  ratio %.2f" % (statistics.median(tt) / statistics.median(tb)))
        if r["antes"]:
            print("  ratio before %.2f" % (statistics.median(x["tela"] for x in r["antes"]) / statistics.median(tb)))
        sys.stdout.flush()
    print()
    print("| one-way delay, central server | tessela, start to report on screen | linha_de_base, start to rows "
          "on screen | ratio | tessela round trips central / local | tessela attachments central / local "
          "| linha_de_base round trips central / local | linha_de_base attachments central / local |")
    print("|---|---|---|---|---|---|---|---|")
    for r in resultados:
        tt = statistics.median(x["tela"] for x in r["tessela"])
        tb = statistics.median(x["tela"] for x in r["base"])
        par = lambda c, k: "%s / %s" % (contagem(c, "central", k), contagem(c, "local", k))
        print("| %s ms | %.0f ms | %.0f ms | %.2f | %s | %s | %s | %s |" % (
            r["atraso"], tt, tb, tt / tb, par(r["ct"], "idas_e_voltas"), par(r["ct"], "anexos"),
            par(r["cb"], "idas_e_voltas"), par(r["cb"], "anexos")))


def main():
    for c in ("Xvfb", "xdotool", "/usr/bin/time"):
        if not shutil.which(c):
            sys.exit("medir: %s is missing: run scripts/setup.sh" % c)
    vezes = int(os.environ["TESSELA_VEZES"])
    a = Ambiente()
    try:
        if os.environ.get("TESSELA_PROXY"):
            medir_rede(a, vezes)
        else:
            medir_inicio(a, vezes)
        if a.antes:
            print("report files (Fichapes1.txt, the Laudo file, DiagOM.txt) of every run of both programs "
                  "the same as the first, byte for byte: %s" % (
                      "yes" if not a.diferentes else "NO, %d runs differ" % len(a.diferentes)))
    finally:
        a.fechar()
    inicio = os.environ.get("TESSELA_MEDIR_INICIO")
    if inicio:
        print("whole measurement: %.0f s" % (time.time() - float(inicio)))


if __name__ == "__main__":
    main()
