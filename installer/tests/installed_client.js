// Creates the installed KVObject by its ProgID, as a web page's script would, and prints its
// version. Exits 0 when the object answered, 1 otherwise.
try {
    var engine = new ActiveXObject("KVObject.KVEngine");
    WScript.Echo("ok KVObject version " + engine.GetVersion());
} catch (e) {
    WScript.Echo("FAIL creating KVObject.KVEngine: " + (e.number >>> 0).toString(16) + " " + e.message);
    WScript.Quit(1);
}
WScript.Quit(0);
