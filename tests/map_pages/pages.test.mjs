// Browser tests for the map pages in resources/map, run with Debian's Chromium
// through playwright-core:  node tests/map_pages/pages.test.mjs
//
// Every request that is not for a local file is aborted before it leaves the
// browser, so the pages run as they would without network: no tiles, only the
// route and marker over the plain background.
import { chromium } from 'playwright-core';
import { readFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import vm from 'node:vm';

const here = path.dirname(fileURLToPath(import.meta.url));
const mapDir = path.resolve(here, '../../resources/map');
const chromiumPath = process.env.CHROMIUM_PATH || '/usr/bin/chromium';

let passed = 0;
let failed = 0;
function check(name, ok, detail) {
    if (ok) {
        passed++;
        console.log(`ok   ${name}`);
    } else {
        failed++;
        console.log(`FAIL ${name}${detail === undefined ? '' : ': ' + JSON.stringify(detail)}`);
    }
}

// Hosts the pages may try to reach: those of the configured tile templates.
function tileHosts() {
    const sandbox = { window: {} };
    vm.runInNewContext(readFileSync(path.join(mapDir, 'map_config.js'), 'utf8'), sandbox);
    const hosts = new Set();
    for (const source of Object.values(sandbox.window.KESTRUN_MAP_CONFIG)) {
        for (const s of (source.subdomains || 'a').split('')) {
            hosts.add(new URL(source.url.replace('{s}', s)).hostname);
        }
    }
    return hosts;
}

const isLocalUrl = (url) => /^(file|data|about|blob):/.test(url);
const near = (a, b, eps = 1e-5) =>
    Array.isArray(a) && Math.abs(a[0] - b[0]) < eps && Math.abs(a[1] - b[1]) < eps;

// Routes as [lat, lng]; each page converts them to its own argument form.
const SHENZHEN = [[22.5401, 113.9402], [22.5432, 113.9461], [22.5468, 113.9525],
                  [22.5497, 113.9588], [22.5521, 113.9650]];
const SHENZHEN_SHORT = [[22.5330, 113.9300], [22.5355, 113.9342], [22.5371, 113.9390]];
const LOS_ANGELES = [[34.0522, -118.2437], [34.0561, -118.2502], [34.0605, -118.2566],
                     [34.0650, -118.2611]];

const pages = [
    {
        file: 'google_map.html',
        shot: 'map-google.png',
        point: ([lat, lng]) => ({ lat, lng }),
        routes: [
            { name: 'China route', points: SHENZHEN, tiles: 'googleChina' },
            { name: 'route outside China', points: LOS_ANGELES, tiles: 'google' },
            { name: 'shorter route', points: SHENZHEN_SHORT, tiles: 'googleChina' },
        ],
        malformed: [{ lat: 22.54, lng: 113.94 }, { lat: 'x', lng: 113.95 }, { lng: 113.96 },
                    null, { lng: 113.97, lat: 22.56 }],
    },
    {
        file: 'baidu_map.html',
        shot: 'map-baidu.png',
        point: ([lat, lng]) => [lng, lat],
        routes: [
            { name: 'route', points: SHENZHEN, tiles: 'baidu' },
            { name: 'shorter route', points: SHENZHEN_SHORT, tiles: 'baidu' },
        ],
        malformed: [[113.94, 22.54], ['x', 22.55], [113.96], null, [113.97, 22.56]],
    },
];

async function testPage(context, pageCase) {
    const label = pageCase.file;
    const page = await context.newPage();
    const errors = [];
    const leaked = [];
    page.on('pageerror', (e) => errors.push(String(e)));
    page.on('console', (m) => {
        // Aborted tile loads are expected; anything else is the page's own.
        if (m.type() === 'error' && !/Failed to load resource|net::ERR_/.test(m.text())) {
            errors.push(m.text());
        }
    });
    page.on('requestfinished', (r) => { if (!isLocalUrl(r.url())) leaked.push(r.url()); });

    await page.goto(pathToFileURL(path.join(mapDir, pageCase.file)).href, { waitUntil: 'load' });
    const api = await page.evaluate(() => ['drawPolyLinePath', 'updateMarkerPosition',
        'updateNewCenterPosition', 'kestrunMapState'].filter((f) => typeof window[f] !== 'function'));
    check(`${label}: defines the map functions`, api.length === 0, api);

    const call = (fn, arg) => page.evaluate(([f, a]) => { window[f](a); }, [fn, arg]);
    const state = () => page.evaluate(() => window.kestrunMapState());

    for (const r of pageCase.routes) {
        await call('drawPolyLinePath', r.points.map(pageCase.point));
        const s = await state();
        check(`${label}: ${r.name} drawn with ${r.points.length} points, in view, ${r.tiles} tiles`,
              s.routePoints === r.points.length && s.routeInView && s.tiles === r.tiles, s);
    }

    await call('drawPolyLinePath', pageCase.malformed);
    let s = await state();
    check(`${label}: malformed points skipped`, s.routePoints === 2 && s.routeInView, s);

    await call('drawPolyLinePath', SHENZHEN.map(pageCase.point));
    for (const p of [SHENZHEN[1], SHENZHEN[3]]) {
        await call('updateMarkerPosition', pageCase.point(p));
        s = await state();
        check(`${label}: marker moved to ${p}`, near(s.marker, p, 1e-9), s.marker);
    }

    // For a look by eye: route and marker over whatever the tiles left.
    await page.screenshot({ path: path.join(tmpdir(), pageCase.shot) });

    const target = [22.5600, 113.9800];
    await call('updateNewCenterPosition', pageCase.point(target));
    s = await state();
    // Leaflet keeps the centre on a whole pixel: allow ~10 m.
    check(`${label}: centred on ${target}`, near(s.center, target, 1e-4), s.center);

    await call('drawPolyLinePath', []);
    s = await state();
    check(`${label}: empty route removes the previous one`, s.routePoints === 0, s);

    await page.close();
    check(`${label}: no page errors`, errors.length === 0, errors);
    check(`${label}: nothing fetched from the network`, leaked.length === 0, leaked);
}

const hosts = tileHosts();
const blocked = [];
const browser = await chromium.launch({
    executablePath: chromiumPath,
    args: ['--headless=new', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
           '--disable-component-update', '--no-first-run', '--disable-sync', '--disable-quic',
           // No name look-ups either, should anything get past the request filter.
           '--host-resolver-rules=MAP * ~NOTFOUND'],
});
try {
    const context = await browser.newContext({ viewport: { width: 960, height: 640 } });
    await context.route('**/*', (route) => {
        const url = route.request().url();
        if (isLocalUrl(url)) return route.continue();
        blocked.push(url);
        return route.abort('blockedbyclient');
    });
    for (const pageCase of pages) {
        try {
            await testPage(context, pageCase);
        } catch (e) {
            check(`${pageCase.file}: runs without exceptions`, false, String(e));
        }
    }
    await context.close();
} finally {
    await browser.close();
}

console.log(`(${blocked.length} tile requests blocked)`);
const strangers = blocked.filter((u) => !hosts.has(new URL(u).hostname));
check('blocked requests only went to the configured tile servers', strangers.length === 0,
      strangers.slice(0, 5));

console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
