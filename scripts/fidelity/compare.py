"""Comparing the values both compilers produced (numbers, kinds, layouts,
GUIDs and constant addresses) and printing the report.
"""

import struct

from .common import Item
from .probe import (CAT_BOOL, CAT_FLOAT, CAT_NAMES, CAT_POINTER, CAT_SIGNED, CAT_STRUCT, CAT_UNION,
                    CAT_UNSIGNED, NUMERIC_CATS, compile_to_asm, read_values)


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
