#!/usr/bin/env python3
"""Fails when a source file includes a header of a layer above its own, or when a library's
link list names a library of a layer above it.

The layers, lowest first, and what each may use besides itself:
  foundation < controllers < devices < specimen < commands < platform < ui < app
  sim (the controller simulator) stands beside the devices: it uses controllers and foundation.
Folders outside the layers (tests, tools, bench, fuzz) may use every layer.

Usage: check_layers.py SOURCE_DIR
"""
import pathlib
import re
import sys

ORDER = ["foundation", "controllers", "devices", "specimen", "commands", "platform", "ui", "app"]
ALLOWED = {layer: set(ORDER[: i + 1]) for i, layer in enumerate(ORDER)}
ALLOWED["sim"] = {"sim", "controllers", "foundation"}

LIBRARY_LAYER = {
    "qv_foundation": "foundation",
    "qv_controllers": "controllers",
    "qv_devices": "devices",
    "qv_specimen": "specimen",
    "qv_sim": "sim",
    "qv_commands": "commands",
    "qv_platform": "platform",
    "qv_ui": "ui",
    "qv_system": "app",
}

INCLUDE = re.compile(r'^[ \t]*#[ \t]*include[ \t]*"([A-Za-z0-9_]+)/', re.MULTILINE)
LINK = re.compile(r"target_link_libraries\(\s*(\S+)([^)]*)\)", re.DOTALL)


def include_faults(root):
    faults = []
    for layer, allowed in ALLOWED.items():
        for path in sorted((root / layer).rglob("*")):
            if path.suffix not in (".h", ".cpp", ".in"):
                continue
            text = path.read_text(encoding="utf-8", errors="replace")
            for match in INCLUDE.finditer(text):
                used = match.group(1)
                if used in ALLOWED and used not in allowed:
                    line = text.count("\n", 0, match.start()) + 1
                    faults.append(f"{path.relative_to(root)}:{line}: {layer} includes {used}/")
    return faults


def link_faults(root):
    faults = []
    for layer, allowed in ALLOWED.items():
        cmake = root / layer / "CMakeLists.txt"
        if not cmake.exists():
            continue
        for match in LINK.finditer(cmake.read_text(encoding="utf-8")):
            target, names = match.group(1), match.group(2).split()
            if LIBRARY_LAYER.get(target) != layer:
                continue  # an executable beside the library sits on top of it
            for name in names:
                used = LIBRARY_LAYER.get(name)
                if used is not None and used not in allowed:
                    faults.append(f"{cmake.relative_to(root)}: {target} links {name} ({used})")
    return faults


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    root = pathlib.Path(sys.argv[1])
    if not (root / "foundation").is_dir():
        print(f"{root} is not the source folder", file=sys.stderr)
        return 2
    faults = include_faults(root) + link_faults(root)
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} upward dependencies; the layers are {' < '.join(ORDER)}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
