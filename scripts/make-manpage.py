#!/usr/bin/env python3
"""Writes the manual page of quorvantel-cli from the tool's own --help texts, so that the page
says what the tool says.

  make-manpage.py TOOL OUT VERSION"""
import subprocess
import sys


def roff(text):
    """Help text as literal roff lines: backslashes escaped, no line taken for a request."""
    lines = []
    for line in text.rstrip("\n").split("\n"):
        line = line.replace("\\", "\\e").replace("-", "\\-")
        if line.startswith((".", "'")):
            line = "\\&" + line
        lines.append(line)
    return "\n".join(lines)


def help_of(tool, *args):
    run = subprocess.run([tool, *args, "--help"], capture_output=True, text=True,
                         env={"LC_ALL": "C"})
    if run.returncode != 0 or not run.stdout:
        sys.exit("make-manpage: %s %s --help failed: %s" % (tool, " ".join(args), run.stderr))
    return run.stdout


def main():
    tool, out, version = sys.argv[1:4]
    overview = help_of(tool)
    commands = []
    listing = False
    for line in overview.split("\n"):
        if line.startswith("Commands:"):
            listing = True
        elif listing and line.startswith("  ") and line.strip():
            commands.append(line.split()[0])
        elif listing and not line.strip():
            listing = False
    page = [
        '.TH QUORVANTEL\\-CLI 1 "" "Quorvantel %s" "User Commands"' % version,
        ".SH NAME",
        "quorvantel\\-cli \\- download, list, export and convert indoor\\-climate instrument data, and "
        "assess thermal comfort",
        ".SH SYNOPSIS",
        ".B quorvantel\\-cli",
        ".I COMMAND",
        "[\\fIOPTIONS\\fR]",
        ".SH DESCRIPTION",
        "The command\\-line tool of Quorvantel works on the same core as the desktop application",
        "\\fBquorvantel\\fR: what it downloads, saves and exports is byte for",
        "byte what the application writes for the same data and choices.",
        ".PP",
        ".nf",
        roff(overview),
        ".fi",
        ".SH COMMANDS",
    ]
    for command in commands:
        page += [".SS %s" % command, ".nf", roff(help_of(tool, command)), ".fi"]
    page += [
        ".SH EXIT STATUS",
        "0 when the command did what was asked, 1 when it failed (the reason is on standard",
        "error), 2 for a mistake in the command line.",
        ".SH FILES",
        ".TP",
        ".I ~/.config/Quorvantel.conf",
        "the settings shared with the application (port, baud rate, language, print header).",
        ".SH SEE ALSO",
        "\\fBquorvantel\\-emulator\\fR, the instrument emulator for tests and demonstrations.",
    ]
    with open(out, "w", encoding="utf-8") as f:
        f.write("\n".join(page) + "\n")


if __name__ == "__main__":
    main()
