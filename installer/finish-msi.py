#!/usr/bin/env python3
"""Writes into an MSI package that wixl made what wixl (msitools 0.101) leaves out or gets wrong:

- the custom actions' kinds as the WiX source gives them: wixl marks every action
  NoImpersonate, also an immediate one (ICE68), and drops Execute="rollback" and "commit";
- a short name beside each long file name (ICE03): wixl writes the long one alone;
- each versioned file's version and language, read from its version resource, and no MsiFileHash
  row for it: wixl hashes every file, and Windows Installer then compares a versioned file as if
  it had no version, keeping a copy of any version where it should replace an older one.

Usage: finish-msi.py <package> <folder of the package's files> <WiX source> <msiinfo> <msibuild>
The files are found by their long names in the folder, as wixl found them."""
import os
import re
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

DEFERRED, ROLLBACK, COMMIT, NO_IMPERSONATE, CONTINUE = 0x400, 0x100, 0x200, 0x800, 0x40
# The source and target kinds (DLL in the Binary table, and so on): the low six bits.
SOURCE_AND_TARGET = 0x3F
EXECUTE_FLAGS = {"immediate": 0, "deferred": DEFERRED, "rollback": DEFERRED | ROLLBACK,
                 "commit": DEFERRED | COMMIT}
SHORT_NAME = re.compile(r"^[A-Za-z0-9_$~!#%&'@^(){}-]{1,8}(\.[A-Za-z0-9_$~!#%&'@^(){}-]{1,3})?$")
VERSION_RESOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools",
                                "version-resource.py")


def table(msiinfo, package, name):
    """The rows of a table as lists of columns (msiinfo export's three header lines left out)."""
    text = subprocess.run([msiinfo, "export", package, name], check=True, capture_output=True,
                          text=True).stdout
    return [line.split("\t") for line in text.replace("\r", "").split("\n")[3:] if line]


def quoted(text):
    return "'" + text.replace("'", "''") + "'"


def custom_action_kinds(source, actions):
    """UPDATE queries for the actions whose kind differs from the one the source gives."""
    kinds = {}
    for element in ElementTree.parse(source).iter():
        if element.tag.endswith("}CustomAction") and "Id" in element.attrib:
            kinds[element.attrib["Id"]] = element.attrib
    queries = []
    for action, kind, *_ in actions:
        attributes = kinds.get(action)
        if attributes is None:
            continue
        execute = attributes.get("Execute", "immediate")
        wanted = (int(kind) & SOURCE_AND_TARGET) | EXECUTE_FLAGS[execute]
        if execute != "immediate" and attributes.get("Impersonate") == "no":
            wanted |= NO_IMPERSONATE
        if attributes.get("Return") == "ignore":
            wanted |= CONTINUE
        if wanted != int(kind):
            queries.append("UPDATE CustomAction SET Type = %d WHERE Action = %s" % (wanted, quoted(action)))
    return queries


def version_and_language(path):
    """The file's version (the fixed part's) and the language of its first string table, or None
    for a file without a version resource."""
    extracted = subprocess.run(["wrestool", "-x", "--raw", "-t", "16", path], capture_output=True)
    if extracted.returncode != 0 or not extracted.stdout:
        return None
    lines = subprocess.run([sys.executable, VERSION_RESOURCE], input=extracted.stdout, check=True,
                           capture_output=True).stdout.decode().splitlines()
    version = next(line.split("=", 1)[1] for line in lines if line.startswith("FileVersion="))
    table_name = next((line.split("/", 1)[0] for line in lines if "/" in line.split("=", 1)[0]), None)
    language = str(int(table_name[:4], 16)) if table_name else "0"
    return version, language


def short_name(long_name, taken):
    """An 8.3 name for the long one, unique among those taken: its first letters, ~n, its extension."""
    stem, _, extension = long_name.rpartition(".")
    stem = re.sub(r"[^A-Z0-9]", "", stem.upper()) or "FILE"
    extension = re.sub(r"[^A-Z0-9]", "", extension.upper())[:3]
    for number in range(1, 10):
        name = "%s~%d%s" % (stem[:6], number, "." + extension if extension else "")
        if name not in taken:
            taken.add(name)
            return name
    raise SystemExit("finish-msi: no free short name for " + long_name)


def file_queries(files, folder):
    queries = []
    taken = {row[2].split("|")[0].upper() for row in files}
    for file_key, _, file_name, *_ in files:
        long_name = file_name.split("|")[-1]
        changes = []
        if "|" not in file_name and not SHORT_NAME.match(long_name):
            changes.append("FileName = " + quoted(short_name(long_name, taken) + "|" + long_name))
        versioned = version_and_language(os.path.join(folder, long_name))
        if versioned:
            changes.append("Version = %s, Language = %s" % (quoted(versioned[0]), quoted(versioned[1])))
            queries.append("DELETE FROM MsiFileHash WHERE File_ = " + quoted(file_key))
        if changes:
            queries.append("UPDATE File SET %s WHERE File = %s" % (", ".join(changes), quoted(file_key)))
    return queries


def main():
    if len(sys.argv) != 6:
        raise SystemExit(__doc__)
    package, folder, source, msiinfo, msibuild = sys.argv[1:]
    queries = custom_action_kinds(source, table(msiinfo, package, "CustomAction"))
    queries += file_queries(table(msiinfo, package, "File"), folder)
    arguments = [msibuild, package]
    for query in queries:
        arguments += ["-q", query]
    subprocess.run(arguments, check=True)


main()
