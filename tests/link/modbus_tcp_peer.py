#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A Modbus TCP server from a general Modbus library (pymodbus), as an independent peer of
Kelvo's Modbus TCP transport: a meter behind a gateway, its input and holding registers one
image (the meter's registers answer both), and the meter's own identification request,
function code 0x41, answered with a model code and a firmware version. --no-identify leaves
0x41 out, as a gateway that does not forward it: the library then answers exception 01.

Listens on 127.0.0.1 only and prints "ready" once it does.

    /usr/bin/python3 modbus_tcp_peer.py --port 5020 [--unit 8] [--no-identify]
"""

import argparse
import asyncio
import logging
import struct
import sys

from pymodbus.datastore import ModbusSequentialDataBlock, ModbusServerContext, ModbusSlaveContext
from pymodbus.pdu import ModbusRequest, ModbusResponse
from pymodbus.server.async_io import StartAsyncTcpServer

REGISTERS = 400
MODEL = b"RA03"
VERSION = b"2004"


def image():
    """A register image that a test can check: register r holds r * 257 (mod 65536), and
    99..100 a flow of 12.5 as a float, high word first."""
    values = [(r * 257) & 0xFFFF for r in range(REGISTERS)]
    values[99], values[100] = struct.unpack(">HH", struct.pack(">f", 12.5))
    return values


class IdentifyResponse(ModbusResponse):
    """Function code 0x41's answer: an unused byte, the length, the identification bytes."""

    function_code = 0x41

    def __init__(self, data=b"", **kwargs):
        super().__init__(**kwargs)
        self.data = data

    def encode(self):
        return bytes([0, len(self.data)]) + self.data

    def decode(self, data):
        self.data = data[2:]


class IdentifyRequest(ModbusRequest):
    """Function code 0x41 with its two zero bytes."""

    function_code = 0x41
    _rtu_frame_size = 6

    def encode(self):
        return b"\x00\x00"

    def decode(self, data):
        pass

    def execute(self, context):  # pylint: disable=unused-argument
        return IdentifyResponse(MODEL + VERSION + bytes(8))


async def serve(arguments):
    block = ModbusSequentialDataBlock(0, image())
    meter = ModbusSlaveContext(ir=block, hr=block, zero_mode=True)
    context = ModbusServerContext(slaves={arguments.unit: meter}, single=False)
    server = await StartAsyncTcpServer(
        context=context, address=("127.0.0.1", arguments.port), allow_reuse_address=True, defer_start=True
    )
    if not arguments.no_identify:
        server.decoder.register(IdentifyRequest)
    task = asyncio.create_task(server.serve_forever())
    await server.serving
    print("ready", flush=True)
    await task


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--unit", type=int, default=8)
    parser.add_argument("--no-identify", action="store_true")
    arguments = parser.parse_args()
    # A client that closes its connection is no error of the server's.
    logging.getLogger("pymodbus").setLevel(logging.CRITICAL)
    try:
        asyncio.run(serve(arguments))
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
