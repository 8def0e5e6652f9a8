#!/usr/bin/env python3
"""Writes the demo firmware catalogue: small firmware packages under
firmwareupdates/packages/ and the release database
firmwareupdates/pd_firmware_releases.json that names them with their real
sizes and MD5 digests. The output is the same on every run.

Package URLs use the origin http://127.0.0.1:8070, where
start-demo-loopback.sh runs the firmware server; vdfu-firmwareserver
--rewrite-origin serves them for any other address and port."""

import hashlib
import io
import json
import os
import zipfile

ORIGIN = "http://127.0.0.1:8070"
HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "firmwareupdates")
PACKAGES = os.path.join(ROOT, "packages")
ZIP_TIME = (2024, 1, 1, 0, 0, 0)


def firmware_bytes(name, size):
    """Deterministic filler that still looks like a firmware image."""
    out = bytearray(b"VDFU-DEMO-FIRMWARE " + name.encode() + b"\n")
    block = hashlib.sha256(name.encode()).digest()
    while len(out) < size:
        block = hashlib.sha256(block).digest()
        out += block
    return bytes(out[:size])


def md5(data):
    return hashlib.md5(data).hexdigest()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def zip_package(package, files):
    """A zip with the given (name, size) entries; returns the unpackedFileInfo."""
    buffer = io.BytesIO()
    info = []
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_STORED) as z:
        for name, size in files:
            data = firmware_bytes(name, size)
            entry = zipfile.ZipInfo(name, ZIP_TIME)
            entry.external_attr = 0o644 << 16
            z.writestr(entry, data)
            info.append({"fileName": name, "fileSize": size, "fileChecksum": md5(data)})
    data = buffer.getvalue()
    write(os.path.join(PACKAGES, package), data)
    return data, info


def single_package(package, size):
    data = firmware_bytes(package, size)
    write(os.path.join(PACKAGES, package), data)
    return data


def docs(slug):
    return [
        {"name": "Release notes", "name_ja": "リリースノート",
         "url": "https://docs.example.com/firmware/%s/release-notes.html" % slug,
         "url_ja": "https://docs.example.com/ja/firmware/%s/release-notes.html" % slug},
        {"name": "Update guide", "url": "https://support.example.com/firmware/%s/guide.pdf" % slug},
    ]


def release(series, models, version, package, files=None, size=0, **extra):
    if files:
        data, unpacked = zip_package(package, files)
    else:
        data, unpacked = single_package(package, size), []
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
        "updateviaUSBInstructions": "<ol><li>Copy the firmware to the root folder of a USB drive.</li>"
                                    "<li>Insert the drive and switch the display on.</li></ol>",
        "updateviaUSBInstructions_ja": "<ol><li>ファームウェアを USB ドライブにコピーします。</li>"
                                       "<li>ドライブを挿して電源を入れます。</li></ol>",
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


def main():
    os.makedirs(PACKAGES, exist_ok=True)
    for old in os.listdir(PACKAGES):
        os.remove(os.path.join(PACKAGES, old))

    firmware = [
        release("SERIES_KESTREL5", ["K5-432", "K5-432S"], "R1.400", "k5_432_r1400.zip",
                files=[("K5MAIN.BIN", 12288), ("K5SUB.BIN", 4096)], useIP2=1,
                manualPowerCycleRequired=3, manualPowerCycleRequiredIfVersionBefore="R1.300",
                previousVersionChangeList=history(
                    ("Rev. C", "R1.300", "Added scheduled power-save."),
                    ("Rev. B", "R1.200", "Fixed the input name display."))),
        release("SERIES_KESTREL5", ["K5-552"], "R1.400", "k5_552a_r1400.zip",
                files=[("K5MAIN.BIN", 12800), ("K5SUB.BIN", 4096)], useIP2=1,
                needSNMatchPosition=3, needSNMatchDigitsList="AB",
                needSNMatchListingText="Serial number with A or B in 3rd position",
                needSNMatchListingText_ja="シリアル番号の3桁目が A または B",
                needSNMatchDetailedDescription="Displays made before 2023 carry A or B as the third character.",
                previousVersionChangeList=history(("Rev. C", "R1.300", "Added scheduled power-save."))),
        release("SERIES_KESTREL5", ["K5-552"], "R2.100", "k5_552c_r2100.zip",
                files=[("K5MAIN.BIN", 13312), ("K5SUB.BIN", 4096)], useIP2=1,
                needSNMatchPosition=3, needSNMatchDigitsList="CDE",
                needSNMatchListingText="Serial number with C, D or E in 3rd position",
                needSNMatchDetailedDescription="Displays made from 2023 carry C, D or E as the third character."),
        release("SERIES_HALCYON", ["HL-751"], "2.30", "hl_751_eu_230.zip",
                files=[("HLFW.BIN", 8192)], useIP2=1, updateViaHTTPDurationSecs=900,
                needRegionSelectListingText="Europe", needRegionSelectListingText_ja="ヨーロッパ",
                needRegionSelectDescription="Models sold in Europe (230 V).",
                previousVersionChangeList=history(("Rev. A", "2.20", "First release for Europe."))),
        release("SERIES_HALCYON", ["HL-751"], "2.31", "hl_751_us_231.zip",
                files=[("HLFW.BIN", 8200)], useIP2=1, updateViaHTTPDurationSecs=900,
                needRegionSelectListingText="Americas",
                needRegionSelectDescription="Models sold in the Americas (120 V)."),
        release("SERIES_KESTREL5_UHD", ["K5U-654", "K5U-754"], "3.10", "k5u_310.zip",
                files=[("K5UMAIN.BIN", 16384), ("K5UFPGA.BIN", 2048), ("K5UNET.BIN", 1024)],
                manualPowerCycleRequired=2, needPowerOnToUpdateViaHTTP=1),
        release("SERIES_KESTREL5_RX", ["K5R-554"], "1.05", "k5r_105.zip",
                files=[("K5RMAIN.BIN", 9000)]),
        release("SERIES_KESTREL4", ["K4-552", "K4-652"], "04.200", "k4_04200.zip",
                files=[("K4MAIN.BIN", 6000), ("K4SUB.BIN", 3000), ("K4OSD.BIN", 1500)],
                needPowerOnToReadInfo=1, powerLEDBinkCodeProgress=2),
        release("SERIES_KESTREL4", ["K4-422"], "03.500", "k4_422_03500.zip",
                files=[("K4MAIN.BIN", 5000)], legacyModel=1),
        release("SERIES_QUARTZ", ["QZ-651", "QZ-801"], "05.300", "qz_05300.zip",
                files=[("QZMAIN.BIN", 7000), ("QZSUB.BIN", 2500)], powerLEDBinkCodeProgress=4),
        release("SERIES_CORVID_B", ["CB-321"], "1.20", "cb_321_120.bin", size=5000,
                updateViaHTTP=0, updateViaUSB=2, baseUSBFolderName="CB321_FW",
                destinationUSBFileName="CB321.BIN", powerLEDBinkCodeProgress=5),
        release("SERIES_CORVID_A", ["CA-241"], "1.00", "ca_241_100.bin", size=4500,
                updateViaHTTP=0, updateViaUSB=7, baseUSBFolderName="",
                destinationUSBFileName="CA241FW.BIN", legacyModel=1),
        release("SERIES_OSPREY_L", ["OL-P502", "OL-P602"], "1.3.0", "ol_p502_130.pkg", size=20000,
                updateViaHTTPDurationSecs=300),
        release("SERIES_OSPREY_H", ["OH-P605"], "2.0.0", "oh_p605_200.pkg", size=18000,
                requiresAppBuild=250301),
        release("SERIES_TAMARIND", ["TM-981"], "2.1.0", "tm_981_210.bin", size=15000,
                needPowerOnToUpdateViaHTTP=1, manualPowerCycleRequired=2,
                previousVersionChangeList=history(("1", "2.0.1", "Network time fixes."))),
    ]

    database = {
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
    with open(os.path.join(ROOT, "pd_firmware_releases.json"), "w", encoding="utf-8", newline="\n") as f:
        json.dump(database, f, ensure_ascii=False, indent=2)
        f.write("\n")


if __name__ == "__main__":
    main()
