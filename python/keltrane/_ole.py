"""The object run time through ctypes: the structures of keltrane/oleauto.h
(x86-64 layouts), the libraries, strings, tagged values, arrays and the
slots of IUnknown, IDispatch and IErrorInfo."""

import ctypes
import datetime
import math
import os
import sys
import threading
from ctypes import (CFUNCTYPE, POINTER, Structure, Union, addressof, byref, c_char_p, c_double, c_float,
                    c_int8, c_int16, c_int32, c_int64, c_uint8, c_uint16, c_uint32, c_uint64, c_void_p)

HRESULT = c_int32

VT_EMPTY, VT_NULL, VT_I2, VT_I4, VT_R4, VT_R8, VT_DATE, VT_BSTR = 0, 1, 2, 3, 4, 5, 7, 8
VT_DISPATCH, VT_ERROR, VT_BOOL, VT_VARIANT, VT_I1, VT_UI1, VT_UI2, VT_UI4 = 9, 10, 11, 12, 16, 17, 18, 19
VT_I8, VT_UI8, VT_INT, VT_UINT = 20, 21, 22, 23
VT_ARRAY, VT_BYREF, VT_TYPEMASK = 0x2000, 0x4000, 0x0FFF

DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT = 1, 2, 4
DISPID_PROPERTYPUT = -3
LOCALE_USER_DEFAULT = 0x0400
CLSCTX_INPROC_SERVER = 1
MB_YESNO, IDOK, IDYES, IDNO = 4, 1, 6, 7

E_OUTOFMEMORY = 0x8007000E
E_FILE_NOT_FOUND = 0x80070002  # HRESULT of ERROR_FILE_NOT_FOUND
REGDB_E_CLASSNOTREG = 0x80040154
CO_E_OBJNOTCONNECTED = 0x800401FD
RPC_E_WRONG_THREAD = 0x8001010E
DISP_E_MEMBERNOTFOUND = 0x80020003
DISP_E_TYPEMISMATCH = 0x80020005
DISP_E_UNKNOWNNAME = 0x80020006
DISP_E_NONAMEDARGS = 0x80020007
DISP_E_BADVARTYPE = 0x80020008
DISP_E_EXCEPTION = 0x80020009
DISP_E_OVERFLOW = 0x8002000A
DISP_E_BADPARAMCOUNT = 0x8002000E

SOURCE = "keltrane"  # the source of the errors this package reports itself


class ComError(Exception):
    """A failed creation or call.  hresult is the status as an unsigned
    32-bit number; number is what a caller's Err.Number shows: n for run-time
    error n (0x800A0000 + n), else the status as a signed number."""

    def __init__(self, hresult, description="", source=""):
        hresult &= 0xFFFFFFFF
        super().__init__(hresult, description, source)
        self.hresult = hresult
        if self.hresult & 0xFFFF0000 == 0x800A0000:
            self.number = self.hresult & 0xFFFF
        else:
            self.number = self.hresult - (1 << 32) if self.hresult & 0x80000000 else self.hresult
        self.source = source
        self.description = description

    def __str__(self):
        where = f", {self.source}" if self.source else ""
        return f"{self.description or 'failed'} (0x{self.hresult:08X}{where})"


class GUID(Structure):
    _fields_ = [("Data1", c_uint32), ("Data2", c_uint16), ("Data3", c_uint16), ("Data4", c_uint8 * 8)]


class _Value(Union):
    _fields_ = [("llVal", c_int64), ("lVal", c_int32), ("iVal", c_int16), ("dblVal", c_double),
                ("boolVal", c_int16), ("ptr", c_void_p), ("record", c_void_p * 2)]


class VARIANT(Structure):
    _anonymous_ = ("u",)
    _fields_ = [("vt", c_uint16), ("wReserved1", c_uint16), ("wReserved2", c_uint16),
                ("wReserved3", c_uint16), ("u", _Value)]


class DISPPARAMS(Structure):
    _fields_ = [("rgvarg", c_void_p), ("rgdispidNamedArgs", c_void_p), ("cArgs", c_uint32),
                ("cNamedArgs", c_uint32)]


class EXCEPINFO(Structure):
    _fields_ = [("wCode", c_uint16), ("wReserved", c_uint16), ("bstrSource", c_void_p),
                ("bstrDescription", c_void_p), ("bstrHelpFile", c_void_p), ("dwHelpContext", c_uint32),
                ("pvReserved", c_void_p), ("pfnDeferredFillIn", c_void_p), ("scode", c_int32)]


assert ctypes.sizeof(VARIANT) == 24 and ctypes.sizeof(EXCEPINFO) == 64 and ctypes.sizeof(DISPPARAMS) == 24
_VALUE_OFFSET = VARIANT.u.offset

IID_NULL = GUID()
IID_IDispatch = GUID(0x00020400, 0, 0, (c_uint8 * 8)(0xC0, 0, 0, 0, 0, 0, 0, 0x46))
IID_IClassFactory = GUID(0x00000001, 0, 0, (c_uint8 * 8)(0xC0, 0, 0, 0, 0, 0, 0, 0x46))

# Slots (vtable indexes) and their prototypes; `this` comes first.
_ADDREF = (1, CFUNCTYPE(c_uint32, c_void_p))
_RELEASE = (2, CFUNCTYPE(c_uint32, c_void_p))
_GET_IDS_OF_NAMES = (5, CFUNCTYPE(HRESULT, c_void_p, POINTER(GUID), POINTER(c_void_p), c_uint32, c_uint32,
                                  POINTER(c_int32)))
_INVOKE = (6, CFUNCTYPE(HRESULT, c_void_p, c_int32, POINTER(GUID), c_uint32, c_uint16, POINTER(DISPPARAMS),
                        POINTER(VARIANT), POINTER(EXCEPINFO), POINTER(c_uint32)))
_GET_SOURCE = (4, CFUNCTYPE(HRESULT, c_void_p, POINTER(c_void_p)))
_GET_DESCRIPTION = (5, CFUNCTYPE(HRESULT, c_void_p, POINTER(c_void_p)))

BoxHandler = CFUNCTYPE(ctypes.c_int, c_void_p, c_char_p, c_char_p, c_uint32)


def _slot(this, slot):
    index, prototype = slot
    vtable = ctypes.cast(this, POINTER(POINTER(c_void_p)))[0]
    return prototype(vtable[index])


def release(this):
    _slot(this, _RELEASE)(this)


def ole_text(text):
    """A NUL-terminated UTF-16 copy of text for the run time's LPCOLESTR."""
    return ctypes.create_string_buffer(text.encode("utf-16-le", "surrogatepass") + b"\0\0")


def _check(hr, what, source=SOURCE):
    if hr < 0:
        raise ComError(hr, what, source)


_EPOCH = datetime.datetime(1899, 12, 30)


def date_to_ole(value):
    """An OLE automation date: days since 1899-12-30; before that day the
    whole days count back and the time of day still forward (-1.25 is
    1899-12-29 06:00)."""
    if not isinstance(value, datetime.datetime):
        value = datetime.datetime(value.year, value.month, value.day)
    day = (value.date() - _EPOCH.date()).days
    time = (value.hour * 3600 + value.minute * 60 + value.second + value.microsecond / 1e6) / 86400
    return day + time if day >= 0 else day - time


def ole_to_date(value):
    try:
        day = math.trunc(value)
        return _EPOCH + datetime.timedelta(days=day, milliseconds=round(abs(value - day) * 86400000))
    except (OverflowError, ValueError):
        raise ComError(DISP_E_OVERFLOW, f"the date {value!r} is outside the years 1 to 9999", SOURCE) from None


def _locate():
    """The folder of the libraries and the host's candidates: $KELTRANE_LIBDIR,
    else the install prefix this package was installed into."""
    libdir = os.environ.get("KELTRANE_LIBDIR")
    bindir = None
    try:
        from . import _layout
        prefix = os.path.join(os.path.dirname(os.path.abspath(__file__)), _layout.PREFIX)
        bindir = os.path.normpath(os.path.join(prefix, _layout.BINDIR))
        libdir = libdir or os.path.normpath(os.path.join(prefix, _layout.LIBDIR))
    except ImportError:
        pass
    if not libdir:
        raise ComError(E_FILE_NOT_FOUND, "this keltrane package is not installed with the libraries: set "
                       "KELTRANE_LIBDIR to the folder of libKeltrane.so", SOURCE)
    hosts = [os.path.join(libdir, "keltrane")]
    if bindir:
        hosts.append(os.path.join(bindir, "keltrane"))
    hosts.append(os.path.join(os.path.dirname(libdir), "bin", "keltrane"))
    return libdir, hosts


class Runtime:
    """libKeltraneRT.so and libKeltrane.so, loaded once per process."""

    def __init__(self):
        self.libdir, hosts = _locate()
        self.rt = self._load("libKeltraneRT.so.6", ctypes.RTLD_GLOBAL)
        self.lib = self._load("libKeltrane.so.6", ctypes.RTLD_LOCAL)
        found = [h for h in hosts if os.access(h, os.X_OK)]
        self.host = found[0] if found else None
        self.host_candidates = hosts
        self._declare()
        self.rt.CoInitialize(None)
        self.answer = "no"
        self._box_handler = BoxHandler(self._show_box)  # kept alive as long as the run time
        self.rt.KtSetMessageBoxHandler(self._box_handler, None)

    def _load(self, name, mode):
        path = os.path.join(self.libdir, name)
        try:
            return ctypes.CDLL(path, mode=mode)
        except OSError as e:
            raise ComError(E_FILE_NOT_FOUND, f"cannot load {path}: {e} (KELTRANE_LIBDIR names the folder of "
                           "libKeltrane.so)", SOURCE) from None

    def _declare(self):
        rt, p = self.rt, c_void_p
        for name, restype, argtypes in [
            ("SysAllocStringLen", p, [c_char_p, c_uint32]), ("SysFreeString", None, [p]),
            ("SysStringLen", c_uint32, [p]), ("VariantClear", HRESULT, [p]),
            ("VariantChangeType", HRESULT, [p, p, c_uint16, c_uint16]),
            ("SafeArrayCreateVector", p, [c_uint16, c_int32, c_uint32]), ("SafeArrayDestroy", HRESULT, [p]),
            ("SafeArrayPutElement", HRESULT, [p, POINTER(c_int32), p]), ("SafeArrayGetDim", c_uint32, [p]),
            ("SafeArrayGetElemsize", c_uint32, [p]), ("SafeArrayGetLBound", HRESULT, [p, c_uint32, p]),
            ("SafeArrayGetUBound", HRESULT, [p, c_uint32, p]), ("SafeArrayAccessData", HRESULT, [p, p]),
            ("SafeArrayUnaccessData", HRESULT, [p]), ("CLSIDFromString", HRESULT, [p, p]),
            ("CLSIDFromProgID", HRESULT, [p, p]), ("StringFromGUID2", ctypes.c_int, [p, p, ctypes.c_int]),
            ("CoInitialize", HRESULT, [p]), ("CoCreateInstance", HRESULT, [p, p, c_uint32, p, p]),
            ("CoRegisterClassObject", HRESULT, [p, p, c_uint32, c_uint32, p]),
            ("KtRegisterProgID", HRESULT, [c_char_p, p]), ("KtSetHostSetting", HRESULT, [c_char_p, c_char_p]),
            ("KtSetMessageBoxHandler", None, [BoxHandler, p]), ("GetErrorInfo", HRESULT, [c_uint32, p]),
            ("SetErrorInfo", HRESULT, [c_uint32, p]),
        ]:
            fn = getattr(rt, name)
            fn.restype, fn.argtypes = restype, argtypes
        self.lib.DllGetClassObject.restype = HRESULT
        self.lib.DllGetClassObject.argtypes = [p, p, p]

    # ---- message boxes: shown on stderr and answered as the host does ----
    def _show_box(self, _context, text, title, style):
        yes_no = style & 0xF == MB_YESNO
        yes = yes_no and self.answer == "yes"
        shown = (text or b"").decode("utf-8", "replace").replace("\r", "\n")
        answer = (" -> Yes" if yes else " -> No") if yes_no else ""
        sys.stderr.write(f"[{(title or b'').decode('utf-8', 'replace')}] {shown}{answer}\n")
        return (IDYES if yes else IDNO) if yes_no else IDOK

    def set_setting(self, name, value):
        _check(self.rt.KtSetHostSetting(name.encode(), None if value is None else value.encode()),
               f"cannot set the host setting {name}")

    # ---- strings and class ids ----
    def bstr(self, text):
        data = text.encode("utf-16-le", "surrogatepass")
        b = self.rt.SysAllocStringLen(data, len(data) // 2)
        if not b:
            raise ComError(E_OUTOFMEMORY, "out of memory for a string", SOURCE)
        return b

    def text(self, b):
        return ctypes.string_at(b, 2 * self.rt.SysStringLen(b)).decode("utf-16-le", "surrogatepass") if b else ""

    def guid_text(self, guid):
        buffer = ctypes.create_string_buffer(80)
        self.rt.StringFromGUID2(byref(guid), buffer, 40)
        return buffer.raw.decode("utf-16-le").split("\0", 1)[0]

    def clsid(self, target):
        """The class id of a ProgID (any case) or of a class id in braces."""
        guid = GUID()
        self.clear_error()
        convert = self.rt.CLSIDFromString if target.startswith("{") else self.rt.CLSIDFromProgID
        hr = convert(ole_text(target), byref(guid))
        if hr < 0:
            raise self.error(hr, f"{target} is not a known ProgID or class id")
        return guid

    # ---- errors ----
    def clear_error(self):
        self.rt.SetErrorInfo(0, None)

    def error(self, hr, fallback, source=SOURCE):
        """ComError from the thread's error information, or from fallback."""
        info = c_void_p()
        if self.rt.GetErrorInfo(0, byref(info)) == 0 and info.value:
            try:
                found = []
                for slot in (_GET_SOURCE, _GET_DESCRIPTION):
                    b = c_void_p()
                    _slot(info, slot)(info, byref(b))
                    found.append(self.text(b.value))
                    self.rt.SysFreeString(b)
                return ComError(hr, found[1] or fallback, found[0] or source)
            finally:
                release(info)
        return ComError(hr, fallback, source)

    # ---- class objects and instances ----
    def register_class(self, clsid, progid):
        """Makes a class of libKeltrane.so creatable in this process by class id
        and ProgID, as the keltrane host does."""
        factory = c_void_p()
        if self.lib.DllGetClassObject(byref(clsid), byref(IID_IClassFactory), byref(factory)) < 0:
            raise self.error(REGDB_E_CLASSNOTREG, f"libKeltrane.so has no class object for {progid}")
        try:
            cookie = c_uint32()
            _check(self.rt.CoRegisterClassObject(byref(clsid), factory, CLSCTX_INPROC_SERVER, 1, byref(cookie)),
                   f"cannot register the class object of {progid}")
        finally:
            release(factory)
        self.rt.KtRegisterProgID(progid.encode(), byref(clsid))

    def create(self, clsid, name):
        this = c_void_p()
        self.clear_error()
        hr = self.rt.CoCreateInstance(byref(clsid), None, CLSCTX_INPROC_SERVER, byref(IID_IDispatch), byref(this))
        if hr < 0:
            raise self.error(hr, f"cannot create {name}")
        return this.value

    def dispid(self, this, name):
        """The dispatch id of name (any case), or None when there is none."""
        text = ole_text(name)
        names = (c_void_p * 1)(addressof(text))
        dispid = c_int32()
        self.clear_error()
        hr = _slot(this, _GET_IDS_OF_NAMES)(this, byref(IID_NULL), names, 1, LOCALE_USER_DEFAULT, byref(dispid))
        if hr < 0:
            self.clear_error()
            return None
        return dispid.value

    # ---- values ----
    def to_variant(self, value, v, declared=None):
        """Fills the empty VARIANT v with value: its natural type, which Invoke
        then coerces to the declared one; a list becomes an array of the
        declared element type, None an unallocated array there."""
        element = {"SAFEARRAY(BSTR)": VT_BSTR, "SAFEARRAY(I4)": VT_I4}.get(declared)
        if element is not None and (value is None or isinstance(value, (list, tuple))):
            v.vt, v.ptr = VT_ARRAY | element, None if value is None else self._safearray(value, element)
        elif value is None:
            # A text parameter takes None as the empty text, as the host's null does.
            v.vt = VT_BSTR if declared == "BSTR" else VT_NULL
        elif isinstance(value, bool):
            v.vt, v.boolVal = VT_BOOL, -1 if value else 0
        elif isinstance(value, int):
            if -(1 << 31) <= value < (1 << 31):
                v.vt, v.lVal = VT_I4, value
            elif -(1 << 63) <= value < (1 << 63):
                v.vt, v.llVal = VT_I8, value
            else:
                raise ComError(DISP_E_OVERFLOW, f"{value} does not fit in 64 bits", SOURCE)
        elif isinstance(value, float):
            v.vt, v.dblVal = VT_R8, value
        elif isinstance(value, str):
            v.vt, v.ptr = VT_BSTR, self.bstr(value)
        elif isinstance(value, datetime.date):
            v.vt, v.dblVal = VT_DATE, date_to_ole(value)
        elif isinstance(value, (list, tuple)):
            v.vt, v.ptr = VT_ARRAY | VT_VARIANT, self._safearray(value, VT_VARIANT)
        else:
            raise ComError(DISP_E_TYPEMISMATCH, f"values of type {type(value).__name__} cannot be passed", SOURCE)

    def _safearray(self, items, element):
        sa = self.rt.SafeArrayCreateVector(element, 0, len(items))
        if not sa:
            raise ComError(E_OUTOFMEMORY, "out of memory for an array", SOURCE)
        try:
            for i, item in enumerate(items):
                tmp = VARIANT()
                try:
                    self.to_variant(item, tmp)
                    if element != VT_VARIANT:
                        _check(self.rt.VariantChangeType(byref(tmp), byref(tmp), 0, element),
                               f"element {i} of a list, {item!r}, does not convert to the array's type")
                    at = tmp.ptr if element == VT_BSTR else addressof(tmp) + (0 if element == VT_VARIANT else
                                                                               _VALUE_OFFSET)
                    _check(self.rt.SafeArrayPutElement(sa, byref(c_int32(i)), at), f"cannot store element {i}")
                finally:
                    self.rt.VariantClear(byref(tmp))
        except BaseException:
            self.rt.SafeArrayDestroy(sa)
            raise
        return sa

    _SCALARS = {VT_I2: c_int16, VT_I4: c_int32, VT_R4: c_float, VT_R8: c_double, VT_ERROR: c_int32,
                VT_I1: c_int8, VT_UI1: c_uint8, VT_UI2: c_uint16, VT_UI4: c_uint32, VT_I8: c_int64,
                VT_UI8: c_uint64, VT_INT: c_int32, VT_UINT: c_uint32}

    def from_variant(self, v):
        if v.vt == VT_BYREF | VT_VARIANT:
            return self.from_variant(VARIANT.from_address(v.ptr))
        if v.vt & VT_ARRAY:
            return self._list(v.ptr, v.vt & VT_TYPEMASK)
        return self._value(v.vt, addressof(v) + _VALUE_OFFSET)

    def _value(self, vt, at):
        if vt in (VT_EMPTY, VT_NULL):
            return None
        if vt in self._SCALARS:
            return self._SCALARS[vt].from_address(at).value
        if vt == VT_BOOL:
            return c_int16.from_address(at).value != 0
        if vt == VT_BSTR:
            return self.text(c_void_p.from_address(at).value)
        if vt == VT_DATE:
            return ole_to_date(c_double.from_address(at).value)
        raise ComError(DISP_E_BADVARTYPE, f"a value of type 0x{vt:04X} cannot be returned to Python", SOURCE)

    def _list(self, sa, element):
        if not sa:
            return None  # an unallocated array
        if self.rt.SafeArrayGetDim(sa) != 1:
            raise ComError(DISP_E_BADVARTYPE, "only arrays of one dimension are returned to Python", SOURCE)
        lower, upper, data = c_int32(), c_int32(), c_void_p()
        self.rt.SafeArrayGetLBound(sa, 1, byref(lower))
        self.rt.SafeArrayGetUBound(sa, 1, byref(upper))
        size = self.rt.SafeArrayGetElemsize(sa)
        _check(self.rt.SafeArrayAccessData(sa, byref(data)), "cannot read an array")
        try:
            return [self.from_variant(VARIANT.from_address(data.value + i * size)) if element == VT_VARIANT
                    else self._value(element, data.value + i * size) for i in range(upper.value - lower.value + 1)]
        finally:
            self.rt.SafeArrayUnaccessData(sa)

    # ---- calls ----
    def invoke(self, this, dispid, flags, args, params, name, source):
        """One IDispatch::Invoke.  params: the declared (type, dir) of each
        argument where known.  In/out arguments go by reference to a VARIANT,
        which the call leaves holding the final value.  Returns the result
        and the final values of the in/out arguments."""
        n = len(args)
        values, passed = (VARIANT * n)(), (VARIANT * n)()  # declaration order; last first
        result, excep, arg_err = VARIANT(), EXCEPINFO(), c_uint32(0)
        named = c_int32(DISPID_PROPERTYPUT)
        byref_at = [i for i in range(n) if i < len(params) and params[i][1] == "inout"]
        try:
            for i, value in enumerate(args):
                self.to_variant(value, values[i], params[i][0] if i < len(params) else None)
                if i in byref_at:
                    # A typed reference, as a client with the type information
                    # passes it: the dispatch refuses a reference to a VARIANT
                    # for a typed by-reference parameter, as the system's does.
                    vt = _DECLARED_VT.get(params[i][0], VT_VARIANT)
                    if vt == VT_VARIANT:
                        passed[n - 1 - i].vt, passed[n - 1 - i].ptr = VT_BYREF | VT_VARIANT, addressof(values[i])
                    else:
                        if values[i].vt != vt:
                            hr = self.rt.VariantChangeType(byref(values[i]), byref(values[i]), 0, vt)
                            if hr < 0:
                                raise self.error(hr, self._describe(hr, name, flags, params, n, i), source)
                        passed[n - 1 - i].vt = VT_BYREF | vt
                        passed[n - 1 - i].ptr = addressof(values[i]) + _VALUE_OFFSET
                else:
                    ctypes.memmove(addressof(passed[n - 1 - i]), addressof(values[i]), ctypes.sizeof(VARIANT))
            put = flags == DISPATCH_PROPERTYPUT
            dp = DISPPARAMS(addressof(passed) if n else None, addressof(named) if put else None, n, int(put))
            self.clear_error()
            hr = _slot(this, _INVOKE)(this, dispid, byref(IID_NULL), LOCALE_USER_DEFAULT, flags, byref(dp),
                                      byref(result), byref(excep), byref(arg_err))
            if hr & 0xFFFFFFFF == DISP_E_EXCEPTION:
                raise self._exception(excep, name, source)
            if hr < 0:
                raise self.error(hr, self._describe(hr, name, flags, params, n, n - 1 - arg_err.value), source)
            return self.from_variant(result), [self.from_variant(values[i]) for i in byref_at]
        finally:
            self.rt.VariantClear(byref(result))
            for i in range(n):
                self.rt.VariantClear(byref(values[i]))

    def _exception(self, excep, name, source):
        if excep.pfnDeferredFillIn:
            CFUNCTYPE(HRESULT, POINTER(EXCEPINFO))(excep.pfnDeferredFillIn)(byref(excep))
        self.clear_error()  # the member's error information is in excep too
        error = ComError(excep.scode, self.text(excep.bstrDescription) or f"{name} failed",
                         self.text(excep.bstrSource) or source)
        for b in (excep.bstrSource, excep.bstrDescription, excep.bstrHelpFile):
            self.rt.SysFreeString(b)
        return error

    @staticmethod
    def _describe(hr, name, flags, params, count, position):
        hr &= 0xFFFFFFFF
        if hr in (DISP_E_TYPEMISMATCH, DISP_E_OVERFLOW) and 0 <= position < count:
            what = "Type mismatch" if hr == DISP_E_TYPEMISMATCH else "Overflow"
            param = f" ({params[position][2]})" if position < len(params) else ""
            return f"{what} in argument {position + 1}{param} of {name}"
        if hr == DISP_E_BADPARAMCOUNT:
            return f"{name} takes {len(params)} argument(s), {count} given"
        if hr == DISP_E_MEMBERNOTFOUND:
            verb = {DISPATCH_PROPERTYGET: "read", DISPATCH_PROPERTYPUT: "written"}.get(flags, "called")
            return f"{name} cannot be {verb}"
        return f"{name} failed"


# The VARIANT type of each declared parameter type of the member listing.
_DECLARED_VT = {"I2": VT_I2, "I4": VT_I4, "BOOL": VT_BOOL, "BSTR": VT_BSTR, "DATE": VT_DATE,
                "SAFEARRAY(BSTR)": VT_ARRAY | VT_BSTR, "SAFEARRAY(I4)": VT_ARRAY | VT_I4}

_runtime = None
_runtime_lock = threading.Lock()


def runtime():
    global _runtime
    with _runtime_lock:
        if _runtime is None:
            _runtime = Runtime()
        return _runtime
