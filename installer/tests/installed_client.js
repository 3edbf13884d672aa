// Creates the installed KVObject by its ProgID, as a web page's script would, prints its version
// and runs a full scan through it. Prints "ok ..." per step; exits 0 when all went well.
function now() {
    return new Date().getTime();
}
try {
    var engine = new ActiveXObject("KVObject.KVEngine");
    WScript.Echo("ok KVObject version " + engine.GetVersion());
    engine.BeginScan(0);
    // No WScript.Sleep under Wine: poll the clock.
    var start = now(), status = engine.GetScanStatus();
    while (status !== 2 && now() - start < 120000)
        status = engine.GetScanStatus();
    var document = status === 2 ? engine.GetScanString() : "";
    if (document.indexOf("<?xml") !== 0) {
        WScript.Echo("FAIL full scan: status " + status + ", document of " + document.length + " characters");
        WScript.Quit(1);
    }
    WScript.Echo("ok full scan");
} catch (e) {
    WScript.Echo("FAIL KVObject.KVEngine: " + (e.number >>> 0).toString(16) + " " + e.message);
    WScript.Quit(1);
}
WScript.Quit(0);
