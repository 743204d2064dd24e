#!/usr/bin/env bash
# Installation and the Debian package, checked from the outside.
#
#   empacotamento.sh instalacao BUILD TESSELA   cmake --install into a DESTDIR, prefix /usr
#   empacotamento.sh deb BUILD TESSELA          cpack -G DEB, then dpkg-deb -f / -c / -x
# BUILD is the build folder, TESSELA the executable it built.
#
# Both check the same layout: the executable in /usr/lib/tessela (the program folder),
# /usr/bin/tessela linking to it, the settings and LOG of the program folder linking to
# /etc/tessela and /var/log/tessela, the manual page, the documentation with its
# examples, the desktop entry and the icon, and nothing else. The package must also
# pass lintian with no error and no warning.
# shellcheck disable=SC2015 # "[ a ] && [ b ] || falha" is meant
set -uo pipefail

modo=${1:-}
build=${2:-}
construido=${3:-}
[ -n "$modo" ] && [ -f "$build/CMakeCache.txt" ] && [ -x "$construido" ] ||
    { echo "usage: $0 instalacao|deb BUILD TESSELA"; exit 2; }

trabalho=$(mktemp -d /tmp/tessela-pacote.XXXXXX)
trap 'rm -rf "$trabalho"' EXIT

falha() {
    echo "FAIL: $*"
    exit 1
}
ok() { echo "ok: $*"; }

# Every path of the installed tree, relative, sorted: files, links and folders.
ARVORE_ESPERADA="etc
etc/tessela
usr
usr/bin
usr/bin/tessela
usr/lib
usr/lib/tessela
usr/lib/tessela/CONFIGBD.INI
usr/lib/tessela/LOG
usr/lib/tessela/MAGNOLIA.INI
usr/lib/tessela/tessela
usr/share
usr/share/applications
usr/share/applications/tessela.desktop
usr/share/doc
usr/share/doc/tessela
usr/share/doc/tessela/changelog.gz
usr/share/doc/tessela/copyright
usr/share/doc/tessela/examples
usr/share/doc/tessela/examples/CONFIGBD.INI
usr/share/doc/tessela/examples/MAGNOLIA.INI
usr/share/icons
usr/share/icons/hicolor
usr/share/icons/hicolor/scalable
usr/share/icons/hicolor/scalable/apps
usr/share/icons/hicolor/scalable/apps/tessela.svg
usr/share/man
usr/share/man/man1
usr/share/man/man1/tessela.1.gz"

# The tree below RAIZ, as a user of the installed program meets it.
verificar_arvore() { # root
    local raiz=$1
    local arvore
    arvore=$(cd "$raiz" && find . -mindepth 1 | sed 's#^\./##' | LC_ALL=C sort)
    [ "$arvore" = "$ARVORE_ESPERADA" ] || {
        diff <(echo "$ARVORE_ESPERADA") <(echo "$arvore")
        falha "installed tree differs"
    }

    local programa="$raiz/usr/lib/tessela/tessela"
    [ -f "$programa" ] && [ ! -L "$programa" ] && [ -x "$programa" ] ||
        falha "usr/lib/tessela/tessela is not an executable file"
    file -b "$programa" | grep -q '^ELF 64-bit LSB pie executable' ||
        file -b "$programa" | grep -q '^ELF 64-bit LSB executable' ||
        falha "usr/lib/tessela/tessela: $(file -b "$programa")"
    # The program folder is the folder of the executable itself: the command must be a
    # link to it, not a copy.
    [ -L "$raiz/usr/bin/tessela" ] || falha "usr/bin/tessela is not a symbolic link"
    [ "$(readlink "$raiz/usr/bin/tessela")" = ../lib/tessela/tessela ] ||
        falha "usr/bin/tessela links to $(readlink "$raiz/usr/bin/tessela")"
    [ "$(realpath "$raiz/usr/bin/tessela")" = "$(realpath "$programa")" ] ||
        falha "usr/bin/tessela does not lead to the executable"
    # Run through the link with no display: the executable loads its libraries and
    # answers with its own message.
    local saida status
    saida=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 20 \
        "$raiz/usr/bin/tessela" 000123 L2301 F 12/2027 maria 2>&1)
    status=$?
    [ "$status" -eq 1 ] && grep -q "DISPLAY e WAYLAND_DISPLAY" <<<"$saida" ||
        falha "the installed program, run without a display: status $status, output: $saida"
    ok "executable in usr/lib/tessela, usr/bin/tessela links to it and runs it"

    # The program folder's settings and LOG are where a Debian administrator finds
    # them; absolute links, as they cross from /usr to /etc and /var.
    local nome destino
    for nome in MAGNOLIA.INI:/etc/tessela/MAGNOLIA.INI CONFIGBD.INI:/etc/tessela/CONFIGBD.INI LOG:/var/log/tessela; do
        destino=$(readlink "$raiz/usr/lib/tessela/${nome%%:*}")
        [ "$destino" = "${nome#*:}" ] || falha "usr/lib/tessela/${nome%%:*} links to [$destino]"
    done
    ok "MAGNOLIA.INI, CONFIGBD.INI and LOG of the program folder link to /etc/tessela and /var/log/tessela"
    # The manual page reads without a warning of the formatter.
    local avisos
    avisos=$(zcat "$raiz/usr/share/man/man1/tessela.1.gz" | LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z - 2>&1 >/dev/null)
    [ -z "$avisos" ] || falha "tessela(1): $avisos"
    local secao
    for secao in ARGUMENTS SETTINGS SHARE PRINTERS FILES "EXIT STATUS"; do
        zcat "$raiz/usr/share/man/man1/tessela.1.gz" | grep -qx "\.SH $secao" || falha "tessela(1) has no section $secao"
    done
    ok "manual page tessela(1)"

    verificar_entrada "$raiz/usr/share/applications/tessela.desktop"
    local icone="$raiz/usr/share/icons/hicolor/scalable/apps/tessela.svg"
    [ "$(stat -c %a "$icone")" = 644 ] || falha "icon mode $(stat -c %a "$icone")"
    grep -q '<svg' "$icone" || falha "the icon is not an SVG image"
    ok "icon"
}

# The desktop entry names the program and its icon for the desktop, and shows in no
# menu: the suite starts the program with its five arguments, and a menu has none to
# give (started without them it only says that no station was found).
verificar_entrada() { # file
    local entrada=$1
    [ "$(stat -c %a "$entrada")" = 644 ] || falha "desktop entry mode $(stat -c %a "$entrada")"
    [ "$(head -n 1 "$entrada")" = "[Desktop Entry]" ] || falha "desktop entry header"
    local chave
    for chave in "Type=Application" "Name=Tessela" "Exec=tessela" "Icon=tessela" "Terminal=false" \
        "NoDisplay=true"; do
        grep -qx "$chave" "$entrada" || falha "desktop entry lacks $chave"
    done
    grep -q '^Categories=.*\(Office\|Utility\|Education\|Science\);' "$entrada" ||
        falha "desktop entry without a main category"
    iconv -f UTF-8 -t UTF-8 "$entrada" >/dev/null || falha "desktop entry is not UTF-8"
    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$entrada" || falha "desktop-file-validate"
    fi
    ok "desktop entry"
}

case "$modo" in
instalacao)
    DESTDIR="$trabalho/destino" cmake --install "$build" --prefix /usr >"$trabalho/log" 2>&1 || {
        cat "$trabalho/log"
        falha "cmake --install"
    }
    cmp -s "$trabalho/destino/usr/lib/tessela/tessela" "$construido" ||
        falha "the installed executable is not the built one"
    ok "cmake --install into DESTDIR, prefix /usr"
    verificar_arvore "$trabalho/destino"
    ;;
deb)
    # Into a folder of its own: the build folder keeps no package of this test.
    (cd "$build" && cpack -G DEB -B "$trabalho/pacote") >"$trabalho/log" 2>&1 || {
        cat "$trabalho/log"
        falha "cpack -G DEB"
    }
    pacotes=("$trabalho"/pacote/*.deb)
    [ ${#pacotes[@]} -eq 1 ] && [ -f "${pacotes[0]}" ] || falha "cpack made no single .deb: $(ls "$trabalho/pacote")"
    deb=${pacotes[0]}
    campo() { dpkg-deb -f "$deb" "$1"; }
    [ "$(campo Package)" = tessela ] || falha "Package: $(campo Package)"
    [ "$(campo Architecture)" = "$(dpkg --print-architecture)" ] || falha "Architecture: $(campo Architecture)"
    [ -n "$(campo Version)" ] || falha "no Version"
    [ "$(basename "$deb")" = "tessela_$(campo Version)_$(campo Architecture).deb" ] ||
        falha "package file name $(basename "$deb")"
    [ -n "$(campo Description)" ] || falha "no Description"
    # The database client library is loaded at run time, so it is named by hand; the
    # other libraries come from the executable's own needs.
    depende=$(campo Depends)
    for pacote in libfbclient2 libcups2 libqt6widgets6 libqt6printsupport6 libqt6gui6 libc6; do
        tr ',' '\n' <<<"$depende" | sed 's/^ *//; s/ .*//' | grep -qx "$pacote" ||
            falha "Depends lacks $pacote: $depende"
    done
    ok "control: $(campo Package) $(campo Version) $(campo Architecture); Depends: $depende"

    # The listing: modes and the link as dpkg-deb shows them.
    dpkg-deb -c "$deb" >"$trabalho/conteudo"
    grep -Eq '^-rwxr-xr-x root/root +[0-9]+ .* \./usr/lib/tessela/tessela$' "$trabalho/conteudo" ||
        falha "listing: no executable ./usr/lib/tessela/tessela owned by root"
    grep -Eq '^lrwxrwxrwx root/root .* \./usr/bin/tessela -> \.\./lib/tessela/tessela$' "$trabalho/conteudo" ||
        falha "listing: no link ./usr/bin/tessela -> ../lib/tessela/tessela"
    grep -Eq '^-rw-r--r-- root/root .* \./usr/share/applications/tessela\.desktop$' "$trabalho/conteudo" ||
        falha "listing: no desktop entry"
    grep -Eq '^-rw-r--r-- root/root .* \./usr/share/icons/hicolor/scalable/apps/tessela\.svg$' "$trabalho/conteudo" ||
        falha "listing: no icon"
    ok "dpkg-deb -c lists the executable, the link, the desktop entry and the icon"

    # lintian, as Debian checks a package: nothing at the levels error and warning
    # (informational tags are not asked for).
    if command -v lintian >/dev/null; then
        lintian --fail-on error,warning "$deb" >"$trabalho/lintian" 2>&1 ||
            { cat "$trabalho/lintian"; falha "lintian"; }
        grep -E '^[EW]: ' "$trabalho/lintian" && falha "lintian reports errors or warnings"
        ok "lintian: no error, no warning"
    else
        falha "lintian is missing (scripts/setup.sh installs it)"
    fi

    # The packaged program carries no debugging information.
    dpkg-deb -x "$deb" "$trabalho/extraido" || falha "dpkg-deb -x"
    file -b "$trabalho/extraido/usr/lib/tessela/tessela" | grep -q ', stripped' ||
        falha "the packaged executable is not stripped"
    verificar_arvore "$trabalho/extraido"
    ;;
*)
    echo "unknown mode: $modo"
    exit 2
    ;;
esac
exit 0
