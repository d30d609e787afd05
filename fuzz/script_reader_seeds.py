#!/usr/bin/env python3
"""Writes the seed corpus of fuzz_script_reader into fuzz/corpus/script_reader: scripts as
the Script Maker writes them (CR LF, Windows-1252) and a few near misses."""
import os

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "script_reader")
os.makedirs(here, exist_ok=True)


def script(end=b"\r\n", slot=b"7", values=None, description=b"A fast fighter."):
    values = values if values is not None else [str((i * 37) % 256).encode() for i in range(167)]
    lines = [b"pn_p51d           ", slot] + values + [description]
    return end.join(lines) + end


seeds = {
    "crlf": script(),
    "lf": script(end=b"\n"),
    "empty_description": script(description=b""),
    "description_1252": script(description=b"Caf\xe9\xa0\x80\r\nsecond line\r\n\r\n"),
    "fractions": script(values=[b" 2.5", b"231.5 ", b"1E2", b"0.4"] + [b"9"] * 163),
    "bad_value": script(values=[b"256"] + [b"1"] * 166),
    "short": b"\r\n".join(script().split(b"\r\n")[:100]),
    "empty_slot": script(slot=b""),
    "no_final_line_end": script()[:-2],
}
for name, data in seeds.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)
