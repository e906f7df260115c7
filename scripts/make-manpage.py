#!/usr/bin/env python3
"""Writes the manual page of quorvantel, quorvantel-cli or quorvantel-emulator (chosen by the
program's file name) from the program's own --help texts, so that the page says what the
program says.

  make-manpage.py PROGRAM OUT VERSION"""
import os
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
    # No display and no platform: the programs answer --help without one.
    run = subprocess.run([tool, *args, "--help"], capture_output=True, text=True,
                         env={"LC_ALL": "C", "PATH": os.environ.get("PATH", "/usr/bin:/bin")})
    if run.returncode != 0 or not run.stdout:
        sys.exit("make-manpage: %s %s --help failed: %s" % (tool, " ".join(args), run.stderr))
    return run.stdout


def without_usage(text):
    """The help text without its first paragraph when that is the usage line the synopsis
    already gives."""
    if text.startswith("Usage:"):
        return text.split("\n\n", 1)[1] if "\n\n" in text else ""
    return text


def header(name, version, summary):
    return [
        '.TH %s 1 "" "Quorvantel %s" "User Commands"' % (name.upper().replace("-", "\\-"),
                                                       version),
        ".SH NAME",
        "%s \\- %s" % (name.replace("-", "\\-"), summary),
    ]


SETTINGS = [
    ".TP",
    ".I ~/.config/Quorvantel.conf",
    "the settings shared by the application and the command\\-line tool (port, baud rate,",
    "language, print header).",
]


def cli_page(tool, version):
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
    page = header("quorvantel-cli", version,
                  "download, list, export and convert indoor\\-climate instrument data, draw graphs "
                  "and assess thermal comfort")
    page += [
        ".SH SYNOPSIS",
        ".B quorvantel\\-cli",
        ".I COMMAND",
        "[\\fIOPTIONS\\fR]",
        ".br",
        ".B quorvantel\\-cli",
        "\\-\\-help | \\-\\-version",
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
    ] + SETTINGS + [
        ".SH SEE ALSO",
        ".BR quorvantel (1),",
        ".BR quorvantel\\-emulator (1)",
    ]
    return page


def gui_page(tool, version):
    return header("quorvantel", version,
                  "download, show, print and export the data of indoor\\-climate instruments") + [
        ".SH SYNOPSIS",
        ".B quorvantel",
        "[\\fIOPTIONS\\fR] [\\fIFILE\\fR]",
        ".SH DESCRIPTION",
        ".nf",
        roff(without_usage(help_of(tool))),
        ".fi",
        ".PP",
        "Help > Contents in the program explains every command.",
        ".SH FILES",
    ] + SETTINGS + [
        ".TP",
        ".I /usr/share/quorvantel",
        "the language files (one per language, in the code page of its language), the help",
        "pages and the demonstration memory for \\fBquorvantel\\-emulator\\fR.",
        ".SH SEE ALSO",
        ".BR quorvantel\\-cli (1),",
        ".BR quorvantel\\-emulator (1)",
    ]


def emulator_page(tool, version):
    return header("quorvantel-emulator", version,
                  "an indoor\\-climate instrument on a pseudo\\-terminal") + [
        ".SH SYNOPSIS",
        ".B quorvantel\\-emulator",
        "[\\fIOPTIONS\\fR]",
        ".SH DESCRIPTION",
        "The emulator lets the application and the command\\-line tool download without an",
        "instrument, for trying the program and for tests; a demonstration memory is",
        "\\fI/usr/share/quorvantel/demo/demo\\-memory.json\\fR. The JSON form of a memory and the",
        "traffic log are described in tools/emulator/README.md of Quorvantel's source.",
        ".PP",
        ".nf",
        roff(without_usage(help_of(tool))),
        ".fi",
        ".SH EXIT STATUS",
        "0 after SIGTERM, SIGINT or SIGHUP (and after \\-\\-help, \\-\\-version and",
        "\\-\\-dump\\-image), 2 for a bad option or memory file (the reason is on standard error).",
        ".SH EXAMPLE",
        ".nf",
        "quorvantel\\-emulator \\-\\-memory /usr/share/quorvantel/demo/demo\\-memory.json &",
        "quorvantel\\-cli download \\-\\-port /dev/pts/7 \\-\\-memory results \\-o demo.QVL",
        ".fi",
        "(with the device the emulator printed on its first line)",
        ".SH SEE ALSO",
        ".BR quorvantel (1),",
        ".BR quorvantel\\-cli (1)",
    ]


PAGES = {"quorvantel": gui_page, "quorvantel-cli": cli_page, "quorvantel-emulator": emulator_page}


def main():
    tool, out, version = sys.argv[1:4]
    name = os.path.basename(tool)
    if name not in PAGES:
        sys.exit("make-manpage: no page for %s (%s)" % (name, ", ".join(PAGES)))
    page = PAGES[name](tool, version)
    with open(out, "w", encoding="utf-8") as f:
        f.write("\n".join(page) + "\n")


if __name__ == "__main__":
    main()
