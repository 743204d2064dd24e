#!/usr/bin/env python3
"""Listens on 127.0.0.1:PORT like a printer's raw port and keeps the bytes of every
connection in a file of its own, numbered in order of arrival (000001.bin, ...).
A file appears under its final name only once its connection has closed."""
import os
import socket
import sys


def main():
    porta = int(sys.argv[1])
    pasta = sys.argv[2]
    os.makedirs(pasta, exist_ok=True)
    servidor = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    servidor.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    servidor.bind(("127.0.0.1", porta))
    servidor.listen(8)
    numero = 0
    while True:
        conexao, _ = servidor.accept()
        numero += 1
        parcial = os.path.join(pasta, "%06d.part" % numero)
        with conexao, open(parcial, "wb") as saida:
            while True:
                bloco = conexao.recv(65536)
                if not bloco:
                    break
                saida.write(bloco)
        os.rename(parcial, os.path.join(pasta, "%06d.bin" % numero))


if __name__ == "__main__":
    main()
