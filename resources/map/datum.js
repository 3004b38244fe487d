// The Chinese map datums, worked out exactly as the player shifts routes (same constants, same order of
// operations), so that whatever the pages draw themselves lines up with the routes they are given.
(function () {
    "use strict";

    var A = 6378245.0;                    // Krasovsky 1940 semi-major axis, metres
    var EE = 0.006693421622965943;        // its first eccentricity squared
    var A_ONE_MINUS_EE = 6335552.717000426;
    var PI = 3.141592653589793;
    var X_PI = 52.35987755982988;

    // The box in which the player treats a track as lying in China.
    var CHINA = { minLat: 3.51, maxLat: 53.33, minLng: 73.33, maxLng: 135.05 };

    function twoThirds(bracket) { return (bracket + bracket) / 3.0; }

    function transformLat(x, y) {
        var t = (((-100.0 + 2.0 * x) + 3.0 * y) + y * (0.2 * y)) + y * (0.1 * x);
        t = t + 0.2 * Math.sqrt(Math.abs(Math.trunc(x)));
        t = t + twoThirds(20.0 * Math.sin(6.0 * x * PI) + 20.0 * Math.sin(2.0 * x * PI));
        t = t + twoThirds(20.0 * Math.sin(y * PI) + 40.0 * Math.sin((y / 3.0) * PI));
        t = t + twoThirds(160.0 * Math.sin(PI * (y / 12.0)) + 320.0 * Math.sin((y * PI) / 30.0));
        return t;
    }

    function transformLon(x, y) {
        var t = 0.1 * Math.sqrt(Math.abs(Math.trunc(x))) +
                ((0.1 * x) * y + ((0.1 * x) * x + (2.0 * y + (300.0 + x))));
        t = t + twoThirds(20.0 * Math.sin((6.0 * x) * PI) + 20.0 * Math.sin((x + x) * PI));
        t = t + twoThirds(40.0 * Math.sin((x / 3.0) * PI) + 20.0 * Math.sin(x * PI));
        t = t + twoThirds(300.0 * Math.sin((x / 30.0) * PI) + 150.0 * Math.sin((x / 12.0) * PI));
        return t;
    }

    // WGS-84 to GCJ-02: [lat, lng].
    function wgs2gcj(lat, lng) {
        var x = lng + (-105.0);
        var y = lat + (-35.0);
        var dLat = transformLat(x, y);
        var dLon = transformLon(x, y);
        var radLat = lat / 180.0 * PI;
        var sLat = Math.sin(radLat);
        var cLat = Math.cos(radLat);
        var magic = (-EE * sLat) * sLat + 1.0;
        var sqrtMagic = Math.sqrt(magic);
        dLat = (dLat * 180.0) / ((A_ONE_MINUS_EE / (magic * sqrtMagic)) * PI);
        dLon = (dLon * 180.0) / (((A / sqrtMagic) * cLat) * PI);
        return [dLat + lat, dLon + lng];
    }

    // GCJ-02 to BD-09: [lng, lat], longitude first as Baidu writes it.
    function gcj2bd(lat, lng) {
        var z = Math.sqrt(lat * lat + lng * lng) + Math.sin(lat * X_PI) * 0.00002;
        var theta = Math.atan2(lat, lng) + Math.cos(X_PI * lng) * 0.000003;
        return [Math.cos(theta) * z + 0.0065, Math.sin(theta) * z + 0.006];
    }

    // WGS-84 to BD-09: [lng, lat].
    function wgs2bd(lat, lng) {
        var gcj = wgs2gcj(lat, lng);
        return gcj2bd(gcj[0], gcj[1]);
    }

    function inChina(lat, lng) {
        return lat >= CHINA.minLat && lat <= CHINA.maxLat && lng >= CHINA.minLng && lng <= CHINA.maxLng;
    }

    window.KestrunDatum = { wgs2gcj: wgs2gcj, gcj2bd: gcj2bd, wgs2bd: wgs2bd, inChina: inChina, CHINA: CHINA };
})();
