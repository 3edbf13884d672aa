// Runs a scan through the registered KVObject library and shows what a web page would see.
// Install Korvala (korvala-setup.exe) or register the library (regsvr32 KVObject.dll), then:
// cscript //nologo scan.js [type]
// (type 0 full scan, the default; 1 devices only; 2 software only).
function now() {
    return new Date().getTime();
}

try {
    var scanType = WScript.Arguments.length > 0 ? parseInt(WScript.Arguments(0), 10) : 0;
    var engine = new ActiveXObject("KVObject.KVEngine");
    WScript.Echo("KVObject version " + engine.GetVersion());

    engine.BeginScan(scanType);
    var lastProgress = -1, lastStatus = -1, status = 0;
    var started = now();
    do {
        status = engine.GetScanStatus();
        var progress = engine.GetScanProgress();
        if (progress !== lastProgress || status !== lastStatus) {
            WScript.Echo("status " + status + "  progress " + progress);
            lastProgress = progress;
            lastStatus = status;
        }
    } while (status !== 2 && now() - started < 600000);   // no WScript.Sleep under Wine: poll the clock

    WScript.Echo("scan finished with status " + status + " after " + (now() - started) + " ms");
    WScript.Echo("scan document (also written to C:\\ScanXML.xml):");
    WScript.Echo(engine.GetScanString());
    WScript.Echo("updates available: " + engine.GetNumUpdates());
} catch (e) {
    WScript.Echo("error " + (e.number >>> 0).toString(16) + ": " + e.message);
    WScript.Quit(2);
}
WScript.Quit(0);
