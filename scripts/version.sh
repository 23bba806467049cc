#!/usr/bin/env bash
# Prints the release version: the "FileVersion" string of the program's version resource, the one
# place it is kept (the About box shows the same string). Fails with a message when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

rc=src/app/resources/kestrilon.rc
if [[ ! -f $rc ]]; then
  echo "version: $rc does not exist yet; the release version is read from its \"FileVersion\" string" >&2
  exit 1
fi
# VALUE "FileVersion", "1.0.5.19" (an explicit "\0" at the end, as some resource files write it,
# is not part of the version)
version=$(sed -n 's/^[[:space:]]*VALUE[[:space:]]*"FileVersion"[[:space:]]*,[[:space:]]*"\([^"]*\)".*/\1/p' "$rc" |
          head -n 1)
version=${version%\\0}
if [[ ! $version =~ ^[0-9]+(\.[0-9]+){1,3}$ ]]; then
  echo "version: no usable VALUE \"FileVersion\", \"x.y.z.w\" line in $rc (found '${version}')" >&2
  exit 1
fi
echo "$version"
