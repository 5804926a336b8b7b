"""Self-test: injects known faults into a copy of the headers and checks that
the fidelity check reports each of them.
"""

import os
import re
import shutil

from .checker import check

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
