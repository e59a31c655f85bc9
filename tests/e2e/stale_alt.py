#!/usr/bin/env python3
"""Sends window WID a press of Alt that the X server never saw: the client's record of Alt goes
stale, as after Alt+Tab when a window manager held the keyboard while Alt was let go.

Usage: stale_alt.py WID   (DISPLAY names the server)
"""
import ctypes
import sys


class XKeyEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", ctypes.c_ulong), ("root", ctypes.c_ulong),
                ("subwindow", ctypes.c_ulong), ("time", ctypes.c_ulong),
                ("x", ctypes.c_int), ("y", ctypes.c_int), ("x_root", ctypes.c_int),
                ("y_root", ctypes.c_int), ("state", ctypes.c_uint), ("keycode", ctypes.c_uint),
                ("same_screen", ctypes.c_int), ("pad", ctypes.c_long * 16)]  # XEvent's size


def main():
    x = ctypes.cdll.LoadLibrary("libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XStringToKeysym.restype = ctypes.c_ulong
    x.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                             ctypes.c_void_p]
    x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    display = x.XOpenDisplay(None)
    if not display:
        sys.exit("stale_alt.py: cannot open the display")
    event = XKeyEvent(type=2, display=display, window=int(sys.argv[1]), same_screen=1)  # KeyPress
    event.keycode = x.XKeysymToKeycode(display, x.XStringToKeysym(b"Alt_L"))
    x.XSendEvent(display, event.window, 1, 1, ctypes.byref(event))  # KeyPressMask
    x.XSync(display, 0)


main()
