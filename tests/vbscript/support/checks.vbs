' Checks shared by the VBScript suites.  scripts/test-windows.sh runs every
' tests/vbscript/*.vbs with this file put in front of it (Wine's VBScript has
' no ExecuteGlobal to include it).  A suite ends with Finish, which prints its
' summary line and sets the exit code.  Wine's cscript stops at an error no
' On Error Resume Next catches without a word and with exit code 0, so the
' runner passes a suite only when its last line is that summary.
Option Explicit

Dim Suite, Checks, Failures
Suite = WScript.ScriptName
Checks = 0
Failures = 0

' A value as a message shows it: subtype and contents.
Function Shown(v)
  If IsObject(v) Then
    Shown = "Object"
  ElseIf IsArray(v) Then
    Shown = TypeName(v)
  ElseIf IsNull(v) Or IsEmpty(v) Then
    Shown = TypeName(v)
  Else
    Shown = TypeName(v) & " " & CStr(v)
  End If
End Function

' The same subtype and the same value.
Sub Expect(what, got, want)
  Checks = Checks + 1
  If Shown(got) = Shown(want) Then Exit Sub
  Failures = Failures + 1
  WScript.Echo Suite & ": FAIL " & what & ": got " & Shown(got) & ", want " & Shown(want)
End Sub

' The error the statement before it left in Err (0, "", "" for none); Err is
' cleared for the next statement.
Sub ExpectErr(what, number, source, description)
  Dim got
  got = Err.Number & " / " & Err.Source & " / " & Err.Description
  Err.Clear
  Expect what, got, number & " / " & source & " / " & description
End Sub

Sub Finish()
  If Failures = 0 Then
    WScript.Echo Suite & ": " & Checks & " checks passed"
    WScript.Quit 0
  End If
  WScript.Echo Suite & ": " & Failures & " of " & Checks & " checks failed"
  WScript.Quit 1
End Sub
