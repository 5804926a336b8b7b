#!/usr/bin/env python3
"""Checks that the portable Win32 / DirectX headers agree with mingw-w64's.

The headers in platform/include stand in for the toolchain's headers on
non-Windows builds, so every value the library can observe through them must
be the one it would see on Windows. This script compares them with the
x86_64-w64-mingw32 headers, which share the LLP64 data model of the native
64-bit build (32-bit DWORD and LONG, 64-bit pointers):

  - every object-like macro with a numeric value, every enumerator and every
    numeric constant variable: same value (and, for values outside 0..2^31-1,
    the same signedness and width, since that changes comparisons);
  - every macro whose value is a constant address (a pointer such as
    INVALID_HANDLE_VALUE, or a GUID reference made from a number such as
    DIPROP_RANGE): same kind and same address;
  - every structure or union declared (by typedef name, or by tag when it has
    no typedef): same size and alignment, and for every field, including the
    fields of anonymous members reachable as T.field, the same offset, size
    and kind of type;
  - every GUID declared with DEFINE_GUID: the same sixteen bytes.

A name our headers define that mingw does not know is a failure too.

How it works: the declarations are discovered from our headers (clang's JSON
AST for types, enumerators and GUIDs; the preprocessor's -dD output for
macros), and one C++ source is generated in which every check is a named
constant array (or, for a GUID, a pointer to it). That source is compiled to
assembly twice: natively against our headers and with the mingw compiler
against its own headers. The values are read back from the two assembly files
and compared. Nothing is executed, and a mismatch is reported with both sides'
values. Headers are found by listing the include directory, so a header added
later is checked without touching this script; a header whose name mingw does
not have (the platform's own machine interface) is left out.

Usage:
  fidelity_check.py --include <platform include dir> --work <scratch dir>
  fidelity_check.py --include <dir> --work <dir> --self-test

Exit status: 0 when everything matches (or, with --self-test, when every
injected fault was caught), 1 on mismatches, 2 when the check cannot run
(our headers or the generated source do not compile), 77 when a compiler it
needs is not installed.
"""

import argparse
import glob
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import time

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

# Type categories computed by fidelity_kind() in the generated source.
CAT_SIGNED, CAT_UNSIGNED, CAT_BOOL, CAT_FLOAT, CAT_POINTER, CAT_STRUCT, CAT_UNION, CAT_OTHER = range(1, 9)
CAT_NAMES = {
    CAT_SIGNED: "signed integer",
    CAT_UNSIGNED: "unsigned integer",
    CAT_BOOL: "bool",
    CAT_FLOAT: "floating",
    CAT_POINTER: "pointer",
    CAT_STRUCT: "struct",
    CAT_UNION: "union",
    CAT_OTHER: "other type",
}
NUMERIC_CATS = (CAT_SIGNED, CAT_UNSIGNED, CAT_BOOL, CAT_FLOAT)

HELPERS = r"""
#include <cstddef>
#include <type_traits>

// Category, array flag and element size of a type, packed in one integer so
// that both compilers' views of a type can be compared.
template <typename T> constexpr long long fidelity_kind() {
  using R = std::remove_cv_t<std::remove_reference_t<T>>;
  using E = std::remove_cv_t<std::remove_all_extents_t<R>>;
  long long category = 8;
  if constexpr (std::is_enum_v<E>) {
    category = std::is_signed_v<std::underlying_type_t<E>> ? 1 : 2;
  } else if constexpr (std::is_same_v<E, bool>) {
    category = 3;
  } else if constexpr (std::is_integral_v<E>) {
    category = std::is_signed_v<E> ? 1 : 2;
  } else if constexpr (std::is_floating_point_v<E>) {
    category = 4;
  } else if constexpr (std::is_pointer_v<E> || std::is_member_pointer_v<E> || std::is_null_pointer_v<E>) {
    category = 5;
  } else if constexpr (std::is_union_v<E>) {
    category = 7;
  } else if constexpr (std::is_class_v<E>) {
    category = 6;
  }
  long long size = 0;
  if constexpr (std::is_object_v<E>) size = (long long)sizeof(E);
  return category + (std::is_array_v<R> ? 16 : 0) + 32 * size;
}

// The value of a numeric constant as 64 bits (a floating value as the bits of
// its double); 0 for anything else, whose value is not compared. The lambda
// is only called for numbers, so a pointer-valued macro costs nothing.
template <typename F> constexpr long long fidelity_value(F get) {
  using T = std::remove_cv_t<std::remove_reference_t<decltype(get())>>;
  if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) {
    return (long long)get();
  } else if constexpr (std::is_floating_point_v<T>) {
    return __builtin_bit_cast(long long, (double)get());
  } else {
    return 0;
  }
}
"""

CONSTEXPR_ERROR = re.compile(
    r"constant expression|constexpr|non-constant|reinterpret_cast|is not usable in a constant", re.I)


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


# --------------------------------------------------------------------------
# Discovery: clang AST


class AstDiscovery:
    def __init__(self):
        self.records = []      # (typedef or tag name, record node, header)
        self.enumerators = []  # (name, header)
        self.const_vars = []   # (name, header)
        self.guid_vars = []    # (name, header)


def json_walk_with_files(root, on_top_decl):
    """Walks clang's JSON AST in document order and calls on_top_decl(node,
    file) for every declaration at global scope (including those inside
    extern "C" blocks). The dumper writes a location's file only when it
    differs from the previous location written, so the current file is
    tracked through every location in the order they appear."""
    state = {"file": None}

    def is_location(d):
        return "offset" in d or "spellingLoc" in d or "expansionLoc" in d

    def location(loc):
        # A macro location holds the spelling location, then the expansion
        # location; the expansion location says which header declared it.
        for part in ([loc.get("spellingLoc"), loc.get("expansionLoc")]
                     if "spellingLoc" in loc or "expansionLoc" in loc else [loc]):
            if isinstance(part, dict) and "file" in part:
                state["file"] = part["file"]

    def locations_in(value):
        pending = [value]
        while pending:
            v = pending.pop()
            if isinstance(v, dict):
                if is_location(v):
                    location(v)
                else:
                    pending.extend(reversed([c for c in v.values() if isinstance(c, (dict, list))]))
            elif isinstance(v, list):
                pending.extend(reversed(v))

    # Explicit stack (deep expression trees would exceed Python's recursion
    # limit); children are pushed in reverse to be visited in order.
    stack = [(root, "root")]
    while stack:
        node, scope = stack.pop()
        if not isinstance(node, dict):
            continue
        decl_file = None
        for key, value in node.items():
            if key == "inner":
                continue
            if key == "loc" and isinstance(value, dict):
                location(value)
                decl_file = state["file"]
            elif isinstance(value, (dict, list)):
                locations_in(value)
        if scope == "global":
            on_top_decl(node, decl_file)
        # The translation unit's children and those of an extern "C" block
        # at global scope are at global scope; nothing else is.
        kind = node.get("kind", "")
        child_scope = "global" if scope == "root" or (scope == "global" and kind.startswith("Linkage")) else "inner"
        inner = node.get("inner")
        if isinstance(inner, list):
            for child in reversed(inner):
                stack.append((child, child_scope))


def discover_ast(clang, include_dir, headers, work):
    src = os.path.join(work, "fidelity_discover.cpp")
    with open(src, "w") as f:
        f.write(prologue(headers))
    res = run([clang, "-std=c++17", "-x", "c++", "-fsyntax-only", "-Xclang", "-ast-dump=json",
               "-w", "-I", include_dir, src], timeout=180)
    if res.returncode != 0:
        raise CheckError("%s cannot parse our headers:\n%s" % (clang, first_lines(res.stderr)))
    ast = json.loads(res.stdout)

    include_real = os.path.realpath(include_dir)
    checked = set(headers)
    records_by_id = {}
    records_by_name = {}
    typedefs_by_id = {}

    def index(node):
        stack = [node]
        while stack:
            n = stack.pop()
            if isinstance(n, dict):
                kind = n.get("kind")
                if kind in ("CXXRecordDecl", "RecordDecl") and n.get("completeDefinition"):
                    records_by_id[n["id"]] = n
                    if n.get("name"):
                        records_by_name.setdefault(n["name"], n)
                elif kind in ("TypedefDecl", "TypeAliasDecl"):
                    typedefs_by_id[n["id"]] = n
                inner = n.get("inner")
                if isinstance(inner, list):
                    stack.extend(inner)

    index(ast)

    def header_of(path):
        if not path or path.startswith("<"):
            return None
        path = os.path.realpath(path)
        if os.path.dirname(path) == include_real and os.path.basename(path) in checked:
            return os.path.basename(path)
        return None

    def record_of_type(type_node, depth=0):
        node = type_node
        while isinstance(node, dict) and depth < 64:
            depth += 1
            kind = node.get("kind")
            if kind == "RecordType":
                decl = node.get("decl", {})
                rec = records_by_id.get(decl.get("id"))
                if rec is None and decl.get("name"):
                    rec = records_by_name.get(decl["name"])
                return rec
            if kind == "TypedefType":
                target = typedefs_by_id.get(node.get("decl", {}).get("id"))
                if target is None:
                    return None
                inner = target.get("inner") or []
                node = inner[0] if inner else None
                continue
            if kind in ("ElaboratedType", "ParenType", "QualType", "AttributedType", "MacroQualifiedType"):
                inner = node.get("inner") or []
                node = inner[0] if inner else None
                continue
            return None
        return None

    found = AstDiscovery()
    typedefed = set()
    tagged = []
    guid_type_names = {"GUID", "IID", "CLSID", "_GUID", "FMTID"}

    def on_decl(node, path):
        header = header_of(path)
        if header is None:
            return
        kind = node.get("kind")
        name = node.get("name")
        if kind in ("TypedefDecl", "TypeAliasDecl") and name:
            inner = node.get("inner") or []
            rec = record_of_type(inner[0]) if inner else None
            if rec is not None:
                typedefed.add(rec["id"])
                if not is_interface(rec):
                    found.records.append((name, rec, header))
        elif kind in ("CXXRecordDecl", "RecordDecl") and name and node.get("completeDefinition"):
            # Records written out by a macro (the struct behind each
            # DECLARE_HANDLE) are the macro's business, not declarations.
            if not node.get("isImplicit") and "spellingLoc" not in node.get("loc", {}):
                tagged.append((name, node, header))
        elif kind == "EnumDecl":
            for child in node.get("inner") or []:
                if child.get("kind") == "EnumConstantDecl" and child.get("name"):
                    found.enumerators.append((child["name"], header))
        elif kind == "VarDecl" and name and "init" in node:
            type_info = node.get("type", {})
            spelled = {re.sub(r"\b(const|volatile|struct)\b", "", type_info.get(k, "")).strip()
                       for k in ("qualType", "desugaredQualType")}
            if spelled & guid_type_names:
                found.guid_vars.append((name, header))
            elif type_info.get("qualType", "").startswith("const ") or node.get("constexpr"):
                found.const_vars.append((name, header))

    json_walk_with_files(ast, on_decl)

    # A record with no typedef name is checked by its tag (C++ code often
    # declares records that way). Interfaces are classes with virtual
    # methods; their layout is the vtable pointer, not a record to compare.
    for name, rec, header in tagged:
        if rec["id"] not in typedefed and not is_interface(rec):
            found.records.append((name, rec, header))
    return found


def is_interface(rec):
    data = rec.get("definitionData", {})
    return bool(rec.get("bases") or data.get("isPolymorphic") or data.get("isAbstract"))


def record_fields(rec, prefix="", anonymous=False):
    """Field paths of a record, descending into anonymous members (whose
    fields are reachable by plain name) and into members of unnamed type
    (reachable as member.field). Bit-fields are left out: offsetof cannot
    name them. Yields (path, field node, whether reached through an
    anonymous member)."""
    pending = None
    for child in rec.get("inner") or []:
        kind = child.get("kind")
        if kind in ("CXXRecordDecl", "RecordDecl"):
            if not child.get("isImplicit") and child.get("completeDefinition"):
                pending = child
            continue
        if kind != "FieldDecl" or child.get("isBitfield"):
            continue
        name = child.get("name")
        type_text = child.get("type", {}).get("qualType", "")
        if not name:
            if pending is not None:
                yield from record_fields(pending, prefix, True)
            continue
        yield prefix + name, child, anonymous
        if pending is not None and ("(unnamed" in type_text or "(anonymous" in type_text):
            yield from record_fields(pending, prefix + name + ".", anonymous)


# --------------------------------------------------------------------------
# Discovery: macros


DIRECTIVE = re.compile(r"^#\s*(define|undef)\s+([A-Za-z_]\w*)(\(?)(.*)$")
LINE_MARKER = re.compile(r'^#\s+(\d+)\s+"((?:[^"\\]|\\.)*)"')
STARTERS = {"sizeof", "alignof", "true", "false", "static_cast"}


def discover_macros(cxx, include_dir, headers, work, known_values):
    """Object-like macros defined in the checked headers whose bodies look like
    constant expressions: they start with a number, a parenthesis, a sign,
    a character literal, or a name that is itself such a macro, a
    function-like macro, an enumerator or a constant; iterated to a fixpoint.
    Returns [(name, body, header)] in definition order."""
    src = os.path.join(work, "fidelity_macros.cpp")
    with open(src, "w") as f:
        f.write(prologue(headers))
    res = run([cxx, "-std=c++17", "-x", "c++", "-E", "-dD", "-I", include_dir, src])
    if res.returncode != 0:
        raise CheckError("%s cannot preprocess our headers:\n%s" % (cxx, first_lines(res.stderr)))

    include_real = os.path.realpath(include_dir)
    checked = set(headers)
    current = None
    object_like = {}       # name -> body, every file
    function_like = set()
    ours = {}              # name -> (body, header), in definition order
    for line in res.stdout.splitlines():
        if not line.startswith("#"):
            continue
        marker = LINE_MARKER.match(line)
        if marker:
            path = re.sub(r"\\(.)", r"\1", marker.group(2))
            real = os.path.realpath(path) if not path.startswith("<") else path
            if os.path.dirname(real) == include_real and os.path.basename(real) in checked:
                current = os.path.basename(real)
            else:
                current = None
            continue
        m = DIRECTIVE.match(line)
        if not m:
            continue
        what, name, paren, body = m.groups()
        if what == "undef":
            object_like.pop(name, None)
            function_like.discard(name)
            ours.pop(name, None)
            continue
        if paren:
            function_like.add(name)
            object_like.pop(name, None)
            ours.pop(name, None)
            continue
        body = body.strip()
        object_like[name] = body
        function_like.discard(name)
        if current is not None:
            ours.pop(name, None)
            ours[name] = (body, current)

    # An object-like alias of a function-like macro (MAKEINTRESOURCE for
    # MAKEINTRESOURCEA) is called like one.
    changed = True
    while changed:
        changed = False
        for name, body in object_like.items():
            if name not in function_like and body in function_like:
                function_like.add(name)
                changed = True

    guards = include_guards(include_dir, headers)
    known = set(known_values) | STARTERS
    constant_like = set()
    changed = True
    while changed:
        changed = False
        for name, body in object_like.items():
            if name in constant_like or not body:
                continue
            if starts_like_constant(body, known | constant_like, function_like):
                constant_like.add(name)
                changed = True
    return [(name, body, header) for name, (body, header) in ours.items()
            if name in constant_like and name not in guards]


def starts_like_constant(body, known, function_like):
    """Whether a macro body looks like a constant expression. A function-like
    macro name counts only when it is called: a bare alias such as
    MAKEINTRESOURCE for MAKEINTRESOURCEA is no value."""
    c = body[0]
    if c.isdigit() or c in "(-+~!'":
        return True
    if c == "." and len(body) > 1 and body[1].isdigit():
        return True
    m = re.match(r"[A-Za-z_]\w*", body)
    if m:
        word = m.group(0)
        if word in ("L", "u", "U", "u8") and body[len(word):len(word) + 1] == "'":
            return True
        if word in function_like:
            return body[len(word):].lstrip().startswith("(")
        return word in known
    return False


def include_guards(include_dir, headers):
    guards = set()
    for h in headers:
        with open(os.path.join(include_dir, h), errors="replace") as f:
            text = f.read()
        directives = re.findall(r"^[ \t]*#[ \t]*(\w+)[ \t]*(.*)$", text, re.M)
        for i, (word, rest) in enumerate(directives[:-1]):
            if word == "ifndef" or (word == "if" and re.match(r"!\s*defined", rest)):
                name = re.search(r"[A-Za-z_]\w*", rest.replace("defined", " "))
                nxt_word, nxt_rest = directives[i + 1]
                if name and nxt_word == "define" and nxt_rest.split()[:1] == [name.group(0)]:
                    guards.add(name.group(0))
                break
            if word != "pragma":
                break
    return guards


def scan_define_guid(include_dir, headers):
    """Names given to DEFINE_GUID in the header text (directive lines, such as
    the macro's own definition, are skipped)."""
    names = []
    for h in headers:
        with open(os.path.join(include_dir, h), errors="replace") as f:
            text = f.read()
        text = re.sub(r"^[ \t]*#(?:[^\n]*\\\n)*[^\n]*", "", text, flags=re.M)
        text = re.sub(r"/\*.*?\*/|//[^\n]*", " ", text, flags=re.S)
        for m in re.finditer(r"\bDEFINE_GUID\s*\(\s*([A-Za-z_]\w*)\s*,", text):
            names.append((m.group(1), h))
    return names


# --------------------------------------------------------------------------
# The generated source


def item_line(item):
    label = item.label
    if item.kind == "const":
        n = item.name
        return ('extern "C" constexpr long long %s[2] = {fidelity_kind<decltype((%s))>(), '
                'fidelity_value([]() { return (%s); })};' % (label, n, n))
    if item.kind == "guid":
        return 'extern "C" const void *const %s = &%s;' % (label, item.name)
    if item.kind == "address":
        return 'extern "C" const void *const %s = %s;' % (label, item.expr)
    if item.kind == "uuidof":
        return 'extern "C" const void *const %s = &__uuidof(%s);' % (label, item.interface)
    if item.kind == "record":
        t = item.name
        return ('extern "C" constexpr long long %s[2] = {(long long)sizeof(%s), (long long)alignof(%s)};'
                % (label, t, t))
    if item.kind == "field":
        t, p = item.record, item.path
        return ('extern "C" constexpr long long %s[3] = {(long long)offsetof(%s, %s), '
                '(long long)sizeof(((%s *)nullptr)->%s), fidelity_kind<decltype(((%s *)nullptr)->%s)>()};'
                % (label, t, p, t, p, t, p))
    raise ValueError(item.kind)


def generate(headers, items):
    """Returns (source text, {line number: item index})."""
    head = "// Generated by fidelity_check.py: one line per compared value.\n" + prologue(headers) + HELPERS
    lines = head.split("\n")
    line_of = {}
    for item in items:
        lines.append(item_line(item))
        line_of[len(lines)] = item.index
    return "\n".join(lines) + "\n", line_of


DIAG = re.compile(r"^(?P<file>[^\s:][^:]*):(?P<line>\d+):(?:\d+:)?\s*(?P<rest>.*)$")


def error_text(rest):
    text = rest.split(":", 1)[1].strip()
    return re.sub(r"; did you mean .*$", "", text)


def blame_errors(stderr, src_name, line_of):
    """Maps compiler diagnostics to the generated lines (items) that caused
    them. Returns ({item index: first error message}, [unattributed errors])."""
    blamed = {}
    context = []
    unattributed = []
    for raw in stderr.splitlines():
        m = DIAG.match(raw)
        if not m:
            continue
        in_src = os.path.basename(m.group("file")) == src_name
        line = int(m.group("line"))
        rest = m.group("rest")
        is_error = rest.startswith("error:") or rest.startswith("fatal error:")
        if in_src and line in line_of:
            index = line_of[line]
            if is_error:
                blamed.setdefault(index, error_text(rest))
                context = []
            else:
                context.append(index)
            continue
        if is_error:
            message = error_text(rest)
            if context:
                for index in context:
                    blamed.setdefault(index, message)
            else:
                unattributed.append(raw)
            context = []
    return blamed, unattributed


def compile_to_asm(compiler, extra_args, headers, items, work, tag):
    """Compiles the generated source for the given items, dropping those that
    do not compile until the rest does. Returns (assembly text, {item index:
    error message})."""
    src_name = "fidelity_%s.cpp" % tag
    src = os.path.join(work, src_name)
    asm = os.path.join(work, "fidelity_%s.s" % tag)
    failed = {}
    active = list(items)
    for _ in range(8):
        text, line_of = generate(headers, active)
        with open(src, "w") as f:
            f.write(text)
        res = run([compiler, "-std=c++17", "-S", "-O0", "-w", "-fno-asynchronous-unwind-tables",
                   "-fno-diagnostics-show-caret", "-x", "c++", "-o", asm] + extra_args + [src], timeout=300)
        if res.returncode == 0:
            with open(asm) as f:
                return f.read(), failed
        blamed, unattributed = blame_errors(res.stderr, src_name, line_of)
        if not blamed:
            raise CheckError("%s: the generated source does not compile, and the errors are not in a "
                             "compared declaration:\n%s" % (compiler, first_lines("\n".join(unattributed) or res.stderr)))
        failed.update(blamed)
        active = [it for it in active if it.index not in blamed]
    raise CheckError("%s: the generated source still fails after removing the failing declarations" % compiler)


# --------------------------------------------------------------------------
# Reading the assembly back


ASM_LABEL = re.compile(r"^([A-Za-z_.$@?][\w.$@?]*):")
DATA_SIZES = {".byte": 1, ".value": 2, ".word": 2, ".short": 2, ".2byte": 2, ".hword": 2,
              ".long": 4, ".int": 4, ".4byte": 4, ".quad": 8, ".8byte": 8}


def parse_asm_string(s):
    out = bytearray()
    i = 0
    escapes = {"n": 10, "t": 9, "r": 13, "b": 8, "f": 12, "v": 11, "a": 7, "\\": 92, '"': 34, "'": 39}
    while i < len(s):
        c = s[i]
        if c == "\\" and i + 1 < len(s):
            d = s[i + 1]
            if d in "01234567":
                j = i + 1
                while j < len(s) and j < i + 4 and s[j] in "01234567":
                    j += 1
                out.append(int(s[i + 1:j], 8) & 0xFF)
                i = j
                continue
            if d == "x":
                j = i + 2
                while j < len(s) and s[j] in "0123456789abcdefABCDEF":
                    j += 1
                out.append(int(s[i + 2:j], 16) & 0xFF)
                i = j
                continue
            out.append(escapes.get(d, ord(d)))
            i += 2
            continue
        out.append(ord(c))
        i += 1
    return bytes(out)


def parse_asm(text):
    """Data following each label: {label: (bytes, [symbol references])}."""
    data = {}
    current = None
    for raw in text.splitlines():
        line = raw.strip()
        if not line or line.startswith("#"):
            continue
        m = ASM_LABEL.match(line)
        if m and not line.startswith("."):
            current = m.group(1)
            data[current] = (bytearray(), [])
            line = line[m.end():].strip()
            if not line:
                continue
        elif m and raw[:1] not in (" ", "\t"):
            current = m.group(1)
            data[current] = (bytearray(), [])
            continue
        if current is None:
            continue
        parts = line.split(None, 1)
        directive = parts[0]
        operand = parts[1] if len(parts) > 1 else ""
        buf, refs = data[current]
        if directive in DATA_SIZES:
            size = DATA_SIZES[directive]
            for tok in operand.split(","):
                tok = tok.strip()
                try:
                    value = int(tok, 0)
                except ValueError:
                    refs.append(tok)
                    value = 0
                buf += (value & ((1 << (8 * size)) - 1)).to_bytes(size, "little")
        elif directive in (".zero", ".space", ".skip"):
            buf += bytes(int(operand.split(",")[0].strip(), 0))
        elif directive in (".ascii", ".string", ".asciz"):
            for s in re.findall(r'"((?:[^"\\]|\\.)*)"', operand):
                buf += parse_asm_string(s)
                if directive != ".ascii":
                    buf.append(0)
        else:
            current = None
    return data


def read_values(asm_text, items, failed):
    """{item index: tuple of integers, or 16 bytes for a GUID, or None when
    the value is missing} for each item that compiled."""
    data = parse_asm(asm_text)
    values = {}
    for item in items:
        index = item.index
        if index in failed:
            continue
        entry = data.get(item.label)
        if entry is None:
            values[index] = None
            continue
        buf, refs = entry
        if item.kind == "address":
            values[index] = (("symbol", refs[0]) if refs else
                             ("number", int.from_bytes(bytes(buf[:8]), "little", signed=True)))
        elif item.kind in ("guid", "uuidof"):
            target = refs[0] if refs else None
            offset = 0
            if target and "+" in target:
                target, plus = target.split("+", 1)
                offset = int(plus, 0)
            target_data = data.get(target.strip()) if target else None
            if target_data is None or len(target_data[0]) < offset + 16:
                values[index] = None
            else:
                values[index] = bytes(target_data[0][offset:offset + 16])
        else:
            values[index] = tuple(struct.unpack("<%dq" % (len(buf) // 8), bytes(buf)))
    return values


# --------------------------------------------------------------------------
# Comparing


def decode_kind(kind):
    return kind & 15, bool(kind & 16), kind >> 5


def describe_kind(kind):
    cat, array, size = decode_kind(kind)
    base = CAT_NAMES.get(cat, "type %d" % cat)
    if cat in (CAT_SIGNED, CAT_UNSIGNED, CAT_FLOAT, CAT_BOOL):
        base = "%d-bit %s" % (size * 8, base)
    elif cat in (CAT_STRUCT, CAT_UNION):
        base = "%s of %d bytes" % (base, size)
    return ("array of " + base) if array else base


def numeric_value(kind, raw):
    cat = decode_kind(kind)[0]
    if cat == CAT_FLOAT:
        return struct.unpack("<d", struct.pack("<q", raw))[0]
    if cat in (CAT_UNSIGNED, CAT_BOOL) and raw < 0:
        return raw + (1 << 64)
    return raw


def show_number(value, kind):
    size = decode_kind(kind)[2]
    if isinstance(value, float):
        return repr(value)
    if -10 < value < 10:
        return str(value)
    bits = 8 * (size or 8)
    return "%d (0x%X)" % (value, value & ((1 << bits) - 1))


def show_guid(b):
    d1, d2, d3 = struct.unpack("<IHH", b[:8])
    return "{%08X-%04X-%04X-%s-%s}" % (d1, d2, d3, b[8:10].hex().upper(), b[10:16].hex().upper())


def compare(items, ours, theirs):
    """Returns (failures, names of constants compared for presence and kind
    only). A failure is a dict with header, name, kind and text."""
    failures = []
    presence_only = []

    def fail(item, text):
        failures.append({"header": item.header, "name": item.name, "kind": item.kind, "text": text})

    for index, item in enumerate(items):
        if index not in ours:
            continue
        mine = ours[index]
        other = theirs.get(index, "missing")
        if other == "missing":
            continue
        if item.kind == "guid":
            if mine is None:
                fail(item, "our headers give it no value when INITGUID is defined")
            elif other is None:
                fail(item, "mingw declares it but its headers give no DEFINE_GUID value")
            elif mine != other:
                fail(item, "ours %s, mingw %s" % (show_guid(mine), show_guid(other)))
            continue
        if mine is None or other is None:
            fail(item, "the value could not be read from the %s assembly" % ("native" if mine is None else "mingw"))
            continue
        if item.kind == "const":
            kind_o, raw_o = mine
            kind_t, raw_t = other
            cat_o, cat_t = decode_kind(kind_o)[0], decode_kind(kind_t)[0]
            if cat_o not in NUMERIC_CATS:
                presence_only.append(item.name)
                if cat_o != cat_t:
                    fail(item, "ours is a %s, mingw's a %s" % (describe_kind(kind_o), describe_kind(kind_t)))
                continue
            if cat_t not in NUMERIC_CATS:
                fail(item, "ours is a number, mingw's is a %s" % describe_kind(kind_t))
                continue
            v_o, v_t = numeric_value(kind_o, raw_o), numeric_value(kind_t, raw_t)
            if v_o != v_t:
                fail(item, "ours %s, mingw %s" % (show_number(v_o, kind_o), show_number(v_t, kind_t)))
            elif (cat_o == CAT_FLOAT) != (cat_t == CAT_FLOAT):
                fail(item, "same value %s, but ours is %s and mingw's %s"
                     % (show_number(v_o, kind_o), describe_kind(kind_o), describe_kind(kind_t)))
            elif not (0 <= v_o < 2 ** 31) and cat_o != CAT_FLOAT and (
                    (cat_o == CAT_SIGNED) != (cat_t == CAT_SIGNED) or decode_kind(kind_o)[2] != decode_kind(kind_t)[2]):
                # Outside 0..2^31-1 the type decides how the constant compares
                # with a DWORD or an HRESULT.
                fail(item, "same value %s, but ours is %s and mingw's %s"
                     % (show_number(v_o, kind_o), describe_kind(kind_o), describe_kind(kind_t)))
        elif item.kind == "record":
            if mine[0] != other[0]:
                fail(item, "sizeof: ours %d, mingw %d" % (mine[0], other[0]))
            elif mine[1] != other[1]:
                fail(item, "alignment: ours %d, mingw %d" % (mine[1], other[1]))
        elif item.kind == "field":
            problems = []
            if mine[0] != other[0]:
                problems.append("offset: ours %d, mingw %d" % (mine[0], other[0]))
            if mine[1] != other[1]:
                problems.append("size: ours %d, mingw %d" % (mine[1], other[1]))
            if mine[2] != other[2]:
                problems.append("type: ours %s, mingw %s" % (describe_kind(mine[2]), describe_kind(other[2])))
            if problems:
                fail(item, "; ".join(problems))
    return failures, presence_only


# --------------------------------------------------------------------------
# The whole check


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


def build_items(ast, macros, guid_texts):
    items = []
    seen_const = set()
    for name, header in ast.enumerators + ast.const_vars:
        if name not in seen_const:
            seen_const.add(name)
            items.append(Item("const", name, header, origin="enum/variable"))
    for name, body, header in macros:
        if name not in seen_const:
            seen_const.add(name)
            items.append(Item("const", name, header, origin="macro", body=body))
    seen_guid = set()
    for name, header in ast.guid_vars + guid_texts:
        if name not in seen_guid:
            seen_guid.add(name)
            items.append(Item("guid", name, header))
    seen_record = set()
    fields = {}
    for name, rec, header in ast.records:
        if name in seen_record:
            continue
        seen_record.add(name)
        items.append(Item("record", name, header))
        for path, node, anonymous in record_fields(rec):
            items.append(Item("field", "%s.%s" % (name, path), header, record=name, path=path,
                              anonymous=anonymous))
            fields["%s.%s" % (name, path)] = node
    for index, item in enumerate(items):
        item.index = index
    return items, fields


def check(args, include_dir, work):
    include_dir = os.path.abspath(include_dir)
    os.makedirs(work, exist_ok=True)
    cxx = find_tool(args.cxx, ["g++", "c++"], "native C++ compiler")
    mingw_cxx = find_tool(args.mingw_cxx, ["x86_64-w64-mingw32-g++", "x86_64-w64-mingw32-g++-posix",
                                           "x86_64-w64-mingw32-g++-win32"], "x86_64-w64-mingw32 C++ compiler")
    clang = find_tool(args.clang, ["clang++", "clang++-14", "clang++-15", "clang++-16", "clang++-17",
                                   "clang++-18", "clang++-13"], "clang++ (for the AST dump)")

    result = Result()
    all_headers = list_headers(include_dir)
    if not all_headers:
        raise CheckError("no headers in %s" % include_dir)
    headers = mingw_header_names(mingw_cxx, all_headers, work)
    result.headers = headers
    result.skipped_headers = [h for h in all_headers if h not in headers]
    if not headers:
        raise CheckError("none of the headers in %s has a mingw counterpart" % include_dir)

    ast = discover_ast(clang, include_dir, headers, work)
    known_values = {n for n, _ in ast.enumerators} | {n for n, _ in ast.const_vars}
    macros = discover_macros(cxx, include_dir, headers, work, known_values)
    guid_texts = scan_define_guid(include_dir, headers)
    items, fields = build_items(ast, macros, guid_texts)
    result.items = items
    result.fields = fields

    native_asm, native_failed = compile_to_asm(cxx, ["-I", include_dir], headers, items, work, "native")
    not_constant = []
    for index, message in sorted(native_failed.items()):
        item = items[index]
        if item.kind == "const" and CONSTEXPR_ERROR.search(message):
            not_constant.append(item.name)
        else:
            result.failures.append({"header": item.header, "name": item.name, "kind": item.kind,
                                    "text": "does not compile with our headers: %s" % message})
    ours = read_values(native_asm, items, native_failed)

    # mingw compiles what compiled natively; anything it rejects is a name it
    # does not know, a field it does not have, or a value it cannot evaluate.
    survivors = [it for it in items if it.index not in native_failed]
    mingw_asm, mingw_failed = compile_to_asm(mingw_cxx, [], headers, survivors, work, "mingw")
    for index, message in sorted(mingw_failed.items()):
        item = items[index]
        result.failures.append({"header": item.header, "name": item.name, "kind": item.kind,
                                "text": "mingw does not accept it: %s" % message})
    theirs = read_values(mingw_asm, items, set(native_failed) | set(mingw_failed))

    # In C++ mode mingw gives some interface identifiers no DEFINE_GUID value
    # (the value lives in its uuid library) but attaches it to the interface
    # type for __uuidof; IID_IUnknown is one. Read those from __uuidof.
    by_uuidof = [Item("uuidof", it.name, it.header, index=it.index, interface=it.name[4:])
                 for it in items if it.kind == "guid" and it.name.startswith("IID_")
                 and it.index in theirs and theirs[it.index] is None]
    if by_uuidof:
        uuid_asm, uuid_failed = compile_to_asm(mingw_cxx, [], headers, by_uuidof, work, "mingw_uuidof")
        for index, value in read_values(uuid_asm, by_uuidof, uuid_failed).items():
            if value is not None:
                theirs[index] = value

    failures, presence_only = compare(items, ours, theirs)
    result.failures.extend(failures)
    presence_only = compare_addresses(cxx, mingw_cxx, include_dir, headers, items, ours, presence_only,
                                      result, work)

    # When mingw does not know a record at all, its fields say nothing more.
    unknown_records = {f["name"] for f in result.failures if f["kind"] == "record"
                       and f["text"].startswith(("mingw does not accept", "does not compile"))}
    result.failures = [f for f in result.failures
                       if not (f["kind"] == "field" and f["name"].split(".")[0] in unknown_records)]

    uncounted = set(not_constant) | set(presence_only)
    result.counts = {}
    for it in items:
        if not (it.kind == "const" and it.name in uncounted):
            result.counts[it.kind] = result.counts.get(it.kind, 0) + 1
    failed_names = {(f["kind"], f["name"]) for f in result.failures}
    result.passed = {(it.kind, it.name) for it in items
                     if it.index in theirs and (it.kind, it.name) not in failed_names}
    if not_constant:
        result.notes.append(("macros that are not compile-time constants with our headers, not compared",
                             not_constant))
    if presence_only:
        result.notes.append(("macros whose values are neither numbers nor constant addresses, checked for "
                             "presence and kind only", presence_only))
    return result


def compare_addresses(cxx, mingw_cxx, include_dir, headers, items, ours, candidates, result, work):
    """Compares the macros that are not numbers but constant addresses: a
    pointer such as INVALID_HANDLE_VALUE or MAKEINTRESOURCE(2), or an object
    at a small fixed address such as DIPROP_RANGE, (*(const GUID *)4). Both
    compilers fold these into static data. Returns the names that could not
    be compared this way."""
    failed = {(f["kind"], f["name"]) for f in result.failures}
    probes = []
    for it in items:
        if it.kind != "const" or it.name not in candidates or ("const", it.name) in failed:
            continue
        category = decode_kind(ours[it.index][0])[0]
        if category == CAT_POINTER:
            expr = "(const void *)(%s)" % it.name
        elif category in (CAT_STRUCT, CAT_UNION):
            expr = "(const void *)&(%s)" % it.name
        else:
            continue
        probes.append(Item("address", it.name, it.header, index=it.index, expr=expr))
    if not probes:
        return candidates
    native_asm, native_failed = compile_to_asm(cxx, ["-I", include_dir], headers, probes, work, "native_address")
    probes = [p for p in probes if p.index not in native_failed]
    mingw_asm, mingw_failed = compile_to_asm(mingw_cxx, [], headers, probes, work, "mingw_address")
    probes = [p for p in probes if p.index not in mingw_failed]
    mine = read_values(native_asm, probes, {})
    theirs = read_values(mingw_asm, probes, {})

    def show(v):
        return v[1] if v[0] == "symbol" else "0x%X" % (v[1] & (2 ** 64 - 1))

    for p in probes:
        if mine.get(p.index) is None or theirs.get(p.index) is None:
            continue
        if mine[p.index] != theirs[p.index]:
            result.failures.append({"header": p.header, "name": p.name, "kind": "const",
                                    "text": "address: ours %s, mingw %s" % (show(mine[p.index]), show(theirs[p.index]))})
    compared = {p.name for p in probes if mine.get(p.index) is not None and theirs.get(p.index) is not None}
    return [name for name in candidates if name not in compared]


def report(result, verbose=False):
    print("fidelity: %d headers compared with x86_64-w64-mingw32: %s"
          % (len(result.headers), " ".join(result.headers)))
    if result.skipped_headers:
        print("fidelity: no mingw header of the same name, not compared: %s" % " ".join(result.skipped_headers))
    for what, names in result.notes:
        shown = names if verbose or len(names) <= 8 else names[:8] + ["... %d more (--verbose)" % (len(names) - 8)]
        print("note: %d %s: %s" % (len(names), what, ", ".join(shown)))
    by_header = {}
    for f in result.failures:
        by_header.setdefault(f["header"], []).append(f)
    for header in sorted(by_header):
        print("MISMATCH in %s:" % header)
        for f in by_header[header]:
            print("  %-6s %s: %s" % (f["kind"], f["name"], f["text"]))
    c = result.counts
    print("fidelity: %d constants, %d records, %d fields, %d GUIDs checked, %d mismatches"
          % (c.get("const", 0), c.get("record", 0), c.get("field", 0), c.get("guid", 0), len(result.failures)))


# --------------------------------------------------------------------------
# Self-test: break a copy of the headers on purpose and make sure it shows.


SELFTEST_UNKNOWN = "KORVANE_FIDELITY_SELFTEST_UNKNOWN"


def edit_file(path, pattern, replace):
    """Applies replace(match) to the single match of pattern in the file;
    returns False (and leaves the file alone) unless there is exactly one."""
    with open(path) as f:
        text = f.read()
    matches = list(pattern.finditer(text))
    if len(matches) != 1:
        return False
    m = matches[0]
    with open(path, "w") as f:
        f.write(text[:m.start()] + replace(m) + text[m.end():])
    return True


def inject_wrong_constant(baseline, copy_dir, candidates):
    for item in candidates:
        if getattr(item, "origin", "") != "macro":
            continue
        if not re.fullmatch(r"\(?\s*-?\s*(0[xX][0-9a-fA-F]+|\d+)[uUlL]*\s*\)?", item.body):
            continue
        pattern = re.compile(r"^([ \t]*#[ \t]*define[ \t]+%s[ \t]+)([^\n]*)$" % re.escape(item.name), re.M)
        if edit_file(os.path.join(copy_dir, item.header), pattern,
                     lambda m: m.group(1) + "((%s) ^ 1)" % m.group(2).strip()):
            return item.name, "value of %s changed in %s" % (item.name, item.header)
    return None


def inject_wide_constant(baseline, copy_dir, candidates):
    """An L suffix on a constant of 2^31 or more: 32 bits unsigned on
    Windows, 64 bits signed on LP64, so it no longer compares equal to the
    same bits held in an int or HRESULT."""
    for item in candidates:
        if getattr(item, "origin", "") != "macro":
            continue
        m = re.fullmatch(r"(0[xX][0-9a-fA-F]+)[uU]?", item.body)
        if not m or not 2 ** 31 <= int(m.group(1), 16) < 2 ** 32:
            continue
        pattern = re.compile(r"^([ \t]*#[ \t]*define[ \t]+%s[ \t]+)([^\n]*)$" % re.escape(item.name), re.M)
        if edit_file(os.path.join(copy_dir, item.header), pattern, lambda m: m.group(1) + m.group(2).strip() + "L"):
            return item.name, "L suffix added to %s in %s" % (item.name, item.header)
    return None


def inject_wrong_anonymous_field(baseline, copy_dir, candidates):
    return inject_wrong_field_type(baseline, copy_dir, [c for c in candidates if c.anonymous], "anonymous member ")


def inject_wrong_field_type(baseline, copy_dir, candidates, what=""):
    for item in candidates:
        node = baseline.fields.get(item.name)
        if node is None or "." in item.path:
            continue
        type_text = node.get("type", {}).get("qualType", "")
        if not re.fullmatch(r"[A-Za-z_]\w*", type_text) or type_text in ("double", "float"):
            continue
        pattern = re.compile(r"^([ \t]*)%s([ \t]+%s[ \t]*;)" % (re.escape(type_text), re.escape(item.path)), re.M)
        if edit_file(os.path.join(copy_dir, item.header), pattern, lambda m: m.group(1) + "double" + m.group(2)):
            return item.name, "type of %sfield %s changed from %s to double in %s" % (
                what, item.name, type_text, item.header)
    return None


def inject_wrong_guid(baseline, copy_dir, candidates):
    for item in candidates:
        pattern = re.compile(r"(\bDEFINE_GUID\s*\(\s*%s\s*,)([^;]*?)(\)\s*;)" % re.escape(item.name))

        def flip_last(m):
            numbers = [a.strip() for a in m.group(2).split(",")]
            numbers[-1] = "((%s) ^ 1)" % numbers[-1]
            return m.group(1) + " " + ", ".join(numbers) + m.group(3)

        m = pattern.search(open(os.path.join(copy_dir, item.header)).read())
        if m is None or len(m.group(2).split(",")) != 11:
            continue
        if edit_file(os.path.join(copy_dir, item.header), pattern, flip_last):
            return item.name, "last byte of %s changed in %s" % (item.name, item.header)
    return None


def self_test(args):
    base_dir = os.path.join(os.path.abspath(args.work), "selftest")
    if os.path.isdir(base_dir):
        shutil.rmtree(base_dir)
    copy_dir = os.path.join(base_dir, "include")
    shutil.copytree(os.path.abspath(args.include), copy_dir)

    # Faults go only into declarations that match before the change, so each
    # report can be traced to the fault that caused it.
    baseline = check(args, copy_dir, os.path.join(base_dir, "baseline"))
    passing = {}
    for item in baseline.items:
        if (item.kind, item.name) in baseline.passed:
            passing.setdefault(item.kind, []).append(item)

    # The first three are required; the next two exercise the signedness
    # and width rule and anonymous members when the headers offer a target.
    injected = []
    plan = (("const", "a wrong constant", inject_wrong_constant, True),
            ("field", "a wrong field type", inject_wrong_field_type, True),
            ("guid", "a wrong GUID", inject_wrong_guid, True),
            ("const", "a long suffix on a large constant", inject_wide_constant, False),
            ("field", "a wrong field type in an anonymous member", inject_wrong_anonymous_field, False))
    for kind, what, inject, required in plan:
        taken = {name for k, name, _ in injected if k == kind}
        done = inject(baseline, copy_dir, [c for c in passing.get(kind, []) if c.name not in taken])
        if done is not None:
            injected.append((kind, done[0], done[1]))
        elif required:
            print("self-test: FAILED cannot inject %s: no suitable declaration in the headers" % what)
            return 1
        else:
            print("self-test: skipped %s: no suitable declaration in the headers" % what)

    # And a name mingw has never heard of.
    target = baseline.headers[-1]
    with open(os.path.join(copy_dir, target), "a") as f:
        f.write("\n#define %s 7\n" % SELFTEST_UNKNOWN)
    injected.append(("const", SELFTEST_UNKNOWN, "unknown constant appended to %s" % target))

    broken = check(args, copy_dir, os.path.join(base_dir, "broken"))
    ok = True
    for kind, name, what in injected:
        reports = [f["text"] for f in broken.failures if f["kind"] == kind and f["name"] == name]
        print("self-test: %-6s %s: %s" % ("caught" if reports else "MISSED", what,
                                          reports[0] if reports else "not reported"))
        ok = ok and bool(reports)
    print("self-test: %s" % ("every injected fault was reported" if ok else "FAILED"))
    return 0 if ok else 1


def main():
    parser = argparse.ArgumentParser(description="Compare the platform headers with the x86_64-w64-mingw32 headers.")
    parser.add_argument("--include", required=True, help="the platform include directory")
    parser.add_argument("--work", required=True, help="a scratch directory for generated files")
    parser.add_argument("--cxx", help="native C++ compiler (default g++)")
    parser.add_argument("--mingw-cxx", help="mingw C++ compiler (default x86_64-w64-mingw32-g++)")
    parser.add_argument("--clang", help="clang++ used for the AST dump (default clang++)")
    parser.add_argument("--verbose", action="store_true", help="list every name in the notes")
    parser.add_argument("--self-test", action="store_true",
                        help="inject faults into a copy of the headers and check that each is reported")
    args = parser.parse_args()

    start = time.time()
    try:
        if args.self_test:
            status = self_test(args)
        else:
            result = check(args, args.include, os.path.abspath(args.work))
            report(result, args.verbose)
            status = 1 if result.failures else 0
    except CheckError as e:
        print("fidelity: cannot check: %s" % e, file=sys.stderr)
        return 77 if e.missing_tool else 2
    print("fidelity: done in %.1f s" % (time.time() - start))
    return status


if __name__ == "__main__":
    sys.exit(main())
