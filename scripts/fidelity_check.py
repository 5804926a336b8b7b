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
import os
import sys
import time

# The modules live in scripts/fidelity next to this file; the script's own
# directory is put on the import path so that it runs from any directory.
# Bytecode is not cached, which keeps the source tree free of __pycache__.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from fidelity.checker import check  # noqa: E402
from fidelity.common import CheckError  # noqa: E402
from fidelity.compare import report  # noqa: E402
from fidelity.selftest import self_test  # noqa: E402


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
