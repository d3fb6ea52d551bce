// Kelvaro's GNOME Shell extension, the logic both module styles share.
// On GNOME the Shell alone knows which window is in front and switches the
// input sources; this object tells Kelvaro over D-Bus and does what Kelvaro
// asks. Kelvaro makes every decision.
//
// It stays on at the lock screen (metadata.json's session-modes), where no
// application has the focus, so that Kelvaro does not see it turned off at
// each lock. Its shortcut works outside the lock screen only.
//
// Loaded as a script by GNOME 43-44 (top-level `var`s are what `imports`
// sees) and as an ES module by GNOME 45 and later (the build adds the export).

var KELVARO_BUS_NAME = 'com.kelvaro.Kelvaro.GnomeShell';
var KELVARO_OBJECT_PATH = '/com/kelvaro/Kelvaro/GnomeShell';

var KELVARO_INTERFACE = `<node>
  <interface name="com.kelvaro.Kelvaro.GnomeShell">
    <method name="InputSources">
      <arg type="a(usss)" direction="out" name="sources"/>
    </method>
    <method name="CurrentInputSource">
      <arg type="i" direction="out" name="index"/>
    </method>
    <method name="ActivateInputSource">
      <arg type="u" direction="in" name="index"/>
      <arg type="b" direction="out" name="activated"/>
    </method>
    <method name="FocusedApplication">
      <arg type="(sssu)" direction="out" name="application"/>
    </method>
    <method name="RunningApplications">
      <arg type="a(sssu)" direction="out" name="windows"/>
    </method>
    <method name="GrabShortcut">
      <arg type="s" direction="in" name="accelerator"/>
      <arg type="b" direction="out" name="grabbed"/>
    </method>
    <method name="UngrabShortcut"/>
    <signal name="InputSourcesChanged"/>
    <signal name="CurrentInputSourceChanged">
      <arg type="i" name="index"/>
    </signal>
    <signal name="FocusedApplicationChanged">
      <arg type="(sssu)" name="application"/>
    </signal>
    <signal name="ShortcutActivated"/>
  </interface>
</node>`;

// shell: the Shell's modules, as each entry file imports them:
// {Gio, GLib, Meta, Shell, Main, Keyboard}.
var KelvaroService = class {
    constructor(shell) {
        this._shell = shell;
        this._signals = [];
        this._shortcut = null;   // {action, grabber, watch}
    }

    enable() {
        const {Gio, Shell, Keyboard} = this._shell;
        this._tracker = Shell.WindowTracker.get_default();
        this._sources = Keyboard.getInputSourceManager();
        this._object = Gio.DBusExportedObject.wrapJSObject(KELVARO_INTERFACE, this);
        this._object.export(Gio.DBus.session, KELVARO_OBJECT_PATH);
        this._listen(this._tracker, 'notify::focus-app', () => this._object.emit_signal(
            'FocusedApplicationChanged', new this._shell.GLib.Variant('((sssu))', [this.FocusedApplication()])));
        this._listen(this._sources, 'current-source-changed', () => this._object.emit_signal(
            'CurrentInputSourceChanged', new this._shell.GLib.Variant('(i)', [this.CurrentInputSource()])));
        this._listen(this._sources, 'sources-changed', () => this._object.emit_signal('InputSourcesChanged', null));
        this._listen(global.display, 'accelerator-activated', (display, action) => this._shortcutActivated(action));
        // Named once the object answers, so that whoever sees the name can call it.
        this._nameId = Gio.bus_own_name_on_connection(Gio.DBus.session, KELVARO_BUS_NAME,
            Gio.BusNameOwnerFlags.NONE, null, null);
    }

    disable() {
        this.UngrabShortcut();
        for (const [emitter, id] of this._signals)
            emitter.disconnect(id);
        this._signals = [];
        this._shell.Gio.bus_unown_name(this._nameId);
        this._object.unexport();
        this._object = null;
    }

    _listen(emitter, signal, handler) {
        this._signals.push([emitter, emitter.connect(signal, handler)]);
    }

    InputSources() {
        return Object.values(this._sources.inputSources)
            .sort((a, b) => a.index - b.index)
            .map(source => [source.index, source.type, source.id, source.displayName]);
    }

    CurrentInputSource() {
        const current = this._sources.currentSource;
        return current ? current.index : -1;
    }

    ActivateInputSource(index) {
        const source = this._sources.inputSources[index];
        if (!source)
            return false;
        // As a choice in the Shell's own menu, so its switcher's order follows.
        source.activate(true);
        return true;
    }

    // The application of the focused window: its desktop entry ID ("" for a
    // window no entry matches), its name, the window's class and its pid;
    // all empty when no application has the focus.
    FocusedApplication() {
        const app = this._tracker.focus_app;
        const window = global.display.focus_window;
        if (!app || !window)
            return ['', '', '', 0];
        return this._describe(app, window);
    }

    RunningApplications() {
        const windows = [];
        for (const app of this._shell.Shell.AppSystem.get_default().get_running()) {
            for (const window of app.get_windows())
                windows.push(this._describe(app, window));
        }
        return windows;
    }

    _describe(app, window) {
        return [app.is_window_backed() ? '' : app.get_id() || '', app.get_name() || '',
            window.get_wm_class() || '', Math.max(window.get_pid(), 0)];
    }

    // The shortcut belongs to the client that grabbed it, and its presses
    // are told to that client alone; it goes when the client leaves the bus.
    GrabShortcutAsync([accelerator], invocation) {
        const {Gio, GLib, Meta, Shell, Main} = this._shell;
        this.UngrabShortcut();
        const action = global.display.grab_accelerator(accelerator, Meta.KeyBindingFlags.NONE);
        if (action !== Meta.KeyBindingAction.NONE) {
            Main.wm.allowKeybinding(Meta.external_binding_name_for_action(action),
                Shell.ActionMode.NORMAL | Shell.ActionMode.OVERVIEW);
            const grabber = invocation.get_sender();
            const watch = Gio.bus_watch_name_on_connection(Gio.DBus.session, grabber,
                Gio.BusNameWatcherFlags.NONE, null, () => this.UngrabShortcut());
            this._shortcut = {action, grabber, watch};
        }
        invocation.return_value(new GLib.Variant('(b)', [action !== Meta.KeyBindingAction.NONE]));
    }

    UngrabShortcut() {
        if (!this._shortcut)
            return;
        global.display.ungrab_accelerator(this._shortcut.action);
        this._shell.Gio.bus_unwatch_name(this._shortcut.watch);
        this._shortcut = null;
    }

    _shortcutActivated(action) {
        if (!this._shortcut || action !== this._shortcut.action)
            return;
        this._shell.Gio.DBus.session.emit_signal(this._shortcut.grabber, KELVARO_OBJECT_PATH,
            'com.kelvaro.Kelvaro.GnomeShell', 'ShortcutActivated', null);
    }
};
