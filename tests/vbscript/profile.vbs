' clsProfile late-bound, called as a script calls it: a script's variables
' are Variants, and a variable passed to a member goes as a reference to a
' Variant unless it is put in parentheses.
Const kRuntime = "Microsoft VBScript runtime error"
Dim p, q, names, i, n, s, k, arr, fixed(2), row

Set p = CreateObject("Keltrane.clsProfile")

' The four ids: write-only Set* and read-only Get* properties of a by-value
' Long, so a variable, a literal and convertible text all pass.
Expect "fresh GetClientID", p.GetClientID, CLng(0)
n = 11
p.SetClientID = n
p.SetAccountID = 12
p.SetRequestID = "13"
p.SetCommandID = n + 3
Expect "GetClientID", p.GetClientID, CLng(11)
Expect "GetAccountID", p.GetAccountID, CLng(12)
Expect "GetRequestID", p.GetRequestID, CLng(13)
Expect "GetCommandID", p.GetCommandID, CLng(14)
Expect "a name in any case", p.getclientid, CLng(11)
Expect "the variable passed by value", Shown(n), "Integer 11"

' Arguments the dispatch refuses before the member runs.
For Each row In Array( _
    Array("abc", 13, "Type mismatch"), _
    Array(3000000000, 6, "Overflow"), _
    Array(Null, 13, "Type mismatch"))
  On Error Resume Next
  p.SetClientID = row(0)
  ExpectErr "SetClientID = " & Shown(row(0)), row(1), kRuntime, row(2)
  On Error GoTo 0
Next
Expect "GetClientID after refused writes", p.GetClientID, CLng(11)

On Error Resume Next
n = p.SetClientID
ExpectErr "reading write-only SetClientID", 438, kRuntime, "Object doesn't support this property or method"
p.GetClientID = 1
ExpectErr "writing read-only GetClientID", 438, kRuntime, "Object doesn't support this property or method"
n = p.GetAccountIDIndex(1, 2)
ExpectErr "two arguments for one", 450, kRuntime, "Wrong number of arguments or invalid property assignment"
p.SetCommands "x", 1, 40000
ExpectErr "40000 for a 16-bit parameter", 6, kRuntime, "Overflow"
On Error GoTo 0

' Typed by-reference parameters (Long, String, Integer, arrays) take values:
' a literal, an expression or a variable in parentheses is a coerced copy,
' and the member runs.  A property write passes a variable in parentheses by
' reference all the same, so it takes an expression.
p.SetMaxRecord = 5
p.SetMaxRecord = "7"
n = 3
p.SetMaxRecord = n + 0
Expect "GetMaxRecord adds what SetMaxRecord is given", p.GetMaxRecord, CLng(15)
s = "text"
p.SetCommands (s), (n), (n)
p.SetCommands "x", 1, 2
p.DeleteClientEntry 0
p.GetRequestIDStatus 1
p.AddClientEntry
p.GetProfileFile
p.ResetCommands
p.ReadFromProfile
Expect "a member without a result gives Empty", p.AddClientEntry(), Empty
Expect "GetConnectionStatus", p.GetConnectionStatus, False
' With no entries, the account lookup takes its error path: index 0, client,
' request and command ids -1, account id 0.
Expect "GetAccountIDIndex(5)", p.GetAccountIDIndex(5), CInt(0)
Expect "GetAccountIDIndex((n))", p.GetAccountIDIndex((n)), CInt(0)
Expect "GetClientID after the lookup", p.GetClientID, CLng(-1)
Expect "GetAccountID after the lookup", p.GetAccountID, CLng(0)
Expect "GetRequestID after the lookup", p.GetRequestID, CLng(-1)

' A variable there is a reference to a Variant, refused as the system's
' type-library dispatch refuses it: error 13, the member does not run and the
' variable keeps its value and subtype.
n = 5
s = "text"
arr = Array("a", "b")
On Error Resume Next
p.SetMaxRecord = n
ExpectErr "SetMaxRecord = variable", 13, kRuntime, "Type mismatch"
Expect "GetMaxRecord after the refused write", p.GetMaxRecord, CLng(15)
k = p.GetAccountIDIndex(n)
ExpectErr "GetAccountIDIndex(variable)", 13, kRuntime, "Type mismatch"
Expect "the Integer variable", Shown(n), "Integer 5"
p.DeleteClientEntry n
ExpectErr "DeleteClientEntry variable", 13, kRuntime, "Type mismatch"
p.SetCommands s, 1, 2
ExpectErr "SetCommands variable, 1, 2", 13, kRuntime, "Type mismatch"
p.GetCommands arr, Empty
ExpectErr "GetCommands array variable", 13, kRuntime, "Type mismatch"
p.ReorderCommands fixed, Empty
ExpectErr "ReorderCommands fixed-size array", 13, kRuntime, "Type mismatch"
' A script's arrays hold Variants, so even one passed by value is no array of
' String.
p.GetCommands Array("a"), Empty
ExpectErr "GetCommands Array(...)", 13, kRuntime, "Type mismatch"
On Error GoTo 0
Expect "the Integer variable at the end", Shown(n), "Integer 5"
Expect "the String variable", Shown(s), "String text"
Expect "the array variable", UBound(arr) & arr(1), "1b"

' An error the member raises arrives with its number, source and description.
Set q = CreateObject("Keltrane.clsProfile")
q.SetMaxRecord = 2147483647
On Error Resume Next
q.SetMaxRecord = 1
ExpectErr "SetMaxRecord past 32 bits", 6, "Keltrane.clsProfile", "Overflow"
On Error GoTo 0
Expect "the count stays", q.GetMaxRecord, CLng(2147483647)

Finish
