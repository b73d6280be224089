#!/usr/bin/env python3
"""Builds sim/machines/two-fan-laptop.json from a real two-fan laptop's SMC key table.

The key table keeps every key of the dump, in the dump's order, with its type,
size and bytes, so that discovery walks a real key set. On top of it this
script adds what the dump cannot say: "Ftst" (newer two-fan machines need it
before they accept a manual fan mode), which keys the firmware lets a client
write, a "#KEY" that counts the keys actually served, the thermal model that
moves the readings, the HID temperature services, and the parts the I/O
Registry shows: the battery (design 8694 mAh, now 7564 mAh: 87 % health), the
140 W adapter, the lid and the GPU.

Keys the dump could not read (no bytes) are served as present but not
readable, which is how the firmware reports such keys.

Usage: make_two_fan_laptop.py [TABLE.json] [OUTPUT.json]
"""

import bisect
import json
import pathlib
import sys

HERE = pathlib.Path(__file__).resolve().parent
# The team's shared folder sits beside the repository.
DEFAULT_TABLE = HERE.parents[2] / "shared" / "data" / "smc" / "m2-max-macbookpro16.json"
DEFAULT_OUTPUT = HERE.parent / "machines" / "two-fan-laptop.json"

WRITABLE = {"Ftst", "F0Tg", "F0Md", "F1Tg", "F1Md"}

HEADER = {
    "name": "two-fan-laptop",
    "description": "A 16-inch two-fan laptop: the real key table of an M2 Max machine plus \"Ftst\"",
    "fanControl": {
        "rampRpmPerSecond": 1200,
        "autoOffBelowC": 50,
        "autoMinAtC": 55,
        "autoMaxAtC": 95,
        "unlockDelaySeconds": 2.0,
    },
    "thermal": {
        "ambientC": 24,
        "idleWatts": 6,
        "maxWatts": 90,
        "heatCapacityJoulesPerK": 30,
        "passiveWattsPerK": 0.55,
        "fanWattsPerK": 1.9,
        "throttleC": 105,
        "boardCoupling": 0.6,
        "boardTimeConstantSeconds": 40,
        "batteryCoupling": 0.5,
        "batteryTimeConstantSeconds": 120,
        "parkedBelowC": 12,
        "unparkAtLoad": 0.3,
    },
    # First matching prefix wins; keys that match none keep their snapshot.
    "follow": [
        {"prefix": "Tp", "driver": "die", "gain": 1.0},
        {"prefix": "Te", "driver": "die", "gain": 0.85},
        {"prefix": "Tg", "driver": "die", "gain": 0.9},
        {"prefix": "TPD", "driver": "die", "gain": 0.8},
        {"prefix": "TRD", "driver": "die", "gain": 0.8},
        {"prefix": "TC", "driver": "die", "gain": 0.7},
        {"prefix": "TM", "driver": "board", "gain": 1.0},
        {"prefix": "TB", "driver": "battery", "gain": 1.0},
        {"prefix": "Th", "driver": "board", "gain": 0.9},
        {"prefix": "Ts", "driver": "board", "gain": 0.8},
        {"prefix": "TH", "driver": "board", "gain": 0.7},
        {"prefix": "TS", "driver": "board", "gain": 0.7},
        {"prefix": "TV", "driver": "board", "gain": 0.7},
        {"prefix": "TW", "driver": "board", "gain": 0.6},
        {"prefix": "Ta", "driver": "board", "gain": 0.6},
        {"prefix": "TD", "driver": "board", "gain": 0.5},
        {"prefix": "PSTR", "driver": "load", "gain": 80},
        {"prefix": "PDTR", "driver": "load", "gain": 78},
        {"prefix": "PHPC", "driver": "load", "gain": 45},
        {"prefix": "PHPS", "driver": "load", "gain": 40},
        {"prefix": "PPBR", "driver": "load", "gain": 12},
        {"prefix": "VC0", "driver": "load", "gain": 0.25},
        {"prefix": "ID0R", "driver": "load", "gain": 6.0},
        {"prefix": "IC32", "driver": "load", "gain": 7.0},
    ],
    "hidServices": (
        [{"product": f"PMU tdie{i}", "baseC": round(34 + i * 0.4, 1), "driver": "die", "gain": 1.0} for i in range(1, 9)]
        + [{"product": f"PMU tdev{i}", "baseC": 30 + i * 0.5, "driver": "board", "gain": 0.8} for i in range(1, 5)]
        + [
            {"product": "NAND CH0 temp", "baseC": 33, "driver": "board", "gain": 0.7},
            {"product": "gas gauge battery", "baseC": 26, "driver": "battery", "gain": 1.0},
            {"product": "gas gauge battery", "baseC": 26.4, "driver": "battery", "gain": 1.0},
            {"baseC": 31, "driver": "board", "gain": 0.5},
            {"product": 7, "baseC": 31, "driver": "board", "gain": 0.5},
            {"product": "AppleHIDKeyboardEventDriver"},
        ]
    ),
    "battery": {
        "designCapacityMah": 8694,
        "fullChargeCapacityMah": 7564,
        "nominalChargeCapacityMah": 7702,
        "emptyMillivolts": 11200,
        "fullMillivolts": 13000,
        "cycleCount": 112,
        "levelPercent": 80,
        "platformWatts": 5,
        "maxChargeMilliamps": 5500,
        "timeScale": 60,
    },
    "adapter": {"watts": 140, "millivolts": 28000, "connected": True},
    "lid": {"closed": False},
    "accelerators": [
        {"class": "AGXAcceleratorG14X", "model": "Apple M2 Max", "coreCount": 38, "idleUtilization": 2, "loadGain": 60},
    ],
}


def key_entry(raw):
    entry = {"key": raw["key"], "type": raw["type"], "size": raw["size"]}
    if raw["bytes"] is None:
        entry["bytes"] = " ".join(["00"] * raw["size"])
        entry["readable"] = False
    else:
        entry["bytes"] = raw["bytes"]
    if raw["key"] in WRITABLE:
        entry["writable"] = True
    return entry


def main():
    table = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else DEFAULT_TABLE
    output = pathlib.Path(sys.argv[2]) if len(sys.argv) > 2 else DEFAULT_OUTPUT
    raw_keys = json.loads(table.read_text())["keys"]
    names = [k["key"].encode() for k in raw_keys]
    if names != sorted(names):
        sys.exit("the table is expected in the firmware's byte order")
    if b"Ftst" not in names:
        at = bisect.bisect_left(names, b"Ftst")
        raw_keys.insert(at, {"key": "Ftst", "type": "ui8 ", "size": 1, "bytes": "00"})
    count = len(raw_keys)
    for k in raw_keys:
        if k["key"] == "#KEY":
            k["bytes"] = " ".join(f"{b:02x}" for b in count.to_bytes(4, "big"))

    lines = ["{"]
    for name, value in HEADER.items():
        lines.append(f"  {json.dumps(name)}: {json.dumps(value)},")
    lines.append('  "keys": [')
    entries = [json.dumps(key_entry(k)) for k in raw_keys]
    lines.append(",\n".join("    " + e for e in entries))
    lines.append("  ]")
    lines.append("}")
    output.write_text("\n".join(lines) + "\n")
    print(f"wrote {output} with {count} keys")


if __name__ == "__main__":
    main()
