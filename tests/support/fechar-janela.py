#!/usr/bin/env python3
"""Asks an X window to close as a window manager's close button does: a WM_DELETE_WINDOW
client message (xdotool only destroys or kills). Usage: fechar-janela.py WINDOW_ID"""
import ctypes
import sys

ClientMessage = 33
NoEventMask = 0


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


def main():
    janela = int(sys.argv[1], 0)
    x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(XEvent)]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    tela = x11.XOpenDisplay(None)
    if not tela:
        sys.exit("fechar-janela: no display")
    evento = XEvent()
    evento.xclient.type = ClientMessage
    evento.xclient.window = janela
    evento.xclient.message_type = x11.XInternAtom(tela, b"WM_PROTOCOLS", 0)
    evento.xclient.format = 32
    evento.xclient.data[0] = x11.XInternAtom(tela, b"WM_DELETE_WINDOW", 0)
    if not x11.XSendEvent(tela, janela, 0, NoEventMask, ctypes.byref(evento)):
        sys.exit("fechar-janela: XSendEvent failed")
    x11.XFlush(tela)
    x11.XCloseDisplay(tela)


main()
