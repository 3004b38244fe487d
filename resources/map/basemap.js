// The base map both pages draw beneath the tiles: land, coastlines and country borders from the bundled
// Natural Earth data (vendor/world-atlas), on a canvas of its own in a pane below the tile pane. It shows
// whenever the tiles are missing, and is hidden once a complete set of tiles has loaded over it. The first
// picture comes from the small 1:110m set the page loads with; the 1:50m set is loaded right after it has
// been painted and replaces it.
//
// Vertices inside China are moved into the page's datum with the same shift the player applies to routes
// there, so a route and the coastline it follows line up.
(function () {
    "use strict";

    var MAX_LAT = 85.0511287798; // beyond this Mercator has no y
    var STYLE = {
        land: { stroke: true, color: "#3b5270", weight: 1, opacity: 1,
                fill: true, fillColor: "#172231", fillOpacity: 1, interactive: false },
        borders: { color: "#5d7390", weight: 1, opacity: 0.8, dashArray: "4 3", fill: false,
                   interactive: false }
    };

    var DETAILED = "vendor/world-atlas/countries-50m.js";

    function atlas(scale) {
        return window.KESTRUN_WORLD_ATLAS ? window.KESTRUN_WORLD_ATLAS[scale] : null;
    }

    // Land polygons and border lines of a topology as Leaflet points in the page's datum.
    function shapes(topo, shift, clampLongitude) {
        var stats = { vertices: 0, shifted: 0, sample: null };
        function toLatLng(position, offset) {
            var lng = position[0];
            var lat = position[1];
            if (lat > MAX_LAT) lat = MAX_LAT;
            if (lat < -MAX_LAT) lat = -MAX_LAT;
            stats.vertices++;
            if (KestrunDatum.inChina(lat, lng)) {
                var moved = shift(lat, lng);
                stats.shifted++;
                if (!stats.sample) stats.sample = { raw: [lat, lng], drawn: [moved[0], moved[1]] };
                return L.latLng(moved[0], moved[1] + offset);
            }
            lng += offset;
            if (clampLongitude) lng = Math.max(-180, Math.min(180, lng));
            return L.latLng(lat, lng);
        }
        // A ring or line that crosses the 180th meridian is kept in one piece: past it, longitudes go on
        // beyond ±180 instead of jumping across the whole map, or, where the page's projection cannot
        // take them (clampLongitude), stay on the meridian.
        function ring(positions) {
            var out = new Array(positions.length);
            var offset = 0;
            for (var i = 0; i < positions.length; i++) {
                if (i > 0) {
                    var step = positions[i][0] - positions[i - 1][0];
                    if (step > 180) offset -= 360;
                    else if (step < -180) offset += 360;
                }
                out[i] = toLatLng(positions[i], offset);
            }
            return out;
        }
        function polygons(geometry, into) {
            if (!geometry) return into;
            if (geometry.type === "FeatureCollection") {
                geometry.features.forEach(function (f) { polygons(f.geometry, into); });
            } else if (geometry.type === "Feature") {
                polygons(geometry.geometry, into);
            } else if (geometry.type === "Polygon") {
                into.push(geometry.coordinates.map(ring));
            } else if (geometry.type === "MultiPolygon") {
                geometry.coordinates.forEach(function (p) { into.push(p.map(ring)); });
            }
            return into;
        }
        var land = polygons(topojson.feature(topo, topo.objects.land), []);
        var mesh = topojson.mesh(topo, topo.objects.countries, function (a, b) { return a !== b; });
        var borders = (mesh.type === "MultiLineString" ? mesh.coordinates : [mesh.coordinates]).map(ring);
        return { land: land, borders: borders, stats: stats };
    }

    // shift(lat, lng) gives the page's [lat, lng] for a WGS-84 vertex inside China; options.clampLongitude
    // keeps every vertex within ±180 degrees for projections that fold longitudes back.
    function create(map, shift, options) {
        var clampLongitude = !!(options && options.clampLongitude);
        var startedAt = performance.now();
        var first = atlas("110m") || atlas("50m");
        if (!first || !window.topojson) return null; // plain background
        var current = shapes(first, shift, clampLongitude);
        var detail = atlas("110m") ? "110m" : "50m";

        var pane = map.createPane("kestrunBase");
        pane.style.zIndex = 150; // below the tiles (200), above nothing
        pane.style.pointerEvents = "none";
        var renderer = L.canvas({ pane: "kestrunBase", padding: 0.25 });
        function styled(style) { return L.extend({ renderer: renderer, pane: "kestrunBase" }, style); }
        var land = L.polygon(current.land, styled(STYLE.land));
        var borders = L.polyline(current.borders, styled(STYLE.borders));
        var group = L.layerGroup([land, borders]).addTo(map);
        var builtAt = performance.now();

        var shown = true;
        var drawnAt = null;
        var detailedAt = null;

        function useDetailed() {
            var topo = atlas("50m");
            if (!topo) return;
            current = shapes(topo, shift, clampLongitude);
            detail = "50m";
            land.setLatLngs(current.land);
            borders.setLatLngs(current.borders);
            L.Util.requestAnimFrame(function () { detailedAt = performance.now(); });
        }

        // The canvas draws on the next animation frame; note when the first one has been painted, then
        // fetch the detailed set.
        L.Util.requestAnimFrame(function () {
            drawnAt = performance.now();
            if (detail === "50m") return;
            setTimeout(function () {
                if (atlas("50m")) return useDetailed();
                var script = document.createElement("script");
                script.src = DETAILED;
                script.onload = useDetailed;
                document.head.appendChild(script);
            }, 0);
        });

        return {
            layer: group,
            setShown: function (on) {
                shown = !!on;
                pane.style.display = shown ? "" : "none";
            },
            state: function () {
                return { shown: shown, detail: detail, polygons: current.land.length,
                         borders: current.borders.length, vertices: current.stats.vertices,
                         shifted: current.stats.shifted, sample: current.stats.sample,
                         startedAt: startedAt, builtAt: builtAt, drawnAt: drawnAt, detailedAt: detailedAt };
            }
        };
    }

    window.KestrunBaseMap = { create: create };
})();
