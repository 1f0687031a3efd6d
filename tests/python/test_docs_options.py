#!/usr/bin/env python3
"""Every option a program's --help lists appears on that program's page in docs/.

usage: test_docs_options.py DOCS_DIR PROGRAM_PATH [PROGRAM_PATH ...]

The page of program P is DOCS_DIR/P.md; an option counts as documented when the page names it
in backquotes (`--name`, alone or followed by its value, e.g. `--halo hernquist:M:a`).
"""
import os
import re
import subprocess
import sys

OPTION = re.compile(r"(?<![\w-])(--[A-Za-z][A-Za-z0-9-]*)")


def help_options(program):
    out = subprocess.run([program, "--help"], capture_output=True, text=True, timeout=60)
    if out.returncode != 0:
        raise SystemExit(f"{program} --help: exit status {out.returncode}")
    return sorted(set(OPTION.findall(out.stdout)))


def documented(page_text, option):
    # `--name`, `--name VALUE`, `--name=VALUE` inside backquotes
    return re.search(r"`" + re.escape(option) + r"(?![\w-])[^`]*`", page_text) is not None


def main():
    docs, programs = sys.argv[1], sys.argv[2:]
    missing = []
    for program in programs:
        name = os.path.basename(program)
        page = os.path.join(docs, name + ".md")
        with open(page, encoding="utf-8") as f:
            text = f.read()
        for option in help_options(program):
            if option in ("--help", "--version"):
                continue
            if not documented(text, option):
                missing.append(f"{name}: {option} (listed by --help) is not on {page}")
    for line in missing:
        print(line, file=sys.stderr)
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
