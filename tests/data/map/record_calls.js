// Stand-in map functions for the bridge tests: every call is recorded with its argument.
window.kestrunCalls = [];
function record(name, argument) { window.kestrunCalls.push(name + " " + JSON.stringify(argument)); }
function drawPolyLinePath(route) { record("drawPolyLinePath", route); }
function updateMarkerPosition(point) { record("updateMarkerPosition", point); }
function updateNewCenterPosition(point) { record("updateNewCenterPosition", point); }
function drawTrip(clips, current) { record("drawTrip", [clips, current]); }
function setSpeedColours(on, unit) { record("setSpeedColours", [on, unit]); }
