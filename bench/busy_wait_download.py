#!/usr/bin/env python3
"""The yardstick for the download's pacing: the exchanges a download makes with the controller
(link check, status, firmware text, the three EEPROM settings, 512 FRAM blocks of 64 bytes),
written as a plain script against tarvik-sim over a pseudo-terminal. Every 2 ms pause is a
busy-wait on the clock and every reply is read as soon as the device has it, so this is about
as close to the pacing floor as a program can come while burning a whole core.

    busy_wait_download.py <tarvik-sim> [runs]

Prints, for each run, the wall time against the floor (the sum of the pauses asked for) and the
CPU time as a share of the wall time, the same figures bench_logdata prints for the program."""
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


def download(link):
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
    link.set_address(0)
    image = bytearray()
    for _ in range(512):
        image += link.exchange((0x30, 64), 64)
    link.close()
    return text, image


def main():
    sim = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 1
    process = subprocess.Popen([sim], stdout=subprocess.PIPE, text=True)
    try:
        device = process.stdout.readline().strip()
        for _ in range(runs):
            link = Link(device)
            cpu0 = resource.getrusage(resource.RUSAGE_SELF)
            start = time.perf_counter()
            text, image = download(link)
            wall_ms = (time.perf_counter() - start) * 1000
            cpu1 = resource.getrusage(resource.RUSAGE_SELF)
            cpu_ms = ((cpu1.ru_utime - cpu0.ru_utime) + (cpu1.ru_stime - cpu0.ru_stime)) * 1000
            floor_ms = link.pauses * PACING_S * 1000
            if len(image) != 32768 or not text:
                print("busy-wait script: download incomplete", file=sys.stderr)
                return 1
            print(f"busy-wait script, same exchanges: {wall_ms:.1f} ms; pacing floor "
                  f"{floor_ms:.0f} ms; ratio {wall_ms / floor_ms:.3f}; CPU time "
                  f"{cpu_ms / wall_ms * 100:.0f} % of the wall time")
    finally:
        process.terminate()
        process.wait(5)
    return 0


if __name__ == "__main__":
    sys.exit(main())
