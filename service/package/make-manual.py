#!/usr/bin/env python3
"""Writes the manual page korvala-service(8) from its template, whose @OPTIONS@ becomes the
options table of the service's README (and the paragraph after it), so that the page and the
README describe the same options.

Usage: make-manual.py README TEMPLATE VERSION OUTPUT
The page's date is that of SOURCE_DATE_EPOCH (make-deb.sh sets it to the commit's), in UTC.
"""
import os
import re
import sys
import time


def roff_text(markdown):
    """Markdown's inline text as roff: `code` in bold, its hyphens as minus signs."""
    text = markdown.replace("\\", "\\e")
    text = re.sub(r"`([^`]*)`", lambda code: "\\fB" + code.group(1).replace("-", "\\-") + "\\fR", text)
    return "\\&" + text if text.startswith((".", "'")) else text


def options_section(readme):
    lines = readme.splitlines()
    start = next(i for i, line in enumerate(lines) if re.match(r"\|\s*Option\s*\|\s*Default\s*\|", line))
    out = []
    i = start + 2  # past the header and its rule
    while i < len(lines) and lines[i].startswith("|"):
        # Cells are split at the bars that Markdown does not escape ("x86\|amd64" is one cell).
        cells = re.split(r"(?<!\\)\|", lines[i].strip().strip("|"))
        option, default, meaning = [cell.strip().replace("\\|", "|") for cell in cells]
        name, _, value = option.strip("`").partition(" ")
        out.append(".TP")
        out.append("\\fB" + name.replace("-", "\\-") + "\\fR" + (" \\fI" + value + "\\fR" if value else ""))
        out.append(roff_text(meaning[0].upper() + meaning[1:] + "."))
        if default:
            out.append(".br")
            out.append(roff_text("Default: " + default + "."))
        i += 1
    while i < len(lines) and not lines[i].strip():
        i += 1
    out.append(".PP")
    while i < len(lines) and lines[i].strip():
        out.append(roff_text(lines[i]))
        i += 1
    return "\n".join(out)


def main():
    readme_path, template_path, version, output_path = sys.argv[1:]
    with open(readme_path, encoding="utf-8") as readme, open(template_path, encoding="utf-8") as template:
        options, page = options_section(readme.read()), template.read()
    when = time.gmtime(int(os.environ["SOURCE_DATE_EPOCH"]))
    page = page.replace("@OPTIONS@", options).replace("@VERSION@", version)
    page = page.replace("@DATE@", time.strftime("%Y-%m-%d", when))
    with open(output_path, "w", encoding="utf-8") as output:
        output.write(page)


main()
