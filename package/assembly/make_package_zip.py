#!/usr/bin/env python3
"""Zips a package folder with fixed bytes: entries in name order, every time
set to one given moment (seconds since 1970, UTC), no owner or permission
bits, the same compression level; the folder's files get that time too.
Then writes SHA256SUMS beside the zip: one line per file of the folder and
one for the zip, as sha256sum -c reads them.
    make_package_zip.py FOLDER ZIP EPOCH"""
import hashlib
import os
import sys
import time
import zipfile

ZIP_EARLIEST = 315532800  # 1980-01-01, the first moment a zip can hold


def sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 16), b""):
            digest.update(block)
    return digest.hexdigest()


def entry(name, moment, attributes):
    info = zipfile.ZipInfo(name, date_time=time.gmtime(moment)[:6])
    info.create_system = 0  # MS-DOS attributes only
    info.external_attr = attributes
    return info


def main(folder, zip_path, epoch):
    moment = max(int(epoch), ZIP_EARLIEST)
    top = os.path.basename(os.path.normpath(folder))
    names = sorted(n for n in os.listdir(folder) if os.path.isfile(os.path.join(folder, n)))
    with zipfile.ZipFile(zip_path, "w") as archive:
        archive.writestr(entry(top + "/", moment, 0x10), b"")
        for name in names:
            with open(os.path.join(folder, name), "rb") as f:
                archive.writestr(entry(top + "/" + name, moment, 0x20), f.read(),
                                 compress_type=zipfile.ZIP_DEFLATED, compresslevel=9)
    # The folder's files get the same time: the Windows Installer package's
    # cabinet takes each file's modification time.
    for name in names:
        os.utime(os.path.join(folder, name), (moment, moment))
    parent = os.path.dirname(os.path.abspath(zip_path))
    lines = ["%s  %s\n" % (sha256(os.path.join(folder, n)), os.path.relpath(os.path.join(folder, n), parent))
             for n in names]
    lines.append("%s  %s\n" % (sha256(zip_path), os.path.basename(zip_path)))
    with open(os.path.join(parent, "SHA256SUMS"), "w", newline="\n") as sums:
        sums.writelines(lines)


if __name__ == "__main__":
    main(*sys.argv[1:4])
