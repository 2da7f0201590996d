#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into fuzz/corpus/<target>/.

The seeds are the example files and the golden frames of the test data,
each behind the setting bytes its target reads first (see the comment at
the top of each fuzz_*.cc). Run it again after changing a target's setting
bytes: python3 fuzz/make_seeds.py
"""
import pathlib
import struct

ROOT = pathlib.Path(__file__).resolve().parent.parent
CORPUS = ROOT / "fuzz" / "corpus"
EXAMPLES = ROOT / "examples"
DATA = ROOT / "tests" / "data"

STX, ETX, EOT, ENQ, ACK, NAK, ETB = 0x02, 0x03, 0x04, 0x05, 0x06, 0x15, 0x17
US, RS = b"\x1f", b"\x1e"


def hex_bytes(path):
    out = bytearray()
    for line in path.read_text().splitlines():
        line = line.split("#", 1)[0]
        out += bytes(int(tok, 16) for tok in line.split())
    return bytes(out)


USA_PLU_TEXT = (DATA / "plu_usa_example.txt").read_bytes().rstrip(b"\r\n")
CHINA_PLU_RECORD = hex_bytes(DATA / "plu_china_example.hex")  # record header + body
TOTALS_BODY = bytes([0, 0, 0x01, 0x23, 0, 0, 0, 0x04, 0, 0, 0x07, 0x50, 0, 0, 0x05, 0x96])
PLU_CSV = (EXAMPLES / "plu.csv").read_bytes()
DELETE_CSV = (EXAMPLES / "plu-delete.csv").read_bytes()
CONFIG = (EXAMPLES / "TolvanDrvConfig.txt").read_bytes()
# The example's scale and global lines with one comment: short seeds keep
# the fuzzer's inputs short and its executions fast.
CONFIG_LINES = b"; example\r\n" + b"".join(
    line for line in CONFIG.splitlines(keepends=True) if line.strip() and not line.startswith((b";", b"*", b"//")))


def seasia_line(plu6, price6, block, desc_start=118):
    line = bytearray(b" " * desc_start)
    line[0:6] = plu6
    line[8:14] = price6
    return bytes(line) + block


def desc_line(text, attrs=b"00", font=b"001", size=b"1"):
    return text.ljust(51) + attrs + font + size


WMSMART = b"bc0" + US + b"p#1" + US + b"u$499" + US + b"dtSwiss\r\nCheese\r\n" + RS + b"\r\nbc0" + US + b"p#2\r\n"
WMS_MESSAGE = b"r#7" + US + b"rtHello\r\n" + RS + b"\r\n"
SEASIA = seasia_line(b"000012", b"001250", desc_line(b"Swiss Cheese")) + b"\r\n"
DESCRIPTION = b"\x1bC1Swiss \x1bD1Cheese\x1bD1 from \x1bC3the Alps"


def block(number, data, last, is8bit=True):
    body = b"%02d" % number + data + bytes([ETX if last else ETB])
    check = 0x7F
    for b in body:
        check ^= b
    if not is8bit:
        check &= 0x7F
    return bytes([STX]) + body + bytes([check])


SCALE_ENQUIRY = bytes([EOT]) + b"VQ01" + bytes([ENQ])
TURN = b"\xff\xfe"  # the block-family scale waits for our answer here
BLOCK_OPENING = bytes([ACK, ACK]) + SCALE_ENQUIRY  # our enquiry, our request, their enquiry


def message_reply(records, number=0x30):
    body = b"".join(records)
    return bytes([number, 0, 0, 0]) + struct.pack("<I", len(body)) + body


def record(body, number=0x30):
    return bytes([number, 0, 0, 0, 0, 0]) + struct.pack("<H", len(body)) + body


STATUS_OK = bytes([0x81, 0, 0, 0]) + struct.pack("<I", 12) + bytes(12)
STATUS_ERROR = bytes([0x30, 0, 0, 1]) + struct.pack("<I", 12) + bytes(10) + struct.pack("<h", 9)


def resend_entry(data_type, mode, payload):
    return struct.pack("<HHII", data_type, mode, len(payload), 0) + payload


SEEDS = {
    # [separator, type, limits, quote rule] + text file
    "fuzz_lines": {
        "csv": b"\x00" + PLU_CSV,
        "delete": b"\x00" + DELETE_CSV,
        "config": b"\x00" + CONFIG_LINES,
        "tabs-quotes": b"\x81" + b'Plu_No\tDesc\r\n1\t"say ""cheese"""\r\r\n\n2\t\t\r\n',
        "wmsmart": b"\x02" + WMSMART,
        "seasia": b"\x00" + SEASIA,
        "bom-comments": b"\x00\xef\xbb\xbf; comment\n* star\n// slash\n1,2\n",
    },
    "fuzz_config": {
        "example": CONFIG_LINES,
        "block-udp": b"scale=Deli,ip=127.0.0.1,port=50021,model=vt30,version=usa,protocol=udp,is8bit=no\r\n"
                     b"labelwidth=48.0\r\nscale=Meat,ip=10.0.0.2,model=vt40,trafficlog=meat.log,resendfile=meat.rs\r\n",
        "globals": b"maxexmsg=100\npricedecpt=3\nweightdecpt=2\ncharset=big5\nreceivetimeout=5\nconnecttimeout=2\n",
    },
    # [format/mode/pairs/separator/limits, data type] + import file
    "fuzz_import": {
        "plu": b"\x00\x00" + PLU_CSV,
        "plu-look": b"\x00\x80" + PLU_CSV,
        "plu-delete": b"\x04\x00" + DELETE_CSV,
        "plu-tab-pairs": b"\x18\x00" + b"Plu_No\tUnitPrice\tName_FontType\tName\r\n7\t1.00\t1\tHam\t2\tSmoked\r\n",
        "exmsg": b"\x00\x01" + b"ExMsg_No,Desc\r\n7,\"Keep \"\"cool\"\"\"\r\n",
        "store": b"\x00\x07" + b"Store_No,Name,Address\r\n1,Corner Shop,Main Street 1\r\n",
        "seasia": b"\x01\x00" + SEASIA,
        "wmsmart": b"\x02\x80" + WMSMART,
        "wmsmart-message": b"\x02\x01" + WMS_MESSAGE,
        "tops": b"\x03\x00" + PLU_CSV,
    },
    # [version, limits] + resend file
    "fuzz_resend": {
        "plu-and-deletion": b"\x00\x00" + resend_entry(1, 1, struct.pack("<I", 101) + bytes(200))
                            + resend_entry(1, 2, struct.pack("<II", 1, 102)),
        "exmsg-store": b"\x07\x01" + resend_entry(2, 1, struct.pack("<I", 7) + b"Hello".ljust(64, b"\0"))
                       + resend_entry(8, 1, struct.pack("<I", 1) + b"Shop".ljust(64, b"\0")),
        "torn-tail": b"\x00\x00" + resend_entry(1, 1, bytes(16)) + struct.pack("<HHII", 1, 1, 4000, 0) + b"xx",
    },
    # [type, model, version, limits] + one received record
    "fuzz_received": {
        "block-plu-usa": bytes([0, 0, 0, 0]) + USA_PLU_TEXT,
        "message-plu-china": bytes([0, 3, 7, 0]) + CHINA_PLU_RECORD[8:],
        "message-plu-totals": bytes([8, 3, 7, 0]) + TOTALS_BODY,
        "message-hour-totals": bytes([9, 4, 7, 0]) + bytes([9]) + TOTALS_BODY[1:],
        "block-plu-totals-usa": bytes([8, 0, 0, 0]) + b"40" b"000123" b"000004" b"00000750" b"00000596",
        "block-hour-totals": bytes([9, 1, 7, 0]) + b"4301" b"09" b"000004" b"00000750" b"00000596",
        "block-op-totals": bytes([10, 2, 7, 0]) + b"4702" b"02" b"000001" b"00000002" b"00000003",
        "message-exmsg": bytes([1, 3, 7, 0]) + struct.pack("<I", 7) + b"\x00\x00Hello",
        "message-store": bytes([5, 4, 7, 0]) + bytes([0x01, 0, 0x31]) + b"Corner Shop",
        "message-keyboard": bytes([6, 3, 7, 0]) + bytes([0, 0x12, 0, 0, 0x01, 0x23, 0, 0]),
        "message-nutrition": bytes([7, 3, 7, 0]) + bytes([0, 0, 0x12]) + bytes(40),
    },
    # [type, model, version, flags] + the scale's bytes
    "fuzz_block_reply": {
        "plu-one-block": bytes([0, 0, 0, 1]) + BLOCK_OPENING + block(1, USA_PLU_TEXT, True) + TURN + bytes([EOT]),
        "plu-two-blocks": bytes([0, 1, 0, 1]) + BLOCK_OPENING + block(1, USA_PLU_TEXT[:60], False) + TURN
                          + block(2, USA_PLU_TEXT[60:], True) + TURN + bytes([EOT]),
        "plu-bad-check-7bit": bytes([0, 2, 0, 0]) + BLOCK_OPENING + block(1, USA_PLU_TEXT, True) + TURN
                              + block(1, USA_PLU_TEXT, True, False) + TURN + SCALE_ENQUIRY + TURN + bytes([EOT]),
        "totals-usa": bytes([6, 0, 0, 1]) + BLOCK_OPENING
                      + block(1, b"40" b"000123" b"000004" b"00000750" b"00000596", True) + TURN + bytes([EOT]),
        "hour-totals": bytes([7, 0, 7, 1]) + BLOCK_OPENING
                       + block(1, b"4301" b"09" b"000004" b"00000750" b"00000596", True) + TURN + bytes([EOT]),
        "refused": bytes([0, 0, 0, 1]) + bytes([NAK]),
    },
    # [type, model and description limit, version] + the scale's bytes
    "fuzz_message_reply": {
        "plu-china": bytes([0, 0, 7]) + message_reply([CHINA_PLU_RECORD, CHINA_PLU_RECORD]) + STATUS_OK,
        "plu-totals": bytes([8, 1, 7]) + message_reply([record(TOTALS_BODY, 0x11)], 0x11) + STATUS_OK,
        "hour-totals": bytes([9, 0, 7]) + message_reply([record(bytes([9]) + TOTALS_BODY[1:], 0x12)], 0x12),
        "error-status": bytes([0, 0, 7]) + STATUS_ERROR,
        "exmsg": bytes([1, 0, 7]) + message_reply([record(struct.pack("<I", 7) + b"\x00\x00Hello", 0x32)], 0x32),
    },
    # [version, label width, capacities] + description text
    "fuzz_text": {
        "escapes": bytes([7, 74, 40, 40]) + DESCRIPTION,
        "usa-narrow": bytes([0, 4, 8, 8]) + DESCRIPTION,
        "thai": bytes([3, 74, 63, 63]) + "ผักสด \x1bC2ราคา".encode("tis-620", errors="replace"),
        "message-codes": bytes([7, 74, 20, 20]) + bytes([13, 0x31]) + b"Line" + bytes([13, 0x32]) + b"Two",
    },
}


def main():
    for target, seeds in SEEDS.items():
        folder = CORPUS / target
        folder.mkdir(parents=True, exist_ok=True)
        for old in folder.iterdir():
            old.unlink()
        for name, data in seeds.items():
            (folder / name).write_bytes(data)
    print("seeds written to", CORPUS)


if __name__ == "__main__":
    main()
