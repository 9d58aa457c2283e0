#!/usr/bin/env python3
"""Checks the #include lines of src/ against the uses each folder's README
allows, in its ```folder-order block:

    core: platform settings shell/memory_image.h
    adapters: platform/adapters OpenAL
    qt: platform/qt settings/qt Qt QtDBus

A part (the folder's core files, its adapters/, its qt/) may always use its
own folder's core and its own files; adapters/ and qt/ may also use what the
core may. A word names another folder's core ("platform"), one of its parts
("platform/qt"), one header ("shell/memory_image.h"), Qt's headers ("Qt"),
a system library by its word in LIBRARIES ("OpenAL" for <AL/...>), or every
folder of the shell and Qt ("*"). A library's headers are allowed only where
a block names the library, "*" or not.

Run with the src/ folder; exits 1 naming each file and include that breaks
the rules. Then it plants forbidden includes (a folder above, Qt in the
core, a library outside its adapters) in a copy of the tree and checks that
each is found, so that a checker that finds nothing fails too.
"""

import pathlib
import re
import shutil
import sys
import tempfile

PARTS = ("adapters", "qt")
# The system libraries' words and the headers that are theirs. Qt's D-Bus
# module is a library of its own: the word "Qt" covers the rest of Qt.
LIBRARIES = {
    "OpenAL": re.compile(r"AL/"),
    "BrlAPI": re.compile(r"brlapi"),
    "espeak-ng": re.compile(r"espeak(-ng)?/"),
    "speechd": re.compile(r"libspeechd|speech-dispatcher/"),
    "SimpleIni": re.compile(r"SimpleIni\.h$"),
    "QtDBus": re.compile(r"QtDBus/|QDBus"),
    "xcb": re.compile(r"xcb/|X11/"),
    "GIO": re.compile(r"gio/|glib"),
}
BLOCK = re.compile(r"^```folder-order\n(.*?)^```", re.M | re.S)
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def read_rules(src):
    """Folder -> part -> set of allowed words; errors for folders without rules."""
    rules, errors = {}, []
    for folder in sorted(p for p in src.iterdir() if p.is_dir()):
        readme = folder / "README.md"
        block = BLOCK.search(readme.read_text(encoding="utf-8")) if readme.exists() else None
        if block is None:
            errors.append(f"{folder.name}/: no folder-order block in {folder.name}/README.md")
            continue
        parts = {"core": set(), "adapters": set(), "qt": set()}
        for line in block.group(1).splitlines():
            if not line.strip():
                continue
            part, _, words = line.partition(":")
            if part.strip() not in parts:
                errors.append(f"{folder.name}/README.md: unknown part '{part.strip()}'")
                continue
            parts[part.strip()].update(words.split())
        for part in PARTS:
            parts[part] |= parts["core"]
        rules[folder.name] = parts
    return rules, errors


def place_of(relative):
    """(folder, part) of a path inside src/: part is core, adapters or qt."""
    pieces = relative.split("/")
    if len(pieces) == 2:
        return pieces[0], "core"
    if len(pieces) == 3 and pieces[1] in PARTS:
        return pieces[0], pieces[1]
    return pieces[0], "/".join(pieces[1:-1])


def library_of(include):
    """The word of the system library whose header `include` is, or None."""
    return next((word for word, headers in LIBRARIES.items() if headers.match(include)), None)


def allowed(words, folder, part, include, qt_header, library):
    if library is not None:
        return library in words
    if "*" in words:
        return True
    if qt_header:
        return "Qt" in words
    target_folder, target_part = place_of(include)
    if target_folder == folder and target_part in ("core", part):
        return True
    return (include in words
            or (target_part == "core" and target_folder in words)
            or f"{target_folder}/{target_part}" in words)


def check(src):
    rules, errors = read_rules(src)
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        relative = path.relative_to(src).as_posix()
        folder, part = place_of(relative)
        if folder not in rules:
            continue
        words = rules[folder].get(part)
        if words is None:
            errors.append(f"{relative}: in a subfolder that has no rules ({part}/)")
            continue
        for bracket, include in INCLUDE.findall(path.read_text(encoding="utf-8")):
            ours = bracket == '"' and (src / include).exists()
            library = None if ours else library_of(include)
            qt_header = (library is None and bracket == "<"
                         and re.match(r"Q[A-Za-z]", include) is not None)
            if ((qt_header or ours or library is not None)
                    and not allowed(words, folder, part, include, qt_header, library)):
                errors.append(f"{relative}: #include {bracket}{include}"
                              f"{'>' if bracket == '<' else chr(34)} is not allowed "
                              f"by {folder}/README.md ({part})")
    return errors


def finds_planted_uses(src):
    """The checker must find a core folder using one above it, Qt in the core,
    and a library outside the parts that name it (OpenAL in the sound bank's
    core, whose mixer adapter may use it)."""
    with tempfile.TemporaryDirectory() as scratch:
        copy = pathlib.Path(scratch) / "src"
        shutil.copytree(src, copy)
        planted = {"sound/sound_bank.cpp": '#include "input/key_handling.h"',
                   "runtime/screen.cpp": "#include <QString>",
                   "sound/sound_bank_reader.cpp": "#include <AL/al.h>"}
        for file, line in planted.items():
            with open(copy / file, "a", encoding="utf-8") as out:
                out.write(f"\n{line}\n")
        found = check(copy)
        missed = [f"{file}: {line}" for file, line in planted.items()
                  if not any(e.startswith(f"{file}: {line}") for e in found)]
        return missed


def main():
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "src").resolve()
    errors = check(src)
    for error in errors:
        print(error)
    missed = finds_planted_uses(src)
    for use in missed:
        print(f"a planted forbidden include was not found: {use}")
    if errors or missed:
        return 1
    print(f"folder order kept in {src}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
