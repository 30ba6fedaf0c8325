#!/usr/bin/env bash
# The sound player through Wine for real, in a Wine prefix of its own whose audio driver is
# Wine's PulseAudio driver:
#   1. with no server behind the driver there is no device: soundAvailable is 0;
#   2. with a server of our own and a null sink, the probe plays an MP3 into the sink and the
#      sink's monitor is recorded and judged (sound_pulse_record.py).
#   sound_pulse_test.sh SOURCE_DIR PROBE.exe SOUND_FOLDER WORK_DIR
set -u
src=$1 probe=$2 sounds=$3 work=$4
rm -rf "$work"
mkdir -p "$work/run" "$work/home"
chmod 700 "$work/run"
export QUENDLER_WINE_DIR=$work/wine QUENDLER_DISPLAY_FROM=${QUENDLER_DISPLAY_FROM:-150}
export XDG_RUNTIME_DIR=$work/run HOME=$work/home
WINE=${WINE:-/usr/lib/wine/wine64}
pa_pid=
cleanup() {
  [ -n "$pa_pid" ] && kill "$pa_pid" 2>/dev/null && wait "$pa_pid" 2>/dev/null
  bash "$src/cmake/wine-env.sh" stop >/dev/null
}
trap cleanup EXIT

bash "$src/cmake/wine-env.sh" start || exit 1
eval "$(bash "$src/cmake/wine-env.sh" env)"
"$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Audio /d pulse /f >/dev/null 2>&1 || exit 1

# 1. A server that does not exist (and no autospawn): no device.
out=$(PULSE_SERVER=unix:$work/no-server "$WINE" "$probe" 2>/dev/null | tr -d "\r"; exit "${PIPESTATUS[0]}")
code=$?
echo "without a server: $out (exit $code)"
if [ "$out" != "soundAvailable 0" ] || [ $code -ne 3 ]; then
  echo "FAIL: sound must not be available without an audio device"
  exit 1
fi

# 2. Our own server with one null sink.
pulseaudio --daemonize=no --exit-idle-time=-1 -n --use-pid-file=no --disable-shm=yes \
  --load="module-null-sink sink_name=quendler_out rate=48000 channels=2" \
  --load="module-native-protocol-unix socket=$work/pulse.sock auth-anonymous=1" \
  --log-level=${QUENDLER_PULSE_LOG_LEVEL:-notice} --log-target=file:"$work/pulse.log" >/dev/null 2>&1 </dev/null &
pa_pid=$!
export PULSE_SERVER=unix:$work/pulse.sock
for _ in $(seq 1 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || { echo "FAIL: PulseAudio did not start"; cat "$work/pulse.log"; exit 1; }

# What is judged are times on the wall clock, which a busy machine can stretch (the first file
# Wine opens, a late stream start): a failed measurement is taken once more, and both show.
for attempt in 1 2; do
  echo "measurement $attempt:"
  QUENDLER_RECORDING=$work/recording-$attempt.wav python3 "$src/tests/alarms/win32/sound_pulse_record.py" quendler_out.monitor -- \
    "$WINE" "$probe" "$(printf 'Z:%s\\tone1k_long.mp3' "${sounds//\//\\}")" 3500 1200 && exit 0
done
exit 1
