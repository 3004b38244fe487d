// The base map both pages draw beneath the tiles: land, coastlines, country borders and, zoomed in,
// province and state borders, all from the bundled Natural Earth data (vendor/natural-earth), painted on a
// canvas of its own in a pane below the tile pane. It shows whenever the tiles are missing, and is hidden
// once a complete set of tiles has loaded over it. The first picture comes from the small 1:110m set the
// page loads with; the 1:50m set and the province borders are loaded after it has been painted.
//
// The data arrives ready to draw (see tools/basemap/prepare.py): each vertex is placed in the page's datum
// (vertices inside China moved with the same shift the player applies to routes there, so a route and the
// coastline it follows line up) and projected once; a redraw only scales, culls and strokes.
(function () {
    "use strict";

    var UNIT = 1e4; // stored units per degree
    var EARTH_RADIUS = 6378137; // Leaflet's spherical Mercator
    var PROVINCES_FROM_ZOOM = 4; // below this, province borders would only clutter the continents
    var SMALL_UP_TO_ZOOM = 2; // the 1:110m set is as fine as the screen up to this zoom
    var STYLE = {
        land: "#172231",
        coast: "#3b5270",
        border: "#7387a3",
        province: "#34465e"
    };
    var FILES = {
        "50m": "vendor/natural-earth/basemap-50m.js",
        provinces: "vendor/natural-earth/provinces.js"
    };

    function bundled(key) {
        return window.KESTRUN_BASE_MAP ? window.KESTRUN_BASE_MAP[key] || null : null;
    }

    function load(key, done) {
        if (bundled(key)) return done();
        var script = document.createElement("script");
        script.src = FILES[key];
        script.onload = done;
        document.head.appendChild(script);
    }

    // The page's projection as a function of two numbers: Leaflet's spherical Mercator worked out inline
    // (the same formula), any other through the map's own projection.
    function projector(map, options) {
        if (options && options.project) return options.project;
        var crs = map.options.crs;
        if (crs === L.CRS.EPSG3857 || crs === L.CRS.EPSG900913) {
            var d = Math.PI / 180;
            var max = L.Projection.SphericalMercator.MAX_LATITUDE;
            return function (lat, lng, out) {
                var sin = Math.sin(Math.max(Math.min(max, lat), -max) * d);
                out[0] = EARTH_RADIUS * lng * d;
                out[1] = EARTH_RADIUS * Math.log((1 + sin) / (1 - sin)) / 2;
            };
        }
        return function (lat, lng, out) {
            var p = crs.projection.project(L.latLng(lat, lng));
            out[0] = p.x;
            out[1] = p.y;
        };
    }

    // The small set comes as SVG path data already projected for each page (in hundreds of metres), so its
    // first picture waits for no arithmetic in script; Path2D reads it natively and a matrix scales it to the
    // zoom. Zoomed out this far, the datum shift inside China (under a kilometre) is a fraction of a pixel
    // and is left out.
    function Ready(data, variant, project) {
        var paths = data.paths[variant];
        this.polygons = data.polygons;
        this.lines = data.lines;
        this.vertices = data.vertices;
        this.unit = data.unit;
        this.land = new Path2D(paths.land);
        this.borders = new Path2D(paths.borders);
        var probe = paths.probe;
        var exact = [0, 0];
        project(probe[0], probe[1], exact);
        this.probeError = Math.max(Math.abs(exact[0] - probe[2]), Math.abs(exact[1] - probe[3]));
    }

    Ready.prototype.trace = function (path, which, view) {
        path.addPath(this[which], new DOMMatrix([view.sx * this.unit, 0, 0, view.sy * this.unit, view.ox, view.oy]));
        return 1;
    };

    // One kind of line (a stream from the data files) as projected vertices with a box around each line.
    function Lines(stream, place, stats) {
        var counts = stream.n;
        var deltas = stream.d;
        var xy = new Float64Array(deltas.length);
        var boxes = new Float64Array(counts.length * 4);
        var out = [0, 0];
        var x = 0, y = 0, k = 0;
        for (var i = 0; i < counts.length; i++) {
            var minX = Infinity, minY = Infinity, maxX = -Infinity, maxY = -Infinity;
            for (var n = 0; n < counts[i]; n++, k += 2) {
                x += deltas[k];
                y += deltas[k + 1];
                place(y / UNIT, x / UNIT, out, stats);
                xy[k] = out[0];
                xy[k + 1] = out[1];
                if (out[0] < minX) minX = out[0];
                if (out[0] > maxX) maxX = out[0];
                if (out[1] < minY) minY = out[1];
                if (out[1] > maxY) maxY = out[1];
            }
            boxes[i * 4] = minX;
            boxes[i * 4 + 1] = minY;
            boxes[i * 4 + 2] = maxX;
            boxes[i * 4 + 3] = maxY;
        }
        this.counts = counts;
        this.xy = xy;
        this.boxes = boxes;
    }

    // Adds the lines that reach into the region (layer pixels) to a path; returns how many. Vertices closer
    // than half a pixel to the last one kept are left out (at low zoom a country is a few pixels).
    Lines.prototype.trace = function (path, view, region, closed) {
        var xy = this.xy, boxes = this.boxes, counts = this.counts;
        var sx = view.sx, ox = view.ox, sy = view.sy, oy = view.oy;
        var traced = 0;
        for (var i = 0, k = 0; i < counts.length; k += counts[i] * 2, i++) {
            var x0 = sx * boxes[i * 4] + ox, x1 = sx * boxes[i * 4 + 2] + ox;
            var y0 = sy * boxes[i * 4 + 1] + oy, y1 = sy * boxes[i * 4 + 3] + oy;
            if (Math.max(x0, x1) < region.minX || Math.min(x0, x1) > region.maxX ||
                Math.max(y0, y1) < region.minY || Math.min(y0, y1) > region.maxY) continue;
            var end = k + counts[i] * 2;
            var lastX = sx * xy[k] + ox, lastY = sy * xy[k + 1] + oy;
            path.moveTo(lastX, lastY);
            for (var j = k + 2; j < end; j += 2) {
                var px = sx * xy[j] + ox, py = sy * xy[j + 1] + oy;
                if (Math.abs(px - lastX) + Math.abs(py - lastY) < 0.5 && j + 2 < end) continue;
                path.lineTo(px, py);
                lastX = px;
                lastY = py;
            }
            if (closed) path.closePath();
            traced++;
        }
        return traced;
    };

    // shift(lat, lng) gives the page's [lat, lng] for a WGS-84 vertex inside China; options.clampLongitude
    // keeps every vertex within ±180 degrees for projections that fold longitudes back; options.project
    // replaces the map's projection by a faster function giving the same numbers; options.paths names the
    // projection of the small set's ready-made paths ("mercator", Leaflet's own, or "clarke", Baidu's).
    function create(map, shift, options) {
        var clampLongitude = !!(options && options.clampLongitude);
        var startedAt = performance.now();
        var first = bundled("110m") || bundled("50m");
        if (!first || !window.Path2D) return null; // plain background
        var project = projector(map, options);
        var stats = { vertices: 0, shifted: 0, sample: null };

        function place(lat, lng, out, counts) {
            if (clampLongitude) lng = Math.max(-180, Math.min(180, lng));
            counts.vertices++;
            if (KestrunDatum.inChina(lat, lng)) {
                var moved = shift(lat, lng);
                counts.shifted++;
                if (!counts.sample) counts.sample = { raw: [lat, lng], drawn: [moved[0], moved[1]] };
                lat = moved[0];
                lng = moved[1];
            }
            project(lat, lng, out);
        }

        function build(data) {
            var counts = { vertices: 0, shifted: 0, sample: null };
            var set = {
                polygons: data.polygons,
                land: new Lines(data.land, place, counts),
                borders: new Lines(data.borders, place, counts)
            };
            stats = counts;
            return set;
        }

        var small = first.paths ? new Ready(first, (options && options.paths) || "mercator", project) : null;
        var detailed = small ? null : build(first);
        var detail = detailed ? "50m" : "110m";
        var provinces = null;
        var shown = true;
        var drawnAt = null, detailedAt = null, provincesAt = null;
        var lastDrawn = { land: 0, borders: 0, provinces: 0 };

        // The paths of the last redraw, in layer pixels, for the zoom and region they were traced for: a pan
        // within the region draws them again without tracing them anew.
        var paths = { key: null, region: null };

        // Where the map repeats the world side by side (Leaflet's Mercator wraps longitudes, its tiles
        // repeat), so does the base map: the copies that reach into the region, as layer-pixel offsets.
        function copies(zoom, region) {
            var crs = map.options.crs;
            var world = crs.wrapLng && map.getPixelWorldBounds(zoom);
            if (!world) return [0];
            var width = world.max.x - world.min.x;
            var left = world.min.x - map.getPixelOrigin().x;
            var out = [];
            var first = Math.floor((region.minX - left) / width) - 1;
            var last = Math.floor((region.maxX - left) / width) + 1;
            for (var k = first; k <= last; k++) out.push(k * width);
            return out;
        }

        function trace(set, zoom, view, bounds) {
            var size = bounds.getSize();
            var region = { minX: bounds.min.x - size.x, minY: bounds.min.y - size.y,
                           maxX: bounds.max.x + size.x, maxY: bounds.max.y + size.y };
            var out = { key: null, region: region, land: new Path2D(), borders: new Path2D(), provinces: null,
                        drawn: { land: 0, borders: 0, provinces: 0 } };
            if (provinces && zoom >= PROVINCES_FROM_ZOOM) out.provinces = new Path2D();
            copies(zoom, region).forEach(function (dx) {
                var copy = { sx: view.sx, ox: view.ox + dx, sy: view.sy, oy: view.oy };
                if (set === small) {
                    out.drawn.land += small.trace(out.land, "land", copy);
                    out.drawn.borders += small.trace(out.borders, "borders", copy);
                } else {
                    out.drawn.land += set.land.trace(out.land, copy, region, true);
                    out.drawn.borders += set.borders.trace(out.borders, copy, region, false);
                }
                if (out.provinces) out.drawn.provinces += provinces.trace(out.provinces, copy, region, false);
            });
            return out;
        }

        // Solid lines only: dashes cost the canvas several times as much to rasterise.
        function paint(ctx, bounds) {
            if (!shown) return;
            var zoom = map.getZoom();
            var crs = map.options.crs;
            var scale = crs.scale(zoom);
            var t = crs.transformation;
            var origin = map.getPixelOrigin();
            // Layer pixels from projected metres; the renderer has moved the canvas origin to bounds.min.
            var view = { sx: scale * t._a, ox: scale * t._b - origin.x, sy: scale * t._c, oy: scale * t._d - origin.y };
            // The small set where it is as good as the detailed one, and while the detailed one is loading.
            var set = (zoom <= SMALL_UP_TO_ZOOM && small) || !detailed ? small : detailed;
            var key = [zoom, origin.x, origin.y, set === small, !!provinces].join();
            var r = paths.region;
            if (paths.key !== key || bounds.min.x < r.minX || bounds.min.y < r.minY || bounds.max.x > r.maxX ||
                bounds.max.y > r.maxY) {
                paths = trace(set, zoom, view, bounds);
                paths.key = key;
            }
            lastDrawn = paths.drawn;
            ctx.save();
            ctx.lineWidth = 1;
            ctx.lineJoin = "round";
            ctx.fillStyle = STYLE.land;
            ctx.fill(paths.land, "evenodd");
            if (paths.provinces) {
                ctx.strokeStyle = STYLE.province;
                ctx.stroke(paths.provinces);
            }
            ctx.strokeStyle = STYLE.coast;
            ctx.stroke(paths.land);
            ctx.globalAlpha = 0.8;
            ctx.strokeStyle = STYLE.border;
            ctx.stroke(paths.borders);
            ctx.restore();
        }

        // Leaflet's canvas renderer keeps the canvas sized and placed over the view, scales it during zoom
        // animations and asks for a redraw after every move; the drawing is the base map's own.
        var Renderer = L.Canvas.extend({
            _draw: function () { paint(this._ctx, this._bounds); }
        });
        var pane = map.createPane("kestrunBase");
        pane.style.zIndex = 150; // below the tiles (200), above nothing
        pane.style.pointerEvents = "none";
        var renderer = new Renderer({ pane: "kestrunBase", padding: 0.1 });
        map.addLayer(renderer);
        var builtAt = performance.now();

        function redraw() {
            if (renderer._map) renderer._redraw();
        }

        function afterPaint(then) {
            L.Util.requestAnimFrame(function () { then(performance.now()); });
        }

        function loadProvinces() {
            load("provinces", function () {
                var data = bundled("provinces");
                if (!data) return;
                provinces = new Lines(data.provinces, place, { vertices: 0, shifted: 0, sample: null });
                if (map.getZoom() >= PROVINCES_FROM_ZOOM) redraw();
                afterPaint(function (now) { provincesAt = now; });
            });
        }

        function useDetailed() {
            var data = bundled("50m");
            if (!data) return;
            detailed = build(data);
            detail = "50m";
            if (map.getZoom() > SMALL_UP_TO_ZOOM) redraw();
            afterPaint(function (now) {
                detailedAt = now;
                setTimeout(loadProvinces, 0);
            });
        }

        // The canvas is painted with the next frame; note when, then fetch the detailed sets.
        afterPaint(function (now) {
            drawnAt = now;
            if (detail === "50m") {
                detailedAt = now;
                setTimeout(loadProvinces, 0);
                return;
            }
            setTimeout(function () { load("50m", useDetailed); }, 0);
        });

        return {
            setShown: function (on) {
                on = !!on;
                if (on === shown) return;
                shown = on;
                pane.style.display = shown ? "" : "none";
                if (shown) redraw();
            },
            state: function () {
                var sample = stats.sample;
                var projected = null;
                if (sample) {
                    // The same vertex through the page's projection and through the map's own.
                    var mine = [0, 0];
                    project(sample.drawn[0], sample.drawn[1], mine);
                    var theirs = map.options.crs.projection.project(L.latLng(sample.drawn[0], sample.drawn[1]));
                    projected = { drawn: mine, map: [theirs.x, theirs.y] };
                }
                var set = detailed || small;
                return { shown: shown, detail: detail, polygons: set.polygons,
                         borders: detailed ? detailed.borders.counts.length : small.lines,
                         vertices: detailed ? stats.vertices : small.vertices,
                         smallProbeError: small ? small.probeError : null,
                         shifted: stats.shifted, sample: sample, projected: projected,
                         provinces: provinces ? provinces.counts.length : 0, drawn: L.extend({}, lastDrawn),
                         startedAt: startedAt, builtAt: builtAt, drawnAt: drawnAt, detailedAt: detailedAt,
                         provincesAt: provincesAt };
            }
        };
    }

    window.KestrunBaseMap = { create: create };
})();
