#!/usr/bin/env bash
# A private cupsd for the tests, never the machine's own print service.
#
#   cups-servidor.sh start ROOT [PORT]   (PORT defaults to 8631)
#   cups-servidor.sh stop  ROOT
#
# Everything lives under ROOT: the server's configuration and spool (ROOT/cupsd, or a
# folder of /tmp when the user lp cannot reach ROOT), its logs, the captured raw bytes
# and the PDF files. Clients reach the server with CUPS_SERVER=127.0.0.1:PORT and a HOME
# of their own (for lpoptions). Queues:
#   Bruta                 raw, to socket://127.0.0.1:PORT+1, where a listener keeps the
#                         bytes of each job in ROOT/bruta/NNNNNN.bin, in order
#   PDF_Laudo             cups-pdf; one file per job, ROOT/pdf/<job title>.pdf. Its driver
#                         declares the whole A4 page printable, at 300 dpi
#   PDF_Margens           the same, with a copy of that driver whose default paper is US
#                         Letter with margins (left 18 pt, top 12 pt, right 18 pt, bottom
#                         15 pt) and whose default resolution is 1200 x 600 dpi, as many
#                         laser printers have
#   Recusa                raw, refuses every job (cupsreject)
#   Laudo, Laudo_Sala, HP_LaserJet_Recepcao, LaserJet_Sala_2, Impress<a-tilde>o_Fiscal
#                         raw, to the same listener, for the printer-name matching cases
# cups-pdf reads its settings from /etc/cups/cups-pdf.conf only; cupsd therefore runs in
# a private mount namespace where its own configuration folder is bound over /etc/cups,
# so the machine's /etc stays untouched. Needs root and unshare: without them it says so and exits 77.
# On success ROOT/pronto holds PORT.
set -euo pipefail

acao=${1:-}
raiz=${2:-}
porta=${3:-8631}
if [ -z "$acao" ] || [ -z "$raiz" ]; then
    echo "usage: $0 start|stop ROOT [PORT]" >&2
    exit 2
fi
aqui=$(cd "$(dirname "$0")" && pwd)
captura="$aqui/../tests/printing/captura_bruta.py"

parar() {
    local arquivo pid
    for arquivo in "$raiz/run/cupsd.pid" "$raiz/run/captura.pid"; do
        [ -f "$arquivo" ] || continue
        pid=$(cat "$arquivo")
        if kill "$pid" 2>/dev/null; then
            for _ in $(seq 50); do
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.1
            done
            kill -9 "$pid" 2>/dev/null || true
        fi
        rm -f "$arquivo"
    done
    if [ -f "$raiz/run/interna" ]; then
        rm -rf "$(cat "$raiz/run/interna")"
        rm -f "$raiz/run/interna"
    fi
    rm -f "$raiz/pronto"
}

if [ "$acao" = stop ]; then
    parar
    exit 0
fi
if [ "$acao" != start ]; then
    echo "unknown action: $acao" >&2
    exit 2
fi

if [ "$(id -u)" -ne 0 ] || ! unshare -m --propagation private true 2>/dev/null; then
    rm -f "$raiz/pronto"
    echo "skipped: the private cupsd needs root and a private mount namespace (unshare)" >&2
    exit 77
fi
for programa in cupsd lpadmin cupsreject lpstat python3 setpriv; do
    if ! command -v "$programa" >/dev/null; then
        echo "missing program: $programa (see scripts/setup.sh)" >&2
        exit 1
    fi
done

porta_bruta=$((porta + 1))
case "$raiz" in
    /?*) ;;
    *) echo "ROOT must be an absolute folder: $raiz" >&2; exit 2 ;;
esac
# ROOT is wiped: only a folder this script made before, or an empty or missing one.
if [ -d "$raiz" ] && [ -n "$(ls -A "$raiz")" ] && [ ! -f "$raiz/.tessela-cups" ]; then
    echo "refusing to wipe $raiz: not a folder of this script" >&2
    exit 2
fi
parar
rm -rf "$raiz"
mkdir -p "$raiz"/{log,run,bruta,pdf,pdf-anonimo,cups-pdf}
touch "$raiz/.tessela-cups"
chmod 0755 "$raiz" "$raiz"/{log,run,bruta,pdf,pdf-anonimo}
chmod 0700 "$raiz/cups-pdf"

# Filters and backends run as lp and read the spool and the PPDs: those live in ROOT
# when lp can reach it, else (a build tree under /root, say) in a folder of /tmp.
interna="$raiz/cupsd"
if ! setpriv --reuid=lp --regid=lp --clear-groups test -x "$raiz" 2>/dev/null; then
    interna=$(mktemp -d /tmp/tessela-cupsd.XXXXXX)
    chmod 0755 "$interna"
    echo "$interna" >"$raiz/run/interna"
fi
mkdir -p "$interna"/{conf/ppd,conf/ssl,spool/tmp,cache,state}
chmod 0755 "$interna" "$interna"/{conf,cache,state}
chmod 0710 "$interna/spool"
chmod 1770 "$interna/spool/tmp"
chgrp lp "$interna/spool" "$interna/spool/tmp" 2>/dev/null || true

cat >"$interna/conf/cups-files.conf" <<EOF
ServerRoot $interna/conf
ServerBin /usr/lib/cups
DataDir /usr/share/cups
DocumentRoot /usr/share/cups/doc-root
RequestRoot $interna/spool
TempDir $interna/spool/tmp
CacheDir $interna/cache
StateDir $interna/state
AccessLog $raiz/log/access_log
ErrorLog $raiz/log/error_log
PageLog $raiz/log/page_log
Printcap $raiz/run/printcap
User lp
Group lp
SystemGroup root
FileDevice No
Sandboxing Relaxed
EOF

cat >"$interna/conf/cupsd.conf" <<EOF
Listen 127.0.0.1:$porta
ServerName 127.0.0.1
LogLevel info
MaxLogSize 0
Browsing No
BrowseLocalProtocols none
WebInterface No
DefaultAuthType None
DefaultEncryption Never
PreserveJobFiles No
MaxJobs 0
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
    Allow all
  </Limit>
</Policy>
EOF

cat >"$interna/conf/cups-pdf.conf" <<EOF
Out $raiz/pdf
AnonDirName $raiz/pdf-anonimo
Spool $raiz/cups-pdf
Log $raiz/log
Grp root
TitlePref 1
Label 0
DecodeHexStrings 1
EOF

# The listener behind the raw queues.
nohup python3 "$captura" "$porta_bruta" "$raiz/bruta" >"$raiz/log/captura.log" 2>&1 &
echo $! >"$raiz/run/captura.pid"

# cupsd in its own mount namespace, in the foreground of that background process: the
# pid written is cupsd's own, since unshare and sh both exec.
nohup unshare -m --propagation private sh -c \
    'mount --bind "$1/conf" /etc/cups && exec cupsd -f -c "$1/conf/cupsd.conf" -s "$1/conf/cups-files.conf"' \
    sh "$interna" >"$raiz/log/cupsd.out" 2>&1 &
echo $! >"$raiz/run/cupsd.pid"

export CUPS_SERVER=127.0.0.1:$porta
pronto=no
for _ in $(seq 100); do
    if lpstat -r 2>/dev/null | grep -q "is running"; then
        pronto=yes
        break
    fi
    if ! kill -0 "$(cat "$raiz/run/cupsd.pid")" 2>/dev/null; then
        break
    fi
    sleep 0.1
done
if [ "$pronto" != yes ]; then
    echo "cupsd did not start; its log:" >&2
    cat "$raiz/log/cupsd.out" "$raiz/log/error_log" >&2 2>/dev/null || true
    parar
    exit 1
fi

fila_bruta() {
    lpadmin -p "$1" -v "socket://127.0.0.1:$porta_bruta" -E
}
fila_bruta Bruta
fila_bruta Laudo
fila_bruta Laudo_Sala
fila_bruta HP_LaserJet_Recepcao
fila_bruta LaserJet_Sala_2
fila_bruta "$(printf 'Impress\xc3\xa3o_Fiscal')"
fila_bruta Recusa
cupsreject Recusa
ppd_pdf=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
lpadmin -p PDF_Laudo -v cups-pdf:/ -P "$ppd_pdf" \
    -o TitlePref=1 -o Label=0 -o pdftops-renderer-default=pdftocairo -E
ppd_margens="$interna/PDF_Margens.ppd"
sed -e 's/^\*\(Default\(PageSize\|PageRegion\|ImageableArea\|PaperDimension\)\): .*/*\1: Letter/' \
    -e 's|^\*ImageableArea Letter/\([^:]*\): .*|*ImageableArea Letter/\1: "18 15 594 780"|' \
    -e 's|^\*DefaultResolution: .*|*DefaultResolution: 1200x600dpi|' \
    -e 's|^\*Resolution 1200dpi/|*Resolution 1200x600dpi/1200 x 600 DPI: "<</HWResolution[1200 600]>>setpagedevice"\n&|' \
    "$ppd_pdf" >"$ppd_margens"
for linha in '*DefaultPageSize: Letter' '*DefaultImageableArea: Letter' \
    '*DefaultPaperDimension: Letter' '*ImageableArea Letter/US Letter: "18 15 594 780"' \
    '*PaperDimension Letter/US Letter: "612 792"' '*DefaultResolution: 1200x600dpi' \
    '*Resolution 1200x600dpi/'; do
    if ! grep -qF "$linha" "$ppd_margens"; then
        echo "the copy of $ppd_pdf lacks: $linha" >&2
        parar
        exit 1
    fi
done
lpadmin -p PDF_Margens -v cups-pdf:/ -P "$ppd_margens" \
    -o TitlePref=1 -o Label=0 -o pdftops-renderer-default=pdftocairo -E

echo "$porta" >"$raiz/pronto"
echo "private cupsd on 127.0.0.1:$porta, root $raiz"
