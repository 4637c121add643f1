#!/usr/bin/env python3
"""Makes the library's declarations from its type library description.

    idlgen.py IDL OUTDIR

reads idl/Keltrane.idl (the subset of MIDL it uses, see the head of that
file) and writes into OUTDIR:

  include/keltrane/keltrane.h  the public header: GUIDs, ProgIDs, the dual
                               interfaces as C++ classes and C vtables;
  com/member_tables.cc         the member tables and the class table
                               (ClassInfo), each row checked at compile time
                               against its slot's C++ signature;
  com/class_objects.cc         the COM adapters over the class logic and the
                               server's class descriptions.

A file is only rewritten when its text changes, so a change to the IDL that
leaves a file alone rebuilds nothing that depends on it.  A description the
generator cannot take is reported as FILE:LINE: what is wrong, and nothing is
written.  Python standard library only.
"""

import os
import re
import sys
from dataclasses import dataclass, field


class IdlError(Exception):
    def __init__(self, path, line, message):
        super().__init__(f"{path}:{line}: {message}")


# ---- types -------------------------------------------------------------------

@dataclass(frozen=True)
class IdlType:
    param: str  # the member table's ParamType
    c: str  # the C type passed by value
    listing: str  # for messages


TYPES = {
    "BSTR": IdlType("kBstr", "BSTR", "BSTR"),
    "short": IdlType("kI2", "SHORT", "short"),
    "long": IdlType("kI4", "LONG", "long"),
    "VARIANT_BOOL": IdlType("kBool", "VARIANT_BOOL", "VARIANT_BOOL"),
    "DATE": IdlType("kDate", "DATE", "DATE"),
    "VARIANT": IdlType("kVariant", "VARIANT", "VARIANT"),
    "SAFEARRAY(BSTR)": IdlType("kBstrArray", "SAFEARRAY*", "SAFEARRAY(BSTR)"),
    "SAFEARRAY(long)": IdlType("kI4Array", "SAFEARRAY*", "SAFEARRAY(long)"),
}

# Attributes the generator knows; any other is a mistake it reports.
INTERFACE_ATTRS = {"uuid", "hidden", "dual", "nonextensible", "oleautomation", "custom", "helpstring"}
METHOD_ATTRS = {"id", "propget", "propput", "helpstring", "hidden"}
PARAM_ATTRS = {"in", "out", "retval"}
LIBRARY_ATTRS = {"uuid", "version", "lcid", "helpstring"}
COCLASS_ATTRS = {"uuid", "helpstring"}

# The custom attribute that lists an interface's earlier ids.
EARLIER_IIDS = "5DC08291-13B1-4923-BE74-00E910AEFBD3"


@dataclass
class Param:
    name: str
    type: IdlType
    dir: str  # "in", "inout" or "retval"


@dataclass
class Member:
    name: str
    dispid: int
    kind: str  # "method", "propget", "propput"
    params: list
    result: IdlType = None
    line: int = 0

    @property
    def cxx_name(self):
        return {"method": "", "propget": "get_", "propput": "put_"}[self.kind] + self.name

    @property
    def logic_name(self):
        # A property X is GetX/SetX in the class logic, unless its name
        # already says so (clsProfile's GetClientID/SetClientID pair).
        prefix = {"method": "", "propget": "Get", "propput": "Set"}[self.kind]
        return self.name if self.name.startswith(prefix) else prefix + self.name


@dataclass
class Interface:
    name: str
    iid: str
    earlier: list
    line: int
    members: list = field(default_factory=list)


@dataclass
class CoClass:
    name: str
    clsid: str
    progid: str
    logic: str
    iface: Interface
    line: int

    @property
    def accessor(self):
        # clsINIData -> IniDataClass: an upper-case run becomes one word.
        base = self.name[3:] if self.name.startswith("cls") else self.name
        words = re.sub(r"([A-Z]+)([A-Z][a-z])", lambda m: m.group(1).capitalize() + m.group(2), base)
        return words[0].upper() + words[1:] + "Class"


@dataclass
class Library:
    name: str
    libid: str
    version: tuple
    lcid: int
    interfaces: list = field(default_factory=list)
    coclasses: list = field(default_factory=list)


GUID = r"[0-9A-Fa-f]{8}(-[0-9A-Fa-f]{4}){3}-[0-9A-Fa-f]{12}"


# ---- reading -----------------------------------------------------------------

TOKEN = re.compile(
    r"""(?P<space>[ \t\r]+)|(?P<newline>\n)
      |(?P<annot>//![^\n]*)|(?P<comment>//[^\n]*|/\*.*?\*/)
      |(?P<string>"[^"\n]*")
      |(?P<guid>[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12})
      |(?P<number>0[xX][0-9A-Fa-f]+|[0-9]+(?:\.[0-9]+)?)
      |(?P<ident>[A-Za-z_][A-Za-z0-9_]*)
      |(?P<punct>[\[\](){};,*:])""",
    re.S | re.X,
)


@dataclass
class Token:
    kind: str
    text: str
    line: int


def tokenize(path, text):
    tokens, pos, line = [], 0, 1
    while pos < len(text):
        m = TOKEN.match(text, pos)
        if m is None:
            raise IdlError(path, line, f"unexpected character {text[pos]!r}")
        kind, value = m.lastgroup, m.group()
        if kind in ("annot", "string", "guid", "number", "ident", "punct"):
            tokens.append(Token(kind, value, line))
        line += value.count("\n")
        pos = m.end()
    tokens.append(Token("end", "", line))
    return tokens


class Reader:
    def __init__(self, path, text):
        self.path = path
        self.tokens = tokenize(path, text)
        self.pos = 0

    def error(self, message, token=None):
        return IdlError(self.path, (token or self.peek()).line, message)

    def peek(self):
        return self.tokens[self.pos]

    def next(self):
        token = self.tokens[self.pos]
        self.pos += 1
        return token

    def accept(self, text):
        if self.peek().text == text and self.peek().kind in ("punct", "ident"):
            return self.next()
        return None

    def expect(self, text):
        token = self.next()
        if token.text != text:
            raise self.error(f"expected {text!r}, found {token.text or 'the end'!r}", token)
        return token

    def ident(self, what):
        token = self.next()
        if token.kind != "ident":
            raise self.error(f"expected {what}, found {token.text or 'the end'!r}", token)
        return token

    def annotations(self):
        notes = {}
        while self.peek().kind == "annot":
            token = self.next()
            m = re.fullmatch(r"//!\s*(\w+)\s*:\s*(\S+)\s*", token.text)
            if m is None:
                raise self.error("an annotation reads //! key: value", token)
            notes[m.group(1)] = (m.group(2), token.line)
        return notes

    def attributes(self, allowed):
        """[name, name(arg, ...), ...] -> {name: [arg texts]}"""
        attrs = {}
        if not self.accept("["):
            return attrs
        while True:
            token = self.ident("an attribute")
            if token.text not in allowed:
                raise self.error(f"attribute {token.text!r} is not one this generator reads here", token)
            args = []
            if self.accept("("):
                while not self.accept(")"):
                    arg = self.next()
                    if arg.kind == "end":
                        raise self.error("unclosed attribute argument list", token)
                    if arg.text != ",":
                        args.append(arg.text)
            attrs[token.text] = args
            if self.accept("]"):
                return attrs
            self.expect(",")

    def guid_attr(self, attrs, token):
        if "uuid" not in attrs or len(attrs["uuid"]) != 1 or not re.fullmatch(GUID, attrs["uuid"][0]):
            raise self.error("needs uuid(XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX)", token)
        return attrs["uuid"][0].upper()


def read_library(path, text):
    r = Reader(path, text)
    if r.accept("import"):
        if r.next().kind != "string":
            raise r.error("import takes a file name in quotes")
        r.expect(";")
    attrs = r.attributes(LIBRARY_ATTRS)
    token = r.expect("library")
    name = r.ident("the library's name").text
    libid = r.guid_attr(attrs, token)
    version = attrs.get("version", ["1.0"])[0]
    if not re.fullmatch(r"\d+\.\d+", version):
        raise r.error("version(MAJOR.MINOR) expected", token)
    lcid = int(attrs.get("lcid", ["0"])[0], 0)
    lib = Library(name, libid, tuple(int(v) for v in version.split(".")), lcid)
    r.expect("{")
    interfaces = {}
    while not r.accept("}"):
        if r.accept("importlib"):
            r.expect("(")
            r.next()
            r.expect(")")
            r.expect(";")
            continue
        notes = r.annotations()
        start = r.peek()
        if start.text == "[" or start.text in ("interface", "coclass"):
            pass
        else:
            raise r.error(f"expected an interface or a coclass, found {start.text or 'the end'!r}")
        # Attributes come before the keyword; which set applies is known
        # only after it, so they are read with the union and checked after.
        attrs = r.attributes(INTERFACE_ATTRS | COCLASS_ATTRS)
        keyword = r.ident("interface or coclass")
        if keyword.text == "interface":
            if notes:
                raise r.error("annotations belong to a coclass", keyword)
            iface = read_interface(r, attrs, keyword)
            if iface.name in interfaces:
                raise r.error(f"interface {iface.name} is declared twice", keyword)
            interfaces[iface.name] = iface
            lib.interfaces.append(iface)
        elif keyword.text == "coclass":
            lib.coclasses.append(read_coclass(r, attrs, notes, keyword, interfaces))
        else:
            raise r.error(f"expected interface or coclass, found {keyword.text!r}", keyword)
    r.accept(";")
    if r.peek().kind != "end":
        raise r.error("text after the library")
    check_unique_ids(r, lib)
    return lib


def read_interface(r, attrs, keyword):
    for a in attrs:
        if a not in INTERFACE_ATTRS:
            raise r.error(f"attribute {a!r} does not apply to an interface", keyword)
    if "dual" not in attrs:
        raise r.error("the library's interfaces are dual: add [dual]", keyword)
    name = r.ident("the interface's name").text
    r.expect(":")
    base = r.ident("the base interface")
    if base.text != "IDispatch":
        raise r.error("a dual interface derives from IDispatch", base)
    earlier = []
    custom = attrs.get("custom")
    if custom is not None:
        if len(custom) != 2 or custom[0].upper() != EARLIER_IIDS:
            raise r.error(f"custom({EARLIER_IIDS}, \"IID ...\") is the one custom attribute read", keyword)
        earlier = custom[1].strip('"').split()
        for iid in earlier:
            if not re.fullmatch(GUID, iid):
                raise r.error(f"{iid!r} is not an interface id", keyword)
    iface = Interface(name, r.guid_attr(attrs, keyword), [e.upper() for e in earlier], keyword.line)
    r.expect("{")
    while not r.accept("}"):
        iface.members.append(read_member(r, iface))
    r.accept(";")
    check_members(r, iface)
    return iface


def read_member(r, iface):
    start = r.peek()
    attrs = r.attributes(METHOD_ATTRS)
    if "id" not in attrs or len(attrs["id"]) != 1:
        raise r.error("every member needs its dispatch id: [id(0x...)]", start)
    kind = "propget" if "propget" in attrs else "propput" if "propput" in attrs else "method"
    if "propget" in attrs and "propput" in attrs:
        raise r.error("a member is either propget or propput", start)
    ret = r.ident("HRESULT")
    if ret.text != "HRESULT":
        raise r.error("members return HRESULT", ret)
    name = r.ident("the member's name").text
    member = Member(name, int(attrs["id"][0], 0) & 0xFFFFFFFF, kind, [], line=start.line)
    r.expect("(")
    if r.accept("void"):
        r.expect(")")
    elif not r.accept(")"):
        while True:
            member.params.append(read_param(r, member))
            if r.accept(")"):
                break
            r.expect(",")
    r.expect(";")
    for p in member.params[:-1]:
        if p.dir == "retval":
            raise r.error(f"{name}: [out, retval] must be the last parameter", start)
    if member.params and member.params[-1].dir == "retval":
        member.result = member.params.pop().type
    if kind == "propget" and (member.params or member.result is None):
        raise r.error(f"{name}: a propget has one parameter, [out, retval]", start)
    if kind == "propput" and (len(member.params) != 1 or member.result is not None):
        raise r.error(f"{name}: a propput has one parameter, [in] or [in, out]", start)
    return member


def read_param(r, member):
    start = r.peek()
    attrs = r.attributes(PARAM_ATTRS)
    if "retval" in attrs and "out" not in attrs:
        raise r.error(f"{member.name}: retval goes with out", start)
    if "out" in attrs and "retval" not in attrs and "in" not in attrs:
        raise r.error(f"{member.name}: an [out] parameter is either [in, out] or [out, retval]", start)
    if "in" not in attrs and "out" not in attrs:
        raise r.error(f"{member.name}: say [in], [in, out] or [out, retval]", start)
    token = r.ident("a type")
    type_name = token.text
    if type_name == "SAFEARRAY":
        r.expect("(")
        type_name += "(" + r.ident("the array's element type").text + ")"
        r.expect(")")
    pointer = r.accept("*") is not None
    if r.peek().text == "*":
        raise r.error(f"{member.name}: no pointer to a pointer", start)
    name = r.ident("the parameter's name").text
    if type_name not in TYPES:
        known = ", ".join(TYPES)
        raise r.error(f"{member.name}: parameter {name} has type {type_name}; the library uses {known}", token)
    t = TYPES[type_name]
    direction = "retval" if "retval" in attrs else "inout" if "out" in attrs else "in"
    if direction == "in" and pointer:
        raise r.error(f"{member.name}: [in] {name} is passed by value; by reference is [in, out]", token)
    if direction != "in" and not pointer:
        raise r.error(f"{member.name}: [{direction}] {name} needs a pointer", token)
    if t.param in ("kBstrArray", "kI4Array") and direction != "inout":
        raise r.error(f"{member.name}: an array is passed [in, out] by reference", token)
    return Param(name, t, direction)


def check_members(r, iface):
    seen = {}
    names = {}
    for m in iface.members:
        key = (m.dispid, m.kind == "propput")
        if key in seen:
            raise IdlError(r.path, m.line, f"{iface.name}.{m.name}: dispatch id 0x{m.dispid:08X} "
                           f"is also {seen[key]}'s")
        seen[key] = m.name
        other = names.get(m.name.lower())
        if other is not None and {other.kind, m.kind} != {"propget", "propput"}:
            raise IdlError(r.path, m.line, f"{iface.name}: {m.name} is declared twice")
        if other is not None and other.dispid != m.dispid:
            raise IdlError(r.path, m.line, f"{iface.name}.{m.name}: a property's read and write share "
                           "one dispatch id")
        names[m.name.lower()] = m


def read_coclass(r, attrs, notes, keyword, interfaces):
    for a in attrs:
        if a not in COCLASS_ATTRS:
            raise r.error(f"attribute {a!r} does not apply to a coclass", keyword)
    name = r.ident("the coclass's name").text
    for key in ("progid", "logic"):
        if key not in notes:
            raise r.error(f"coclass {name} needs a '//! {key}: ...' line before it", keyword)
    for key in notes:
        if key not in ("progid", "logic"):
            raise IdlError(r.path, notes[key][1], f"unknown annotation {key!r}")
    r.expect("{")
    if r.accept("["):
        r.expect("default")
        r.expect("]")
    r.expect("interface")
    iface_token = r.ident("the coclass's interface")
    iface = interfaces.get(iface_token.text)
    if iface is None:
        raise r.error(f"coclass {name}: interface {iface_token.text} is not declared before it", iface_token)
    r.expect(";")
    r.expect("}")
    r.accept(";")
    return CoClass(name, r.guid_attr(attrs, keyword), notes["progid"][0], notes["logic"][0], iface, keyword.line)


def check_unique_ids(r, lib):
    owner = {lib.libid: lib.name}
    for iface in lib.interfaces:
        for iid in [iface.iid] + iface.earlier:
            if iid in owner:
                raise IdlError(r.path, iface.line, f"{iid} is both {owner[iid]}'s and {iface.name}'s")
            owner[iid] = iface.name
    for c in lib.coclasses:
        if c.clsid in owner:
            raise IdlError(r.path, c.line, f"{c.clsid} is both {owner[c.clsid]}'s and {c.name}'s")
        owner[c.clsid] = c.name


# ---- writing -----------------------------------------------------------------

GENERATED = "Generated by scripts/idlgen.py from idl/{idl}; edit that file, not this one."


def guid_define(name, guid):
    g = guid.replace("-", "")
    parts = [g[0:8], g[8:12], g[12:16]] + [g[i:i + 2] for i in range(16, 32, 2)]
    args = ", ".join("0x" + p for p in parts)
    return f"KT_DEFINE_GUID({name}, {args}); /* {{{guid}}} */"


def c_param(p):
    t = p.type.c
    return f"{t}* {p.name}" if p.dir != "in" else f"{t} {p.name}"


def c_params(m):
    out = [c_param(p) for p in m.params]
    if m.result is not None:
        out.append(f"{m.result.c}* result")
    return out


def earlier_names(iface):
    return [f"IID_{iface.name}___v{i}" for i in range(len(iface.earlier))]


def write_header(lib, idl):
    out = [f"""/*
 * keltrane/keltrane.h - the {lib.name} class library as its hosts see it.
 * {GENERATED.format(idl=idl)}
 *
 * Class ids, ProgIDs and interface ids of the classes, their dual
 * interfaces in slot order (slots 0-2 IUnknown, 3-6 IDispatch, then the
 * members), and the library's four exported entry points.  Properties follow
 * the usual naming of generated COM headers: get_<name> for a read, put_<name>
 * for a write.  A member's declared result is its final out-pointer.
 */
#ifndef KELTRANE_KELTRANE_H
#define KELTRANE_KELTRANE_H

#include "keltrane/oleauto.h"

KT_BEGIN_C

/* Library identity (type library version {lib.version[0]}.{lib.version[1]}, locale 0x{lib.lcid:x}), class ids and
 * interface ids; the ___vN ids are the earlier ids of each interface, which
 * QueryInterface answers with the same interface. */"""]
    out.append(guid_define(f"LIBID_{lib.name}", lib.libid))
    out += [guid_define(f"CLSID_{c.name}", c.clsid) for c in lib.coclasses]
    out += [guid_define(f"IID_{i.name}", i.iid) for i in lib.interfaces]
    for i in lib.interfaces:
        out += [guid_define(n, g) for n, g in zip(earlier_names(i), i.earlier)]
    out.append("""
/* In-process server entry points. */
STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
STDAPI DllCanUnloadNow(void);
STDAPI DllRegisterServer(void);
STDAPI DllUnregisterServer(void);

KT_END_C
""")
    out += [f'#define {lib.name.upper()}_PROGID_{c.name} KT_OLESTR("{c.progid}")' for c in lib.coclasses]
    out.append("\n#ifdef __cplusplus\n")
    for i in lib.interfaces:
        out.append(f"struct {i.name} : IDispatch {{")
        for slot, m in enumerate(i.members, 7):
            out.append(f"  /* {slot} */ virtual HRESULT {m.cxx_name}({', '.join(c_params(m))}) = 0;")
        out.append("};\n")
    out.append("#else /* C */\n")
    out += [f"typedef struct {i.name} {i.name};" for i in lib.interfaces]
    out.append("")
    for i in lib.interfaces:
        out.append(f"typedef struct {i.name}Vtbl {{")
        out.append(f"  KT_IDISPATCH_SLOTS({i.name})")
        for m in i.members:
            out.append(f"  HRESULT (*{m.cxx_name})({', '.join([f'{i.name}* This'] + c_params(m))});")
        out.append(f"}} {i.name}Vtbl;")
        out.append(f"struct {i.name} {{\n  const {i.name}Vtbl* lpVtbl;\n}};\n")
    out.append("#endif /* __cplusplus */\n\n#endif /* KELTRANE_KELTRANE_H */")
    return "\n".join(out) + "\n"


def c_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def write_tables(lib, idl):
    out = [f"""// The member tables and the class table of the {lib.name} library.
// {GENERATED.format(idl=idl)}
// Each row's parameter types and directions are checked against the C++
// signature of its slot when this file compiles (SlotMatches).
#include <iterator>
#include <vector>

#include "com/invoke.h"
#include "com/slot_check.h"
#include "keltrane/keltrane.h"

namespace kt::com {{
namespace {{

using enum ParamType;
using enum Dir;
using enum Kind;

template <size_t N>
std::vector<ParamInfo> Params(const ParamInfo (&params)[N]) {{
  return {{std::begin(params), std::end(params)}};
}}
"""]
    for c in lib.coclasses:
        i = c.iface
        out.append(f"namespace {c.name} {{\n\nusing I = {i.name};\n")
        rows = []
        for slot, m in enumerate(i.members, 7):
            result = m.result.param if m.result else "kNone"
            where = f"{i.name}::{m.cxx_name}"
            if m.params:
                arr = f"k{m.cxx_name}"
                items = ", ".join(f'{{{c_string(p.name)}, {p.type.param}, {"kIn" if p.dir == "in" else "kInOut"}}}'
                                  for p in m.params)
                out.append(f"constexpr ParamInfo {arr}[] = {{{items}}};")
                out.append(f'static_assert(SlotMatches(&I::{m.cxx_name}, {arr}, {result}), '
                           f'"{where}: the declared parameters or result do not match the slot signature");')
                params = f"Params({arr})"
            else:
                out.append(f'static_assert(SlotMatches(&I::{m.cxx_name}, {{}}, {result}), '
                           f'"{where}: the declared parameters or result do not match the slot signature");')
                params = "{}"
            kind = {"method": "kMethod", "propget": "kPropGet", "propput": "kPropPut"}[m.kind]
            rows.append(f"    {{{slot}, 0x{m.dispid:08X}, {kind}, {c_string(m.name)}, {params}, {result}, "
                        f"By<&I::{m.cxx_name}>}},")
        out.append("\nconst MemberInfo kMembers[] = {")
        out += rows
        out.append("};")
        out.append(f"const InterfaceInfo kInterface{{{c_string(i.name)}, &IID_{i.name}, kMembers}};")
        out.append(f"\n}}  // namespace {c.name}\n")
    out.append("}  // namespace\n")
    for c in lib.coclasses:
        earlier = ", ".join("&" + n for n in earlier_names(c.iface))
        out.append(f"""const ClassInfo& {c.accessor}() {{
  static const ClassInfo info{{{c_string(c.name)}, {c_string(c.progid)}, &CLSID_{c.name}, {{{earlier}}},
                              &{c.name}::kInterface}};
  return info;
}}
""")
    listed = ", ".join(f"&{c.accessor}()" for c in lib.coclasses)
    out.append(f"""std::span<const ClassInfo* const> AllClasses() {{
  static const ClassInfo* const classes[] = {{{listed}}};
  return classes;
}}

}}  // namespace kt::com""")
    return "\n".join(out) + "\n"


def adapter_body(m):
    """The statements of a member's adapter: the result slot checked and
    cleared first (so a failing member leaves nothing to free), references
    taken, the logic called, the result stored."""
    lines, args = [], []
    if m.result is not None:
        t = m.result.param
        lines.append(f"{m.result.c}& out = Ref(result);")
        lines.append({"kBstr": "out = nullptr;", "kVariant": "VariantInit(&out);",
                      "kBool": "out = VARIANT_FALSE;"}.get(t, "out = 0;"))
    for p in m.params:
        t = p.type.param
        if p.dir == "in":
            args.append({"kBstr": f"FromBstr({p.name})", "kVariant": f"FromVariant({p.name})"}.get(t, p.name))
        elif t in ("kBstr", "kBstrArray", "kI4Array"):
            holder = {"kBstr": "StrRef", "kBstrArray": "StrArrayRef", "kI4Array": "I4ArrayRef"}[t]
            lines.append(f"{holder} ref_{p.name}({p.name});")
            args.append(f"ref_{p.name}.value()")
        elif t == "kI4":
            args.append(f"I4Ref({p.name})")
        elif t in ("kI2", "kBool", "kDate"):
            args.append(f"Ref({p.name})")
        else:
            raise ValueError(m.line, f"{m.name}: no adapter converts [in, out] {p.type.listing} {p.name}")
    call = f"logic_.{m.logic_name}({', '.join(args)})"
    if m.result is None:
        lines.append(call + ";")
    else:
        lines.append({"kBstr": f"out = ToBstr({call});", "kVariant": f"ToVariant({call}, &out);",
                      "kBool": f"out = ToVariantBool({call});"}.get(m.result.param, f"out = {call};"))
    return lines


def write_objects(lib, idl):
    includes = sorted({f'#include "{c.logic}"' for c in lib.coclasses})
    out = [f"""// The COM objects of the {lib.name} library over their class logic, and
// the class descriptions the object run time serves.
// {GENERATED.format(idl=idl)}
// Every adapter is the same conversion: a string or tagged value passed by
// value becomes the logic's std::string or Variant, a reference is handed
// over through a holder that writes it back when the call ends (StrRef,
// I4Ref, Ref, the array holders), and an [out, retval] slot is cleared before
// the logic runs and takes its result.
#include <type_traits>

#include "com/classes/objects.h"
#include "com/env/default_env.h"
#include "com/marshal.h"
#include "com/object.h"
#include "keltrane/keltrane.h"
{chr(10).join(includes)}

namespace kt::com {{
namespace {{

// The class logic takes the library's Env when it reaches components;
// logic that needs none is made without.
template <class Logic>
Logic MakeLogic() {{
  if constexpr (std::is_constructible_v<Logic, Env&>) {{
    return Logic(DefaultEnv());
  }} else {{
    return Logic();
  }}
}}
"""]
    for c in lib.coclasses:
        i = c.iface
        obj = c.name + "Object"
        out.append(f"class {obj} final : public DispatchObject<{i.name}, {obj}> {{\n public:")
        out.append(f"  static const ClassInfo& Info() {{ return {c.accessor}(); }}\n")
        for m in i.members:
            body = "\n".join("      " + line for line in adapter_body(m))
            out.append(f"  HRESULT {m.cxx_name}({', '.join(c_params(m))}) override {{\n"
                       f"    return Call([&] {{\n{body}\n    }});\n  }}")
        out.append(f"\n private:\n  {c.name} logic_ = MakeLogic<{c.name}>();\n}};\n")
    for c in lib.coclasses:
        earlier = ", ".join("&" + n for n in earlier_names(c.iface))
        if earlier:
            out.append(f"const IID* const k{c.name}Earlier[] = {{{earlier}}};")
    out.append("\nconst KtClassDesc kClasses[] = {")
    for c in lib.coclasses:
        n = len(c.iface.earlier)
        earlier = f"k{c.name}Earlier" if n else "nullptr"
        out.append(f"    {{&CLSID_{c.name}, {c_string(c.name)}, {c_string(c.progid)}, &IID_{c.iface.name}, "
                   f"{c_string(c.iface.name)}, {earlier}, {n}, &CreateObject<{c.name}Object>}},")
    out.append(f"""}};

}}  // namespace

const LibraryDesc& Library() {{
  static const LibraryDesc desc{{{c_string(lib.name)}, &LIBID_{lib.name}, {lib.version[0]}, {lib.version[1]}, 0x{lib.lcid:x}, kClasses}};
  return desc;
}}

}}  // namespace kt::com""")
    return "\n".join(out) + "\n"


def write_if_changed(path, text):
    try:
        with open(path, encoding="utf-8") as f:
            if f.read() == text:
                return
    except FileNotFoundError:
        pass
    os.makedirs(os.path.dirname(path), exist_ok=True)
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(tmp, path)


def generate(idl_path, out_dir):
    with open(idl_path, encoding="utf-8") as f:
        lib = read_library(idl_path, f.read())
    idl = os.path.basename(idl_path)
    try:
        files = {
            "include/keltrane/keltrane.h": write_header(lib, idl),
            "com/member_tables.cc": write_tables(lib, idl),
            "com/class_objects.cc": write_objects(lib, idl),
        }
    except ValueError as e:
        raise IdlError(idl_path, *e.args)
    for rel, text in files.items():
        write_if_changed(os.path.join(out_dir, rel), text)


def main(argv):
    if len(argv) != 3:
        print("usage: idlgen.py IDL OUTDIR", file=sys.stderr)
        return 2
    try:
        generate(argv[1], argv[2])
    except IdlError as e:
        print(f"idlgen: {e}", file=sys.stderr)
        return 1
    except OSError as e:
        print(f"idlgen: {e.filename}: {e.strerror}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
