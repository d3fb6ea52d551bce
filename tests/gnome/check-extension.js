// Checks the GNOME Shell extension's copy for GNOME 45 and later, which no
// Shell here can load (the copy for GNOME 43-44 runs in the GNOME tests):
// both files parse as ES modules, the names the entry takes from service.js
// are exported there, the entry has its default export, and the two copies'
// metadata agree.
// gjs check-extension.js <resources/gnome-shell>
const {GLib} = imports.gi;

const [folder] = ARGV;
const uuid = 'kelvaro@kelvaro.app';
const failures = [];
const read = path => new TextDecoder().decode(GLib.file_get_contents(path)[1]);

function parse(path) {
    try {
        return Reflect.parse(read(path), {target: 'module', source: path}).body;
    } catch (e) {
        failures.push(`${path}: ${e}`);
        return [];
    }
}

const dir = `${folder}/modules/${uuid}`;
const entry = parse(`${dir}/extension.js`);
const exported = parse(`${dir}/service.js`).filter(node => node.type === 'ExportDeclaration')
    .flatMap(node => (node.specifiers || []).map(s => s.name.name));
for (const node of entry.filter(n => n.type === 'ImportDeclaration' && n.moduleRequest.source.value === './service.js')) {
    for (const specifier of node.specifiers.filter(s => !exported.includes(s.name.name)))
        failures.push(`${dir}/service.js does not export ${specifier.name.name}`);
}
if (!entry.some(node => node.type === 'ExportDeclaration' && node.isDefault))
    failures.push(`${dir}/extension.js: no default export`);

const [legacy, modules] = ['legacy', 'modules'].map(v => JSON.parse(read(`${folder}/${v}/${uuid}/metadata.json`)));
if (legacy.uuid !== uuid || modules.uuid !== uuid || legacy.version !== modules.version)
    failures.push('the two metadata.json differ in uuid or version');
if (legacy['shell-version'].some(v => modules['shell-version'].includes(v)))
    failures.push('a Shell version is claimed by both copies');

failures.forEach(failure => printerr(failure));
if (failures.length > 0)
    imports.system.exit(1);
print(`${uuid} for GNOME 45 and later checks out`);
