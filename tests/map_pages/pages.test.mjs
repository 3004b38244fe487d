// Browser tests for the map pages in resources/map, run with Debian's Chromium
// through playwright-core:  node tests/map_pages/pages.test.mjs
//
// Every request that is not for a local file is aborted before it leaves the
// browser, so the pages run as they would without network: no tiles, only the
// route and marker over the bundled base map. The pages also draw whole trips,
// coloured by speed, and pass clicks on them to a stand-in for the player. A
// last round points the tile templates at a tile server of the test's own on
// 127.0.0.1 and brings the tiles back while the route and marker are shown.
import { chromium } from 'playwright-core';
import { readFileSync } from 'node:fs';
import http from 'node:http';
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

// qrc: is the player's own resources (the pages ask it for Qt's web channel script), never the network;
// outside the player it simply fails to load.
const isLocalUrl = (url) => /^(file|data|about|blob|qrc):/.test(url);
const OFFLINE_TEXT = 'Please check the network connection.';

// The pages' datum shifts, run here outside the browser.
function loadDatum() {
    const sandbox = { window: {}, Math };
    vm.runInNewContext(readFileSync(path.join(mapDir, 'datum.js'), 'utf8'), sandbox);
    return sandbox.window.KestrunDatum;
}
const datum = loadDatum();
// A C-style hexadecimal double ("0x1.68a49be9d444dp+4"), exactly.
function hexDouble(text) {
    const m = /^(-?)0x1\.([0-9a-f]{13})p([+-]\d+)$/.exec(text);
    const bits = (BigInt(m[1] ? 1 : 0) << 63n) | (BigInt(Number(m[3]) + 1023) << 52n) | BigInt('0x' + m[2]);
    const view = new DataView(new ArrayBuffer(8));
    view.setBigUint64(0, bits);
    return view.getFloat64(0);
}
const near = (a, b, eps = 1e-5) =>
    Array.isArray(a) && Math.abs(a[0] - b[0]) < eps && Math.abs(a[1] - b[1]) < eps;

// Routes as [lat, lng]; each page converts them to its own argument form.
const SHENZHEN = [[22.5401, 113.9402], [22.5432, 113.9461], [22.5468, 113.9525],
                  [22.5497, 113.9588], [22.5521, 113.9650]];
const SHENZHEN_SHORT = [[22.5330, 113.9300], [22.5355, 113.9342], [22.5371, 113.9390]];
const LOS_ANGELES = [[34.0522, -118.2437], [34.0561, -118.2502], [34.0605, -118.2566],
                     [34.0650, -118.2611]];

// A trip of three clips near Shenzhen, [lat, lng] a second. The clip that plays (1) runs east, then north;
// the one before and the one after lie inside its bounds, so the view fitted to it shows them too. Its
// speeds stop where it turns north: the rest of it is unknown.
const line = (from, to, n) => Array.from({ length: n }, (_, i) =>
    [from[0] + (to[0] - from[0]) * i / (n - 1), from[1] + (to[1] - from[1]) * i / (n - 1)]);
const TRIP = [
    { points: line([22.545, 113.935], [22.545, 113.960], 11), speeds: Array(11).fill(30) },
    { points: [...line([22.540, 113.930], [22.540, 113.970], 17),
               ...line([22.5425, 113.970], [22.560, 113.970], 8)],
      speeds: [...Array(8).fill(15), ...Array(9).fill(115)] },
    { points: line([22.555, 113.935], [22.555, 113.960], 11), speeds: Array(11).fill(125) },
];
const midway = (a, b) => [(a[0] + b[0]) / 2, (a[1] + b[1]) / 2];
// Points of the trip by clip and second, with the speed each is drawn at (null: unknown).
const SLOW = { clip: 1, second: 3, kmh: 15 };
const FAST = { clip: 1, second: 12, kmh: 115 };
const UNKNOWN = { clip: 1, second: 21, kmh: null };
const BEFORE = { clip: 0, second: 4, kmh: 30 };
const AFTER = { clip: 2, second: 5, kmh: 125 };
const ROUTE_RGB = [0x3d, 0xa5, 0xf5];

const pages = [
    {
        file: 'google_map.html',
        shot: 'map-google.png',
        wraps: true, // Leaflet's Mercator repeats the world side by side
        point: ([lat, lng]) => ({ lat, lng }),
        shifted: (lat, lng) => datum.wgs2gcj(lat, lng),
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
        shifted: (lat, lng) => { const bd = datum.wgs2bd(lat, lng); return [bd[1], bd[0]]; },
        routes: [
            { name: 'route', points: SHENZHEN, tiles: 'baidu' },
            { name: 'shorter route', points: SHENZHEN_SHORT, tiles: 'baidu' },
        ],
        malformed: [[113.94, 22.54], ['x', 22.55], [113.96], null, [113.97, 22.56]],
    },
];

// Share of the base map's canvas that is painted (land, coastlines, borders).
async function baseMapCoverage(page) {
    return page.evaluate(() => {
        const canvas = document.querySelector('.leaflet-kestrunBase-pane canvas');
        if (!canvas || canvas.width === 0 || canvas.height === 0) return 0;
        const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
        let painted = 0;
        for (let i = 3; i < data.length; i += 4) if (data[i] !== 0) painted++;
        return painted / (data.length / 4);
    });
}

async function checkBaseMap(page, label, when) {
    // The first picture comes from the small set, the detailed one follows.
    await page.waitForFunction(() => (window.kestrunMapState().baseMap || {}).detailedAt !== null);
    const base = (await page.evaluate(() => window.kestrunMapState())).baseMap;
    check(`${label}: base map ${when} in detail after a first picture`,
          base && base.detail === '50m' && base.drawnAt !== null && base.drawnAt <= base.detailedAt, base);
    check(`${label}: base map ${when} has land and borders`,
          base && base.shown && base.polygons > 100 && base.borders > 100 && base.vertices > 50000, base &&
          { shown: base.shown, polygons: base.polygons, borders: base.borders, vertices: base.vertices });
    const coverage = await baseMapCoverage(page);
    check(`${label}: base map ${when} painted`, coverage > 0.05, coverage);
    const visible = await page.evaluate(() =>
        getComputedStyle(document.querySelector('.leaflet-kestrunBase-pane')).display !== 'none');
    check(`${label}: base map ${when} visible`, visible);
}

async function checkDatum(page, pageCase, label) {
    // The shift the pages use is the player's, to the last bit (values from the player's own tests).
    const gcj = datum.wgs2gcj(22.543209, 113.94);
    const bd = datum.wgs2bd(22.543209, 113.94);
    check(`${label}: datum shift agrees with the player's`,
          gcj[0] === hexDouble('0x1.68a49be9d444dp+4') && gcj[1] === hexDouble('0x1.c7c78cb86e0edp+6') &&
          bd[0] === hexDouble('0x1.c7ce416151453p+6') && bd[1] === hexDouble('0x1.68bbd1075228cp+4'),
          { gcj, bd });
    const base = (await page.evaluate(() => window.kestrunMapState())).baseMap;
    const sample = base.sample;
    const [lat, lng] = sample.raw;
    const expected = pageCase.shifted(lat, lng);
    check(`${label}: base map inside China drawn in the page's datum`,
          datum.inChina(lat, lng) && near(sample.drawn, expected, 1e-12) && !near(sample.drawn, sample.raw, 1e-4),
          sample);
    check(`${label}: base map projected as the map projects`,
          base.projected && near(base.projected.drawn, base.projected.map, 1e-6) &&
          base.smallProbeError !== null && base.smallProbeError < 100,
          { projected: base.projected, smallProbeError: base.smallProbeError });
    check(`${label}: base map outside China left as it is`,
          base.shifted > 1000 && base.shifted < base.vertices / 2, { shifted: base.shifted, of: base.vertices });
    // A route point given in the page's form at that coastline vertex lands on the same pixel.
    const pixels = await page.evaluate(([route, drawn]) => {
        window.drawPolyLinePath([route]);
        window.updateMarkerPosition(route);
        const s = window.kestrunMapState();
        return s.marker && Math.abs(s.marker[0] - drawn[0]) + Math.abs(s.marker[1] - drawn[1]);
    }, [pageCase.point(expected), sample.drawn]);
    check(`${label}: a route point and the shifted coastline coincide`, pixels !== null && pixels < 1e-9, pixels);
    await page.evaluate(() => window.drawPolyLinePath([]));
}

// Province and state borders: left out of the world view, drawn once the user zooms in (the + button,
// clicked with the mouse), and only those near the view.
async function checkProvinces(page, pageCase, label) {
    await page.waitForFunction(() => window.kestrunMapState().baseMap.provincesAt !== null);
    let base = (await page.evaluate(() => window.kestrunMapState())).baseMap;
    check(`${label}: province borders loaded, none drawn over the world`,
          base.provinces > 3000 && base.drawn.provinces === 0 && base.drawn.land > 0, base.drawn);
    if (pageCase.wraps) {
        // The world view is wider than the world: its copies left and right are drawn like the tiles'.
        check(`${label}: the world's copies side by side drawn too`, base.drawn.land >= 3, base.drawn);
    }
    // A triple click on the credit, as on a document, selects nothing and leaves the page where it is.
    const url = page.url();
    await page.click('.leaflet-control-attribution', { clickCount: 3 });
    const selected = await page.evaluate(() => window.getSelection().toString());
    check(`${label}: clicks select no text`, selected === '', selected);
    const credit = await page.evaluate(() => document.querySelector('.leaflet-control-attribution').textContent);
    check(`${label}: the credit is no link away from the map`,
          page.url() === url && credit.includes('Leaflet') && credit.includes('Natural Earth') &&
          (await page.$$('.leaflet-control-attribution a')).length === 0, { url: page.url(), credit });
    const zoom = () => page.evaluate(() => window.kestrunMapState().zoom);
    const before = await zoom();
    // A click that lands while the last zoom still animates is dropped by Leaflet, as for any user.
    for (let tries = 0; tries < 12 && await zoom() < 7; tries++) {
        const z = await zoom();
        await page.click('.leaflet-control-zoom-in');
        await page.waitForFunction((from) => window.kestrunMapState().zoom > from, z, { timeout: 2000 })
            .catch(() => {});
        await page.waitForTimeout(300);
    }
    await page.waitForFunction(() => window.kestrunMapState().baseMap.drawn.provinces > 0, null, { timeout: 5000 })
        .catch(() => {});
    base = (await page.evaluate(() => window.kestrunMapState())).baseMap;
    check(`${label}: province borders drawn zoomed in, only those near the view`,
          base.drawn.provinces > 50 && base.drawn.provinces < base.provinces / 2, { from: before, drawn: base.drawn });
    const coverage = await baseMapCoverage(page);
    check(`${label}: base map zoomed in painted`, coverage > 0.05, coverage);
}

async function checkBanner(page, label) {
    const banner = () => page.evaluate(() => {
        const b = document.querySelector('.kestrun-banner');
        const r = b.getBoundingClientRect();
        return { text: window.kestrunMapState().banner, shown: !b.hidden && r.width > 0 && r.height > 0,
                 height: r.height };
    });
    let b = await banner();
    check(`${label}: no banner until the player reports the network down`, b.text === null && !b.shown, b);
    await page.evaluate(() => window.setOffline(true));
    b = await banner();
    check(`${label}: offline banner in English by default`, b.text === OFFLINE_TEXT && b.shown && b.height < 60, b);
    await page.evaluate(() => window.setOffline('true', '"Vérifiez la connexion réseau."'));
    b = await banner();
    check(`${label}: offline banner with the player's text (JSON arguments)`,
          b.text === 'Vérifiez la connexion réseau.' && b.shown, b);
    await page.evaluate(() => window.setOffline(true, '请检查网络连接'));
    b = await banner();
    check(`${label}: offline banner with the player's text`, b.text === '请检查网络连接' && b.shown, b);
    await page.evaluate(() => window.setOffline(false));
    b = await banner();
    check(`${label}: banner gone when back online`, b.text === null && !b.shown, b);
}

// The routes as shown at page pixels: colour and opacity there, and the width of the line through it
// (its coverage down the pixel column over the opacity at the pixel, for a horizontal line). The routes
// are drawn on two canvases, the trip's other clips beneath the one that plays, each faded by its pane;
// they are read once Leaflet has painted what it was last given, which it does on the next animation
// frame, before this one.
async function routePixels(page, pixels) {
    return page.evaluate(async (pixels) => {
        await new Promise((resolve) => requestAnimationFrame(resolve));
        const layers = ['kestrunTrip', 'kestrunRoute'].map((name) => {
            const pane = document.querySelector(`.leaflet-${name}-pane`);
            const canvas = pane.querySelector('canvas');
            return canvas && { canvas, box: canvas.getBoundingClientRect(), ctx: canvas.getContext('2d'),
                               opacity: Number(getComputedStyle(pane).opacity) };
        }).filter(Boolean);
        const shown = (x, y) => {
            let rgb = [0, 0, 0];
            let alpha = 0;
            for (const { canvas, box, ctx, opacity } of layers) {
                const d = ctx.getImageData(Math.floor((x - box.left) * canvas.width / box.width),
                                           Math.floor((y - box.top) * canvas.height / box.height), 1, 1).data;
                const a = d[3] / 255 * opacity;
                const over = a + alpha * (1 - a);
                if (over > 0) rgb = rgb.map((c, i) => (d[i] * a + c * alpha * (1 - a)) / over);
                alpha = over;
            }
            return { rgb: rgb.map(Math.round), alpha };
        };
        return pixels.map(([x, y]) => {
            const p = shown(x, y);
            let cover = 0;
            for (let dy = -12; dy <= 12; dy++) cover += shown(x, y + dy).alpha;
            return { rgb: p.rgb, alpha: p.alpha, width: p.alpha ? cover / p.alpha : 0 };
        });
    }, pixels);
}

const hexRgb = (hex) => [1, 3, 5].map((i) => parseInt(hex.slice(i, i + 2), 16));
const sameRgb = (a, b, eps = 6) => a.every((c, i) => Math.abs(c - b[i]) <= eps);

async function checkTrip(page, pageCase, label, errors) {
    const state = () => page.evaluate(() => window.kestrunMapState());
    const trip = TRIP.map((c) => ({ points: c.points.map(pageCase.point), speeds: c.speeds }));
    const pixelOf = (latLng) => page.evaluate((p) => window.kestrunMapPixel(p), pageCase.point(latLng));
    const at = (p) => TRIP[p.clip].points[p.second];
    await page.evaluate(([t, m]) => {
        window.drawTrip(t, 1);
        window.updateMarkerPosition(m);
    }, [trip, pageCase.point(TRIP[1].points[22])]);

    let s = await state();
    check(`${label}: trip of three clips drawn, the second one playing and in view`,
          JSON.stringify(s.trip) === JSON.stringify({ clips: 3, current: 1, points: [11, 25, 11] }) &&
          s.routePoints === 25 && s.routeInView && !s.speedColours.on, s);
    // The line through a point between two seconds of each clip: the one that plays as the route always
    // was, the others thinner and fainter.
    const middles = await Promise.all([[0, 4], [1, 3], [2, 5]].map(([c, i]) =>
        pixelOf(midway(TRIP[c].points[i], TRIP[c].points[i + 1]))));
    const lines = await routePixels(page, middles);
    const styles = [{ weight: 3, opacity: 0.5 }, { weight: 4, opacity: 0.9 }, { weight: 3, opacity: 0.5 }];
    check(`${label}: the clip that plays drawn as the route, the others faded`,
          lines.every((l, c) => sameRgb(l.rgb, ROUTE_RGB) && Math.abs(l.alpha - styles[c].opacity) < 0.03 &&
                                Math.abs(l.width - styles[c].weight) < 0.6), lines);

    // Real clicks: on a point of each clip or a few pixels off it, and off the routes. They reach the
    // player's object, which the page took from the web channel.
    const connected = await page.evaluate(() =>
        !!window.kestrunPlayer && window.kestrunPlayer.transport === window.qt.webChannelTransport);
    check(`${label}: the player's object taken from Qt's web channel`, connected);
    const clicks = [
        { name: 'on a point of the clip before', p: BEFORE, off: [0, 0], hit: true },
        { name: '8 px above a point of the clip after', p: AFTER, off: [0, -8], hit: true },
        { name: 'beside a point of the clip that plays', p: FAST, off: [3, 5], hit: true },
        { name: '20 px below the clip before', p: BEFORE, off: [0, 20], hit: false },
        { name: 'between the routes', latLng: [22.5500, 113.9475], off: [0, 0], hit: false },
    ];
    let expected = null;
    for (const c of clicks) {
        const [x, y] = await pixelOf(c.latLng || at(c.p));
        const before = await page.evaluate(() => window.kestrunPlayer.calls.length);
        await page.mouse.click(x + c.off[0], y + c.off[1]);
        const calls = await page.evaluate(() => window.kestrunPlayer.calls);
        s = await state();
        if (c.hit) expected = { clip: c.p.clip, second: c.p.second };
        const told = c.hit ? calls.length === before + 1 && calls[before][0] === expected.clip &&
                             calls[before][1] === expected.second : calls.length === before;
        check(`${label}: click ${c.name} ${c.hit ? 'reported' : 'reports nothing'}`,
              told && JSON.stringify(s.lastRouteClick) === JSON.stringify(expected),
              { calls, lastRouteClick: s.lastRouteClick, expected });
    }

    // Speed colours: the legend's numbers in each unit, plain digits, the unit after the last.
    const units = [
        { unit: { name: 'km/h', factor: 1 }, legend: ['0', '40', '80', '120 km/h'] },
        { unit: { name: 'kn', factor: 0.539957 }, legend: ['0', '20', '40', '60 kn'] },
        { unit: '{"name": "mph", "factor": 0.621371}', legend: ['0', '20', '40', '60', '80 mph'] },
    ];
    const legendBox = () => page.evaluate(() => {
        const box = document.querySelector('.kestrun-legend');
        const r = box.getBoundingClientRect();
        const a = document.querySelector('.leaflet-control-attribution').getBoundingClientRect();
        const bar = box.querySelector('.kestrun-legend-bar');
        const b = bar ? bar.getBoundingClientRect() : null;
        // Where each number stands along the ramp.
        const ticks = Array.from(box.querySelectorAll('.kestrun-legend-tick'), (t) => {
            const tr = t.getBoundingClientRect();
            return (tr.left + tr.width / 2 - b.left) / b.width;
        });
        return { shown: r.width > 0 && r.height > 0, text: box.innerText, ticks,
                 left: r.left, bottom: innerHeight - r.bottom, height: r.height,
                 clear: r.right < a.left || r.bottom < a.top };
    });
    for (const u of units) {
        await page.evaluate((unit) => window.setSpeedColours(true, unit), u.unit);
        s = await state();
        const box = await legendBox();
        const factor = typeof u.unit === 'string' ? JSON.parse(u.unit).factor : u.unit.factor;
        const placed = box.ticks.length === u.legend.length &&
            box.ticks.every((t, i) => Math.abs(t - parseFloat(u.legend[i]) / (130 * factor)) < 0.02);
        check(`${label}: speed legend in ${u.legend[u.legend.length - 1].split(' ')[1]}, bottom left`,
              s.speedColours.on && JSON.stringify(s.speedColours.legend) === JSON.stringify(u.legend) &&
              box.shown && placed && box.left < 20 && box.bottom < 20 && box.height < 60 && box.clear &&
              box.text.replace(/\s+/g, ' ').trim() === u.legend.join(' '), { legend: s.speedColours, box });
    }

    // Coloured routes: slow green, fast red, unknown plain, the faded clips in colour but still faded.
    const points = [SLOW, FAST, UNKNOWN, BEFORE, AFTER];
    const colours = await page.evaluate((kmhs) => kmhs.map((k) => window.KestrunMap.speedColour(k)),
                                        points.map((p) => p.kmh));
    const shown = await routePixels(page, await Promise.all(points.map((p) => pixelOf(at(p)))));
    const [slow, fast] = shown.map((p) => p.rgb);
    check(`${label}: speed colours slow green and fast red`,
          slow[1] > slow[0] + 40 && fast[0] > fast[1] + 40 && colours[2] === null, { slow, fast, colours });
    check(`${label}: speed colours drawn from the ramp, unknown speeds plain, faded clips faded`,
          shown.every((p, i) => sameRgb(p.rgb, colours[i] ? hexRgb(colours[i]) : ROUTE_RGB) &&
                                Math.abs(p.alpha - (points[i].clip === 1 ? 0.9 : 0.5)) < 0.03),
          { shown, colours });
    // For a look by eye: the trip in colour over the base map.
    await page.screenshot({ path: path.join(tmpdir(), pageCase.shot.replace('.png', '-trip.png')) });

    await page.evaluate(() => window.setSpeedColours('false'));
    s = await state();
    const plain = await routePixels(page, await Promise.all(points.map((p) => pixelOf(at(p)))));
    const box = await legendBox();
    check(`${label}: speed colours off: plain routes, no legend`,
          !s.speedColours.on && s.speedColours.legend.length === 0 && !box.shown &&
          plain.every((p) => sameRgb(p.rgb, ROUTE_RGB)), { s: s.speedColours, box, plain });

    // Malformed trips draw what they can, with speed colours on, and throw nothing.
    await page.evaluate(() => window.setSpeedColours(true, { name: 'km/h', factor: 1 }));
    const malformed = [
        { name: 'no array', clips: 42, current: 0, trip: { clips: 0, current: -1, points: [] } },
        { name: 'bad JSON text', clips: '[{"points": ', current: 0,
          trip: { clips: 0, current: -1, points: [] } },
        // A click on its last point is at the second that point was given for, after the left-out ones.
        { name: 'bad clips, bad points, short speeds', current: 4, click: 4,
          clips: [null, 5, { points: 'x' }, { points: [null, 'y'] },
                  { points: pageCase.malformed, speeds: [10] }],
          trip: { clips: 5, current: 4, points: [0, 0, 0, 0, 2] } },
        { name: 'current out of range', clips: trip, current: 3,
          trip: { clips: 3, current: -1, points: [11, 25, 11] } },
        { name: 'current not a whole number', clips: trip, current: 0.5,
          trip: { clips: 3, current: -1, points: [11, 25, 11] } },
        { name: 'JSON text, current as text', clips: JSON.stringify(trip), current: '"2"',
          trip: { clips: 3, current: 2, points: [11, 25, 11] } },
    ];
    for (const m of malformed) {
        const before = errors.length;
        await page.evaluate(([c, i]) => window.drawTrip(c, i), [m.clips, m.current]);
        s = await state();
        const playing = m.trip.current >= 0 ? m.trip.points[m.trip.current] : 0;
        check(`${label}: malformed trip (${m.name}) drawn as far as valid`,
              errors.length === before && JSON.stringify(s.trip) === JSON.stringify(m.trip) &&
              s.routePoints === playing && s.routeInView === playing > 0,
              { trip: s.trip, routePoints: s.routePoints, errors: errors.slice(before) });
        if (m.click === undefined) continue;
        const [x, y] = await page.evaluate((p) => window.kestrunMapPixel(p),
                                           m.clips[m.current].points[m.click]);
        await page.mouse.click(x, y);
        s = await state();
        check(`${label}: click on a clip with points left out reports the point's own second`,
              JSON.stringify(s.lastRouteClick) === JSON.stringify({ clip: m.current, second: m.click }),
              s.lastRouteClick);
    }
    await page.evaluate(() => window.setSpeedColours(false));

    // drawPolyLinePath is a trip of one clip, which plays.
    await page.evaluate((r) => window.drawPolyLinePath(r), SHENZHEN.map(pageCase.point));
    s = await state();
    check(`${label}: a route alone is a trip of one clip`,
          JSON.stringify(s.trip) === JSON.stringify({ clips: 1, current: 0, points: [5] }) &&
          s.routePoints === 5 && s.routeInView, s);
}

// A tile server on 127.0.0.1 that fails until it is switched on.
async function startTileServer() {
    const server = http.createServer((req, res) => {
        server.requests++;
        if (!server.online) {
            res.writeHead(503);
            res.end();
            return;
        }
        res.writeHead(200, { 'Content-Type': 'image/svg+xml' });
        res.end('<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256">' +
                '<rect width="256" height="256" fill="#e8e4d8"/></svg>');
    });
    server.online = false;
    server.requests = 0;
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    server.base = `http://127.0.0.1:${server.address().port}`;
    return server;
}

async function testTileSwap(browser, pageCase, server) {
    const label = `${pageCase.file} with a local tile server`;
    const context = await browser.newContext({ viewport: { width: 960, height: 640 } });
    const strangers = [];
    await context.route('**/*', (route) => {
        const url = route.request().url();
        if (isLocalUrl(url) || url.startsWith(server.base + '/')) return route.continue();
        strangers.push(url);
        return route.abort('blockedbyclient');
    });
    const template = (name) => ({ url: `${server.base}/${name}/{z}/{x}/{y}.svg`, subdomains: 'a',
                                  attribution: `Test tiles ${name}` });
    const creditLine = () => page.evaluate(() =>
        document.querySelector('.leaflet-control-attribution').textContent);
    await context.addInitScript((overrides) => { window.KESTRUN_MAP_CONFIG_OVERRIDES = overrides; },
                                { google: template('google'), googleChina: template('googleChina'),
                                  baidu: template('baidu') });
    const page = await context.newPage();
    const errors = [];
    page.on('pageerror', (e) => errors.push(String(e)));
    server.online = false;
    try {
        await page.goto(pathToFileURL(path.join(mapDir, pageCase.file)).href, { waitUntil: 'load' });
        const state = () => page.evaluate(() => window.kestrunMapState());
        const route = SHENZHEN.map(pageCase.point);
        await page.evaluate(([r, m]) => {
            window.drawPolyLinePath(r);
            window.updateMarkerPosition(m);
            window.setOffline(true, 'Please check the network connection.');
        }, [route, pageCase.point(SHENZHEN[2])]);
        await page.waitForFunction(() => window.kestrunMapState().tilesLoaded === 0 &&
                                         !window.kestrunMapState().tilesComplete);
        let s = await state();
        check(`${label}: failing tiles leave the base map, route, marker and banner`,
              s.baseMap.shown && s.routePoints === 5 && near(s.marker, SHENZHEN[2], 1e-9) &&
              s.banner === OFFLINE_TEXT && server.requests > 0,
              { s, requests: server.requests });
        await checkBaseMap(page, label, 'while the tiles fail');
        let line = await creditLine();
        check(`${label}: the base map is credited, not the tiles it stands in for`,
              s.credit === 'Natural Earth' && line.includes('Natural Earth') && !line.includes('Test tiles'),
              { credit: s.credit, line });

        server.online = true;
        await page.evaluate(() => window.setOffline(false));
        await page.waitForFunction(() => window.kestrunMapState().tilesComplete, null, { timeout: 10000 });
        s = await state();
        const shownTiles = await page.evaluate(() => document.querySelectorAll('img.leaflet-tile-loaded').length);
        check(`${label}: tiles back, banner and base map gone`,
              s.tilesLoaded > 0 && shownTiles > 0 && s.banner === null && !s.baseMap.shown,
              { s, shownTiles });
        line = await creditLine();
        check(`${label}: the tiles credited once they show`,
              /^Test tiles/.test(s.credit) && line.includes(s.credit) && !line.includes('Natural Earth'),
              { credit: s.credit, line });
        check(`${label}: route and marker kept across the swap`,
              s.routePoints === 5 && s.routeInView && near(s.marker, SHENZHEN[2], 1e-9), s);
        await page.waitForTimeout(300); // the tiles' fade-in, for the picture only
        await page.screenshot({ path: path.join(tmpdir(), pageCase.shot.replace('.png', '-tiles.png')) });

        // Down again: the banner returns; the loaded tiles stay where they are.
        await page.evaluate(() => window.setOffline(true));
        s = await state();
        check(`${label}: banner back when the network drops again`, s.banner === OFFLINE_TEXT && s.routePoints === 5, s);
    } finally {
        await context.close();
    }
    check(`${label}: no page errors`, errors.length === 0, errors);
    check(`${label}: only the local tile server asked`, strangers.length === 0, strangers.slice(0, 5));
}

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
    // Qt's side of the web channel, as in the player: the transport, and the QWebChannel its
    // qwebchannel.js defines (here that script fails to load), handing over the player's object.
    await page.addInitScript(() => {
        window.qt = { webChannelTransport: { send() {} } };
        window.QWebChannel = function (transport, ready) {
            ready({ objects: { kestrunPlayer: {
                transport, calls: [], routeClicked(clip, second) { this.calls.push([clip, second]); } } } });
        };
    });

    await page.goto(pathToFileURL(path.join(mapDir, pageCase.file)).href, { waitUntil: 'load' });
    const api = await page.evaluate(() => ['drawPolyLinePath', 'drawTrip', 'setSpeedColours',
        'updateMarkerPosition', 'updateNewCenterPosition', 'kestrunMapState']
        .filter((f) => typeof window[f] !== 'function'));
    check(`${label}: defines the map functions`, api.length === 0, api);

    const call = (fn, arg) => page.evaluate(([f, a]) => { window[f](a); }, [fn, arg]);
    const state = () => page.evaluate(() => window.kestrunMapState());

    // With no clip and no tiles the page shows the world's land and borders.
    await checkBaseMap(page, label, 'with no route');
    await checkProvinces(page, pageCase, label);
    await checkDatum(page, pageCase, label);
    await checkBanner(page, label);

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
    await checkBaseMap(page, label, 'under the route');
    await page.screenshot({ path: path.join(tmpdir(), pageCase.shot) });

    const target = [22.5600, 113.9800];
    await call('updateNewCenterPosition', pageCase.point(target));
    s = await state();
    // Leaflet keeps the centre on a whole pixel: allow ~10 m.
    check(`${label}: centred on ${target}`, near(s.center, target, 1e-4), s.center);

    await call('drawPolyLinePath', []);
    s = await state();
    check(`${label}: empty route removes the previous one`, s.routePoints === 0, s);

    await checkTrip(page, pageCase, label, errors);

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
           '--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1'],
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

    const server = await startTileServer();
    try {
        for (const pageCase of pages) {
            try {
                await testTileSwap(browser, pageCase, server);
            } catch (e) {
                check(`${pageCase.file}: tile swap runs without exceptions`, false, String(e));
            }
        }
    } finally {
        server.close();
    }
} finally {
    await browser.close();
}

console.log(`(${blocked.length} tile requests blocked)`);
const strangers = blocked.filter((u) => !hosts.has(new URL(u).hostname));
check('blocked requests only went to the configured tile servers', strangers.length === 0,
      strangers.slice(0, 5));

console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
