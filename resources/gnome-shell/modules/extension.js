// The entry GNOME Shell 45 and later load: an ES module.
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import Meta from 'gi://Meta';
import Shell from 'gi://Shell';

import * as Main from 'resource:///org/gnome/shell/ui/main.js';
import * as Keyboard from 'resource:///org/gnome/shell/ui/status/keyboard.js';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

import {KelvaroService} from './service.js';

export default class KelvaroExtension extends Extension {
    enable() {
        this._service = new KelvaroService({Gio, GLib, Meta, Shell, Main, Keyboard});
        this._service.enable();
    }

    disable() {
        this._service.disable();
        this._service = null;
    }
}
