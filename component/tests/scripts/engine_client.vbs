' Drives KVObject.KVEngine late-bound from VBScript. Exits 0 when all checks passed, 1 on a
' failed check, 2 on an error.
Option Explicit
Dim failures, engine, status, progress, document, started
failures = 0

Sub Check(ok, what)
    If ok Then
        WScript.Echo "ok   " & what
    Else
        WScript.Echo "FAIL " & what
        failures = failures + 1
    End If
End Sub

On Error Resume Next
' The script host's own CreateObject gives the object no site at all; the JScript client covers
' the script engine's site. (Wine 8's VBScript CreateObject cannot create an object that takes a
' site when the host offers no services, as cscript does not.)
Set engine = WScript.CreateObject("KVObject.KVEngine.1")
If Err.Number <> 0 Then
    WScript.Echo "ERROR " & Hex(Err.Number) & " " & Err.Description
    WScript.Quit 2
End If
On Error GoTo 0

Check engine.GetVersion() = "1.6", "GetVersion is 1.6"
engine.SetEmail "vbs@example.com"
engine.BeginScan 5
started = Timer
status = engine.GetScanStatus()
Do While status <> 2 And Abs(Timer - started) < 120
    progress = engine.GetScanProgress()
    status = engine.GetScanStatus()
Loop
Check status = 2, "software scan ended"
progress = engine.GetScanProgress()
' The software pass's 49 to 51 units from the Start menu's shortcuts, doubled.
Check progress Mod 2 = 0 And progress >= 98 And progress <= 102, "progress " & progress & " is doubled"
document = engine.GetScanString()
Check InStr(document, "<Email>vbs@example.com</Email>") > 0, "document carries the e-mail"
engine.CancelScan
Set engine = Nothing

If failures = 0 Then WScript.Quit 0 Else WScript.Quit 1
