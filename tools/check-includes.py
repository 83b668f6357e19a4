#!/usr/bin/env python3
"""Lists the quoted includes that name a header of another folder by its bare
name: such a header is named by its path from the root ("common/FieldTable.h"),
so that an include says which room it comes from. Exits 1 when it finds any."""
import os
import re
import subprocess
import sys

files = subprocess.run(["git", "ls-files"], capture_output=True, text=True, check=True).stdout.split()
tracked = {os.path.basename(f) for f in files}
include = re.compile(r'\s*#\s*include\s+"([^"/]+)"')
found = 0
for path in (f for f in files if f.endswith((".cpp", ".h"))):
    with open(path, encoding="utf-8") as source:
        for number, line in enumerate(source, 1):
            match = include.match(line)
            if not match or match.group(1) not in tracked:
                continue  # generated in the build directory (moc, build ids)
            if not os.path.exists(os.path.join(os.path.dirname(path), match.group(1))):
                print(f"{path}:{number}: another folder's header by its bare name: {match.group(1)}")
                found += 1
sys.exit(1 if found else 0)
