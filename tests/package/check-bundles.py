#!/usr/bin/python3
"""Checks the release bundles written by scripts/package.

Usage: check-bundles.py DIST_DIR
Each of korvane-<version>-win32.zip and -win64.zip must hold exactly the
install note and the three files, of the zip's machine type, importing only
system libraries, with velkor.scr loading brenmoth.dll only at run time and
carrying the zip's version and the program's name in its resources, and
every string of saver/resource.h in each language of its string table.

Usage: check-bundles.py --strings FILE...  checks only the string tables of
the given programs (the i686 build's file checks use this).
"""
import glob
import io
import os
import re
import sys
import zipfile

import pefile

EXPECTED = {"INSTALL.txt", "velkor.scr", "brenmoth.dll", "velkor.exe"}
MACHINES = {"win32": (pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"], 0x10B),
            "win64": (pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"], 0x20B)}
# Libraries every Windows has; a compiler runtime DLL is not among them.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "version.dll",
               "comctl32.dll", "msvcrt.dll", "ntdll.dll"}
NOTE_MUST_SAY = ["System32", "SysWOW64", "Korvane", "Uninstall",
                 "HKEY_CURRENT_USER\\Software\\VelkorScreenSaver", "32-bit hook library",
                 "together in one folder", "its own folder"]

failures = []


def check(ok, what):
    print(("ok: " if ok else "FAIL: ") + what)
    if not ok:
        failures.append(what)


def string_tables(pe):
    """{language id: {string id: text}} of the non-empty RT_STRING entries."""
    tables = {}
    rt_string = pefile.RESOURCE_TYPE["RT_STRING"]
    resources = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for rtype in resources.entries if resources else []:
        if rtype.id != rt_string:
            continue
        for block in rtype.directory.entries:
            for lang in block.directory.entries:
                data = pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
                pos = 0
                for index in range(16):
                    length = int.from_bytes(data[pos:pos + 2], "little")
                    text = data[pos + 2:pos + 2 + 2 * length].decode("utf-16-le")
                    pos += 2 + 2 * length
                    if text:
                        tables.setdefault(lang.id, {})[(block.id - 1) * 16 + index] = text
    return tables


def resource_string_ids():
    """The ids of the IDS_ names in saver/resource.h."""
    header = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "saver", "resource.h")
    with open(header) as f:
        return {int(m.group(1)) for m in re.finditer(r"^#define IDS_\w+\s+(\d+)", f.read(), re.M)}


def check_strings(pe, name):
    """Windows takes a string from the block of 16 in the user's language
    whenever that block exists, so each language must hold every string."""
    tables = string_tables(pe)
    ids = resource_string_ids()
    languages = {0x000: "neutral", 0x407: "German"}
    check(set(tables) == set(languages), f"{name}: string tables in {sorted(languages.values())} ({sorted(tables)})")
    for lang, language in languages.items():
        got = set(tables.get(lang, {}))
        check(got == ids, f"{name}: the {language} string table holds every string "
              f"(missing {sorted(ids - got)}, unknown {sorted(got - ids)})")
    app = [table.get(1) for table in tables.values()]
    check(app and all(text == "Korvane" for text in app), f"{name}: string 1 is Korvane in every language ({app})")


def check_bundle(path, flavour, version):
    name = os.path.basename(path)
    with zipfile.ZipFile(path) as z:
        names = set(z.namelist())
        check(names == EXPECTED, f"{name} holds exactly {sorted(EXPECTED)} (has {sorted(names)})")
        files = {n: z.read(n) for n in names}
    machine, magic = MACHINES[flavour]
    for exe in ("velkor.scr", "brenmoth.dll", "velkor.exe"):
        if exe not in files:
            continue
        pe = pefile.PE(data=files[exe])
        check(pe.FILE_HEADER.Machine == machine and pe.OPTIONAL_HEADER.Magic == magic,
              f"{name}: {exe} is {'PE32+ x86-64' if flavour == 'win64' else 'PE32 i386'}")
        dlls = sorted(e.dll.decode().lower() for e in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []))
        check(set(dlls) <= SYSTEM_DLLS, f"{name}: {exe} imports only system libraries ({', '.join(dlls)})")
        if exe == "velkor.scr":
            check("brenmoth.dll" not in dlls, f"{name}: velkor.scr binds nothing from brenmoth.dll at load time")
            strings = b"".join(files[exe].split(b"\0"))
            check(b"brenmoth.dll" in strings, f"{name}: velkor.scr names brenmoth.dll to load it at run time")
            info = {}
            for fileinfo in getattr(pe, "FileInfo", []):
                for entry in fileinfo:
                    for table in getattr(entry, "StringTable", []):
                        info.update({k.decode(): v.decode() for k, v in table.entries.items()})
            check(info.get("ProductName") == "Korvane", f"{name}: product name is Korvane ({info.get('ProductName')})")
            fixed = pe.VS_FIXEDFILEINFO[0] if hasattr(pe, "VS_FIXEDFILEINFO") else None
            got = (f"{fixed.ProductVersionMS >> 16}.{fixed.ProductVersionMS & 0xFFFF}."
                   f"{fixed.ProductVersionLS >> 16}") if fixed else "none"
            check(got == version, f"{name}: product version {got} is the zip's {version}")
            check(info.get("ProductVersion", "").startswith(version),
                  f"{name}: product version text {info.get('ProductVersion')} is the zip's {version}")
            check_strings(pe, name)
    note = files.get("INSTALL.txt", b"").decode("ascii", "replace")
    for phrase in NOTE_MUST_SAY:
        check(phrase in note, f"{name}: install note mentions {phrase}")
    check("\r\n" in note and "\n" not in note.replace("\r\n", ""), f"{name}: install note has CRLF line ends")


def main():
    if sys.argv[1] == "--strings":
        for path in sys.argv[2:]:
            check_strings(pefile.PE(path), os.path.basename(path))
        print(f"{len(failures)} failure(s)")
        return 1 if failures else 0
    dist = sys.argv[1]
    bundles = sorted(glob.glob(os.path.join(dist, "korvane-*-win*.zip")))
    versions = set()
    for flavour in ("win32", "win64"):
        matches = [b for b in bundles if b.endswith(f"-{flavour}.zip")]
        check(len(matches) == 1, f"exactly one {flavour} bundle in {dist}")
        for path in matches:
            m = re.match(r"korvane-(\d+\.\d+\.\d+)-win(32|64)\.zip$", os.path.basename(path))
            check(m is not None, f"{os.path.basename(path)} carries a version")
            if m:
                versions.add(m.group(1))
                check_bundle(path, flavour, m.group(1))
    check(len(versions) == 1, f"both bundles carry the same version ({sorted(versions)})")
    print(f"{len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
