// Loaded into KWin by Kelvaro: tells it over D-Bus which window is active and
// which windows there are. Plasma 5 names windows "clients", Plasma 6 "windows".
const service = "com.kelvaro.Kelvaro";
const path = "/com/kelvaro/Kelvaro/KWin";
const iface = "com.kelvaro.Kelvaro.KWin";

function describe(window) {
    if (!window)
        return null;
    return {
        desktopFileName: window.desktopFileName || "",
        resourceClass: String(window.resourceClass || ""),
        resourceName: String(window.resourceName || ""),
        pid: window.pid || 0,
        normal: !!(window.normalWindow || window.dialog),
        skipTaskbar: !!window.skipTaskbar,
        id: String(window.internalId || "")
    };
}

function windows() {
    const list = workspace.windowList ? workspace.windowList() : workspace.clientList();
    return list.map(describe).filter(function (w) { return w && w.pid > 0; });
}

function sendWindows() {
    callDBus(service, path, iface, "Windows", JSON.stringify(windows()));
}

function activated(window) {
    callDBus(service, path, iface, "Activated", JSON.stringify(describe(window)));
}

const activation = workspace.windowActivated || workspace.clientActivated;
const added = workspace.windowAdded || workspace.clientAdded;
const removed = workspace.windowRemoved || workspace.clientRemoved;
activation.connect(activated);
added.connect(sendWindows);
removed.connect(sendWindows);
sendWindows();
activated(workspace.activeWindow !== undefined ? workspace.activeWindow : workspace.activeClient);
