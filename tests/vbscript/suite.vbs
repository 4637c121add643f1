' clsINIData and clsCommon over the demo Storage folder beside the DLLs'
' folder (keltrane.exe init --demo lays it out first), reaching the suite's
' components, the INI file and the database from a script.
Dim ini, c, ptr

Set ini = CreateObject("Keltrane.clsINIData")
Expect "ini_get of the demo file", ini.ini_get("Communications", "MaxComPorts", "x"), "20"
Expect "ini_get of a missing key", ini.ini_get("Communications", "NoSuchKey", "dflt"), "dflt"
ini.ini_write "Script", "Written", 42
Expect "ini_write read back", ini.ini_get("Script", "Written", ""), "42"

Set c = CreateObject("Keltrane.clsCommon")
' The id is a by-reference Long: a literal goes by value, a variable in
' parentheses too.
Expect "GetCompanyIdFromPTRID of a demo revision", c.GetCompanyIdFromPTRID(299), CLng(1)
ptr = 299
Expect "the same id from a variable in parentheses", c.GetCompanyIdFromPTRID((ptr)), CLng(1)
Expect "an unknown revision", c.GetCompanyIdFromPTRID(1), CLng(0)

Finish
