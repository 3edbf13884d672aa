// Drives KVObject.KVEngine late-bound from JScript, as a web page would. Arguments: the scan
// type. Prints one line per check; exits 0 when all passed, 1 on a failed check, 2 on an error.
var failures = 0;
function check(ok, what) {
    WScript.Echo((ok ? "ok   " : "FAIL ") + what);
    if (!ok)
        failures++;
}
function now() {
    return new Date().getTime();
}

try {
    var scanType = WScript.Arguments.length > 0 ? parseInt(WScript.Arguments(0), 10) : 0;
    var engine = new ActiveXObject("KVObject.KVEngine");
    check(engine.GetVersion() === "1.6", "GetVersion is 1.6");
    engine.SetEmail("script@example.com");
    engine.SetPassword("it's <secret>");
    check(engine.GetScanStatus() === 0, "status 0 before a scan");

    engine.BeginScan(scanType);
    var start = now(), status = engine.GetScanStatus(), progress = 0, polls = 0;
    // WScript.Sleep is not available everywhere: poll on the clock.
    while (status !== 2 && now() - start < 120000) {
        progress = engine.GetScanProgress();
        status = engine.GetScanStatus();
        polls++;
    }
    check(status === 2, "scan ended (status 2 after " + polls + " polls)");
    progress = engine.GetScanProgress();
    // A full scan earns the software pass's 49 to 51 units from the Start menu's shortcuts alone.
    check(progress >= (scanType === 1 ? 0 : 49) && progress <= 110, "progress " + progress + " in range");

    var document = engine.GetScanString();
    check(document.indexOf("<?xml") === 0, "document starts with the XML declaration");
    check(document.indexOf("<Email>script@example.com</Email>") > 0, "document carries the e-mail");
    check(document.indexOf("<Data NumberOfDevices=\"5\">") > 0, "document carries the device count 5");
    WScript.Echo("document length " + document.length);
} catch (e) {
    WScript.Echo("ERROR " + (e.number >>> 0).toString(16) + " " + e.message);
    WScript.Quit(2);
}
WScript.Quit(failures === 0 ? 0 : 1);
