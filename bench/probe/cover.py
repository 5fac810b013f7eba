"""Covers the whole screen with one plain X window that draws nothing, for as long as it
runs: python3 cover.py SECONDS. Through ctypes on Xlib, so that it takes no CPU of its own."""
import ctypes
import ctypes.util
import sys
import time

x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XCreateSimpleWindow.restype = ctypes.c_ulong
x.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_int] * 2 + [ctypes.c_uint] * 3 + [ctypes.c_ulong] * 2
x.XDisplayWidth.argtypes = x.XDisplayHeight.argtypes = [ctypes.c_void_p, ctypes.c_int]
x.XMapRaised.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x.XFlush.argtypes = [ctypes.c_void_p]
display = x.XOpenDisplay(None)
if not display:
    sys.exit("cover: no display")
window = x.XCreateSimpleWindow(display, x.XDefaultRootWindow(display), 0, 0, x.XDisplayWidth(display, 0),
                               x.XDisplayHeight(display, 0), 0, 0, 0)
x.XMapRaised(display, window)
x.XFlush(display)
time.sleep(float(sys.argv[1]) if len(sys.argv) > 1 else 3600)
