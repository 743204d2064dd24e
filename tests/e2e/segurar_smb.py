#!/usr/bin/python3
"""Another SMB client that holds a file of the share open, as a program on another
workstation would, until a line arrives on standard input.

    segurar_smb.py SMB_CONF USER PASSWORD 'FOLDER\\FILE' SHARE_ACCESS

SHARE_ACCESS is what the holder lets others do meanwhile (1 read, 2 write, 4 delete).
Prints "segurando" once the file is open and "solto" once it is closed; an error goes
to standard error with status 1.
"""
import sys

from samba import credentials
from samba.dcerpc import security
import samba.param
from samba.samba3 import libsmb_samba_internal as libsmb
from samba.samba3 import param as s3param

ABRIR_EXISTENTE = 1  # FILE_OPEN


def main():
    conf, usuario, senha, nome, compartilhamento = sys.argv[1:6]
    # The client reads its settings from both the s3 and the s4 parameter sets.
    s3param.get_context().load(conf)
    parametros = samba.param.LoadParm()
    parametros.load(conf)
    credenciais = credentials.Credentials()
    credenciais.guess(parametros)
    credenciais.set_username(usuario)
    credenciais.set_password(senha)
    conexao = libsmb.Conn("127.0.0.1", "MAGNOLIA", parametros, credenciais)
    arquivo = conexao.create(
        nome,
        DesiredAccess=security.SEC_FILE_READ_DATA
        | security.SEC_FILE_WRITE_DATA
        | security.SEC_FILE_READ_ATTRIBUTE,
        ShareAccess=int(compartilhamento),
        CreateDisposition=ABRIR_EXISTENTE,
    )
    print("segurando", flush=True)
    sys.stdin.readline()
    conexao.close(arquivo)
    print("solto", flush=True)


if __name__ == "__main__":
    try:
        main()
    except Exception as erro:  # the test shows what failed
        print(f"segurar_smb: {erro}", file=sys.stderr)
        sys.exit(1)
