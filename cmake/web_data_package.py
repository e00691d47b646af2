# SPDX-License-Identifier: MIT
"""Packs the texture files for the page with emscripten's file packager, as emcc's --preload-file
would, but with the package's id made from its data instead of at random.

The packager gives every package a fresh random id (uuid4), read only by its preload cache, which
the page does not use; that alone made each build's talvenor.js differ. The id here is the first
16 bytes of the data's SHA-256 (as a version-4 UUID), so the same files give the same script and
changed files a new id.

Usage (from the build folder, so that the names in the script are relative to it):
  web_data_package.py FILE_PACKAGER_PY OUTPUT_JS DATA_FILE PACKAGER_ARGUMENTS...
"""
import hashlib
import runpy
import sys
import uuid

packager, output, data_file = sys.argv[1:4]


def data_id():
    with open(data_file, 'rb') as data:
        return uuid.UUID(bytes=hashlib.sha256(data.read()).digest()[:16], version=4)


uuid.uuid4 = data_id
sys.argv = [packager, data_file] + sys.argv[4:]
with open(output, 'w') as script:
    sys.stdout = script
    try:
        runpy.run_path(packager, run_name='__main__')
    except SystemExit as end:
        if end.code:
            raise
