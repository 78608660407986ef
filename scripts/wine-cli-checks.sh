# vn340-cli.exe under Wine, as a pilot's script runs it on Windows: against the simulated gyro on
# COM5 (and a worn one on COM6), and behind "USB" through the simulated ftd2xx.dll. Each run's
# exit status and output are checked as the Linux command line's tests check them.
# Sourced by scripts/wine-test.sh, which has set up wine_env, wine, root, COM5 and COM6; sets
# cli_passed and cli_failed.

work="$root/wine-cli"
rm -rf "$work"
mkdir -p "$work/bin"
# A copy in a folder of the checks' own: the preferences it keeps beside itself stay there,
# never beside the built program.
cli="$work/bin/vn340-cli.exe"
cp "$root/src/app/vn340-cli.exe" "$cli"
# The history goes where Windows keeps a user's program data: %APPDATA%\tarvelrc\history.
history_folders=("$root"/wine-prefix/drive_c/users/*/AppData/Roaming/tarvelrc/history)
rm -rf "${history_folders[@]}"
cli_passed=0
cli_failed=()

# Runs vn340-cli.exe in the work folder with these arguments once; sets out (line ends as
# Linux's), err and status.
run_cli_once() {
    status=0
    (cd "$work" && timeout 120 "${wine_env[@]}" "$wine" "$cli" "$@" >"$work/out" 2>"$work/err") ||
        status=$?
    out=$(tr -d '\r' <"$work/out")
    err=$(tr -d '\r' <"$work/err")
}

# As run_cli_once. Every command of vn340-cli prints its result or its error, so a failed run
# with nothing at all on either stream was Wine's, not the program's (once in a long while a
# run under Wine ends with status 1 before the program writes a byte): that run is told and
# made once more, and the second run is the one checked.
run_cli() {
    run_cli_once "$@"
    if [ "$status" -ne 0 ] && [ -z "$out" ] && [ -z "$err" ]; then
        echo "  (vn340-cli.exe $* ended with status $status and printed nothing; run again)"
        run_cli_once "$@"
    fi
}

# check NAME EXPECTED-STATUS [TEXT-IN-OUTPUT]
check() {
    local name=$1 expected=$2 text=${3:-}
    if [ "$status" -eq "$expected" ] && { [ -z "$text" ] || grep -qxF -- "$text" <<<"$out"; }; then
        cli_passed=$((cli_passed + 1))
        printf '  %-52s exit %s\n' "$name" "$status"
    else
        cli_failed+=("$name")
        printf '  %-52s exit %s, expected %s %s\n' "$name" "$status" "$expected" "${text:+with \"$text\"}"
        printf '    out: %s\n    err: %s\n' "$out" "$err"
    fi
}

echo "== vn340-cli.exe under Wine"
run_cli --help
check "--help" 0 "  ports                     the ports the window would list, one per line"
run_cli ports
check "ports lists COM5 as the window would" 0 "COM5"
run_cli --port COM5 read -o gyro.tsf
check "read -o gyro.tsf" 0
run_cli --port COM5 read -o gyro.tsf
check "read -o over the file without --force" 5
run_cli --port COM5 diff gyro.tsf
check "diff, the file just read" 0
[ -z "$out" ] || { cli_failed+=("diff printed $out"); }
tr -d '\r' <"$work/gyro.tsf" | grep -q '^High endpoint=' || cli_failed+=("gyro.tsf holds no high endpoint")
sed 's/^High endpoint=[0-9]*/High endpoint=120/' "$work/gyro.tsf" >"$work/higher.tsf"
run_cli --port COM5 diff higher.tsf
check "diff, a higher endpoint" 1 "High endpoint: file 120, gyro 100"
run_cli --port COM5 store higher.tsf
check "store without agreeing" 2
run_cli --port COM5 store higher.tsf --yes
check "store, read back as written" 0 "High endpoint: gyro 100, file 120"
run_cli --port COM5 diff higher.tsf
check "diff after the store" 0
run_cli --port COM6 store higher.tsf --yes
check "store to a stuck cell" 1 "High endpoint: gyro 100, file 120"
grep -q "High endpoint" <<<"$err" || cli_failed+=("the stuck cell was not named: $err")
run_cli '--port' '\\.\COM5' read
check "read on \\\\.\\COM5" 0 "High endpoint: 120"
run_cli --port COM5 monitor --rounds 3 --csv
check "monitor --rounds 3 --csv" 0 "time_s,gyro,rudder_us,gain_us,gain_percent"
[ "$(wc -l <<<"$out")" -eq 4 ] || cli_failed+=("monitor printed $(wc -l <<<"$out") lines")
run_cli --port COM5 read -o again.tsf
run_cli --port COM5 read -o -
check "read -o -" 0
cmp -s "$work/out" "$work/again.tsf" || cli_failed+=("read -o - printed other bytes than read -o")
# The simulated adapter's library in place of the vendor's.
VN340_USB_DLL="$root/d2xx/ftd2xx.dll"
run_cli_usb() {
    status=0
    (cd "$work" && timeout 120 "${wine_env[@]}" VN340_D2XX_LIBRARY="Z:${VN340_USB_DLL//\//\\}" "$wine" "$cli" "$@" \
        >"$work/out" 2>"$work/err") || status=$?
    out=$(tr -d '\r' <"$work/out")
    err=$(tr -d '\r' <"$work/err")
}
run_cli_usb --port USB read
check "read on USB, through ftd2xx.dll" 0 "Servo: Generic"
run_cli history
check "history, kept in %APPDATA%\\tarvelrc\\history" 0
kept=$(find "$root"/wine-prefix/drive_c/users/*/AppData/Roaming/tarvelrc/history -name '*.tsf' \
    2>/dev/null | wc -l)
[ "$kept" -gt 0 ] && [ "$(wc -l <<<"$out")" -eq "$kept" ] ||
    cli_failed+=("history lists $(wc -l <<<"$out") of $kept snapshots in %APPDATA%")

echo "== $cli_passed vn340-cli.exe checks passed under Wine, ${#cli_failed[@]} failed"
