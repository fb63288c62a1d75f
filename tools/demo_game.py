#!/usr/bin/env python3
"""The demo game (game.exe in the launcher folder): records how it was started and exits.

Writes game_run.txt in its working folder: the working folder, each argument on a line of
its own, and the name and text of the parameter file named by the last "|" piece of the first
argument (the launcher passes "gameArgument|width|height|parameterFile").
"""
import os
import sys

lines = ["cwd=" + os.getcwd()]
lines += ["arg=" + a for a in sys.argv[1:]]
if len(sys.argv) > 1:
    param = sys.argv[1].split("|")[-1]
    lines.append("param_file=" + param)
    try:
        with open(param, encoding="utf-8", errors="replace") as f:
            lines.append("param_text=" + f.read())
    except OSError as error:
        lines.append("param_error=" + str(error))
with open("game_run.txt.part", "w", encoding="utf-8") as f:
    f.write("\n".join(lines) + "\n")
os.replace("game_run.txt.part", "game_run.txt")
