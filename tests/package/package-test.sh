#!/usr/bin/env bash
# The Debian package, from the Release tree the test command built:
#   package-test.sh build BUILD           makes it with CPack (BUILD/package/pyxadesk_*.deb)
#   package-test.sh contents BUILD        its files, control fields, lintian, desktop entry, metainfo, units
#   package-test.sh start BUILD PLUGINS   unpacks it into a private root and starts the program from there
#                                         as a normal user against the packaged clinic server, twice
set -euo pipefail
what=$1 build=$2
deb() { ls "$build"/package/pyxadesk_*.deb; }
fail() { echo "FAIL: $*" >&2; exit 1; }

case $what in
build)
  rm -rf "$build/package"
  cpack --config "$build/CPackConfig.cmake" >/dev/null
  [ "$(ls "$build"/package/pyxadesk_*.deb | wc -l)" = 1 ] || fail "expected one package in $build/package"
  deb
  ;;

contents)
  package=$(deb)
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  # Exactly these files: no demo programs, no portable marker, nothing from the build tree.
  dpkg-deb -c "$package" | awk '{ p = $6; if ($1 ~ /^l/) p = p " -> " $8; print substr($1, 1, 10), p }' |
    grep -v '/$' | sort > "$work/files"
  cat > "$work/expected" <<'LIST'
-rw-r--r-- ./etc/xdg/Corvantis/Pyxadesk.conf
-rw-r--r-- ./lib/systemd/system/pyxa-clinic-server.service
-rw-r--r-- ./usr/lib/systemd/user/pyxadesk-upload.service
-rw-r--r-- ./usr/lib/systemd/user/pyxadesk-upload.timer
-rw-r--r-- ./usr/lib/sysusers.d/pyxa-clinic.conf
-rw-r--r-- ./usr/share/applications/com.corvantis.Pyxadesk.desktop
-rw-r--r-- ./usr/share/doc/pyxadesk/changelog.Debian.gz
-rw-r--r-- ./usr/share/doc/pyxadesk/copyright
-rw-r--r-- ./usr/share/icons/hicolor/128x128/apps/com.corvantis.Pyxadesk.png
-rw-r--r-- ./usr/share/icons/hicolor/16x16/apps/com.corvantis.Pyxadesk.png
-rw-r--r-- ./usr/share/icons/hicolor/24x24/apps/com.corvantis.Pyxadesk.png
-rw-r--r-- ./usr/share/icons/hicolor/256x256/apps/com.corvantis.Pyxadesk.png
-rw-r--r-- ./usr/share/icons/hicolor/32x32/apps/com.corvantis.Pyxadesk.png
-rw-r--r-- ./usr/share/icons/hicolor/48x48/apps/com.corvantis.Pyxadesk.png
-rw-r--r-- ./usr/share/icons/hicolor/64x64/apps/com.corvantis.Pyxadesk.png
-rw-r--r-- ./usr/share/icons/hicolor/scalable/apps/com.corvantis.Pyxadesk.svg
-rw-r--r-- ./usr/share/man/man1/pyxa-clinic-server.1.gz
-rw-r--r-- ./usr/share/man/man1/pyxadesk-upload.1.gz
-rw-r--r-- ./usr/share/man/man1/pyxadesk.1.gz
-rw-r--r-- ./usr/share/metainfo/com.corvantis.Pyxadesk.metainfo.xml
-rwxr-xr-x ./usr/bin/pyxa-clinic-server
-rwxr-xr-x ./usr/lib/pyxadesk/UploadDocuments
-rwxr-xr-x ./usr/lib/pyxadesk/pyxa-scan-helper
-rwxr-xr-x ./usr/lib/pyxadesk/pyxadesk
lrwxrwxrwx ./usr/bin/pyxadesk -> ../lib/pyxadesk/pyxadesk
lrwxrwxrwx ./usr/bin/pyxadesk-upload -> ../lib/pyxadesk/UploadDocuments
LIST
  sort -o "$work/expected" "$work/expected"
  diff -u "$work/expected" "$work/files" || fail "the package's files differ from the list above"
  dpkg-deb -c "$package" | awk '$2 != "root/root" { print; bad = 1 } END { exit bad }' || fail "files not owned by root"

  # Dependencies computed from the binaries, and the ones they cannot show.
  depends=$(dpkg-deb -f "$package" Depends)
  for need in libc6 libqt6widgets6 libqt6network6 libsqlite3-0 libtiff6 libpoppler-qt6 libsane1 libtesseract5 \
    liblept5 libzxing2 libcups2 libcpp-httplib; do
    [[ $depends == *"$need"* ]] || fail "Depends lacks $need: $depends"
  done
  [ "$(dpkg-deb -f "$package" Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"
  # Reading the page is off unless both languages' data and the orientation data are there.
  recommends=$(dpkg-deb -f "$package" Recommends)
  for want in tesseract-ocr-eng tesseract-ocr-fra tesseract-ocr-osd; do
    [[ $recommends == *"$want"* ]] || fail "Recommends lacks $want: $recommends"
  done
  dpkg-deb --ctrl-tarfile "$package" | tar -xO ./conffiles | grep -qx /etc/xdg/Corvantis/Pyxadesk.conf ||
    fail "the machine settings are not a conffile"

  # lintian: no error (warnings are listed for the record).
  lintian --tag-display-limit 0 "$package" > "$work/lintian" 2>&1 || true
  cat "$work/lintian"
  ! grep -q '^E:' "$work/lintian" || fail "lintian reports errors"

  dpkg-deb -x "$package" "$work/root"
  desktop-file-validate "$work/root/usr/share/applications/com.corvantis.Pyxadesk.desktop"
  appstreamcli validate --no-net "$work/root/usr/share/metainfo/com.corvantis.Pyxadesk.metainfo.xml"
  grep -qx 'Exec=pyxadesk' "$work/root/usr/share/applications/com.corvantis.Pyxadesk.desktop" ||
    fail "the desktop entry does not start the command in /usr/bin"
  # The menu finds the entry's icon by name in the hicolor theme, as a drawing and at the menu's sizes.
  icon=$(sed -n 's/^Icon=//p' "$work/root/usr/share/applications/com.corvantis.Pyxadesk.desktop")
  for file in scalable/apps/$icon.svg 16x16/apps/$icon.png 48x48/apps/$icon.png 256x256/apps/$icon.png; do
    [ -s "$work/root/usr/share/icons/hicolor/$file" ] || fail "the desktop entry's icon $file is missing"
  done
  for page in "$work"/root/usr/share/man/man1/*.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page: $warnings"
  done

  # The units as the package installs them: ExecStart names the installed programs, and systemd
  # accepts them (systemd-analyze verify reads unit files without a running systemd).
  grep -qx 'ExecStart=/usr/lib/pyxadesk/UploadDocuments' "$work/root/usr/lib/systemd/user/pyxadesk-upload.service" ||
    fail "the upload unit does not start the installed upload program"
  # A clinic server enabled as shipped must never make the demo clinic, whose passwords are known.
  ! grep -v '^#' "$work/root/lib/systemd/system/pyxa-clinic-server.service" | grep -q -- '--create-demo' ||
    fail "the clinic server's unit makes the demo clinic"
  for unit in usr/lib/systemd/user/pyxadesk-upload.service lib/systemd/system/pyxa-clinic-server.service; do
    program=$(sed -n 's/^ExecStart=\([^ ]*\).*/\1/p' "$work/root/$unit")
    [ -x "$work/root$program" ] || fail "$unit starts $program, which the package does not hold"
  done
  if command -v systemd-analyze >/dev/null; then
    # verify wants the programs that ExecStart names to exist: copies point into the unpacked tree.
    mkdir -p "$work/units" "$work/run"
    chmod 700 "$work/run"
    for unit in usr/lib/systemd/user/pyxadesk-upload.service usr/lib/systemd/user/pyxadesk-upload.timer \
      lib/systemd/system/pyxa-clinic-server.service; do
      sed "s|^ExecStart=/|ExecStart=$work/root/|" "$work/root/$unit" > "$work/units/${unit##*/}"
    done
    (cd "$work/units" && XDG_RUNTIME_DIR="$work/run" systemd-analyze --user verify --man=no \
      pyxadesk-upload.timer pyxadesk-upload.service && systemd-analyze verify --man=no pyxa-clinic-server.service) \
      > "$work/verify" 2>&1 || { cat "$work/verify"; fail "systemd-analyze verify"; }
    if grep . "$work/verify"; then fail "systemd-analyze verify has remarks"; fi
  else
    echo "systemd-analyze is not installed: the unit files were not verified"
  fi
  echo "package contents OK"
  ;;

start)
  plugins=$3
  package=$(deb)
  work=$(mktemp -d)
  server=
  cleanup() {
    if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi
    chmod -R u+w "$work" 2>/dev/null || true
    rm -rf "$work"
  }
  trap cleanup EXIT
  root=$work/root
  dpkg-deb -x "$package" "$root"

  # A normal user: when the tests run as root, the program runs as nobody.
  as_user=()
  if [ "$(id -u)" = 0 ]; then as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups --); fi
  chmod 711 "$work"
  home=$work/home
  mkdir -p "$home" "$work/runtime" "$work/clinic"
  mkdir -p "$home/plugins"
  cp -r "$plugins/generic" "$home/plugins/"
  chmod 700 "$work/runtime"
  if [ "$(id -u)" = 0 ]; then chown -R 65534:65534 "$home" "$work/runtime"; fi

  # The packaged clinic server with the demo clinic, on a certificate of a test authority.
  (
    cd "$work/clinic"
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 -subj "/CN=Package Test CA" \
      -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
      -keyout ca.key -out ca.pem 2>/dev/null
    openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj "/CN=localhost" \
      -keyout server.key -out server.csr 2>/dev/null
    printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\nextendedKeyUsage=serverAuth\n' > server.ext
    openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile server.ext \
      -out server.pem 2>/dev/null
    chmod 644 ca.pem
  )
  for _ in 1 2 3 4 5 6 7 8; do
    port=$((20000 + RANDOM % 40000))
    : > "$work/clinic/server.log"
    "$root/usr/bin/pyxa-clinic-server" --clinic "$work/clinic/clinic.sqlite" --cert "$work/clinic/server.pem" \
      --key "$work/clinic/server.key" --listen "127.0.0.1:$port" --create-demo > "$work/clinic/server.log" 2>&1 &
    server=$!
    while kill -0 "$server" 2>/dev/null && ! grep -q '^Serving' "$work/clinic/server.log"; do sleep 0.1; done
    grep -q '^Serving' "$work/clinic/server.log" && break
    wait "$server" || true
    server=
  done
  [ -n "$server" ] || { cat "$work/clinic/server.log"; fail "the clinic server did not start"; }

  # The packaged machine hive as an administrator completes it, read-only as /etc/xdg is to a user.
  xdg=$root/etc/xdg
  hive=$xdg/Corvantis/Pyxadesk.conf
  sed -i "s|^WebService_URL=.*|WebService_URL=https://localhost:$port/|" "$hive"
  printf 'WebService_CAFile=%s\n' "$work/clinic/ca.pem" >> "$hive"
  cp "$hive" "$work/admin.conf"
  chmod 444 "$hive"
  chmod 555 "$xdg/Corvantis"

  start() {  # log, login (user:password or empty), runtime folder (empty: a session without one)
    local rc=0
    timeout 120 "${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_HOME="$home/.config" \
      XDG_DATA_HOME="$home/.local/share" ${3:+XDG_RUNTIME_DIR="$3"} XDG_CONFIG_DIRS="$xdg" \
      QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH="$home/plugins" QT_QPA_GENERIC_PLUGINS=pyxaprobe \
      PYXA_PROBE_LOG="$home/$1" PYXA_PROBE_LOGIN="$2" "$root/usr/bin/pyxadesk" > "$work/$1.out" 2>&1 || rc=$?
    echo "== start ($1): exit $rc"
    cat "$home/$1" "$work/$1.out"
    [ "$rc" = 0 ] || fail "the program ended with $rc"
  }

  # First start: the login window, a login against the clinic server, the main window, exit. It runs
  # without a runtime folder, so the instance lock goes into the data folder, which must still be private.
  start first.log demo:demo ''
  printf '%s\n' "started $root/usr/lib/pyxadesk" 'shown frmLogin' 'login user=' 'shown frmMain' \
    'shown ' 'message You are Exiting Pyxa, Continue?' > "$work/expected"
  diff -u "$work/expected" "$home/first.log" || fail "the first start did not go login, main window, exit"

  config=$home/.config/Corvantis/Pyxadesk.conf
  data=$home/.local/share/Pyxadesk
  grep -qx 'LastLogin=demo' "$config" || fail "the last login was not kept in $config"
  cmp "$work/admin.conf" "$hive" || fail "the program changed the administrator's machine hive"
  for folder in "$data" "$data/Available Files" "$data/Uploads"; do
    [ "$(stat -c %a "$folder")" = 700 ] || fail "$folder is not 0700"
  done
  [ "$(stat -c %a "$config")" = 600 ] || fail "$config is not 0600"

  # Next start: the login window offers the last login; closing it ends the program.
  start second.log '' "$work/runtime"
  printf '%s\n' "started $root/usr/lib/pyxadesk" 'shown frmLogin' 'login user=demo' > "$work/expected"
  diff -u "$work/expected" "$home/second.log" || fail "the next start did not offer the last login"
  cat "$work/clinic/server.log"
  grep -Eq "^[^ ]+ 127.0.0.1 Connect 200 " "$work/clinic/server.log" || fail "no login reached the clinic server"
  echo "installed start OK"
  ;;
*)
  fail "unknown step $what"
  ;;
esac
