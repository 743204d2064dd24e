#!/usr/bin/python3
"""Stops the given processes (SIGSTOP) as soon as a temporary file of the program
(".NAME.tessela-NNNNNN") is created in one of the folders: for smbd, which then never
answers the create, so that the program is held with the file just made.

    congelar_ao_criar.py PID[,PID...] FOLDER...

Prints "pronto" once it watches, then the name of the file once the processes are
stopped. Read straight from inotify: a shell pipeline reacts too late.
"""
import ctypes
import os
import re
import signal
import struct
import sys

IN_CREATE = 0x100
TEMPORARIO = re.compile(rb"^\..+\.tessela-[0-9]{6}$")


def main():
    pids = [int(p) for p in sys.argv[1].split(",")]
    libc = ctypes.CDLL("libc.so.6", use_errno=True)
    fd = libc.inotify_init1(0)
    if fd < 0:
        sys.exit(f"inotify_init1: {os.strerror(ctypes.get_errno())}")
    for pasta in sys.argv[2:]:
        if libc.inotify_add_watch(fd, os.fsencode(pasta), IN_CREATE) < 0:
            sys.exit(f"inotify_add_watch {pasta}: {os.strerror(ctypes.get_errno())}")
    print("pronto", flush=True)
    while True:
        dados = os.read(fd, 65536)
        posicao = 0
        while posicao < len(dados):
            _, _, _, tamanho = struct.unpack_from("iIII", dados, posicao)
            nome = dados[posicao + 16 : posicao + 16 + tamanho].rstrip(b"\0")
            posicao += 16 + tamanho
            if TEMPORARIO.match(nome):
                for pid in pids:
                    os.kill(pid, signal.SIGSTOP)
                print(os.fsdecode(nome), flush=True)
                return


if __name__ == "__main__":
    main()
