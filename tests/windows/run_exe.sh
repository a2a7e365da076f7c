#!/bin/sh
# usage: run_exe.sh PROGRAM.exe
# Runs a Windows program under Wine as it runs on Windows: without the
# DISPLAY variable in its environment. Windows has none, and freeglut would
# take it for the name of a display of its own; Wine itself still draws on
# the X display it names. The program's exit status is the command's.
exec wine cmd /c "set DISPLAY=& Z:$1"
