"""scripts/idlgen.py over idl/Keltrane.idl and over copies of it with one
mistake each: the mistake is reported with its line and nothing is written."""

import os
import re
import subprocess
import sys

import pytest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
IDL = os.path.join(ROOT, "idl", "Keltrane.idl")
GENERATOR = os.path.join(ROOT, "scripts", "idlgen.py")

with open(IDL, encoding="utf-8") as f:
    TEXT = f.read()


def run(tmp_path, text):
    idl = tmp_path / "Keltrane.idl"
    idl.write_text(text, encoding="utf-8")
    out = tmp_path / "out"
    proc = subprocess.run([sys.executable, GENERATOR, str(idl), str(out)], capture_output=True, text=True)
    return proc, out


# (what is wrong, the text replaced, its replacement, the message expected)
MISTAKES = [
    ("unknown type", "[in] long lBatchId", "[in] int lBatchId", "has type int"),
    ("by value marked by reference", "[in] BSTR panelNumber", "[in] BSTR* panelNumber", "passed by value"),
    ("reference without pointer", "[in, out] long* lParentPanelTypeRevId", "[in, out] long lParentPanelTypeRevId",
     "needs a pointer"),
    ("result not last", "HRESULT GetCommandType([in, out] long* lCommandID, [out, retval] long* result);",
     "HRESULT GetCommandType([out, retval] long* result, [in, out] long* lCommandID);", "must be the last"),
    ("array by value", "[in, out] SAFEARRAY(BSTR)* strModem", "[in] SAFEARRAY(BSTR) strModem", "by reference"),
    ("dispatch id twice", "[id(0x60030001)]\n    HRESULT UpdateTheStatus", "[id(0x60030000)]\n    HRESULT UpdateTheStatus",
     "is also SavePanelPhoneNumber's"),
    ("no dispatch id", "[id(0x60030022)]\n    HRESULT GetProfileFile", "[hidden]\n    HRESULT GetProfileFile",
     "needs its dispatch id"),
    ("propget with a parameter", "HRESULT GetClientID([out, retval] long* result)",
     "HRESULT GetClientID([in] long x, [out, retval] long* result)", "a propget has one parameter"),
    ("property read and write apart", "[id(0x68030017), propput]\n    HRESULT CommandLineArgument",
     "[id(0x68030099), propput]\n    HRESULT CommandLineArgument", "share one dispatch id"),
    ("not dual", "dual,\n    nonextensible,\n    oleautomation\n  ]\n  interface _clsProfile",
     "nonextensible,\n    oleautomation\n  ]\n  interface _clsProfile", "add [dual]"),
    ("unknown attribute", "[id(0x6003002D)]", "[id(0x6003002D), vararg]", "'vararg'"),
    ("coclass without ProgID", "  //! progid: Keltrane.clsProfile\n", "", "needs a '//! progid"),
    ("coclass of an unknown interface", "[default] interface _clsCommon;", "[default] interface _clsCommonX;",
     "_clsCommonX is not declared"),
    ("earlier id reused", "F598E65F-479E-406E-9033-335ECBFC0815", "AD9FA96B-0DCB-43C9-B337-9DB271B078AD",
     "is both _clsSubscriber's and _clsSubscriber's"),
]


@pytest.mark.parametrize("what,old,new,message", MISTAKES, ids=[m[0] for m in MISTAKES])
def test_mistake_is_reported_with_its_line(tmp_path, what, old, new, message):
    assert TEXT.count(old) == 1, what
    text = TEXT.replace(old, new)
    proc, out = run(tmp_path, text)
    assert proc.returncode == 1, proc.stderr
    assert message in proc.stderr
    line = int(re.search(r"Keltrane\.idl:(\d+):", proc.stderr).group(1))
    first = TEXT[: TEXT.index(old)].count("\n") + 1
    assert first - 3 <= line <= first + old.count("\n") + 12, proc.stderr
    assert not out.exists()


def test_description_makes_every_file(tmp_path):
    proc, out = run(tmp_path, TEXT)
    assert proc.returncode == 0, proc.stderr
    header = (out / "include" / "keltrane" / "keltrane.h").read_text()
    objects = (out / "com" / "class_objects.cc").read_text()
    tables = (out / "com" / "member_tables.cc").read_text()
    # A property X calls GetX/SetX in the logic, unless already so named.
    assert "logic_.GetCommandLineArgument()" in objects and "logic_.SetCommandLineArgument(" in objects
    assert "logic_.GetClientID()" in objects and "logic_.GetGetClientID" not in objects
    # Class accessors keep their names (clsINIData -> IniDataClass).
    for name in ("SubscriberClass", "IniDataClass", "ProfileClass", "CommonClass"):
        assert f"const ClassInfo& {name}()" in tables
    assert "virtual HRESULT put_SetMaxRecord(LONG* lNewValue) = 0;" in header


def test_unchanged_output_is_not_rewritten(tmp_path):
    proc, out = run(tmp_path, TEXT)
    assert proc.returncode == 0
    header = out / "include" / "keltrane" / "keltrane.h"
    os.utime(header, (1, 1))
    proc, _ = run(tmp_path, TEXT)
    assert proc.returncode == 0
    assert header.stat().st_mtime == 1
