// Tile sources used by google_map.html and baidu_map.html.
//
// Edit the URL templates here to use another tile server. Leaflet fills in
// {x}, {y} and {z}, and {s} with one character of `subdomains`. No API key is
// needed for the defaults. Without network access the pages still draw the
// route and the position marker over the bundled base map (land, coastlines
// and borders).
//
// A page may be given other sources before this file runs, as
// window.KESTRUN_MAP_CONFIG_OVERRIDES = { google: { url: "..." }, ... };
// each member replaces the named fields of that source (the tests point the
// tiles at a local server this way).
window.KESTRUN_MAP_CONFIG = {
    // Used by google_map.html for positions outside mainland China (WGS-84).
    google: {
        url: "https://mt{s}.google.com/vt/lyrs=m&hl=en&x={x}&y={y}&z={z}",
        subdomains: "0123",
        maxZoom: 20,
        attribution: "Map data &copy; Google"
    },
    // Used by google_map.html for positions inside mainland China, whose
    // coordinates arrive already shifted to GCJ-02 like these tiles.
    googleChina: {
        url: "https://www.google.cn/maps/vt?lyrs=m&gl=cn&hl=zh-CN&x={x}&y={y}&z={z}",
        maxZoom: 20,
        attribution: "Map data &copy; Google"
    },
    // Used by baidu_map.html (BD-09 coordinates, Baidu's own tile grid).
    baidu: {
        url: "https://maponline{s}.bdimg.com/tile/?qt=vtile&x={x}&y={y}&z={z}&styles=pl&scaler=1&udt=20200101",
        subdomains: "0123",
        minZoom: 3,
        maxZoom: 19,
        attribution: "Map data &copy; Baidu"
    }
};

(function () {
    "use strict";
    var overrides = window.KESTRUN_MAP_CONFIG_OVERRIDES;
    if (!overrides || typeof overrides !== "object") return;
    var config = window.KESTRUN_MAP_CONFIG;
    Object.keys(overrides).forEach(function (name) {
        var source = overrides[name];
        if (!source || typeof source !== "object") return;
        config[name] = Object.assign({}, config[name] || {}, source);
    });
})();
