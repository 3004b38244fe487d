// The functions the player calls on a map page, shared by both pages. Each page makes its Leaflet map
// and says how to read one of its points; install() then defines drawPolyLinePath, updateMarkerPosition,
// updateNewCenterPosition, setOffline and the read-only state used by the page tests.
(function () {
    "use strict";

    // Shown over the map while the player reports the tile server unreachable, unless it passes its own
    // (translated) text.
    var OFFLINE_TEXT = "Please check the network connection.";
    var BASE_CREDIT = "Natural Earth";

    function toNumber(value) {
        if (typeof value === "number") return value;
        if (typeof value === "string" && value.trim() !== "") return Number(value);
        return NaN;
    }

    // A point from two numbers, or null when they are not a position.
    function latLng(lat, lng) {
        lat = toNumber(lat);
        lng = toNumber(lng);
        if (!isFinite(lat) || !isFinite(lng) || Math.abs(lat) > 90 || Math.abs(lng) > 180) return null;
        return L.latLng(lat, lng);
    }

    // Arguments may also arrive as JSON text.
    function parsed(value) {
        if (typeof value !== "string") return value;
        try { return JSON.parse(value); } catch (e) { return null; }
    }

    function install(map, readPoint, hooks) {
        hooks = hooks || {};
        var route = null;
        var marker = null;
        var toLatLng = function (point) { return readPoint(parsed(point)); };
        var baseMap = hooks.baseMap || null;
        var tiles = { loaded: 0, errors: 0, complete: false, layer: null, credit: "" };
        var credit = null; // the source the attribution line names now

        // The attribution names what is drawn: the bundled base map while it shows, else the tiles.
        function setCredit(text) {
            var control = map.attributionControl;
            text = text || null;
            if (!control || text === credit) return;
            if (credit) control.removeAttribution(credit);
            credit = text;
            if (credit) control.addAttribution(credit);
        }

        function showBase(on) {
            if (baseMap) baseMap.setShown(on);
            setCredit(baseMap && on ? BASE_CREDIT : tiles.credit);
        }
        showBase(true);

        var banner = document.createElement("div");
        banner.className = "kestrun-banner";
        banner.setAttribute("role", "status");
        banner.textContent = OFFLINE_TEXT;
        banner.hidden = true;
        map.getContainer().appendChild(banner);

        // The base map shows while tiles are loading or failing, and steps aside once every tile in view
        // has arrived.
        // `tileCredit` is the tile source's attribution, shown once its tiles cover the view.
        function watchTiles(layer, tileCredit) {
            tiles.layer = layer;
            tiles.credit = tileCredit || "";
            tiles.complete = false;
            showBase(true);
            layer.on("loading", function () {
                if (layer !== tiles.layer) return;
                tiles.errors = 0;
                tiles.complete = false;
                showBase(true);
            });
            layer.on("tileload", function () { if (layer === tiles.layer) tiles.loaded++; });
            layer.on("tileerror", function () {
                if (layer !== tiles.layer) return;
                tiles.errors++;
                showBase(true);
            });
            layer.on("load", function () {
                if (layer !== tiles.layer) return;
                tiles.complete = tiles.errors === 0;
                showBase(!tiles.complete);
            });
        }

        // setOffline(true[, text]) shows the banner; setOffline(false) hides it and asks for the tiles
        // again. The route and the marker stay as they are either way.
        window.setOffline = function (offline, text) {
            offline = parsed(offline);
            // The text comes as a string, or as a string in JSON text.
            if (typeof text === "string") {
                try {
                    var inner = JSON.parse(text);
                    if (typeof inner === "string") text = inner;
                } catch (e) { /* plain text */ }
            }
            if (offline) {
                banner.textContent = typeof text === "string" && text.trim() !== "" ? text : OFFLINE_TEXT;
                banner.hidden = false;
                if (!tiles.complete) showBase(true);
            } else {
                banner.hidden = true;
                if (tiles.layer && !tiles.complete) tiles.layer.redraw();
            }
        };

        window.drawPolyLinePath = function (points) {
            points = parsed(points);
            var latlngs = [];
            if (Array.isArray(points)) {
                for (var i = 0; i < points.length; i++) {
                    var ll = toLatLng(points[i]);
                    if (ll) latlngs.push(ll); // malformed points are left out
                }
            }
            if (hooks.beforeDraw) hooks.beforeDraw(latlngs);
            if (route) {
                map.removeLayer(route);
                route = null;
            }
            if (latlngs.length === 0) return;
            route = L.polyline(latlngs, { color: "#3DA5F5", weight: 4, opacity: 0.9 }).addTo(map);
            map.fitBounds(route.getBounds(), { padding: [24, 24], maxZoom: 17, animate: false });
            if (marker) marker.bringToFront();
        };

        window.updateMarkerPosition = function (point) {
            var ll = toLatLng(point);
            if (!ll) return;
            if (marker) {
                marker.setLatLng(ll);
            } else {
                marker = L.circleMarker(ll, {
                    radius: 7, color: "#1A1A1A", weight: 2,
                    fillColor: "#F5B83D", fillOpacity: 1
                }).addTo(map);
            }
        };

        window.updateNewCenterPosition = function (point) {
            var ll = toLatLng(point);
            if (!ll) return;
            map.setView(ll, map.getZoom(), { animate: false });
        };

        // Read-only snapshot of the map, used by the page tests.
        window.kestrunMapState = function () {
            var c = map.getCenter();
            var m = marker ? marker.getLatLng() : null;
            return {
                routePoints: route ? route.getLatLngs().length : 0,
                marker: m ? [m.lat, m.lng] : null,
                center: [c.lat, c.lng],
                zoom: map.getZoom(),
                routeInView: route ? map.getBounds().contains(route.getBounds()) : false,
                tiles: hooks.tiles ? hooks.tiles() : null,
                tilesLoaded: tiles.loaded,
                tilesComplete: tiles.complete,
                banner: banner.hidden ? null : banner.textContent,
                credit: credit,
                baseMap: baseMap ? baseMap.state() : null
            };
        };

        return { watchTiles: watchTiles };
    }

    window.KestrunMap = { latLng: latLng, install: install };
})();
