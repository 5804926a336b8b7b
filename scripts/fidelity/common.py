"""Shared pieces of the fidelity check: running the compilers, the error that
stops a check, the compared items and the result, and the list of headers
with the prologue every generated source starts with.
"""

import glob
import os
import re
import shutil
import subprocess

# Defines that select the DirectX 7 declarations in the mingw headers (their
# defaults are later versions whose records differ). INITGUID makes each
# DEFINE_GUID a definition, so the GUID values reach the assembly.
MINGW_DEFINES = [
    ("INITGUID", None),
    ("DIRECTDRAW_VERSION", "0x0700"),
    ("DIRECT3D_VERSION", "0x0700"),
    ("DIRECTINPUT_VERSION", "0x0700"),
    ("DIRECTSOUND_VERSION", "0x0700"),
]


class CheckError(Exception):
    """The check could not run (a tool is missing or a header does not compile)."""

    def __init__(self, message, missing_tool=False):
        super().__init__(message)
        self.missing_tool = missing_tool


class Item:
    """One thing to compare: a constant, a GUID, a record's size or a field."""

    def __init__(self, kind, name, header, **extra):
        self.kind = kind        # 'const', 'guid', 'record', 'field'
        self.name = name        # constant / GUID / record name, or 'T.path'
        self.header = header    # basename of the platform header declaring it
        self.__dict__.update(extra)

    @property
    def label(self):
        return "fidelity_%d" % self.index


class Result:
    def __init__(self):
        self.failures = []
        self.counts = {}
        self.items = []
        self.passed = set()      # names of items that matched
        self.notes = []
        self.headers = []
        self.skipped_headers = []
        self.fields = {}         # 'T.path' -> field node (for the self-test)


# --------------------------------------------------------------------------
# Running tools


def run(cmd, timeout=120):
    # The C locale keeps compiler messages in plain ASCII quotes.
    env = dict(os.environ, LC_ALL="C", LANG="C")
    try:
        return subprocess.run(cmd, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=timeout, universal_newlines=True, errors="replace")
    except FileNotFoundError:
        raise CheckError("cannot run %s: not found" % cmd[0], missing_tool=True)
    except subprocess.TimeoutExpired:
        raise CheckError("%s took longer than %d s" % (cmd[0], timeout))


def find_tool(explicit, candidates, what):
    for name in ([explicit] if explicit else candidates):
        path = shutil.which(name)
        if path:
            return path
    raise CheckError("no %s found (tried %s)" % (what, ", ".join([explicit] if explicit else candidates)),
                     missing_tool=True)


def first_lines(text, count=40):
    lines = text.strip().splitlines()
    tail = "\n  ... (%d more lines)" % (len(lines) - count) if len(lines) > count else ""
    return "  " + "\n  ".join(lines[:count]) + tail


# --------------------------------------------------------------------------
# Which headers are checked


def list_headers(include_dir):
    return sorted(os.path.basename(p) for p in glob.glob(os.path.join(include_dir, "*.h")))


def mingw_header_names(mingw_cxx, names, work):
    """The subset of header names that the mingw toolchain also provides."""
    src = os.path.join(work, "fidelity_has_header.cpp")
    with open(src, "w") as f:
        for i, name in enumerate(names):
            f.write("#if __has_include(<%s>)\nfidelity_has_header %d\n#endif\n" % (name, i))
    res = run([mingw_cxx, "-E", "-P", "-x", "c++", src])
    if res.returncode != 0:
        raise CheckError("%s cannot preprocess:\n%s" % (mingw_cxx, first_lines(res.stderr)))
    found = set(int(m) for m in re.findall(r"fidelity_has_header (\d+)", res.stdout))
    return [n for i, n in enumerate(names) if i in found]


def include_lines(headers):
    # <windows.h> comes first, as a Windows program includes it.
    ordered = (["windows.h"] if "windows.h" in headers else []) + [h for h in headers if h != "windows.h"]
    return "".join("#include <%s>\n" % h for h in ordered)


def prologue(headers):
    lines = []
    for name, value in MINGW_DEFINES:
        lines.append("#define %s%s" % (name, "" if value is None else " " + value))
    return "\n".join(lines) + "\n" + include_lines(headers)
