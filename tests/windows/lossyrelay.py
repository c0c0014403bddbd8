#!/usr/bin/env python3
"""A line that loses bytes: two pseudo-terminals whose traffic is copied
across, dropping every DROP_EVERY-th byte in each direction.

    lossyrelay.py NAMEFILE [DROP_EVERY]

Writes the two device paths (one per line) to NAMEFILE once both ends are
ready, then relays until killed."""
import os
import select
import sys
import tty


def open_end():
    master, slave = os.openpty()
    tty.setraw(slave)  # kept open: no hang-up while the other side reopens
    return master, slave, os.ttyname(slave)


def main():
    name_file = sys.argv[1]
    drop_every = int(sys.argv[2]) if len(sys.argv) > 2 else 1000
    a, a_slave, a_path = open_end()
    b, b_slave, b_path = open_end()
    counts = {a: 0, b: 0}
    other = {a: b, b: a}
    tmp = name_file + ".tmp"
    with open(tmp, "w") as f:
        f.write(a_path + "\n" + b_path + "\n")
    os.rename(tmp, name_file)
    while True:
        ready, _, _ = select.select([a, b], [], [])
        for fd in ready:
            try:
                data = os.read(fd, 4096)
            except OSError:
                continue
            kept = bytearray()
            for byte in data:
                counts[fd] += 1
                if counts[fd] % drop_every:
                    kept.append(byte)
            view = memoryview(bytes(kept))
            while view:
                view = view[os.write(other[fd], view):]


if __name__ == "__main__":
    main()
