#!/usr/bin/env bash
# check-deb.sh DEB_DIR SOURCE_DIR
# Unpacks the one .deb in DEB_DIR into a scratch root and checks that a
# desktop would find the program, its launcher and its icons, and that dpkg
# would pull in what the program needs to run.
set -euo pipefail
deb_dir=$1 source_dir=$2
app_id=it.korvane.Client

fail=0
problem() { echo "FAIL: $*"; fail=1; }

shopt -s nullglob
debs=("$deb_dir"/*.deb)
((${#debs[@]} == 1)) || { echo "FAIL: expected one .deb in $deb_dir, found ${#debs[@]}"; exit 1; }
deb=${debs[0]}

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"

# Everything under /usr: a file elsewhere would escape the package's prefix.
while read -r path; do
  [[ $path == ./ || $path == ./usr/* ]] || problem "file outside /usr: $path"
done < <(dpkg-deb --fsys-tarfile "$deb" | tar -t)

exe=$root/usr/bin/korvane-client
[[ -f $exe && -x $exe ]] || problem "usr/bin/korvane-client missing or not executable"
if [[ -f $exe ]] && readelf -d "$exe" | grep -Eq '\((RPATH|RUNPATH)\)'; then
  problem "korvane-client keeps a run path: $(readelf -d "$exe" | grep -E 'RPATH|RUNPATH')"
fi

# The transport is a module the program loads from its private folder after
# the window is on screen: libcurl and Qt Network come with it, never with the
# program itself.
module=$(find "$root/usr/lib" -path '*/korvane-client/korvane-smtp.so' | head -1)
if [[ ! -f $module ]]; then
  problem "usr/lib/<multiarch>/korvane-client/korvane-smtp.so (the transport module) missing"
else
  readelf -d "$module" | grep -Eq '\((RPATH|RUNPATH)\)' && problem "the transport module keeps a run path"
  readelf -d "$module" | grep -q 'NEEDED.*libcurl' || problem "the transport module does not link libcurl"
  # The program looks for it in a folder relative to its own, usr/bin (a UTF-16 literal).
  module_dir=$(dirname "${module#"$root"/usr/}")
  strings -a -el "$exe" | grep -q "/\.\./$module_dir\$" || problem "korvane-client does not look in ${module_dir}"
fi
# The message reader, with GMime, is a module beside it, loaded only when a
# message is opened.
reader=$(find "$root/usr/lib" -path '*/korvane-client/korvane-open.so' | head -1)
if [[ ! -f $reader ]]; then
  problem "usr/lib/<multiarch>/korvane-client/korvane-open.so (the message reader) missing"
else
  readelf -d "$reader" | grep -q 'NEEDED.*libgmime-3' || problem "the message reader does not link GMime"
fi
if [[ -f $exe ]]; then
  readelf -d "$exe" | grep -q 'NEEDED.*libgmime' && problem "korvane-client links GMime itself"
  readelf -d "$exe" | grep -Eq 'NEEDED.*(libcurl|libQt6Network)' &&
    problem "korvane-client links $(readelf -d "$exe" | grep -Eo 'libcurl[^]]*|libQt6Network[^]]*' | head -1) itself"
fi

# The launcher's name must be the one the program announces, or a desktop
# cannot tie the open window to it.
grep -q "setDesktopFileName(QStringLiteral(\"$app_id\"))" "$source_dir/app/main.cpp" ||
  problem "app/main.cpp does not set the desktop file name $app_id"
desktop=$root/usr/share/applications/$app_id.desktop
if [[ -f $desktop ]]; then
  exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
  icon_name=$(sed -n 's/^Icon=//p' "$desktop")
  [[ -x $root/usr/bin/$exec_name ]] || problem "Exec=$exec_name is not in usr/bin"
  [[ $icon_name == "$app_id" ]] || problem "Icon=$icon_name, icons are installed as $app_id"
  out=$(desktop-file-validate "$desktop" 2>&1) || problem "desktop-file-validate: $out"
else
  problem "usr/share/applications/$app_id.desktop missing"
fi

# PNG width and height are big-endian 32-bit words at bytes 16 and 20.
png_size() {
  local b
  read -ra b < <(od -An -tu1 -j16 -N8 "$1")
  echo "$(((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3]))x$(((b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7]))"
}
for size in 16 32 48; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png
  if [[ ! -f $png ]]; then
    problem "hicolor ${size}x${size} icon missing"
  elif [[ $(png_size "$png") != "${size}x${size}" ]]; then
    problem "hicolor/${size}x${size} holds a $(png_size "$png") image"
  fi
done
svg=$root/usr/share/icons/hicolor/scalable/apps/$app_id.svg
if [[ ! -f $svg ]]; then
  problem "hicolor scalable icon missing"
elif ! grep -q '<svg' "$svg"; then
  problem "hicolor scalable icon is not SVG"
fi

[[ $(dpkg-deb -f "$deb" Package) == korvane-client ]] || problem "package name is $(dpkg-deb -f "$deb" Package)"
[[ $(dpkg-deb -f "$deb" Section) == mail ]] || problem "section is $(dpkg-deb -f "$deb" Section)"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# Run-time needs nothing links (data/packaging.cmake says why each is there).
# Newer Debian releases renamed libcurl4 to libcurl4t64.
for pkg in libqt6widgets6 libqt6gui6 libqt6core6 libcurl4 qt6-qpa-plugins \
  ca-certificates fonts-liberation qt6-translations-l10n; do
  grep -Eq "(^|, )$pkg(t64)?( |,|$)" <<<"$depends" || problem "Depends lacks $pkg"
done
# Spelling, loaded at run time: wanted, not needed.
recommends=$(dpkg-deb -f "$deb" Recommends)
for pkg in libenchant-2-2 hunspell-it; do
  grep -Eq "(^|, )$pkg( |,|$)" <<<"$recommends" || problem "Recommends lacks $pkg"
done

# A software centre offers the launcher the metadata names, with the version
# of its newest release; dpkg's changelog opens with the packaged version.
metainfo=$root/usr/share/metainfo/$app_id.metainfo.xml
version=$(dpkg-deb -f "$deb" Version)
if [[ -f $metainfo ]]; then
  launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
  [[ $launchable == "$app_id.desktop" ]] || problem "metainfo launches '$launchable', not $app_id.desktop"
  release=$(sed -n 's:.*<release version="\([^"]*\)".*:\1:p' "$metainfo" | head -n1)
  [[ $release == "$version" ]] || problem "metainfo's newest release is '$release', the package is $version"
else
  problem "usr/share/metainfo/$app_id.metainfo.xml missing"
fi
doc=$root/usr/share/doc/korvane-client
[[ -f $doc/copyright ]] || problem "usr/share/doc/korvane-client/copyright missing"
if [[ -f $doc/changelog.gz ]]; then
  logged=$(zcat "$doc/changelog.gz" | sed -n '1s/^korvane-client (\([^)]*\)).*/\1/p')
  [[ $logged == "$version" ]] || problem "changelog's newest entry is '$logged', the package is $version"
else
  problem "usr/share/doc/korvane-client/changelog.gz missing"
fi
[[ -f $root/usr/share/man/man1/korvane-client.1.gz ]] || problem "manual page korvane-client.1.gz missing"

((fail == 0)) && echo "$(basename "$deb"): contents and dependencies OK"
exit "$fail"
