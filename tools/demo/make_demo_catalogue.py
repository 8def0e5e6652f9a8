#!/usr/bin/env python3
"""Writes the demo firmware catalogue into OUTPUT (the build runs it):

    OUTPUT/firmwareupdates/pd_firmware_releases.json
    OUTPUT/firmwareupdates/packages/...     zip archives and single-file packages
    OUTPUT/demo-fleet.json                  with --fleet: the fleet, checked

Every size and MD5 digest in the database is computed from the files written
beside it, and the output is the same bytes on every run. --scale N makes
every firmware file N times larger (a chunked upload sends 512000 bytes per
request, so --scale 40 gives the chunked release two chunks).

Package URLs use the origin http://127.0.0.1:8070, where the demo scripts run
the firmware server; vdfu-firmwareserver --rewrite-origin serves them for any
other address and port.

    make_demo_catalogue.py --output DIR [--fleet demo-fleet.json] [--scale N]
"""

import argparse
import hashlib
import io
import json
import os
import shutil
import sys
import zipfile

ORIGIN = "http://127.0.0.1:8070"
ZIP_TIME = (2024, 1, 1, 0, 0, 0)


def firmware_bytes(name, size):
    """Deterministic filler that looks like a firmware image: a header,
    incompressible code, then erased flash (0xFF) for the last quarter."""
    out = bytearray(b"VDFU-DEMO-FIRMWARE " + name.encode() + b"\n")
    block = hashlib.sha256(name.encode()).digest()
    code = size - size // 4
    while len(out) < code:
        block = hashlib.sha256(block).digest()
        out += block
    del out[code:]
    out += b"\xff" * (size - len(out))
    return bytes(out)


def md5(data):
    return hashlib.md5(data).hexdigest()


class Catalogue:
    def __init__(self, output, scale):
        self.packages = os.path.join(output, "firmwareupdates", "packages")
        self.scale = scale
        self.contents = {}  # file name -> bytes, across every package
        self.written = set()
        os.makedirs(self.packages, exist_ok=True)

    def content(self, name, size):
        data = firmware_bytes(name, size * self.scale)
        # The application's firmware folder is flat: one name, one content.
        if self.contents.setdefault(name, data) != data:
            sys.exit("make_demo_catalogue: %s has two different contents" % name)
        return data

    def write(self, package, data):
        if package in self.written:
            sys.exit("make_demo_catalogue: package %s written twice" % package)
        self.written.add(package)
        with open(os.path.join(self.packages, package), "wb") as f:
            f.write(data)

    def zip_package(self, package, files):
        """A zip whose entries are the (name, size) files; returns its bytes and
        the unpackedFileInfo."""
        buffer = io.BytesIO()
        info = []
        with zipfile.ZipFile(buffer, "w") as z:
            for name, size in files:
                data = self.content(name, size)
                entry = zipfile.ZipInfo(name, ZIP_TIME)
                entry.external_attr = 0o644 << 16
                z.writestr(entry, data, compress_type=zipfile.ZIP_DEFLATED, compresslevel=9)
                info.append({"fileName": name, "fileSize": len(data), "fileChecksum": md5(data)})
        self.write(package, buffer.getvalue())
        return buffer.getvalue(), info

    def single_package(self, package, size):
        data = self.content(package, size)
        self.write(package, data)
        return data

    def remove_stale(self):
        for old in sorted(set(os.listdir(self.packages)) - self.written):
            os.remove(os.path.join(self.packages, old))


def docs(slug):
    return [
        {"name": "Release notes", "name_ja": "リリースノート",
         "url": "https://docs.example.com/firmware/%s/release-notes.html" % slug,
         "url_ja": "https://docs.example.com/ja/firmware/%s/release-notes.html" % slug},
        {"name": "Update guide", "url": "https://support.example.com/firmware/%s/guide.pdf" % slug},
    ]


def release(cat, series, models, version, package, files=None, size=0, **extra):
    if files:
        data, unpacked = cat.zip_package(package, files)
    else:
        data, unpacked = cat.single_package(package, size), []
    record = {
        "version": version,
        "releaseDate": "2024-11-18",
        "downloadLoc": "%s/firmwareupdates/packages/%s" % (ORIGIN, package),
        "seriesName": series,
        "fileChecksum": md5(data),
        "fileSize": len(data),
        "requiresAppBuild": 230901,
        "updateViaHTTP": 1,
        "updateViaUSB": 3,
        "updateViaHTTPDurationSecs": 420,
        "manualPowerCycleRequired": 1,
        "powerLEDBinkCodeProgress": 1,
        "powerLEDBinkCodeDone": 6,
        "powerLEDBinkCodeError": 3,
        "numPACComponents": max(1, len(unpacked)),
        "useIP2": 0,
        "needPowerOnToUpdateViaHTTP": 0,
        "needPowerOnToReadInfo": 0,
        "needSNMatchPosition": 0,
        "needSNMatchDigitsList": "",
        "needSNMatchListingText": "",
        "needSNMatchListingText_ja": "",
        "needSNMatchDetailedDescription": "",
        "needSNMatchDetailedDescription_ja": "",
        "needRegionSelectListingText": "",
        "needRegionSelectListingText_ja": "",
        "needRegionSelectDescription": "",
        "needRegionSelectDescription_ja": "",
        # "|" separates the items; an item starting with "^" is a note, the
        # others are numbered steps.
        "updateviaUSBInstructions": "^Keep the display switched on until the update has finished."
                                    "|Switch the display off and insert the USB drive into its USB port."
                                    "|Switch the display on: the update starts by itself and the power lamp flashes."
                                    "|When the display restarts, remove the USB drive.",
        "updateviaUSBInstructions_ja": "^更新が終わるまでディスプレイの電源を切らないでください。"
                                       "|ディスプレイの電源を切り、USB ドライブを USB ポートに挿します。"
                                       "|ディスプレイの電源を入れると更新が自動的に始まり、電源ランプが点滅します。"
                                       "|ディスプレイが再起動したら、USB ドライブを取り外します。",
        "manualPowerCycleRequiredIfVersionBefore": "",
        "changes": {"revision": "Rev. A", "version": version,
                    "changeList": "Improved stability of the network interface.",
                    "changeList_ja": "ネットワーク機能の安定性を向上しました。"},
        "models": models,
        "previousVersionChangeList": [],
        "unpackedFileInfo": unpacked,
        "documentationList": docs(models[0].lower()),
        "legacyModel": 0,
        "baseUSBFolderName": "",
        "destinationUSBFileName": "",
    }
    record.update(extra)
    return record


def history(*entries):
    return [{"revision": r, "version": v, "changeList": c, "changeList_ja": ""} for r, v, c in entries]


def releases(cat):
    # K5SUB.BIN is the same file in every KESTREL5 package; the main images
    # differ, and so do their names.
    return [
        release(cat, "SERIES_KESTREL5", ["K5-432", "K5-432S"], "R1.400", "k5_432_r1400.zip",
                files=[("K5432_R1400.BIN", 12288), ("K5SUB.BIN", 4096)], useIP2=1,
                manualPowerCycleRequired=3, manualPowerCycleRequiredIfVersionBefore="R1.300",
                previousVersionChangeList=history(
                    ("Rev. C", "R1.300", "Added scheduled power-save."),
                    ("Rev. B", "R1.200", "Fixed the input name display."))),
        release(cat, "SERIES_KESTREL5", ["K5-552"], "R1.400", "k5_552a_r1400.zip",
                files=[("K5552A_R1400.BIN", 12800), ("K5SUB.BIN", 4096)], useIP2=1,
                needSNMatchPosition=3, needSNMatchDigitsList="AB",
                needSNMatchListingText="Serial number with A or B in 3rd position",
                needSNMatchListingText_ja="シリアル番号の3桁目が A または B",
                needSNMatchDetailedDescription="Displays made before 2023 carry A or B as the third character.",
                previousVersionChangeList=history(("Rev. C", "R1.300", "Added scheduled power-save."))),
        release(cat, "SERIES_KESTREL5", ["K5-552"], "R2.100", "k5_552c_r2100.zip",
                files=[("K5552C_R2100.BIN", 13312), ("K5SUB.BIN", 4096)], useIP2=1,
                needSNMatchPosition=3, needSNMatchDigitsList="CDE",
                needSNMatchListingText="Serial number with C, D or E in 3rd position",
                needSNMatchDetailedDescription="Displays made from 2023 carry C, D or E as the third character."),
        release(cat, "SERIES_HALCYON", ["HL-751"], "2.30", "hl_751_eu_230.zip",
                files=[("HLFW_EU.BIN", 8192)], useIP2=1, updateViaHTTPDurationSecs=900,
                needRegionSelectListingText="Europe", needRegionSelectListingText_ja="ヨーロッパ",
                needRegionSelectDescription="Models sold in Europe (230 V).",
                previousVersionChangeList=history(("Rev. A", "2.20", "First release for Europe."))),
        release(cat, "SERIES_HALCYON", ["HL-751"], "2.31", "hl_751_us_231.zip",
                files=[("HLFW_US.BIN", 8200)], useIP2=1, updateViaHTTPDurationSecs=900,
                needRegionSelectListingText="Americas",
                needRegionSelectDescription="Models sold in the Americas (120 V)."),
        release(cat, "SERIES_KESTREL5_UHD", ["K5U-654", "K5U-754"], "3.10", "k5u_310.zip",
                files=[("K5UMAIN.BIN", 16384), ("K5UFPGA.BIN", 2048), ("K5UNET.BIN", 1024)],
                manualPowerCycleRequired=2, needPowerOnToUpdateViaHTTP=1),
        release(cat, "SERIES_KESTREL5_RX", ["K5R-554"], "1.05", "k5r_105.zip",
                files=[("K5RMAIN.BIN", 9000)]),
        # The legacy dialect uploads one file per component.
        release(cat, "SERIES_KESTREL4", ["K4-552", "K4-652"], "04.200", "k4_04200.zip",
                files=[("K4MAIN.BIN", 6000), ("K4SUB.BIN", 3000), ("K4OSD.BIN", 1500)],
                needPowerOnToReadInfo=1, powerLEDBinkCodeProgress=2),
        release(cat, "SERIES_KESTREL4", ["K4-422"], "03.500", "k4_422_03500.zip",
                files=[("K4422MAIN.BIN", 5000)], legacyModel=1),
        release(cat, "SERIES_QUARTZ", ["QZ-651", "QZ-801"], "05.300", "qz_05300.zip",
                files=[("QZMAIN.BIN", 7000), ("QZSUB.BIN", 2500)], powerLEDBinkCodeProgress=4),
        release(cat, "SERIES_CORVID_B", ["CB-321"], "1.20", "cb_321_120.bin", size=5000,
                updateViaHTTP=0, updateViaUSB=2, baseUSBFolderName="CB321_FW",
                destinationUSBFileName="CB321.BIN", powerLEDBinkCodeProgress=5),
        release(cat, "SERIES_CORVID_A", ["CA-241"], "1.00", "ca_241_100.bin", size=4500,
                updateViaHTTP=0, updateViaUSB=7, baseUSBFolderName="",
                destinationUSBFileName="CA241FW.BIN", legacyModel=1),
        release(cat, "SERIES_OSPREY_L", ["OL-P502", "OL-P602"], "1.3.0", "ol_p502_130.pkg", size=20000,
                updateViaHTTPDurationSecs=300),
        release(cat, "SERIES_OSPREY_H", ["OH-P605"], "2.0.0", "oh_p605_200.pkg", size=18000,
                requiresAppBuild=250301),
        release(cat, "SERIES_OSPREY_H", ["OH-P705"], "1.8.0", "oh_p705_180.pkg", size=17000,
                updateViaHTTPDurationSecs=360),
        release(cat, "SERIES_TAMARIND", ["TM-981"], "2.1.0", "tm_981_210.bin", size=15000,
                needPowerOnToUpdateViaHTTP=1, manualPowerCycleRequired=2,
                previousVersionChangeList=history(("1", "2.0.1", "Network time fixes."))),
    ]


def database(firmware):
    return {
        "info": {
            "databaseVersion": 20241118,
            "latestAppBuildWindows": 240315,
            "latestAppBuildMacOS": 240315,
            "latestAppdownloadLocWindows": "https://downloads.example.com/vdfu/setup-1.3.00.exe",
            "latestAppVersionStringWindows": "1.3.00",
            "latestAppVersionStringMacOS": "1.3.00",
            "previousAppChangeListWindows": [
                {"build": 240315, "changeList": "Faster display search|Support for the keyed update dialect",
                 "changeList_ja": "ディスプレイ検索の高速化|新しい更新方式に対応"},
                {"build": 240112, "changeList": "First public release", "changeList_ja": ""},
            ],
        },
        "firmware": firmware,
    }


def check_fleet(displays, firmware):
    """A display that states its firmware after an update must match a LAN
    release (model and serial-number variant) of exactly that version."""
    for d in displays:
        after = d.get("firmwareAfterUpdate")
        if after is None:
            continue
        serial = d.get("serialNumber", "")
        found = False
        for r in firmware:
            if d.get("modelName", "").upper() not in (m.upper() for m in r["models"]):
                continue
            pos = r["needSNMatchPosition"]
            if pos > 0 and (len(serial) < pos or serial[pos - 1] not in r["needSNMatchDigitsList"]):
                continue
            found = r["updateViaHTTP"] != 0 and r["changes"]["version"] == after
            break
        if not found or d.get("currentFirmware") == after:
            sys.exit("make_demo_catalogue: display %s: no LAN release %s newer than its firmware"
                     % (d["address"], after))


def main():
    parser = argparse.ArgumentParser(description="Writes the demo firmware catalogue.")
    parser.add_argument("--output", required=True, help="folder that receives firmwareupdates/")
    parser.add_argument("--fleet", help="demo fleet to check against the catalogue and copy beside it")
    parser.add_argument("--scale", type=int, default=1, help="firmware files this many times larger")
    args = parser.parse_args()
    if args.scale < 1:
        parser.error("--scale must be 1 or more")

    cat = Catalogue(args.output, args.scale)
    firmware = releases(cat)
    cat.remove_stale()
    path = os.path.join(args.output, "firmwareupdates", "pd_firmware_releases.json")
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        json.dump(database(firmware), f, ensure_ascii=False, indent=2)
        f.write("\n")
    if args.fleet:
        with open(args.fleet, encoding="utf-8") as f:
            check_fleet(json.load(f)["displays"], firmware)
        shutil.copyfile(args.fleet, os.path.join(args.output, "demo-fleet.json"))


if __name__ == "__main__":
    main()
