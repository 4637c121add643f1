' Creating the classes by ProgID, as the suite's scripts do, and what an
' unknown ProgID or member gives.
Const kRuntime = "Microsoft VBScript runtime error"
Dim progid, o

For Each progid In Array("Keltrane.clsSubscriber", "Keltrane.clsINIData", "Keltrane.clsProfile", "Keltrane.clsCommon")
  Set o = Nothing
  On Error Resume Next
  Set o = CreateObject(progid)
  ExpectErr "CreateObject(""" & progid & """)", 0, "", ""
  o.NoSuchMember 1
  ExpectErr progid & ".NoSuchMember", 438, kRuntime, "Object doesn't support this property or method"
  On Error GoTo 0
Next

On Error Resume Next
Set o = CreateObject("Keltrane.clsNoSuchClass")
ExpectErr "CreateObject of an unknown ProgID", 429, kRuntime, "ActiveX component can't create object"
On Error GoTo 0

Finish
