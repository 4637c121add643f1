#!/usr/bin/env python3
"""Drives the four classes late-bound from Python, as an automation script
would on Windows: properties as attributes, methods with Python values,
in/out parameters returned after the result, and a member's error.

usage: python_host.py [MODULE_DIR]   (a folder laid out by `keltrane --module-dir MODULE_DIR init --demo`)"""
import datetime
import sys

import keltrane

if len(sys.argv) > 1:
    keltrane.configure(module_dir=sys.argv[1])

with keltrane.Dispatch("Keltrane.clsProfile") as profile:
    profile.SetClientID = 42
    print("client id", profile.GetClientID)
    index, account = profile.GetAccountIDIndex(42)  # result, then the in/out parameter
    print("account", account, "at index", index)
    try:
        profile.SetMaxRecord = 2147483642
        profile.SetMaxRecord = 10
    except keltrane.ComError as e:
        print(f"error {e.number} from {e.source}: {e.description}")

with keltrane.Dispatch("Keltrane.clsINIData") as ini:
    print("MaxComPorts", ini.ini_get("Communications", "MaxComPorts", "20"))
    text, _ = ini.ChangeDateTimeToXMLFormat(datetime.datetime(2008, 3, 5, 14, 7, 9))
    print("XML date", text)

with keltrane.Dispatch("Keltrane.clsSubscriber") as subscriber:
    print("panel name 40:", subscriber.GetPanelName(40, ""))

with keltrane.Dispatch("Keltrane.clsCommon") as common:
    company, _ = common.GetCompanyIdFromPTRID(300)
    print("company of revision 300:", company)
