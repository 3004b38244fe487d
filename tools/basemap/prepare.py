#!/usr/bin/env python3
"""Builds the base map the map pages draw under (or instead of) the tiles.

    npm install --prefix /tmp/atlas world-atlas@2.0.2
    apt-get download qgis-common && dpkg-deb -x qgis-common_*.deb /tmp/qgis
    python3 tools/basemap/prepare.py /tmp/atlas/node_modules/world-atlas \
        /tmp/qgis/usr/share/qgis/resources/data/world_map.gpkg

Sources, all Natural Earth (public domain):
  - land, coastlines and country borders at 1:110m and 1:50m from the world-atlas package (TopoJSON);
  - province and state borders from the 'states_provinces' layer of QGIS's world_map.gpkg (Natural Earth's
    1:10m admin-1 polygons, generalised by the QGIS project).

Writes resources/map/vendor/natural-earth/basemap-110m.js, basemap-50m.js and provinces.js. Each holds its
lines ready to draw: longitude and latitude in units of 1e-4 degree, delta-coded along one stream per kind
of line, with the length of every line beside it. A ring that crosses the 180th meridian keeps going past
±180 instead of jumping back; latitudes are cut at Mercator's limit. Pages load the files as scripts (pages
opened from file:// may not fetch JSON); the data is a JSON.parse of a string, which the browser reads several
times faster than the same numbers as a script literal.
"""
import json
import math
import os
import sqlite3
import struct
import sys

UNIT = 1e4  # stored units per degree
MAX_LAT = 85.0511287798
# Province borders are simplified to this many degrees (about two kilometres): within a pixel up to zoom 6,
# and the base map is only there to give the route its place once zoomed in further.
PROVINCE_TOLERANCE = 0.02

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.normpath(os.path.join(HERE, '..', '..', 'resources', 'map', 'vendor', 'natural-earth'))


def clamp_lat(lat):
    return max(-MAX_LAT, min(MAX_LAT, lat))


def unwrapped(points):
    """Longitudes continued past ±180 where a line crosses the 180th meridian. An edge along a pole (the
    closing edge of Antarctica) goes round the whole world on purpose and is kept as it is."""
    out = []
    offset = 0.0
    for i, (lng, lat) in enumerate(points):
        if i > 0 and not (abs(lat) > 84 and abs(points[i - 1][1]) > 84):
            step = lng - points[i - 1][0]
            if step > 180:
                offset -= 360
            elif step < -180:
                offset += 360
        out.append((lng + offset, clamp_lat(lat)))
    return out


# The projections of the two pages, in metres: Leaflet's spherical Mercator and the Mercator on the Clarke
# 1866 ellipsoid of Baidu's tiles.
SPHERE = 6378137.0
CLARKE_A = 6378206.0
CLARKE_E = math.sqrt(1 - (6356584.314245179 / CLARKE_A) ** 2)
PATH_UNIT = 100.0  # metres per unit of the ready-made paths


def mercator(lng, lat):
    return SPHERE * math.radians(lng), SPHERE * math.log(math.tan(math.pi / 4 + math.radians(lat) / 2))


def clarke(lng, lat):
    lng = max(-180.0, min(180.0, lng))  # proj4 folds longitudes past ±180 back
    phi = math.radians(lat)
    e_sin = CLARKE_E * math.sin(phi)
    y = math.log(math.tan(math.pi / 4 + phi / 2) * ((1 - e_sin) / (1 + e_sin)) ** (CLARKE_E / 2))
    return CLARKE_A * math.radians(lng), CLARKE_A * y


PROJECTIONS = {'mercator': mercator, 'clarke': clarke}


class SvgPath:
    """Lines as SVG path data in one page's projected metres (hundreds), for Path2D."""

    def __init__(self, project):
        self.project = project
        self.parts = []

    def add(self, points, closed):
        last = None
        out = []
        for lng, lat in unwrapped(points):
            x, y = self.project(lng, lat)
            q = (round(x / PATH_UNIT), round(y / PATH_UNIT))
            if last is None:
                out.append(f'M{q[0]} {q[1]}l')
            elif q != last:
                out.append(f'{q[0] - last[0]} {q[1] - last[1]}')
            last = q
        if len(out) > 1:
            self.parts.append(' '.join(out) + ('z' if closed else ''))

    def text(self):
        return ''.join(self.parts)


class Stream:
    """Lines as one delta-coded stream of integers plus the number of points of each line."""

    def __init__(self):
        self.counts = []
        self.deltas = []
        self.last = (0, 0)

    def add(self, points):
        quantized = []
        for lng, lat in unwrapped(points):
            q = (round(lng * UNIT), round(lat * UNIT))
            if not quantized or q != quantized[-1]:
                quantized.append(q)
        if len(quantized) < 2:
            return
        self.counts.append(len(quantized))
        for x, y in quantized:
            self.deltas.append(x - self.last[0])
            self.deltas.append(y - self.last[1])
            self.last = (x, y)

    def vertices(self):
        return sum(self.counts)

    def json(self):
        return {'n': self.counts, 'd': self.deltas}


# --- world-atlas (TopoJSON) -------------------------------------------------------------------------------

def decode_arcs(topology):
    sx, sy = topology['transform']['scale']
    tx, ty = topology['transform']['translate']
    arcs = []
    for arc in topology['arcs']:
        x = y = 0
        points = []
        for dx, dy in arc:
            x += dx
            y += dy
            points.append((x * sx + tx, y * sy + ty))
        arcs.append(points)
    return arcs


def ring_points(arcs, indices):
    points = []
    for index in indices:
        arc = arcs[index] if index >= 0 else list(reversed(arcs[~index]))
        points.extend(arc if not points else arc[1:])
    return points


def polygons_of(geometry):
    kind = geometry.get('type')
    if kind == 'GeometryCollection':
        for g in geometry['geometries']:
            yield from polygons_of(g)
    elif kind == 'Polygon':
        yield geometry['arcs']
    elif kind == 'MultiPolygon':
        yield from geometry['arcs']


def atlas_scale(atlas_dir, scale):
    with open(os.path.join(atlas_dir, f'countries-{scale}.json')) as f:
        topology = json.load(f)
    arcs = decode_arcs(topology)
    land = Stream()
    paths = {name: {'land': SvgPath(project), 'borders': SvgPath(project)} for name, project in PROJECTIONS.items()}
    polygons = 0
    for polygon in polygons_of(topology['objects']['land']):
        polygons += 1
        for ring in polygon:
            points = ring_points(arcs, ring)
            land.add(points)
            for path in paths.values():
                path['land'].add(points, True)
    # Country borders: the arcs two different countries share (the coasts are used by one only).
    users = {}
    for number, country in enumerate(topology['objects']['countries']['geometries']):
        for polygon in polygons_of(country):
            for ring in polygon:
                for index in ring:
                    users.setdefault(index if index >= 0 else ~index, set()).add(number)
    borders = Stream()
    for index in sorted(users):
        if len(users[index]) > 1:
            borders.add(arcs[index])
            for path in paths.values():
                path['borders'].add(arcs[index], False)
    data = {'polygons': polygons, 'land': land.json(), 'borders': borders.json()}
    if scale == '110m':
        # The small set is only drawn zoomed out, where a path ready for the page's projection draws at once.
        # A probe vertex lets the page check that the projection here is its own.
        lng, lat = unwrapped(ring_points(arcs, next(polygons_of(topology['objects']['land']))[0]))[0]
        data = {'polygons': polygons, 'lines': len(land.counts) + len(borders.counts),
                'vertices': land.vertices() + borders.vertices(), 'unit': PATH_UNIT, 'paths': {}}
        for name, path in paths.items():
            x, y = PROJECTIONS[name](lng, lat)
            data['paths'][name] = {'land': path['land'].text(), 'borders': path['borders'].text(),
                                   'probe': [lat, lng, x, y]}
    return data, land, borders


# --- states_provinces (GeoPackage) ------------------------------------------------------------------------

def wkb_polygons(blob):
    """The polygons (lists of rings of (lng, lat)) of a GeoPackage geometry."""
    if blob[:2] != b'GP':
        raise ValueError('not a GeoPackage geometry')
    flags = blob[3]
    envelope = {0: 0, 1: 32, 2: 48, 3: 48, 4: 64}[(flags >> 1) & 7]
    data = memoryview(blob)[8 + envelope:]
    pos = 0

    def read(fmt, order):
        nonlocal pos
        values = struct.unpack_from(order + fmt, data, pos)
        pos += struct.calcsize(order + fmt)
        return values

    def geometry():
        order = '<' if data[pos] == 1 else '>'
        read('B', order)
        (kind,) = read('I', order)
        dims = 3 if kind // 1000 in (1, 2) else 4 if kind // 1000 == 3 else 2
        kind %= 1000
        if kind == 3:
            (count,) = read('I', order)
            rings = []
            for _ in range(count):
                (n,) = read('I', order)
                coords = read('d' * (n * dims), order)
                rings.append([(coords[i * dims], coords[i * dims + 1]) for i in range(n)])
            return [rings]
        if kind == 6:
            (count,) = read('I', order)
            out = []
            for _ in range(count):
                out.extend(geometry())
            return out
        raise ValueError(f'unexpected geometry type {kind}')

    return geometry()


def perpendicular(p, a, b):
    (x, y), (ax, ay), (bx, by) = p, a, b
    dx, dy = bx - ax, by - ay
    if dx == 0 and dy == 0:
        return math.hypot(x - ax, y - ay)
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - ax - t * dx, y - ay - t * dy)


def simplified(points, tolerance):
    """Douglas-Peucker, without recursion."""
    if len(points) < 3:
        return points
    keep = [False] * len(points)
    keep[0] = keep[-1] = True
    stack = [(0, len(points) - 1)]
    while stack:
        first, last = stack.pop()
        worst, at = 0.0, -1
        for i in range(first + 1, last):
            d = perpendicular(points[i], points[first], points[last])
            if d > worst:
                worst, at = d, i
        if at >= 0 and worst > tolerance:
            keep[at] = True
            stack.append((first, at))
            stack.append((at, last))
    return [p for p, k in zip(points, keep) if k]


def provinces(gpkg):
    """Borders between two provinces of one country, as lines (country borders and coasts left out)."""
    connection = sqlite3.connect(gpkg)
    rings = []
    for country, blob in connection.execute('SELECT adm0_a3, geom FROM states_provinces ORDER BY fid'):
        for polygon in wkb_polygons(blob):
            for ring in polygon:
                rings.append((country, ring))

    def key(a, b):
        return (a, b) if a <= b else (b, a)

    # An edge both provinces of a country draw is a border between them; one drawn once is a coast or a
    # country border.
    seen = {}
    for country, ring in rings:
        for a, b in zip(ring, ring[1:]):
            if a != b:
                seen.setdefault(key(a, b), []).append(country)
    shared = {k for k, owners in seen.items() if len(owners) == 2 and owners[0] == owners[1]}

    lines = Stream()
    emitted = set()
    raw = 0
    for _, ring in rings:
        run = []
        for a, b in zip(ring, ring[1:]):
            k = key(a, b)
            if k in shared and k not in emitted:
                emitted.add(k)
                if not run:
                    run.append(a)
                run.append(b)
            elif run:
                raw += len(run)
                lines.add(simplified(run, PROVINCE_TOLERANCE))
                run = []
        if run:
            raw += len(run)
            lines.add(simplified(run, PROVINCE_TOLERANCE))
    return lines, raw


def write(name, key, value, comment):
    text = json.dumps(value, separators=(',', ':'))
    path = os.path.join(OUT, name)
    with open(path, 'w') as f:
        f.write(f'// {comment}; made by tools/basemap/prepare.py\n')
        f.write('(window.KESTRUN_BASE_MAP = window.KESTRUN_BASE_MAP || {})')
        f.write(f'[{json.dumps(key)}] = JSON.parse({json.dumps(text)});\n')
    print(f'{name}: {os.path.getsize(path)} bytes')


def main():
    if len(sys.argv) != 3:
        sys.exit('usage: prepare.py <world-atlas package folder> <world_map.gpkg>')
    atlas_dir, gpkg = sys.argv[1], sys.argv[2]
    with open(os.path.join(atlas_dir, 'package.json')) as f:
        version = json.load(f)['version']
    os.makedirs(OUT, exist_ok=True)
    for scale in ('110m', '50m'):
        data, land, borders = atlas_scale(atlas_dir, scale)
        print(f'{scale}: {data["polygons"]} polygons, {land.vertices()} land and {borders.vertices()} '
              f'border vertices')
        write(f'basemap-{scale}.js', scale, data,
              f'Natural Earth 1:{scale[:-1]} million land and country borders (world-atlas {version})')
    lines, raw = provinces(gpkg)
    print(f'provinces: {len(lines.counts)} lines, {lines.vertices()} vertices (of {raw})')
    write('provinces.js', 'provinces', {'provinces': lines.json()},
          'Natural Earth 1:10 million province and state borders (QGIS world_map.gpkg), simplified')


if __name__ == '__main__':
    main()
