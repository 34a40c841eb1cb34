#!/usr/bin/env python3
"""The yardstick for the download's pacing: the exchanges a download makes with the controller
(link check, status, firmware text, the three EEPROM settings, 512 FRAM blocks of 64 bytes),
written as a plain script against tarvik-sim over a pseudo-terminal. Every 2 ms pause is a
busy-wait on the clock and every reply is read as soon as the device has it, so this is about
as close to the pacing floor as a program can come while burning a whole core.

    busy_wait_download.py <tarvik-sim> [runs]
    busy_wait_download.py --device <pseudo-terminal> [runs]

The first form starts its own simulator; the second uses one already serving (bench_download_window
alternates its own downloads with this script's on one simulator). Prints, for each run, the
wall time against the floor (the sum of the pauses asked for) and the CPU time as a share of the
wall time, the same figures bench_logdata prints for the program, then the FRAM read alone
(SetAddress(0) and the 512 blocks), the part of the download the progress frame shows."""
import os
import resource
import select
import subprocess
import sys
import termios
import time
import tty

PACING_S = 0.002
DEADLINE_S = 1.0
ACK = 0x06


class Link:
    def __init__(self, device):
        self.device = device
        self.fd = None
        self.pauses = 0

    def ensure_open(self):
        if self.fd is None:
            self.fd = os.open(self.device, os.O_RDWR | os.O_NOCTTY)
            tty.setraw(self.fd)
            termios.tcflush(self.fd, termios.TCIFLUSH)

    def close(self):
        if self.fd is not None:
            os.close(self.fd)
            self.fd = None

    def pause(self):
        self.pauses += 1
        end = time.perf_counter() + PACING_S
        while time.perf_counter() < end:
            pass

    def send(self, *command):
        self.ensure_open()
        for i, byte in enumerate(command):
            if i:
                self.pause()
            os.write(self.fd, bytes([byte]))

    def receive(self, n):
        data = b""
        end = time.monotonic() + DEADLINE_S
        while len(data) < n:
            left = end - time.monotonic()
            if left <= 0 or not select.select([self.fd], [], [], left)[0]:
                raise TimeoutError(f"{len(data)} of {n} bytes")
            data += os.read(self.fd, n - len(data))
        return data

    def exchange(self, command, n):
        self.send(*command)
        reply = self.receive(n)
        self.pause()
        return reply

    def set_address(self, address):
        if self.exchange((0x14, address & 0xFF, (address >> 8) & 0xFF), 1)[0] != ACK:
            raise RuntimeError("address refused")


def cpu_seconds():
    u = resource.getrusage(resource.RUSAGE_SELF)
    return u.ru_utime + u.ru_stime


def download(link, fram):
    if link.exchange((0x33,), 1)[0] != ACK:
        raise RuntimeError("no link")
    link.exchange((0x2E,), 1)
    # The firmware text runs to its carriage return; the port is closed after it.
    link.send(0x10)
    text = b""
    while not text.endswith(b"\r"):
        text += link.receive(1)
    link.close()
    link.pause()
    for address, reads in ((19, 1), (23, 2), (20, 1)):
        link.set_address(address)
        for _ in range(reads):
            link.exchange((0x15,), 1)
    fram["start"] = time.perf_counter()
    fram["cpu"] = cpu_seconds()
    link.set_address(0)
    image = bytearray()
    for _ in range(512):
        image += link.exchange((0x30, 64), 64)
    fram["ms"] = (time.perf_counter() - fram["start"]) * 1000
    fram["cpu_ms"] = (cpu_seconds() - fram["cpu"]) * 1000
    link.close()
    return text, image


def run_downloads(device, runs):
    for _ in range(runs):
        link = Link(device)
        fram = {}
        cpu0 = cpu_seconds()
        start = time.perf_counter()
        text, image = download(link, fram)
        wall_ms = (time.perf_counter() - start) * 1000
        cpu_ms = (cpu_seconds() - cpu0) * 1000
        floor_ms = link.pauses * PACING_S * 1000
        if len(image) != 32768 or not text:
            print("busy-wait script: download incomplete", file=sys.stderr)
            return 1
        print(f"busy-wait script, same exchanges: {wall_ms:.1f} ms; pacing floor "
              f"{floor_ms:.0f} ms; ratio {wall_ms / floor_ms:.3f}; CPU time "
              f"{cpu_ms / wall_ms * 100:.0f} % of the wall time")
        print(f"  FRAM read, SetAddress(0) and 512 blocks: {fram['ms']:.1f} ms; CPU time "
              f"{fram['cpu_ms'] / fram['ms'] * 100:.0f} % of it")
        sys.stdout.flush()
    return 0


def main():
    args = sys.argv[1:]
    if len(args) >= 2 and args[0] == "--device":
        return run_downloads(args[1], int(args[2]) if len(args) > 2 else 1)
    if not args:
        print(__doc__, file=sys.stderr)
        return 2
    runs = int(args[1]) if len(args) > 1 else 1
    process = subprocess.Popen([args[0]], stdout=subprocess.PIPE, text=True)
    try:
        return run_downloads(process.stdout.readline().strip(), runs)
    finally:
        process.terminate()
        process.wait(5)


if __name__ == "__main__":
    sys.exit(main())
