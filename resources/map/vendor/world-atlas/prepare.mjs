// Rebuilds countries-50m.js, the base map the pages draw under (or instead of) the tiles, from the
// world-atlas package (Natural Earth 1:50m, TopoJSON) and copies topojson-client beside it:
//
//   npm install --prefix /tmp/atlas world-atlas@2.0.2 topojson-client@3.1.0
//   node resources/map/vendor/world-atlas/prepare.mjs /tmp/atlas/node_modules
//
// Only the geometry is kept (country names and other properties are dropped); the arcs stay quantized, so
// the file is about as small as the TopoJSON it comes from. Pages load it as a script (pages opened from
// file:// may not fetch JSON) and find it as window.KESTRUN_WORLD_ATLAS.
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
const topology = JSON.parse(readFileSync(path.join(atlas, 'countries-50m.json'), 'utf8'));

function geometryOnly(geometry) {
    const kept = { type: geometry.type };
    if (geometry.arcs) kept.arcs = geometry.arcs;
    if (geometry.geometries) kept.geometries = geometry.geometries.map(geometryOnly);
    return kept;
}

const reduced = {
    type: 'Topology',
    transform: topology.transform,
    arcs: topology.arcs,
    objects: {
        land: geometryOnly(topology.objects.land),
        countries: geometryOnly(topology.objects.countries),
    },
};
const version = JSON.parse(readFileSync(path.join(atlas, 'package.json'), 'utf8')).version;
writeFileSync(path.join(here, 'countries-50m.js'),
              `// world-atlas ${version} countries-50m (Natural Earth 1:50m), geometry only; made by prepare.mjs\n` +
              `window.KESTRUN_WORLD_ATLAS=${JSON.stringify(reduced)};\n`);
copyFileSync(path.join(atlas, 'LICENSE'), path.join(here, 'LICENSE'));

const client = path.join(modules, 'topojson-client');
const clientDir = path.join(here, '..', 'topojson-client');
copyFileSync(path.join(client, 'dist', 'topojson-client.min.js'), path.join(clientDir, 'topojson-client.min.js'));
copyFileSync(path.join(client, 'LICENSE'), path.join(clientDir, 'LICENSE'));
console.log('wrote', path.join(here, 'countries-50m.js'));
