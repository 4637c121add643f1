"""Late-bound calls on the Keltrane classes from Python, the way automation
scripts call them on Windows:

    import keltrane
    with keltrane.Dispatch("Keltrane.clsProfile") as profile:
        profile.SetClientID = 42           # a property write
        print(profile.GetClientID)         # a property read
        index, account = profile.GetAccountIDIndex(42)   # result, then in/out values

Names resolve through IDispatch::GetIDsOfNames in any case.  Arguments are
passed as VARIANTs of their natural type (str, int, bool, float, None for
Null, a datetime for a date, a list for an array) and IDispatch::Invoke
coerces them to the declared types; the library's member listing says which
parameters are in/out.  A method with in/out parameters returns its result
(when it has one) followed by their final values, a tuple when that is more
than one value.  A failure raises ComError.

Objects are released when collected or when their `with` block ends; each
object belongs to the thread that created it.  The libraries are found
beside the install prefix this package was installed into, or in
$KELTRANE_LIBDIR.
"""

import json
import os
import subprocess
import threading

from . import _ole
from ._ole import ComError

ComError.__module__ = __name__  # shown as keltrane.ComError

__all__ = ["ComError", "Dispatch", "configure"]

_classes = None
_classes_lock = threading.Lock()


class _Class:
    """One class of the library as its member listing describes it."""

    def __init__(self, entry):
        self.progid = entry["progid"]
        self.members = {}  # dispatch id -> the members it names (a property's read and write)
        for m in entry["members"]:
            dispid = int(m["dispid"], 16)
            dispid -= (1 << 32) if dispid & 0x80000000 else 0
            m["args"] = [(p["type"], p["dir"], p["name"]) for p in m["params"]]
            self.members.setdefault(dispid, []).append(m)
        self.names = sorted({m["name"] for ms in self.members.values() for m in ms})
        self.dispids = {}  # lower-case name -> dispatch id, as GetIDsOfNames answered


def _library_classes():
    """The library's classes by class id, from the listing of the keltrane host
    installed with it; each made creatable in this process on first use."""
    global _classes
    with _classes_lock:
        if _classes is None:
            rt = _ole.runtime()
            if rt.host is None:
                raise ComError(_ole.E_FILE_NOT_FOUND, "the keltrane host, which lists the library's members, is "
                               "in none of " + ", ".join(rt.host_candidates), _ole.SOURCE)
            try:
                run = subprocess.run([rt.host, "classes"], capture_output=True, timeout=60)
                listing = json.loads(run.stdout) if run.returncode == 0 else None
            except (OSError, subprocess.TimeoutExpired, ValueError) as e:
                raise ComError(_ole.E_FILE_NOT_FOUND, f"{rt.host} classes: {e}", _ole.SOURCE) from None
            if listing is None:
                raise ComError(_ole.E_FILE_NOT_FOUND, f"{rt.host} classes failed: "
                               + run.stderr.decode("utf-8", "replace").strip(), _ole.SOURCE)
            classes = {}
            for entry in listing:
                clsid = rt.clsid(entry["clsid"])
                rt.register_class(clsid, entry["progid"])
                classes[entry["clsid"].upper()] = _Class(entry)
            _classes = classes
        return _classes


def configure(*, module_dir=None, windows_dir=None, db=None, log=None, log_max_bytes=None, log_keep=None,
              answer=None):
    """Hands settings to the libraries as the keltrane host's options of the
    same names do; they hold for the whole process from the next call on.
    None leaves a setting as it is; "" returns it to its default (the
    library's folder, Windows/ beside it, $KELTRANE_DB else Storage/Suite.db,
    Storage/Keltrane.log, 10485760 bytes, 5 files, "no")."""
    rt = _ole.runtime()
    if answer is not None:
        if answer not in ("yes", "no", ""):
            raise ValueError(f'answer must be "yes" or "no", not {answer!r}')
        rt.answer = answer or "no"
    for name, value, is_path in (("module-dir", module_dir, True), ("windows-dir", windows_dir, True),
                                 ("db", db, False), ("log", log, True), ("log-max-bytes", log_max_bytes, False),
                                 ("log-keep", log_keep, False)):
        if value is None:
            continue
        value = os.fspath(value) if is_path else str(value)
        if name.startswith("log-") and value and not (value.isdigit() and value.isascii()):
            raise ValueError(f"{name.replace('-', '_')} must be a non-negative whole number, not {value!r}")
        rt.set_setting(name, (os.path.abspath(value) if is_path else value) if value else None)


class Dispatch:
    """An instance of one of the library's classes, by ProgID (any case) or
    class id in braces, reached through its IDispatch."""

    def __init__(self, target):
        object.__setattr__(self, "_this", None)
        rt = _ole.runtime()
        classes = _library_classes()
        clsid = rt.clsid(target)
        cls = classes.get(rt.guid_text(clsid).upper())
        if cls is None:
            raise ComError(_ole.REGDB_E_CLASSNOTREG, f"{target} is not a class of libKeltrane.so (its classes: "
                           + ", ".join(c.progid for c in classes.values()) + ")", _ole.SOURCE)
        object.__setattr__(self, "_cls", cls)
        object.__setattr__(self, "_thread", threading.get_ident())
        object.__setattr__(self, "_this", rt.create(clsid, cls.progid))

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self._release()

    def __del__(self):
        self._release()

    def _release(self):
        this = self.__dict__.get("_this")
        if this:
            object.__setattr__(self, "_this", None)
            _ole.release(this)

    def __repr__(self):
        state = "" if self._this else " (released)"
        return f"<keltrane.Dispatch {self._cls.progid}{state}>" if "_cls" in self.__dict__ else "<keltrane.Dispatch>"

    def __dir__(self):
        return list(super().__dir__()) + self._cls.names

    def __getattr__(self, name):
        if name.startswith("_"):
            raise AttributeError(name)
        dispid, members = self._member(name)
        kinds = {m["kind"]: m for m in members}
        if "method" in kinds:
            return _Method(self, dispid, kinds["method"])
        # A property read; the library answers for a property it can only write.
        return self._invoke(dispid, _ole.DISPATCH_PROPERTYGET, (), kinds.get("propget"), name)[0]

    def __setattr__(self, name, value):
        if name.startswith("_"):
            raise AttributeError(f"{name} cannot be set on a keltrane.Dispatch")
        dispid, members = self._member(name)
        put = next((m for m in members if m["kind"] == "propput"), None)
        self._invoke(dispid, _ole.DISPATCH_PROPERTYPUT, (value,), put, name)

    def _check(self):
        if not self._this:
            raise ComError(_ole.CO_E_OBJNOTCONNECTED, f"this {self._cls.progid} object was released", _ole.SOURCE)
        if threading.get_ident() != self._thread:
            raise ComError(_ole.RPC_E_WRONG_THREAD, f"this {self._cls.progid} object belongs to the thread that "
                           "created it: create one in each thread", _ole.SOURCE)

    def _member(self, name):
        key = name.lower()
        dispid = self._cls.dispids.get(key)
        if dispid is None:
            self._check()
            dispid = _ole.runtime().dispid(self._this, name)
            if dispid is None:
                raise AttributeError(f"{self._cls.progid} has no member {name!r}")
            self._cls.dispids[key] = dispid
        return dispid, self._cls.members.get(dispid, [])

    def _invoke(self, dispid, flags, args, member, name):
        self._check()
        params = member["args"] if member else []
        return _ole.runtime().invoke(self._this, dispid, flags, args, params, member["name"] if member else name,
                                     self._cls.progid)


class _Method:
    """A method of one object; calling it calls the member."""

    def __init__(self, owner, dispid, member):
        self._owner, self._dispid, self._member = owner, dispid, member

    def __call__(self, *args):
        m = self._member
        result, outs = self._owner._invoke(self._dispid, _ole.DISPATCH_METHOD, args, m, m["name"])
        if not outs:
            return result
        values = outs if m["result"] is None else [result] + outs
        return values[0] if len(values) == 1 else tuple(values)

    def __repr__(self):
        params = ", ".join(("ByRef " if d == "inout" else "") + f"{n} As {t}" for t, d, n in self._member["args"])
        result = f" As {self._member['result']}" if self._member["result"] else ""
        return f"<method {self._owner._cls.progid}.{self._member['name']}({params}){result}>"
