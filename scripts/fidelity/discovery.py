"""Discovery of what our headers declare: records, enumerators, constants and
GUIDs from clang's JSON AST, constant-like macros from the preprocessor's -dD
output, and the names given to DEFINE_GUID in the header text.
"""

import json
import os
import re

from .common import CheckError, first_lines, prologue, run


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
