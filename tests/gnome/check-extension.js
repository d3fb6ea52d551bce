// Checks the GNOME Shell extension as built for each kind of Shell, where no
// such Shell runs: every file parses as that Shell loads it (scripts for
// GNOME 43-44, ES modules for 45 and later), the names an entry takes from
// service.js are there, and the metadata of the two copies agree.
// gjs check-extension.js <resources/gnome-shell>
const {GLib} = imports.gi;

const [folder] = ARGV;
const uuid = 'kelvaro@kelvaro.app';
const failures = [];

function read(path) {
    return new TextDecoder().decode(GLib.file_get_contents(path)[1]);
}

function parse(path, target) {
    try {
        return Reflect.parse(read(path), {target, source: path}).body;
    } catch (e) {
        failures.push(`${path}: ${e}`);
        return [];
    }
}

function check(variant, target) {
    const dir = `${folder}/${variant}/${uuid}`;
    const entry = parse(`${dir}/extension.js`, target);
    const service = parse(`${dir}/service.js`, target);
    if (target === 'script') {
        if (!entry.some(node => node.type === 'FunctionDeclaration' && node.id.name === 'init'))
            failures.push(`${dir}/extension.js: no function init()`);
        if (!service.some(node => node.type === 'VariableDeclaration' && node.kind === 'var' &&
            node.declarations.some(d => d.id.name === 'KelvaroService')))
            failures.push(`${dir}/service.js: KelvaroService is not a var, which imports would not see`);
    } else {
        const exported = service.filter(node => node.type === 'ExportDeclaration')
            .flatMap(node => (node.specifiers || []).map(s => s.name.name));
        for (const node of entry.filter(n => n.type === 'ImportDeclaration' && n.moduleRequest.source.value === './service.js')) {
            for (const specifier of node.specifiers) {
                if (!exported.includes(specifier.name.name))
                    failures.push(`${dir}/service.js does not export ${specifier.name.name}`);
            }
        }
        if (!entry.some(node => node.type === 'ExportDeclaration' && node.isDefault))
            failures.push(`${dir}/extension.js: no default export`);
    }
    return JSON.parse(read(`${dir}/metadata.json`));
}

const legacy = check('legacy', 'script');
const modules = check('modules', 'module');
if (legacy.uuid !== uuid || modules.uuid !== uuid || legacy.version !== modules.version)
    failures.push('the two metadata.json differ in uuid or version');
if (legacy['shell-version'].some(v => modules['shell-version'].includes(v)))
    failures.push('a Shell version is claimed by both copies');

for (const failure of failures)
    printerr(failure);
if (failures.length > 0)
    imports.system.exit(1);
print(`both copies of ${uuid} check out`);
