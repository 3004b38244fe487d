// The base map both pages draw beneath the tiles: land, coastlines and country borders from the bundled
// Natural Earth data (vendor/world-atlas), on a canvas of its own in a pane below the tile pane. It shows
// whenever the tiles are missing, and is hidden once a complete set of tiles has loaded over it.
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

    // shift(lat, lng) gives the page's [lat, lng] for a WGS-84 vertex inside China.
    function create(map, shift) {
        var topo = window.KESTRUN_WORLD_ATLAS;
        if (!topo || !window.topojson) return null; // plain background
        var stats = { vertices: 0, shifted: 0, sample: null };

        function toLatLng(position) {
            var lng = position[0];
            var lat = position[1];
            if (lat > MAX_LAT) lat = MAX_LAT;
            if (lat < -MAX_LAT) lat = -MAX_LAT;
            stats.vertices++;
            if (KestrunDatum.inChina(lat, lng)) {
                var moved = shift(lat, lng);
                stats.shifted++;
                if (!stats.sample) stats.sample = { raw: [lat, lng], drawn: [moved[0], moved[1]] };
                return L.latLng(moved[0], moved[1]);
            }
            return L.latLng(lat, lng);
        }
        function ring(positions) {
            var out = new Array(positions.length);
            for (var i = 0; i < positions.length; i++) out[i] = toLatLng(positions[i]);
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

        var pane = map.createPane("kestrunBase");
        pane.style.zIndex = 150; // below the tiles (200), above nothing
        pane.style.pointerEvents = "none";
        var renderer = L.canvas({ pane: "kestrunBase", padding: 0.5 });
        function styled(style) { return L.extend({ renderer: renderer, pane: "kestrunBase" }, style); }
        var group = L.layerGroup([
            L.polygon(land, styled(STYLE.land)),
            L.polyline(borders, styled(STYLE.borders))
        ]).addTo(map);

        var shown = true;
        var drawnAt = null;
        // The canvas draws on the next animation frame; note when the first one has been painted.
        L.Util.requestAnimFrame(function () { drawnAt = performance.now(); });

        return {
            layer: group,
            setShown: function (on) {
                shown = !!on;
                pane.style.display = shown ? "" : "none";
            },
            state: function () {
                return { shown: shown, polygons: land.length, borders: borders.length,
                         vertices: stats.vertices, shifted: stats.shifted, sample: stats.sample,
                         drawnAt: drawnAt };
            }
        };
    }

    window.KestrunBaseMap = { create: create };
})();
