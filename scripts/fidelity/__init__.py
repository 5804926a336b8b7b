"""Header fidelity check: compares the portable Win32 / DirectX headers with
the x86_64-w64-mingw32 headers. fidelity_check.py is the command line; the
modules here discover, probe, compare and self-test.
"""
