#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (fuzz/corpus/<target>/seed_*): inputs in
each target's own layout (see the comment at the top of targets/fuzz_<target>.cpp) that
reach deep into its parser. Run again after changing a layout; other corpus files (what
a fuzzer run found worth keeping) are left alone."""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def crc16_arc(data):
    crc = 0
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def crc32_mpeg2(data):
    crc = 0xFFFFFFFF
    for b in data:
        crc ^= b << 24
        for _ in range(8):
            crc = ((crc << 1) ^ 0x04C11DB7) & 0xFFFFFFFF if crc & 0x80000000 else (crc << 1) & 0xFFFFFFFF
    return crc


def chunks(*pieces):
    """Pieces as the chunk layout of FuzzInput::chunks: a length byte (n - 1), n bytes."""
    out = b""
    for p in pieces:
        while p:
            part, p = p[:256], p[256:]
            out += bytes([len(part) - 1]) + part
    return out


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "seed_" + name), "wb") as f:
        f.write(data)


# ---- serial adapter receive frames and console answers
def rx_frame(code, can_id, data, extended=False, remote=False):
    info = len(data) | (0x40 if extended else 0) | (0x80 if remote else 0)
    return bytes([0xAA, code, info]) + struct.pack("<I", can_id) + data.ljust(8, b"\0") + b"\x55"


CAN, READ, WRITE, IDENT, VERSION, UPGRADE, SCAN = 0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40
feedback = rx_frame(0x11, 0x11, bytes([0x11, 0x80, 0x00, 0x80, 0x08, 0x00, 0x1E, 0x28]))
write("serial_stream", "feedback", bytes([CAN]) + chunks(feedback))
write("serial_stream", "frame_split", bytes([CAN]) + chunks(feedback[:5], feedback[5:] + rx_frame(0x01, 0, b"")))
write("serial_stream", "id_reply_scan", bytes([CAN | SCAN]) + chunks(rx_frame(0x11, 0x11, bytes([1, 0, 0x33, 0x17, 3]))))
write("serial_stream", "gbk_text", bytes([CAN]) + chunks("华为 ok\r\n".encode("gbk") + b"\xaa"))
write("serial_stream", "param_long", bytes([READ]) + chunks(b"g" + bytes(range(148)), b"\xaa"))
write("serial_stream", "param_short", bytes([READ]) + chunks(b"g" + bytes(128) + b"\xaa"))
write("serial_stream", "write_ack", bytes([WRITE]) + chunks(b"UgZ"))
write("serial_stream", "identify", bytes([IDENT]) + chunks(b"e" + struct.pack("<5f", 0.12, 2.5e-4, 0.01, 1e-3, 5e-5)))
write("serial_stream", "version", bytes([VERSION]) + chunks(b"f\x04\x03\x02\x01\x08\x07\x06\x05"))
write("serial_stream", "upgrade_frames", bytes([CAN | UPGRADE]) + chunks(rx_frame(0x11, 0x11, b"OK")))

# ---- USB adapter stream transfers
def head(can_id, data_len_code, flags, ts=1500000, error=0):
    return struct.pack("<IIHBB", can_id, ts, 0, error, (data_len_code << 4) | flags)


def stream_frame(payload):
    body = struct.pack("<H", len(payload)) + payload
    return b"\xa5\x00" + body + struct.pack("<H", crc16_arc(body)) + b"\x5a"


classic = head(0x123, 8, 0x01) + bytes(range(8))
fd64 = head(0x1ABCDEF, 15, 0x01 | 0x02 | 0x04 | 0x08) + bytes(range(64))
remote = head(0x7FF, 0, 0x00)
write("usb_stream", "rx_classic", b"\x00" + chunks(stream_frame(classic)))
write("usb_stream", "tx_fd", b"\x01" + chunks(stream_frame(fd64 + remote)))
write("usb_stream", "two_transfers", b"\x00" + chunks(stream_frame(classic + classic), stream_frame(remote)))
bad = bytearray(stream_frame(classic))
bad[-2] ^= 0xFF
write("usb_stream", "bad_crc", b"\x00" + chunks(bytes(bad)))

# ---- USB adapter command replies
def reply(code, ack, payload):
    body = bytes([code, ack]) + struct.pack("<H", len(payload)) + payload
    return b"\xa5" + body + struct.pack("<H", crc16_arc(body)) + b"\x5a"


write("usb_reply", "state", b"\x06" + reply(0x06, 0, b"app sw_version: 1.0.2"))
write("usb_reply", "boot", b"\x06" + reply(0x06, 0, b"boot sw_version: 0.9"))
write("usb_reply", "timing", b"\x0d" + reply(0x0D, 0, bytes([1, 29, 10, 2, 2, 5, 2, 2, 2])))
write("usb_reply", "refused", b"\x02" + reply(0x02, 6, b""))
write("usb_reply", "other_code", b"\x05" + reply(0x06, 0, b"x"))

# ---- can-utils log lines
write("canlog_line", "lines", b"".join([
    b"(1436509052.249713) can0 123#11223344 T\n",
    b"(0000000000.000005) can0 01ABCDEF#\n",
    b"(0000000001.000000) can0 7FF#R3 R\n",
    b"(0000000000.000002) can0 001##1A5A5A5A5A5A5A5A5A5A5A5A5 R\n",
    b"(0000000000.000003) can0 20000040#0000000000000000 R\n",
    b"(12.5) vcan0 1a0#de.ad.be.ef t\r\n",
    b"(1.123456789) can1 123#00\n",
    b"(1.0) can0 123#0011223344556677_D\n",
    b"garbage\n",
]))
# A bench session of the motor protocol, one frame of every kind the log's decoded column names.
write("canlog_line", "motor_kinds", b"".join([
    b"(1.000000) can0 001#FFFFFFFFFFFFFFFC T\n",
    b"(1.001000) can0 011#118F5B8888651F21 R\n",
    b"(1.002000) can0 001#8F5B888199333865 T\n",
    b"(1.003000) can0 101#0000803F000020C0 T\n",
    b"(1.004000) can0 202#00004040 T\n",
    b"(1.005000) can0 301#0000003F9600C409 T\n",
    b"(1.006000) can0 7FF#0100331500000000 T\n",
    b"(1.007000) can0 011#01003316C3F54840 R\n",
    b"(1.008000) can0 7FF#010055150000C841 T\n",
    b"(1.009000) can0 7FF#0100AA0000000000 T\n",
    b"(1.010000) can0 7FF#550000AA T\n",
    b"(1.011000) can0 011#550111AA R\n",
    b"(1.012000) can0 7FF#AA051555 T\n",
    b"(1.013000) can0 015#AA051555 R\n",
    b"(1.014000) can0 7FF#05003323 T\n",
    b"(1.015000) can0 011#0100332304000000 R\n",
    b"(1.016000) can0 011#113132EE R\n",
    b"(1.017000) can0 7FF#0101660000000000 T\n",
    b"(1.018000) can0 7FF#0100990000000000 T\n",
    b"(1.019000) can0 123#550102AA0100AAAA T\n",
    b"(1.020000) can0 011#4175706772616465 R\n",
    b"(1.021000) can0 001#2300231400303132 T\n",
    b"(1.022000) can0 001#4A5C T\n",
    b"(1.023000) can0 011#4F4B R\n",
]))

# ---- parameter file
names = ["UV_Value", "KT_Value", "OT_Value", "OC_Value", "ACC", "DEC", "MAX_SPD", "MST_ID", "ESC_ID", "TIMEOUT",
         "cmode", "Damp", "Inertia", "hw_ver", "sw_ver", "SN", "POLE", "Rs", "Ls", "Flux", "Gr", "PMAX", "VMAX",
         "TMAX", "I_BW", "KP_ASR", "KI_ASR", "KP_APR", "KI_APR", "OV_Value", "GREF", "Deta", "V_BW", "IQ_cl",
         "VL_cl", "can_br", "sub_ver"]
ints = {"MST_ID", "ESC_ID", "TIMEOUT", "cmode", "hw_ver", "sw_ver", "SN", "POLE", "can_br", "sub_ver"}
text = "".join("%s: %s\n" % (n, "3" if n in ints else "12.5") for n in names)
write("param_import", "export", text.encode())
write("param_import", "odd_lines", b"PMAX: nan\nVMAX: 1e40\nESC_ID: -1\nfoo: 1\nTMAX:10\nKT_Value: 1: 2\n\r\n")

# ---- spectrum block
samples = b"".join(struct.pack("<f", 0.03 * math.sin(2 * math.pi * 24 * i / 1000)) for i in range(1024))
write("spectrum_block", "block", b"\x01" + samples + struct.pack("<I", crc32_mpeg2(samples)))
write("spectrum_block", "samples", b"\x00" + samples)
write("spectrum_block", "short_samples", b"\x00" + samples[:40])

# ---- calibration
write("cal_motor", "sweep_7pp", bytes([6]) + bytes((i * 37) & 0x0F for i in range(256)))
write("cal_motor", "sweep_4pp_raw", bytes([0x83]) + b"".join(struct.pack("<f", v) for v in (0.0, 1.5, -0.2, 6.3)))
write("cal_shaft", "turn", bytes([0]) + bytes((i * 13) & 0x07 for i in range(128)))
write("cal_shaft", "raw", bytes([0x81]) + b"".join(struct.pack("<f", v) for v in (0.1, -0.1, 3.0, 1e3)))
table = b"".join(struct.pack("<f", 100 * math.sin(i / 40)) for i in range(256))
write("cal_upload", "table_H", b"H" + table + b"\0")
write("cal_upload", "table_I", b"I" + table + b"\0")

# ---- firmware upgrade replies (mode: path, version format, next-frame)
version = bytes([0x80, 0x00, 0xFF, 0xC8])
write("firmware_reply", "console", bytes([0x00]) + version + chunks(b"Aupgrade\r\n", b"OK\r\n", b"OK\r\n", b"complete\r\n"))
write("firmware_reply", "serial_split", bytes([0x09]) + version + chunks(b"...er Bootloa...", b"O", b"K\r\n", b"complete"))
write("firmware_reply", "usb_error", bytes([0x06]) + version + chunks(b"Aupgrade", b"ERROR"))
