#!/usr/bin/env python3
"""Checks the shape of the source tree against the layering rules of
docs/architecture.md: every #include between folders points down, as the
table below allows, and no two modules (a header with its source file)
include one another, directly or around a circle.

Usage: check_structure.py [--figures] [root]
       check_structure.py --self-test
Exits 1, naming each offending include, when a rule is broken. With
--figures it also prints the include graph's figures (folders, arrows,
circles, files over 500 lines, folders at the root). --self-test builds
small trees that break each rule and checks that each is caught.
"""
import os
import re
import subprocess
import sys
import tempfile

# Each folder and the folders its files may include, bottom up. A folder may
# always include itself, the public Win32/DirectX headers
# (platform/include) and, for the library, its public header (include/).
LIBRARY = {
    "core": [],
    "math3d": ["core"],
    "display": ["core"],
    "input": ["core"],
    "sound": ["core"],
    "bitmap": ["core", "display"],
    "d3d": ["core", "display", "bitmap"],
    "music": ["core", "sound"],
    "media": ["core", "display", "sound"],
}
PLATFORM = {
    "base": [],
    "kernel": ["base"],
    "com": ["base"],
    "pixels": ["base"],
    "user": ["base"],
    "gdi": ["base", "kernel", "pixels"],
    "audio": ["base"],
    "present": ["base", "pixels"],
    "ddraw": ["base", "kernel", "com", "pixels", "gdi", "present"],
    "dsound": ["base", "audio"],
    "dinput": ["base"],
    "winmm": ["base"],
    "mci": ["base", "audio"],
    "d3d": ["base", "com", "pixels", "ddraw"],
    "mciwnd": ["base", "user", "audio", "ddraw"],
    "drivers": ["base", "user", "audio", "present", "dinput"],
    # The facades of the machine interface sit on top: they may include any
    # module, and nothing includes them.
    "machine": None,
}
# Files outside the product (tests, benchmarks, fuzzers, examples) may
# include what they test; they are not checked.
PRODUCT = ("include/", "library/", "platform/src/", "platform/machine/", "platform/include/")

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)
SOURCE = re.compile(r"\.(c|cc|cpp|h|hpp|inc)$")


def tracked_files(root):
    listed = subprocess.run(["git", "ls-files", "--cached", "--others", "--exclude-standard"], cwd=root,
                            capture_output=True, text=True, check=True).stdout.split()
    return [f for f in listed if SOURCE.search(f) and os.path.exists(os.path.join(root, f))]


def search_path(path):
    """The include folders a product file is compiled with, in order."""
    if path.startswith("library/") or path.startswith("include/"):
        return ["library", "include", "platform/include"]
    if path.startswith("platform/src/"):
        return ["platform/src", "platform/include", "platform/machine"]
    return ["platform/include", "platform/machine"]


def area(path):
    """(part, folder) of a product file: ("library", "sound"), ("platform", "d3d"), ..."""
    parts = path.split("/")
    if parts[0] == "library":
        return ("library", parts[1])
    if parts[:2] == ["platform", "src"]:
        return ("platform", parts[2] if len(parts) > 3 else "")
    if parts[:2] == ["platform", "machine"]:
        return ("machine-interface", "")
    if parts[:2] == ["platform", "include"]:
        return ("win32", "")
    return ("host-header", "")


def module(path):
    return os.path.splitext(path)[0]


def graph(root, files):
    known = set(files)
    edges = []
    for path in files:
        if not path.startswith(PRODUCT):
            continue
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
            text = source.read()
        for name in INCLUDE.findall(text):
            candidates = [os.path.normpath(os.path.join(os.path.dirname(path), name))]
            candidates += [os.path.normpath(os.path.join(base, name)) for base in search_path(path)]
            target = next((c for c in candidates if c in known), None)
            if target is not None and target != path:
                edges.append((path, target))
    return edges


def broken_rule(source, target):
    """Why the include of `target` from `source` breaks a rule, or None."""
    (part, folder), (to_part, to_folder) = area(source), area(target)
    if to_part == "win32":
        return None
    if part == "host-header":
        return None if to_part == "host-header" else "the host header includes only itself"
    if part in ("win32", "machine-interface"):
        return None if to_part == part else "a public platform header reaches into the platform's sources"
    if part == "library":
        if to_part == "host-header":
            return None
        if to_part != "library":
            return "the library reaches the platform other than through the Win32/DirectX headers"
        if to_folder == folder or to_folder in LIBRARY.get(folder, []):
            return None
        return "library/%s may not include library/%s" % (folder, to_folder)
    # The platform's sources.
    if to_part in ("library", "host-header"):
        return "the platform knows nothing of the library"
    if to_part == "machine-interface":
        return None if folder == "machine" else "only the facades in platform/src/machine include the machine interface"
    allowed = PLATFORM.get(folder, [])
    if to_folder == folder or allowed is None or to_folder in allowed:
        return None
    if to_folder == "machine":
        return "nothing includes the facades of the machine interface"
    return "platform/src/%s may not include platform/src/%s" % (folder, to_folder)


def circles(edges):
    """The sets of modules that include one another around a circle."""
    following = {}
    for source, target in edges:
        a, b = module(source), module(target)
        if a != b:
            following.setdefault(a, set()).add(b)
            following.setdefault(b, set())
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    counter = [0]

    def visit(node):  # Tarjan's strongly connected components, iteratively
        work = [(node, iter(sorted(following[node])))]
        index[node] = low[node] = counter[0]
        counter[0] += 1
        stack.append(node)
        on_stack.add(node)
        while work:
            current, children = work[-1]
            advanced = False
            for child in children:
                if child not in index:
                    index[child] = low[child] = counter[0]
                    counter[0] += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(following[child]))))
                    advanced = True
                    break
                if child in on_stack:
                    low[current] = min(low[current], index[child])
            if advanced:
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[current])
            if low[current] == index[current]:
                component = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    component.append(member)
                    if member == current:
                        break
                if len(component) > 1:
                    found.append(sorted(component))

    for node in sorted(following):
        if node not in index:
            visit(node)
    return found


def figures(root, files, edges, broken, found):
    folders = {(area(s), area(t)) for s, t in edges if area(s) != area(t)}
    long_files = []
    for path in files:
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
            lines = sum(1 for _ in source)
        if lines > 500:
            long_files.append((lines, path))
    top = sorted(d for d in os.listdir(root) if os.path.isdir(os.path.join(root, d)) and not d.startswith(".")
                 and d != "build")
    print("folder arrows: %d, against the rules: %d" % (len(folders), len({(area(s), area(t)) for s, t, _ in broken})))
    print("includes against the rules: %d" % len(broken))
    print("module circles: %d" % len(found))
    print("source files over 500 lines: %d%s" % (len(long_files), "".join(
        "\n  %d %s" % entry for entry in sorted(long_files, reverse=True))))
    print("folders at the root: %d (%s)" % (len(top), " ".join(top)))


def problems(root):
    """The includes against the rules and the circles of the tree at `root`."""
    files = tracked_files(root)
    edges = graph(root, files)
    broken = [(s, t, why) for s, t in edges for why in [broken_rule(s, t)] if why]
    return files, edges, broken, circles(edges)


def self_test():
    """Builds trees that break one rule each; every one must be caught, and
    the same tree without the fault must pass."""
    cases = {
        "clean": ({}, 0, 0),
        "library reaches up": ({"library/core/report.cpp": '#include "sound/sound_device.h"\n'}, 1, 0),
        "platform reaches up": ({"platform/src/kernel/files.cpp": '#include "ddraw/surface.h"\n'}, 1, 0),
        "module includes the machine interface": (
            {"platform/src/dinput/input_device.cpp": '#include "machine_input.h"\n'}, 1, 0),
        "platform knows the library": ({"platform/src/user/windows.cpp": '#include "../../../library/core/report.h"\n'}, 1, 0),
        "circle in one folder": ({"platform/src/ddraw/palette.cpp": '#include "ddraw/surface.h"\n',
                                  "platform/src/ddraw/surface.cpp": '#include "ddraw/palette.h"\n'}, 0, 1),
    }
    base = {
        "library/core/report.h": "", "library/core/report.cpp": '#include "core/report.h"\n',
        "library/sound/sound_device.h": "",
        "platform/src/kernel/files.cpp": "", "platform/src/ddraw/surface.h": "",
        "platform/src/ddraw/surface.cpp": "", "platform/src/ddraw/palette.h": "",
        "platform/src/ddraw/palette.cpp": "", "platform/src/dinput/input_device.cpp": "",
        "platform/src/user/windows.cpp": "", "platform/machine/machine_input.h": "",
    }
    failures = 0
    for name, (changes, want_broken, want_circles) in cases.items():
        with tempfile.TemporaryDirectory() as root:
            for path, text in dict(base, **changes).items():
                os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
                with open(os.path.join(root, path), "w", encoding="utf-8") as out:
                    out.write(text)
            subprocess.run(["git", "init", "-q", root], check=True)
            _, _, broken, found = problems(root)
            if len(broken) != want_broken or len(found) != want_circles:
                print("self-test %s: %d includes against the rules and %d circles, expected %d and %d" %
                      (name, len(broken), len(found), want_broken, want_circles))
                failures += 1
    print("self-test: %d of %d cases caught as expected" % (len(cases) - failures, len(cases)))
    return 1 if failures else 0


def main(argv):
    if "--self-test" in argv:
        return self_test()
    show_figures = "--figures" in argv
    rest = [a for a in argv if a != "--figures"]
    root = rest[0] if rest else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    files, edges, broken, found = problems(root)
    for source, target, why in broken:
        print("%s includes %s: %s" % (source, target, why))
    for component in found:
        print("modules include one another around a circle: %s" % " -> ".join(component))
    if show_figures:
        figures(root, files, edges, broken, found)
    if broken or found:
        return 1
    print("structure: %d includes between product files, every one pointing down, no circle" % len(edges))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
