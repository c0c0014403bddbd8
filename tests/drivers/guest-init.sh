#!/bin/busybox sh
# /init of the drivers' virtual machine (scripts/test-drivers): loads the
# USB serial modules, mounts the host's results folder and runs each step,
# its output, exit status and reports written there for the host to check.
# "@@VL ..." lines on the console ask the host for something or mark a step.
/bin/busybox --install -s /bin
export PATH=/bin:/vl
mkdir -p /proc /sys /dev /tmp /out
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp
mkdir -p /dev/pts && mount -t devpts devpts /dev/pts

say() { echo "@@VL $*" > /dev/console; }
finish() { sync; umount /out 2>/dev/null; say "end"; poweroff -f; }
uptime_s() { cut -d' ' -f1 /proc/uptime; }
# Waits up to $2 tenths of a second for test $1 to hold.
wait_until() { n=0; while ! eval "$1"; do n=$((n + 1)); [ $n -ge "$2" ] && return 1; usleep 100000; done; }

say "init"
grep -q vl.probe /proc/cmdline && finish
for m in $(cat /modules/order); do insmod "/modules/$m" || say "insmod $m failed"; done
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 vlout /out || { say "no results folder"; finish; }
wait_until '[ -e /dev/ttyUSB0 ]' 300 || say "no ttyUSB0"

# vl.steps=a,b on the kernel's command line runs only those steps.
want() { ! grep -q vl.steps= /proc/cmdline || grep -Eq "vl.steps=([^ ]*,)?$1(,| |$)" /proc/cmdline; }
# step NAME COMMAND...: output to NAME.log, exit status to NAME.rc.
step() {
  name=$1; shift
  want "$name" || return 0
  say "step $name at $(uptime_s)"
  "$@" > "/out/$name.log" 2>&1
  echo $? > "/out/$name.rc"
  say "step $name rc=$(cat /out/$name.rc) at $(uptime_s)"
}

cd /vl
step ports vesperline-cli ports --json
load="--bytes 100000 --min-rate 0 --drain-timeout 20s --modem-lines skip --wiring pairs"
step clean vesperline-cli verify /dev/ttyS4,/dev/ttyS5,/dev/ttyS6,/dev/ttyS7,/dev/ttyS8,/dev/ttyS9 $load \
  --report /out/clean.json --quiet
step relayed vesperline-cli verify /dev/ttyS10,/dev/ttyS11 $load --report /out/relayed.json --quiet

export VESPERLINE_TEST_UART=/dev/ttyS4 VESPERLINE_TEST_UART_PEER=/dev/ttyS5
step contract test_contract --gtest_filter='*PosixUart*' --gtest_output=xml:/out/contract.xml
step uart test_portio --gtest_filter='RealUart.*' --gtest_output=xml:/out/uart.xml
step session test_session --gtest_filter='*/uart' --gtest_output=xml:/out/session.xml
unset VESPERLINE_TEST_UART VESPERLINE_TEST_UART_PEER

# Unplugged while a verify runs over it: the run must end on its own.
unplug() {
say "step unplug at $(uptime_s)"
vesperline-cli verify /dev/ttyUSB0 --duration 120s --min-rate 0 --modem-lines skip --drain-timeout 20s \
  --report /out/unplug.json > /out/unplug.log 2>&1 &
pid=$!
wait_until 'grep -Eq "[1-9][0-9]* bytes sent" /out/unplug.log' 300
say "unplug"
wait_until '[ ! -e /sys/class/tty/ttyUSB0 ]' 300
gone=$(uptime_s)
wait_until '! kill -0 $pid 2>/dev/null' 300
ended=$(uptime_s)
if kill -0 $pid 2>/dev/null; then
  kill -9 $pid
  echo hung > /out/unplug.rc
else
  wait $pid
  echo $? > /out/unplug.rc
fi
echo "$gone $ended" > /out/unplug.times
say "step unplug rc=$(cat /out/unplug.rc) at $(uptime_s)"
say "plug"
wait_until '[ -e /dev/ttyUSB0 ]' 300 || say "ttyUSB0 did not come back"
}
want unplug && unplug
export VESPERLINE_TEST_REPLUG=/dev/ttyUSB0 VESPERLINE_TEST_REPLUG_ASK=/dev/console
step replug test_session --gtest_filter='Reconnect.ARealAdapter*' --gtest_output=xml:/out/replug.xml
say "done"
finish
