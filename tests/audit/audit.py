#!/usr/bin/env python3
"""Audits a built Orvane.exe without running it.

    audit.py <Orvane.exe> <i686|x86_64> <version>

Checks that the program loads on Windows XP SP3 (x86) and XP x64 / Server
2003 SP2 (x64): every function it imports and every function it names for a
run-time look-up is in windows-functions.txt, its subsystem and OS versions
are at most 5.01 / 5.02, and its manifest is one XP accepts. Then checks its
resources against resources.rc (dialogs and string, as windres decompiles
them), the icon's images and the illustration's format. Prints a line per
check and "N passed, N failed"; exits non-zero when any check fails.
"""

import pathlib
import re
import struct
import subprocess
import sys
import xml.dom.minidom

HERE = pathlib.Path(__file__).resolve().parent
WINE_DLLS = pathlib.Path("/usr/lib/x86_64-linux-gnu/wine/x86_64-windows")
# Subsystem version, at most: Windows XP (x86), XP x64 and Server 2003 (x64).
NEWEST_SUBSYSTEM = {"i686": (5, 1), "x86_64": (5, 2)}
# Modules every process has, whose functions a program can always look up.
ALWAYS_LOADED = {"kernel32.dll", "kernelbase.dll", "ntdll.dll"}

results = []


def check(what, ok, detail=""):
    results.append(ok)
    print(("ok   " if ok else "FAIL ") + what)
    if not ok and detail:
        print("     " + detail.replace("\n", "\n     "))


def run(*command):
    return subprocess.run(command, check=True, capture_output=True).stdout


def read_allowed(arch):
    """(imports, lookups, named DLLs) allowed for arch, as lower-cased DLL names."""
    imports, lookups, dlls = set(), set(), set()
    for line in (HERE / "windows-functions.txt").read_text().splitlines():
        words = line.split("#", 1)[0].split()
        if not words:
            continue
        if words[0] == "load":
            dlls.add(words[1].lower())
            continue
        kind, dll, function, *only = words
        if only and only[0] != arch:
            continue
        dll = dll.lower()
        dlls.add(dll)
        (imports if kind == "import" else lookups).add((dll, function))
    return imports, lookups, dlls


def read_imports(objdump_text):
    imports, dll = set(), None
    for line in objdump_text.splitlines():
        named = re.match(r"\s*DLL Name: (\S+)", line)
        if named:
            dll = named.group(1).lower()
            continue
        entry = re.match(r"\s+[0-9a-f]+\s+(\d+)\s+(\S+)$", line)
        if dll and entry:
            imports.add((dll, entry.group(2)))
        elif dll and re.match(r"\s+[0-9a-f]+\s+<none>", line):
            imports.add((dll, "<by ordinal>"))
        elif not line.strip():
            dll = None
    return imports


def exports_of(dll):
    path = WINE_DLLS / dll
    if not path.exists():
        return set()
    text = run("x86_64-w64-mingw32-objdump", "-p", str(path)).decode(errors="replace")
    table = text.split("[Ordinal/Name Pointer] Table", 1)
    return set(re.findall(r"\[\s*\d+\] (\S+)", table[1])) if len(table) > 1 else set()


def strings_in(data):
    ascii_runs = re.findall(rb"[\x20-\x7e]{4,}", data)
    wide_runs = re.findall(rb"(?:[\x20-\x7e]\x00){4,}", data)
    return {s.decode() for s in ascii_runs} | {s.decode("utf-16-le") for s in wide_runs}


def audit_functions(exe, arch, header):
    allowed_imports, allowed_lookups, allowed_dlls = read_allowed(arch)
    imports = read_imports(header)
    extra = sorted(f"{d}!{f}" for d, f in imports - allowed_imports)
    check(f"all {len(imports)} imports are listed as present on Windows XP", not extra,
          "not listed: " + " ".join(extra))

    # A function looked up at run time is named by a string in the program,
    # in a DLL it imports or names.
    strings = strings_in(exe.read_bytes())
    named = {s.lower().rsplit("\\", 1)[-1] for s in strings if s.lower().endswith(".dll")}
    unlisted = sorted(named - allowed_dlls)
    check(f"every DLL the program names ({', '.join(sorted(named))}) is listed", not unlisted,
          "not listed: " + " ".join(unlisted))
    imported_names = {f for _, f in imports}
    looked_up = set()
    for dll in {d for d, _ in imports} | named | ALWAYS_LOADED:
        for function in (exports_of(dll) & strings) - imported_names:
            looked_up.add((dll, function))
    allowed_names = {f for _, f in allowed_lookups}
    extra = sorted(f"{d}!{f}" for d, f in looked_up if f not in allowed_names)
    names = ", ".join(sorted({f for _, f in looked_up}))
    check(f"the run-time look-ups ({names}) are listed with a fallback", not extra,
          "not listed: " + " ".join(extra))


def audit_versions(arch, header):
    def field(name):
        return int(re.search(rf"^{name}\s+(\d+)", header, re.M).group(1))

    newest = NEWEST_SUBSYSTEM[arch]
    for kind in ("Subsystem", "OSystem"):
        version = (field(f"Major{kind}Version"), field(f"Minor{kind}Version"))
        check(f"{kind} version {version[0]}.{version[1]:02} is at most "
              f"{newest[0]}.{newest[1]:02}", version <= newest)
    check("the GUI subsystem", re.search(r"^Subsystem\s+00000002", header, re.M) is not None)
    check("no time stamp in the header", "Time/Date\t\tThu Jan  1 00:00:00 1970" in header)


def read_res(path):
    """{(type, name): data} of a .res file; types and names are numbers here."""
    data, resources, at = path.read_bytes(), {}, 0

    def ident(offset):
        if data[offset:offset + 2] == b"\xff\xff":
            return struct.unpack_from("<H", data, offset + 2)[0], offset + 4
        end = data.index(b"\x00\x00", offset)
        end += (end - offset) % 2
        return data[offset:end].decode("utf-16-le"), end + 2

    while at + 8 <= len(data):
        size, header_size = struct.unpack_from("<II", data, at)
        kind, offset = ident(at + 8)
        name, _ = ident(offset)
        start = at + header_size
        if size:
            resources[(kind, name)] = data[start:start + size]
        at = (start + size + 3) & ~3
    return resources


def audit_manifest(manifest):
    try:
        document = xml.dom.minidom.parseString(manifest)
    except Exception as error:  # noqa: BLE001 - any parse failure fails the check
        check("the manifest is well-formed XML", False, str(error))
        return
    crowded = [e.tagName for e in document.getElementsByTagName("*")
               if sum(1 for a in e.attributes.keys() if a.split(":")[0] == "xmlns") > 1]
    check("no manifest element declares more than one namespace (XP SP2 restarts on it)",
          not crowded, "elements: " + " ".join(crowded))
    levels = [e.getAttribute("level")
              for e in document.getElementsByTagName("requestedExecutionLevel")]
    check("the manifest asks for administrator rights", levels == ["requireAdministrator"])


def audit_resources(exe, arch, version):
    windres = f"{arch}-w64-mingw32-windres"
    rc = run(windres, "-i", str(exe), "-O", "rc").decode("latin-1")
    expected = (HERE / "resources.rc").read_text().replace("@VERSION@", version)
    expected = "\n".join(l for l in expected.splitlines() if not l.startswith("//"))
    for block in expected.strip().split("\n\n"):
        title = block.strip().splitlines()[0]
        check(f"resource as tabled: {title}", block in rc,
              "decompiled:\n" + "\n".join(l for l in rc.splitlines() if l.strip())[:3000])
    res_file = exe.with_suffix(".audit.res")
    run(windres, "-i", str(exe), "-O", "res", "-o", str(res_file))
    resources = read_res(res_file)
    res_file.unlink()

    group = resources.get((14, 128), b"\0" * 6)
    count = struct.unpack_from("<H", group, 4)[0]
    images = []
    for i in range(count):
        width, height, colours, _, planes, bits, _, image_id = struct.unpack_from(
            "<BBBBHHIH", group, 6 + 14 * i)
        header = resources.get((3, image_id), b"\0" * 40)
        _, w, h, _, bpp = struct.unpack_from("<IiiHH", header, 0)
        images.append((width, height, colours, w, h // 2, bpp))
    check("icon 128: one 32 x 32 and one 16 x 16 image, both in 16 colours",
          sorted(images) == [(16, 16, 16, 16, 16, 4), (32, 32, 16, 32, 32, 4)], str(images))

    bitmap = resources.get((2, 130), b"\0" * 40)
    size, w, h, planes, bpp, compression = struct.unpack_from("<IiiHHI", bitmap, 0)
    check("bitmap 130: 470 x 328, 24 bits, uncompressed",
          (size, w, abs(h), planes, bpp, compression) == (40, 470, 328, 1, 24, 0),
          f"{w} x {h}, {bpp} bits, compression {compression}")
    audit_manifest(resources.get((24, 1), b""))


def main():
    exe, arch, version = pathlib.Path(sys.argv[1]), sys.argv[2], sys.argv[3]
    header = run("x86_64-w64-mingw32-objdump", "-p", str(exe)).decode(errors="replace")
    audit_functions(exe, arch, header)
    audit_versions(arch, header)
    audit_resources(exe, arch, version)
    failed = results.count(False)
    print(f"{len(results) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
