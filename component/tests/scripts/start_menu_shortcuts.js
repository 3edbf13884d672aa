// Makes ("create") or removes ("remove") the shortcuts in the user's Start menu that give the
// script clients' software pass enough entries to earn its ~50 progress units.
var count = 60;
var startMenu = 11;  // the shell's number for the user's Start menu folder
var create = WScript.Arguments.length > 0 && WScript.Arguments(0) === "create";
try {
    var shell = new ActiveXObject("WScript.Shell");
    var files = new ActiveXObject("Scripting.FileSystemObject");
    var folder = new ActiveXObject("Shell.Application").NameSpace(startMenu).Self.Path;
    var target = shell.ExpandEnvironmentStrings("%SystemRoot%\\system32\\notepad.exe");
    for (var i = 0; i < count; i++) {
        var path = folder + "\\KVObject script test " + i + ".lnk";
        if (create) {
            var link = shell.CreateShortcut(path);
            link.TargetPath = target;
            link.Save();
        } else if (files.FileExists(path)) {
            files.DeleteFile(path);
        }
    }
    WScript.Echo("ok   " + (create ? "made " : "removed ") + count + " shortcuts in " + folder);
} catch (e) {
    WScript.Echo("ERROR " + (e.number >>> 0).toString(16) + " " + e.message);
    WScript.Quit(2);
}
WScript.Quit(0);
