#!/usr/bin/env python3
"""Writes made-up driver packages for measuring korvala-service --import-drivers.

Usage: make-driver-packages.py DIR [COUNT]  (default 1000 packages)

Each package is a folder DIR/vendorNN/productNNNN/ with one INF file and the files a package
carries (a .sys and a .cat of filler bytes). The INF files take the shapes real packages use,
in turn: undecorated and decorated manufacturers, XP and Vista models sections (some Vista ones
empty), amd64 sections, install sections with their own DriverVer, [Strings] before or after
the rest, [Strings.0409] beside neutral strings, tokens inside ids, continued lines, lower-case
ids, empty hardware-id fields, ids no device sends (class ids, USB ids without a revision), and
every fifth file in UTF-16LE. Packages of a vendor share devices with one another in different
versions, so that the import chooses among them. The output is the same for the same COUNT.
"""
import os
import random
import sys


def device_ids(rng, vendor, count):
    ids = []
    for _ in range(count):
        device = rng.randrange(0x10000)
        shape = rng.randrange(10)
        if shape < 4:
            ids.append(f"PCI\\VEN_{vendor:04X}&DEV_{device:04X}")
        elif shape < 6:
            ids.append(f"PCI\\VEN_{vendor:04X}&DEV_{device:04X}&SUBSYS_{rng.randrange(1 << 32):08X}")
        elif shape < 7:
            ids.append(f"PCI\\VEN_{vendor:04X}&DEV_{device:04X}&SUBSYS_{rng.randrange(1 << 32):08X}&REV_{rng.randrange(256):02X}")
        elif shape < 9:
            ids.append(f"USB\\VID_{vendor:04X}&PID_{device:04X}&REV_{rng.randrange(0x10000):04X}")
        else:
            ids.append(f"HDAUDIO\\FUNC_01&VEN_{vendor:04X}&DEV_{device:04X}")
    return ids


def inf_text(rng, number, vendor, ids):
    month, day, year = rng.randrange(1, 13), rng.randrange(1, 29), rng.randrange(2004, 2012)
    version = f"{rng.randrange(1, 9)}.{rng.randrange(100)}.{rng.randrange(1000)}.{rng.randrange(10000)}"
    shape = number % 4
    strings = (
        "[Strings]\r\n"
        f'Vendor = "Vendor {vendor:04X} Neutral"\r\n'
        "Desc = \"Neutral description\"\r\n"
        "[Strings.0409]\r\n"
        f'Vendor = "Vendor {vendor:04X} Inc."\r\n'
        f'Desc = "Vendor {vendor:04X} ""Model {number}"" device"\r\n'
        f"DevPart = DEV_{rng.randrange(0x10000):04X}\r\n"
    )
    lines = ["; made-up driver package", ""]
    if number % 3 == 0:
        lines.append(strings)
    lines += [
        "[Version]",
        'Signature = "$Windows NT$"' if number % 2 else "Signature=$CHICAGO$",
        "Class = System",
        "Provider = %Vendor%",
        f"DriverVer = {month:02d}{'/' if number % 2 else '-'}{day:02d}/{year},{version}",
        "",
        "[Manufacturer]",
    ]
    sections = {
        0: ["Models"],
        1: ["Models.NTx86.5.1", "Models.NTx86.6.0"],
        2: ["Models.NTx86", "Models.NTamd64"],
        3: ["Models", "Models.NTx86.6.0", "Models.NTamd64.6.0"],
    }[shape]
    decorations = [name.split(".", 1)[1] for name in sections if "." in name]
    lines.append("%Vendor% = Models" + "".join(", " + d for d in decorations) + ("," if number % 7 == 0 else ""))
    for i, section in enumerate(sections):
        lines += ["", f"[{section}]"]
        if shape == 1 and i == 1 and number % 2:
            continue  # an empty Vista section: the package is for XP alone
        for j, device in enumerate(ids):
            if j % 11 == 5:
                device = device.lower()
            if j % 13 == 7:
                lines.append(f"%Desc% = Install, , {device}")
            elif j % 17 == 3:
                lines += [f"%Desc% = Install, {device}, \\", f"    {device.split('&SUBSYS_')[0]}"]
            else:
                lines.append(f"%Desc% = Install, {device}")
        if number % 5 == 1:
            lines += [f"%Desc% = Install, PCI\\VEN_{vendor:04X}&%DevPart%", f"%Desc% = Install, PCI\\VEN_{vendor:04X}&CC_0300",
                      f"%Desc% = Install, USB\\VID_{vendor:04X}&PID_0001"]
    lines += ["", "[Install.NT]", "CopyFiles = Driver.Copy"]
    if number % 6 == 2:  # the install section's own, newer version
        head, last = version.rsplit(".", 1)
        lines.append(f"DriverVer = {month:02d}/{day:02d}/{year},{head}.{int(last) + 1}")
    lines += ["", "[Driver.Copy]", f"device{number}.sys", ""]
    if number % 3 != 0:
        lines.append(strings)
    return "\r\n".join(lines) + "\r\n"


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit("usage: make-driver-packages.py DIR [COUNT]")
    folder, count = sys.argv[1], int(sys.argv[2]) if len(sys.argv) == 3 else 1000
    rng = random.Random(36)
    vendors = [0x1000 + 0x37 * v for v in range(40)]
    devices_of = {vendor: device_ids(random.Random(vendor), vendor, 400) for vendor in vendors}
    for number in range(count):
        vendor = vendors[number % len(vendors)]
        ids = rng.sample(devices_of[vendor], rng.randrange(5, 120))
        package = os.path.join(folder, f"vendor{number % len(vendors):02d}", f"product{number:04d}")
        os.makedirs(package, exist_ok=True)
        text = inf_text(rng, number, vendor, ids)
        data = b"\xff\xfe" + text.encode("utf-16-le") if number % 5 == 4 else text.encode("cp1252")
        with open(os.path.join(package, f"device{number}.inf"), "wb") as inf:
            inf.write(data)
        for name, size in ((f"device{number}.sys", 24576), (f"device{number}.cat", 8192)):
            with open(os.path.join(package, name), "wb") as filler:
                filler.write(bytes(rng.randrange(256) for _ in range(64)) * (size // 64))
    print(f"wrote {count} packages under {folder}")


if __name__ == "__main__":
    main()
