"""keltrane.Dispatch over the four classes: properties, methods with
Python values, in/out parameters, errors, release and threads."""
import datetime
import threading

import pytest

import keltrane
from keltrane import _ole

PROFILE, INI, SUBSCRIBER, COMMON = ("Keltrane.clsProfile", "Keltrane.clsINIData", "Keltrane.clsSubscriber",
                                    "Keltrane.clsCommon")


def live_objects():
    return _ole.runtime().lib.DllCanUnloadNow() != 0


def test_properties_read_and_write_in_any_case():
    with keltrane.Dispatch("keltrane.CLSPROFILE") as p:
        p.setclientid = 42
        p.SetMaxRecord = 7  # an in/out parameter of a property write
        assert (p.GetClientID, p.GETMAXRECORD) == (42, 7)


@pytest.mark.parametrize("target, member, args, expected", [
    (PROFILE, "GetConnectionStatus", (), False),
    (PROFILE, "GetAccountIDIndex", (42,), (0, 42)),  # result, then the in/out value
    (PROFILE, "SetCommands", ("A", 7.5, True), ("A", 8, -1)),  # coerced to BSTR, I4, I2 and handed back
    (PROFILE, "ReorderCommands", (["x", "y"], [1, "2"]), (["x", "y"], [1, 2])),
    (PROFILE, "GetCommands", (None, None), (None, None)),  # unallocated arrays
    (INI, "ini_get", ("Communications", "MaxComPorts", "-"), "20"),
    (INI, "command_Line_Get", ("U", None, "/U=5"), "5"),
    (INI, "ChangeDateTimeToXMLFormat", (datetime.datetime(1899, 12, 29, 6),),
     ("1899-12-29T06:00:00", datetime.datetime(1899, 12, 29, 6))),
    (INI, "GetModemInformation", (1, 1, None), (1, 1, ["", "COM1", "", "COM3"])),
    (SUBSCRIBER, "GetPanelName", (40, ""), "TV-2000 EU"),  # one in/out value alone
    (SUBSCRIBER, "GetPanelName", (40, None), "TV-2000 EU"),  # None for a text: the empty text
    (SUBSCRIBER, "GetSubscriber_Information", (1,) + ("",) * 6,
     ("Harlow", "Mina", "RG1", "100001", "555-0142", "Modem")),
    ("{45068536-C6D5-4544-8071-6B8E5A418891}", "GetCompanyIdFromPTRID", (300,), (1, 300)),  # clsCommon
])
def test_methods_convert_arguments_and_return_in_out_values(target, member, args, expected):
    with keltrane.Dispatch(target) as o:
        assert getattr(o, member)(*args) == expected


@pytest.mark.parametrize("value, stored", [("text", "text"), (7, "7"), (2.5, "2.5"), (True, "True"),
                                           (None, "default")])  # Null: nothing written
def test_values_reach_a_variant_parameter(value, stored):
    with keltrane.Dispatch(INI) as ini:
        ini.ini_write("Python", "Key", value)
        assert ini.ini_get("Python", "Key", "default") == stored
        ini.ini_write("Python", "Key", "")


def set_max_record(p):
    p.SetMaxRecord = 2147483642
    p.SetMaxRecord = 10


@pytest.mark.parametrize("call, hresult, number, source, description", [
    (set_max_record, 0x800A0006, 6, PROFILE, "Overflow"),
    (lambda p: setattr(p, "SetClientID", "abc"), 0x80020005, -2147352571, PROFILE,
     "Type mismatch in argument 1 (lNewValue) of SetClientID"),
    (lambda p: p.GetAccountIDIndex(2 ** 40), 0x8002000A, -2147352566, PROFILE,
     "Overflow in argument 1 (lAccountId) of GetAccountIDIndex"),
    (lambda p: p.GetAccountIDIndex(), 0x8002000E, -2147352562, PROFILE, "GetAccountIDIndex takes 1 argument"),
    (lambda p: p.SetClientID, 0x80020003, -2147352573, PROFILE, "SetClientID cannot be read"),
    (lambda p: p.SetCommands(object(), 1, 1), 0x80020005, -2147352571, "keltrane", "values of type object cannot be passed"),
    (lambda p: keltrane.Dispatch("Keltrane.clsNothing"), 0x800401F3, -2147221005, "KeltraneRT",
     "ProgID Keltrane.clsNothing is not registered"),
], ids=["member_error", "type_mismatch", "overflow", "argument_count", "write_only", "python_type", "unknown_progid"])
def test_failures_raise_com_error(call, hresult, number, source, description):
    with keltrane.Dispatch(PROFILE) as p, pytest.raises(keltrane.ComError) as caught:
        call(p)
    e = caught.value
    assert (e.hresult, e.number, e.source) == (hresult, number, source)
    assert e.description.startswith(description)


def test_unknown_names_are_attribute_errors():
    with keltrane.Dispatch(PROFILE) as p:
        assert not hasattr(p, "NoSuchMember")


def test_objects_release_on_collection_and_after_with():
    p = keltrane.Dispatch(PROFILE)
    assert live_objects()
    del p
    assert not live_objects()
    with keltrane.Dispatch(PROFILE) as p:
        assert live_objects()
    assert not live_objects()
    with pytest.raises(keltrane.ComError) as caught:
        p.GetClientID
    assert caught.value.hresult == 0x800401FD


def test_threads_use_their_own_objects():
    shared, seen = keltrane.Dispatch(PROFILE), {}

    def work(n):
        with keltrane.Dispatch(PROFILE) as p:
            for i in range(200):
                p.SetClientID = n * 1000 + i
                assert p.GetClientID == n * 1000 + i
        try:
            shared.GetClientID
        except keltrane.ComError as e:
            seen[n] = e.hresult

    threads = [threading.Thread(target=work, args=(n,)) for n in (1, 2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert seen == {1: 0x8001010E, 2: 0x8001010E}


def test_settings_reach_the_libraries(site):
    with keltrane.Dispatch(COMMON) as c:
        c.getViewLogEnabledValues(300, 299, 0, 0, 0, 0)
    assert "getViewLogEnabledValues" in (site / "Keltrane.log").read_text()
    with pytest.raises(ValueError):
        keltrane.configure(answer="maybe")


@pytest.mark.parametrize("answer, stored", [("yes", "9"), ("no", "4")])
def test_answer_decides_a_yes_no_box(answer, stored, capfd):
    keltrane.configure(answer=answer)
    try:
        with keltrane.Dispatch(INI) as ini:
            ini.ini_write("Comm", "Port", "4")
            ini.CommandLineArgument = "/Port=9"  # a property read and written under one name
            assert (ini.commandlineargument, ini.get_command_line_option("Comm", "Port", "1", "")) == ("/Port=9", "9")
            assert ini.ini_get("Comm", "Port", "") == stored
    finally:
        keltrane.configure(answer="")
    assert "Update ini file? -> " + answer.capitalize() in capfd.readouterr().err
