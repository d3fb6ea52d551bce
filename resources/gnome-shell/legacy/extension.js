/* exported init */
// The entry GNOME Shell 43 and 44 load: a script that reaches the Shell's
// modules through `imports`.
const {Gio, GLib, Meta, Shell} = imports.gi;
const Main = imports.ui.main;
const Keyboard = imports.ui.status.keyboard;
const Me = imports.misc.extensionUtils.getCurrentExtension();

class KelvaroExtension {
    enable() {
        this._service = new Me.imports.service.KelvaroService({Gio, GLib, Meta, Shell, Main, Keyboard});
        this._service.enable();
    }

    disable() {
        this._service.disable();
        this._service = null;
    }
}

function init() {
    return new KelvaroExtension();
}
