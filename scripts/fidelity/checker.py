"""The whole check: lists the headers, discovers their declarations, compiles
the probes with both compilers and collects the mismatches in a Result.
"""

import os
import re

from .common import CheckError, Item, Result, find_tool, list_headers, mingw_header_names
from .compare import compare, compare_addresses
from .discovery import discover_ast, discover_macros, record_fields, scan_define_guid
from .probe import compile_to_asm, read_values

CONSTEXPR_ERROR = re.compile(
    r"constant expression|constexpr|non-constant|reinterpret_cast|is not usable in a constant", re.I)


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
