#!/usr/bin/env python3
"""The one substitution of the survey's command templates, used by survey/Snakefile (which
imports it) and by survey/by-hand.sh (which runs it), so both fill a template the same way.

    fill.py TEMPLATE NAME=VALUE...

A template is filled by Python's str.format: {name}, {name:02d}, {{ and }} for braces. A value
of digits only (with an optional sign) is an integer, so format options such as
{threads:02d} apply; any other value is a string. A name the template uses but no NAME=VALUE
gives, or a malformed template, is one line on standard error and status 2.
"""
import re
import sys


class TemplateError(ValueError):
    pass


def typed(value):
    return int(value) if re.fullmatch(r"[+-]?\d+", str(value)) else value


def fill(template, values):
    """The template with every {name} replaced; TemplateError names what is wrong."""
    try:
        return str(template).format(**{k: typed(v) for k, v in values.items()})
    except KeyError as e:
        known = ", ".join("{" + k + "}" for k in values) or "none"
        raise TemplateError(f'"{template}": unknown name {{{e.args[0]}}} (known: {known})') from None
    except (ValueError, IndexError, AttributeError) as e:
        raise TemplateError(f'"{template}": {e}') from None


def main(argv):
    if len(argv) < 2:
        print("fill.py: usage: fill.py TEMPLATE NAME=VALUE...", file=sys.stderr)
        return 64
    values = {}
    for pair in argv[2:]:
        name, equals, value = pair.partition("=")
        if not equals or not name:
            print(f'fill.py: "{pair}": expected NAME=VALUE', file=sys.stderr)
            return 64
        values[name] = value
    try:
        print(fill(argv[1], values))
    except TemplateError as e:
        print(f"fill.py: template {e}", file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
