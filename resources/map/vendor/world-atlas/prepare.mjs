// Rebuilds countries-110m.js and countries-50m.js, the base map the pages draw under (or instead of) the
// tiles, from the world-atlas package (Natural Earth 1:110m and 1:50m, TopoJSON) and copies topojson-client
// beside them:
//
//   npm install --prefix /tmp/atlas world-atlas@2.0.2 topojson-client@3.1.0
//   node resources/map/vendor/world-atlas/prepare.mjs /tmp/atlas/node_modules
//
// Only the geometry is kept (country names and other properties are dropped); the arcs stay quantized, so
// each file is about as small as the TopoJSON it comes from. Pages load them as scripts (pages opened from
// file:// may not fetch JSON) and find them as window.KESTRUN_WORLD_ATLAS["110m"] and ["50m"]: the small
// one at once for the first picture, the detailed one right after. The data is written as a JSON.parse of a
// string, which the browser reads several times faster than the same object as a script literal.
import { copyFileSync, readFileSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const modules = process.argv[2];
if (!modules) {
    console.error('usage: node prepare.mjs <node_modules folder holding world-atlas and topojson-client>');
    process.exit(2);
}

const atlas = path.join(modules, 'world-atlas');
const version = JSON.parse(readFileSync(path.join(atlas, 'package.json'), 'utf8')).version;

function geometryOnly(geometry) {
    const kept = { type: geometry.type };
    if (geometry.arcs) kept.arcs = geometry.arcs;
    if (geometry.geometries) kept.geometries = geometry.geometries.map(geometryOnly);
    return kept;
}

for (const scale of ['110m', '50m']) {
    const topology = JSON.parse(readFileSync(path.join(atlas, `countries-${scale}.json`), 'utf8'));
    const reduced = {
        type: 'Topology',
        transform: topology.transform,
        arcs: topology.arcs,
        objects: {
            land: geometryOnly(topology.objects.land),
            countries: geometryOnly(topology.objects.countries),
        },
    };
    writeFileSync(path.join(here, `countries-${scale}.js`),
                  `// world-atlas ${version} countries-${scale} (Natural Earth), geometry only; made by prepare.mjs\n` +
                  '(window.KESTRUN_WORLD_ATLAS = window.KESTRUN_WORLD_ATLAS || {})' +
                  `["${scale}"] = JSON.parse(${JSON.stringify(JSON.stringify(reduced))});\n`);
}
copyFileSync(path.join(atlas, 'LICENSE'), path.join(here, 'LICENSE'));

const client = path.join(modules, 'topojson-client');
const clientDir = path.join(here, '..', 'topojson-client');
copyFileSync(path.join(client, 'dist', 'topojson-client.min.js'), path.join(clientDir, 'topojson-client.min.js'));
copyFileSync(path.join(client, 'LICENSE'), path.join(clientDir, 'LICENSE'));
console.log('wrote countries-110m.js and countries-50m.js in', here);
