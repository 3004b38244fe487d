// The functions the player calls on a map page, shared by both pages. Each page makes its Leaflet map
// and says how to read one of its points; install() then defines drawTrip, drawPolyLinePath,
// setSpeedColours, updateMarkerPosition, updateNewCenterPosition, setOffline and the read-only state used
// by the page tests. A click on the drawn trip is passed back to the player through Qt's web channel.
(function () {
    "use strict";

    // Shown over the map while the player reports the tile server unreachable, unless it passes its own
    // (translated) text.
    var OFFLINE_TEXT = "Please check the network connection.";
    var BASE_CREDIT = "Natural Earth";

    // The clip that plays is drawn as the route always was; the trip's other clips thinner and fainter.
    var ROUTE = { color: "#3DA5F5", weight: 4, opacity: 0.9 };
    var FADED = { weight: 3, opacity: 0.5 };
    // How far from a drawn route, in pixels, a click still counts as one on it.
    var CLICK_RADIUS = 12;

    // Speed colours: green when slow through yellow to red, over 0-130 km/h (faster is clamped), drawn in
    // steps of 5 km/h so that a trip makes only a few polylines per colour.
    var SPEED_TOP = 130;
    var SPEED_STEP = 5;
    var RAMP = [[0, [26, 152, 80]], [0.35, [122, 201, 67]], [0.55, [245, 208, 32]],
                [0.78, [244, 123, 32]], [1, [215, 25, 28]]];
    var KMH = { name: "km/h", factor: 1 };

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

    function hex(rgb) {
        return "#" + rgb.map(function (c) { return (c < 16 ? "0" : "") + c.toString(16); }).join("");
    }

    // The ramp's colour at a fraction 0..1 of its range.
    function rampAt(t) {
        t = Math.max(0, Math.min(1, t));
        var i = 1;
        while (i < RAMP.length - 1 && t > RAMP[i][0]) i++;
        var a = RAMP[i - 1];
        var b = RAMP[i];
        var f = (t - a[0]) / (b[0] - a[0]);
        return hex([0, 1, 2].map(function (k) { return Math.round(a[1][k] + (b[1][k] - a[1][k]) * f); }));
    }

    // The colour a stretch driven at `kmh` is drawn in, or null when the speed is unknown.
    function speedColour(kmh) {
        if (typeof kmh !== "number" || !isFinite(kmh) || kmh < 0) return null;
        return rampAt(Math.round(Math.min(kmh, SPEED_TOP) / SPEED_STEP) * SPEED_STEP / SPEED_TOP);
    }

    // A speed in km/h from the player, or null.
    function readSpeed(value) {
        var v = toNumber(value);
        return isFinite(v) && v >= 0 ? v : null;
    }

    // {name, factor} with a name to show and a positive factor from km/h, else null.
    function readUnit(unit) {
        unit = parsed(unit);
        if (!unit || typeof unit !== "object") return null;
        var factor = toNumber(unit.factor);
        if (typeof unit.name !== "string" || unit.name.trim() === "" || !isFinite(factor) || factor <= 0) {
            return null;
        }
        return { name: unit.name.trim(), factor: factor };
    }

    // The legend's labels for a unit: three to five round numbers from 0 up to the ramp's top, and where
    // each stands along the ramp (0..1).
    function legendTicks(unit) {
        var top = SPEED_TOP * unit.factor;
        var power = Math.pow(10, Math.floor(Math.log(top / 4) / Math.LN10));
        var multiples = [1, 2, 4, 5, 10];
        var step = 10 * power;
        for (var i = 0; i < multiples.length; i++) {
            if (Math.floor(top / (multiples[i] * power)) + 1 <= 5) {
                step = multiples[i] * power;
                break;
            }
        }
        var ticks = [];
        for (var n = 0; n * step <= top * (1 + 1e-9); n++) {
            // Plain digits whatever the system's locale; decimals only for units far smaller than km/h.
            ticks.push({ text: String(Math.round(n * step * 1000) / 1000), at: n * step / top });
        }
        return ticks;
    }

    // Qt's web channel, when the player provides one: qwebchannel.js comes from the player's resources and
    // the transport is Qt's. In a plain browser neither exists and route clicks stay in the page.
    function connectPlayer() {
        if (typeof window.QWebChannel !== "function" || !window.qt || !window.qt.webChannelTransport) return;
        try {
            new window.QWebChannel(window.qt.webChannelTransport, function (channel) {
                window.kestrunPlayer = channel.objects.kestrunPlayer;
            });
        } catch (e) { /* no channel: nothing to tell */ }
    }

    function install(map, readPoint, hooks) {
        hooks = hooks || {};
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

        // Leaflet's credit as plain text: its link would take the map pane itself to Leaflet's web site.
        if (map.attributionControl) map.attributionControl.setPrefix("Leaflet");

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

        // The trip drawn now: per clip its valid points, the second each was given for (its index in the
        // clip's points) and the speed there in km/h, or null where unknown. `current` is the clip that
        // plays, -1 for none.
        var trip = { clips: [], current: -1 };
        var speedColours = { on: false, unit: KMH };
        var lastRouteClick = null;

        // The routes are drawn opaque on canvases of their own, just under the marker's pane, and made
        // faint by their panes: the clip that plays on top, the rest of the trip beneath it. Where the
        // colours of a route meet, their lines overlap without showing it. Clicks go through to the map,
        // which looks for the nearest route point itself.
        function routeCanvas(name, zIndex, opacity) {
            var pane = map.createPane(name);
            pane.style.zIndex = zIndex;
            pane.style.opacity = opacity;
            pane.style.pointerEvents = "none";
            return { pane: name, renderer: L.canvas({ pane: name, padding: 0.25 }) };
        }
        var fadedCanvas = routeCanvas("kestrunTrip", 380, FADED.opacity);
        var playingCanvas = routeCanvas("kestrunRoute", 390, ROUTE.opacity);
        var routeLayers = L.layerGroup().addTo(map);

        var legend = L.control({ position: "bottomleft" });
        legend.onAdd = function () {
            var box = L.DomUtil.create("div", "kestrun-legend");
            box.hidden = true;
            L.DomEvent.disableClickPropagation(box);
            L.DomEvent.disableScrollPropagation(box);
            return box;
        };
        legend.addTo(map);

        function readClip(clip) {
            var out = { latlngs: [], seconds: [], speeds: [] };
            if (!clip || typeof clip !== "object" || !Array.isArray(clip.points)) return out;
            var speeds = Array.isArray(clip.speeds) ? clip.speeds : [];
            for (var i = 0; i < clip.points.length; i++) {
                var ll = toLatLng(clip.points[i]);
                if (!ll) continue; // malformed points are left out
                out.latlngs.push(ll);
                out.seconds.push(i);
                out.speeds.push(i < speeds.length ? readSpeed(speeds[i]) : null);
            }
            return out;
        }

        function lineStyle(faded, colour) {
            var canvas = faded ? fadedCanvas : playingCanvas;
            return { renderer: canvas.renderer, pane: canvas.pane, interactive: false, opacity: 1,
                     color: colour || ROUTE.color, weight: faded ? FADED.weight : ROUTE.weight };
        }

        // Plain, one polyline a clip; with speed colours, one polyline for each colour and style over the
        // whole trip, made of the runs of segments drawn in it. A segment takes the mean of the speeds
        // known at its ends; with neither known it keeps the plain colour.
        function drawRoutes() {
            routeLayers.clearLayers();
            var runs = [];
            var byKey = {};
            trip.clips.forEach(function (clip, c) {
                var faded = c !== trip.current;
                if (!speedColours.on) {
                    if (clip.latlngs.length === 0) return;
                    routeLayers.addLayer(L.polyline(clip.latlngs, lineStyle(faded)));
                    return;
                }
                var part = null;
                var partKey = null;
                for (var i = 1; i < clip.latlngs.length; i++) {
                    var a = clip.speeds[i - 1];
                    var b = clip.speeds[i];
                    var kmh = a === null ? b : (b === null ? a : (a + b) / 2);
                    var colour = speedColour(kmh) || ROUTE.color;
                    var key = (faded ? "f" : "c") + colour;
                    if (key !== partKey) {
                        if (!byKey[key]) {
                            byKey[key] = { faded: faded, colour: colour, parts: [] };
                            runs.push(byKey[key]);
                        }
                        part = [clip.latlngs[i - 1]];
                        byKey[key].parts.push(part);
                        partKey = key;
                    }
                    part.push(clip.latlngs[i]);
                }
            });
            runs.forEach(function (run) {
                routeLayers.addLayer(L.polyline(run.parts, lineStyle(run.faded, run.colour)));
            });
        }

        function showLegend() {
            var box = legend.getContainer();
            box.textContent = "";
            box.hidden = !speedColours.on;
            if (!speedColours.on) return;
            var bar = L.DomUtil.create("div", "kestrun-legend-bar", box);
            bar.style.background = "linear-gradient(to right, " + RAMP.map(function (stop) {
                return hex(stop[1]) + " " + stop[0] * 100 + "%";
            }).join(", ") + ")";
            var scale = L.DomUtil.create("div", "kestrun-legend-scale", box);
            legendTicks(speedColours.unit).forEach(function (tick) {
                var label = L.DomUtil.create("span", "kestrun-legend-tick", scale);
                label.style.left = tick.at * 100 + "%";
                label.textContent = tick.text;
            });
            L.DomUtil.create("span", "kestrun-legend-unit", box).textContent = speedColours.unit.name;
        }

        // The legend's labels as they read, the unit after the last number.
        function legendLabels() {
            var box = legend.getContainer();
            if (box.hidden) return [];
            var labels = Array.prototype.map.call(box.querySelectorAll(".kestrun-legend-tick"),
                                                  function (tick) { return tick.textContent; });
            labels[labels.length - 1] += " " + box.querySelector(".kestrun-legend-unit").textContent;
            return labels;
        }

        // drawTrip(clips, current): every clip of the trip, `clips` an array (or JSON text of one) of
        // {"points": [point, ...], "speeds": [km/h, ...]}, one point a second, speeds parallel to the
        // points (missing or short where unknown). `current` is the index of the clip that plays (none when
        // out of range); the view fits its route, or the whole trip when it has none.
        window.drawTrip = function (clips, current) {
            clips = parsed(clips);
            current = toNumber(parsed(current));
            trip.clips = Array.isArray(clips) ? clips.map(readClip) : [];
            trip.current = current % 1 === 0 && current >= 0 && current < trip.clips.length ? current : -1;

            var fitTo = trip.current >= 0 ? trip.clips[trip.current].latlngs : [];
            if (fitTo.length === 0) {
                fitTo = [];
                trip.clips.forEach(function (clip) { Array.prototype.push.apply(fitTo, clip.latlngs); });
            }
            if (hooks.beforeDraw) hooks.beforeDraw(fitTo);
            drawRoutes();
            if (fitTo.length > 0) {
                map.fitBounds(L.latLngBounds(fitTo), { padding: [24, 24], maxZoom: 17, animate: false });
            }
        };

        // The route of one clip, which plays: a trip of that clip alone.
        window.drawPolyLinePath = function (points) {
            points = parsed(points);
            window.drawTrip([{ points: Array.isArray(points) ? points : [] }], 0);
        };

        // setSpeedColours(on, unit): the routes coloured by speed, with a legend in `unit`
        // ({"name": "mph", "factor": 0.621371}, or JSON text; the factor converts km/h), or plain. A unit
        // that cannot be used leaves km/h; none keeps the one in force.
        window.setSpeedColours = function (on, unit) {
            speedColours.on = !!parsed(on);
            if (unit !== undefined && unit !== null) speedColours.unit = readUnit(unit) || KMH;
            drawRoutes();
            showLegend();
        };

        // The route point nearest a click, over all clips, when the click lies on a drawn route or within
        // CLICK_RADIUS of it. On a tie the clip that plays wins.
        function routePointAt(click) {
            var onRoute = false;
            var best = null;
            var bestDistance = Infinity;
            var order = trip.clips.map(function (clip, c) { return c; });
            if (trip.current >= 0) order.unshift(order.splice(trip.current, 1)[0]);
            for (var n = 0; n < order.length; n++) {
                var clip = trip.clips[order[n]];
                var previous = null;
                for (var i = 0; i < clip.latlngs.length; i++) {
                    var p = map.latLngToContainerPoint(clip.latlngs[i]);
                    var d = click.distanceTo(p);
                    if (d < bestDistance) {
                        bestDistance = d;
                        best = { clip: order[n], second: clip.seconds[i] };
                    }
                    if (!onRoute) {
                        onRoute = d <= CLICK_RADIUS || (previous !== null &&
                            L.LineUtil.pointToSegmentDistance(click, previous, p) <= CLICK_RADIUS);
                    }
                    previous = p;
                }
            }
            return onRoute ? best : null;
        }

        map.on("click", function (e) {
            var hit = routePointAt(e.containerPoint);
            if (!hit) return;
            lastRouteClick = hit;
            var player = window.kestrunPlayer;
            if (player && typeof player.routeClicked === "function") {
                player.routeClicked(hit.clip, hit.second);
            }
        });

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
            var playing = trip.current >= 0 ? trip.clips[trip.current].latlngs : [];
            return {
                routePoints: playing.length,
                marker: m ? [m.lat, m.lng] : null,
                center: [c.lat, c.lng],
                zoom: map.getZoom(),
                routeInView: playing.length > 0 && map.getBounds().contains(L.latLngBounds(playing)),
                trip: { clips: trip.clips.length, current: trip.current,
                        points: trip.clips.map(function (clip) { return clip.latlngs.length; }) },
                lastRouteClick: lastRouteClick && { clip: lastRouteClick.clip,
                                                    second: lastRouteClick.second },
                speedColours: { on: speedColours.on,
                                unit: { name: speedColours.unit.name, factor: speedColours.unit.factor },
                                legend: legendLabels() },
                tiles: hooks.tiles ? hooks.tiles() : null,
                tilesLoaded: tiles.loaded,
                tilesComplete: tiles.complete,
                banner: banner.hidden ? null : banner.textContent,
                credit: credit,
                baseMap: baseMap ? baseMap.state() : null
            };
        };

        // Where a point in the page's own form shows, in page pixels, for the page tests' clicks.
        window.kestrunMapPixel = function (point) {
            var ll = toLatLng(point);
            if (!ll) return null;
            var p = map.latLngToContainerPoint(ll);
            var box = map.getContainer().getBoundingClientRect();
            return [box.left + p.x, box.top + p.y];
        };

        return { watchTiles: watchTiles };
    }

    connectPlayer();

    window.KestrunMap = { latLng: latLng, install: install, speedColour: speedColour };
})();
