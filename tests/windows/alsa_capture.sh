# Sourced by the Wine test scripts. alsa_capture FILE: from then on, programs started from this
# shell play into an ALSA device that writes everything it is given to FILE (raw samples in
# the format the program opened) and plays nothing. It accepts data as fast as it comes, so a
# program under test plays faster than real time.
alsa_capture() {
  local conf
  conf="$(dirname "$1")/asound-capture.conf"
  cat >"$conf" <<CONF
pcm.!default {
  type file
  slave.pcm "null"
  file "$1"
  format "raw"
}
CONF
  export ALSA_CONFIG_PATH="/usr/share/alsa/alsa.conf:$conf"
}
